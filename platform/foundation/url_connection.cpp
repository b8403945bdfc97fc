#include "platform/foundation/url_connection.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/content_decoder.h"
#include "platform/foundation/http_socket_reply.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/network_thread.h"
#include "platform/foundation/timer.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>

#include <condition_variable>

namespace ns {

namespace {

// The platform gives up after this many redirects of one load.
constexpr int kMaximumRedirects = 16;

const QString kLocation = QStringLiteral("Location");
const QString kContentType = QStringLiteral("Content-Type");
const QString kContentLength = QStringLiteral("Content-Length");

QString descriptionForCode(qint64 code) {
    switch (code) {
        case Error::kURLErrorCancelled:
            return QStringLiteral("cancelled");
        case Error::kURLErrorBadURL:
            return QStringLiteral("bad URL");
        case Error::kURLErrorTimedOut:
            return QStringLiteral("The request timed out.");
        case Error::kURLErrorUnsupportedURL:
            return QStringLiteral("unsupported URL");
        case Error::kURLErrorCannotFindHost:
            return QStringLiteral("A server with the specified hostname could not be found.");
        case Error::kURLErrorCannotConnectToHost:
            return QStringLiteral("Could not connect to the server.");
        case Error::kURLErrorNetworkConnectionLost:
            return QStringLiteral("The network connection was lost.");
        case Error::kURLErrorHTTPTooManyRedirects:
            return QStringLiteral("too many HTTP redirects");
        case Error::kURLErrorResourceUnavailable:
            return QStringLiteral("resource unavailable");
        case Error::kURLErrorNotConnectedToInternet:
            return QStringLiteral("The Internet connection appears to be offline.");
        case Error::kURLErrorBadServerResponse:
            return QStringLiteral("bad server response");
        case Error::kURLErrorUserCancelledAuthentication:
            return QStringLiteral("cancelled authentication");
        case Error::kURLErrorCannotDecodeContentData:
            return QStringLiteral("cannot decode content data");
        case Error::kURLErrorRequestBodyStreamExhausted:
            return QStringLiteral("request body stream exhausted");
        case Error::kURLErrorFileDoesNotExist:
            return QStringLiteral("The requested URL was not found on this server.");
        case Error::kURLErrorDataLengthExceedsMaximum:
            return QStringLiteral("The reply is larger than the most this request takes.");
        case Error::kURLErrorSecureConnectionFailed:
            return QStringLiteral(
                "An SSL error has occurred and a secure connection to the server cannot be made.");
        case Error::kURLErrorServerCertificateUntrusted:
            return QStringLiteral("The certificate for this server is invalid.");
        default:
            return QStringLiteral("unknown error");
    }
}

qint64 codeForReplyError(QNetworkReply::NetworkError error) {
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::ProxyConnectionRefusedError:
        case QNetworkReply::ProxyNotFoundError:
            return Error::kURLErrorCannotConnectToHost;
        case QNetworkReply::RemoteHostClosedError:
        case QNetworkReply::ProxyConnectionClosedError:
            return Error::kURLErrorNetworkConnectionLost;
        case QNetworkReply::HostNotFoundError:
            return Error::kURLErrorCannotFindHost;
        case QNetworkReply::TimeoutError:
        case QNetworkReply::ProxyTimeoutError:
            return Error::kURLErrorTimedOut;
        case QNetworkReply::OperationCanceledError:
            return Error::kURLErrorCancelled;
        case QNetworkReply::SslHandshakeFailedError:
            return Error::kURLErrorSecureConnectionFailed;
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::BackgroundRequestNotAllowedError:
        case QNetworkReply::UnknownNetworkError:
            // Qt reports an unreachable network (no route, no interface) this way.
            return Error::kURLErrorNotConnectedToInternet;
        case QNetworkReply::ProtocolUnknownError:
            return Error::kURLErrorUnsupportedURL;
        case QNetworkReply::ProtocolFailure:
            return Error::kURLErrorBadServerResponse;
        case QNetworkReply::ContentNotFoundError:
            return Error::kURLErrorFileDoesNotExist;
        case QNetworkReply::ContentReSendError:
            return Error::kURLErrorRequestBodyStreamExhausted;
        default:
            return Error::kURLErrorUnknown;
    }
}

// An HTTP status the server sent, which the platform hands over as a response
// rather than a failure; Qt reports such statuses as errors too.
bool isHTTPStatusError(QNetworkReply* reply) {
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) return false;
    const int error = reply->error();
    return error == QNetworkReply::NoError ||
           (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError &&
            error != QNetworkReply::ContentReSendError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError);
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::shared_ptr<const URLResponse> responseOf(QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        HTTPHeaderFields fields;
        for (const auto& [name, value] : reply->rawHeaderPairs()) {
            fields.addValue(QString::fromLatin1(name), HTTPHeaderFields::textOf(value));
        }
        return std::make_shared<HTTPURLResponse>(reply->url(), status.toInt(), std::move(fields));
    }
    // Not HTTP (a file, for instance): the type comes from the name.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const QString mimeType =
        QMimeDatabase().mimeTypeForFile(reply->url().path(), QMimeDatabase::MatchExtension).name();
    return std::make_shared<URLResponse>(
        reply->url(), mimeType,
        length.isValid() ? length.toLongLong() : URLResponse::kUnknownLength, QString());
}

// Lets the network access manager read a request body from an InputStream as it
// sends it.
class BodyStreamDevice final : public QIODevice {
public:
    explicit BodyStreamDevice(std::shared_ptr<InputStream> stream) : stream_(std::move(stream)) {
        stream_->open();
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~BodyStreamDevice() override { stream_->close(); }

    [[nodiscard]] bool isSequential() const override { return true; }
    [[nodiscard]] const std::optional<Error>& streamError() const { return error_; }

protected:
    qint64 readData(char* data, qint64 maxLength) override {
        const qint64 count = stream_->read(data, maxLength);
        if (count > 0) return count;
        if (count < 0) error_ = stream_->streamError();
        return -1;  // the end of the body for the manager
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<InputStream> stream_;
    std::optional<Error> error_;
};

// The path and query of the request line, taken from the URL text as the caller wrote
// it: only characters outside ASCII, which a request line cannot carry, are escaped.
QByteArray requestTarget(const URLRequest& request) {
    const QString text = request.urlText();
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    qsizetype pathStart = scheme < 0 ? 0 : scheme + 3;
    while (pathStart < text.size() && text[pathStart] != QLatin1Char('/') &&
           text[pathStart] != QLatin1Char('?') && text[pathStart] != QLatin1Char('#')) {
        ++pathStart;
    }
    const QString rest = text.mid(pathStart).section(QLatin1Char('#'), 0, 0);
    QByteArray target;
    for (const char byte : rest.toUtf8()) {
        const auto value = static_cast<unsigned char>(byte);
        if (value < 0x80) {
            target += byte;
        } else {
            target += '%' + QByteArray::number(value, 16).toUpper();
        }
    }
    return target.startsWith('/') ? target : '/' + target;
}

}  // namespace

URLConnectionDelegate::~URLConnectionDelegate() = default;

std::optional<URLRequest> URLConnectionDelegate::willSendRequest(
    URLConnection&, const URLRequest& request, const std::shared_ptr<const URLResponse>&) {
    return request;
}

void URLConnectionDelegate::willSendRequestForAuthenticationChallenge(
    URLConnection& connection, const URLAuthenticationChallenge& challenge) {
    if (canAuthenticateAgainstProtectionSpace(connection, challenge.protectionSpace())) {
        didReceiveAuthenticationChallenge(connection, challenge);
    } else {
        challenge.sender()->performDefaultHandlingForAuthenticationChallenge(challenge);
    }
}

bool URLConnectionDelegate::canAuthenticateAgainstProtectionSpace(URLConnection&,
                                                                  const URLProtectionSpace& space) {
    return space.authenticationMethod() != URLProtectionSpace::kAuthenticationMethodServerTrust &&
           space.authenticationMethod() !=
               URLProtectionSpace::kAuthenticationMethodClientCertificate;
}

void URLConnectionDelegate::didReceiveAuthenticationChallenge(
    URLConnection&, const URLAuthenticationChallenge& challenge) {
    challenge.sender()->performDefaultHandlingForAuthenticationChallenge(challenge);
}

bool URLConnectionDelegate::connectionShouldUseCredentialStorage(URLConnection&) {
    return true;
}

std::shared_ptr<InputStream> URLConnectionDelegate::needNewBodyStream(URLConnection&,
                                                                      const URLRequest& request) {
    return request.httpBodyStream() ? request.httpBodyStream()->copy() : nullptr;
}

void URLConnectionDelegate::didSendBodyData(URLConnection&, qint64, qint64, qint64) {}
void URLConnectionDelegate::didReceiveResponse(URLConnection&,
                                               const std::shared_ptr<const URLResponse>&) {}
void URLConnectionDelegate::didReceiveData(URLConnection&, const QByteArray&) {}

std::optional<CachedURLResponse> URLConnectionDelegate::willCacheResponse(
    URLConnection&, const CachedURLResponse& proposed) {
    return proposed;
}

void URLConnectionDelegate::didFinishLoading(URLConnection&) {}
void URLConnectionDelegate::didFailWithError(URLConnection&, const Error&) {}

// Takes the one answer the delegate gives while it holds the challenge.
class URLConnection::ChallengeSender final : public URLAuthenticationChallengeSender {
public:
    void useCredential(const URLCredential& credential,
                       const URLAuthenticationChallenge&) override {
        answer(ChallengeAnswer::UseCredential, credential);
    }
    void continueWithoutCredentialForAuthenticationChallenge(
        const URLAuthenticationChallenge&) override {
        answer(ChallengeAnswer::ContinueWithoutCredential);
    }
    void cancelAuthenticationChallenge(const URLAuthenticationChallenge&) override {
        answer(ChallengeAnswer::Cancel);
    }
    void performDefaultHandlingForAuthenticationChallenge(
        const URLAuthenticationChallenge&) override {
        answer(ChallengeAnswer::DefaultHandling);
    }
    void rejectProtectionSpaceAndContinueWithChallenge(const URLAuthenticationChallenge&) override {
        answer(ChallengeAnswer::Reject);
    }

    // Ends the time for answers; what was not answered is handled the default way.
    [[nodiscard]] Answered close() {
        std::lock_guard lock(mutex_);
        open_ = false;
        return answered_.value_or(Answered{ChallengeAnswer::DefaultHandling, std::nullopt});
    }

private:
    void answer(ChallengeAnswer answer, std::optional<URLCredential> credential = std::nullopt) {
        std::lock_guard lock(mutex_);
        if (!open_ || answered_) return;
        answered_ = Answered{answer, std::move(credential)};
    }

    std::mutex mutex_;
    bool open_ = true;
    std::optional<Answered> answered_;
};

// The state of a running load, touched on "NetKit" only.
struct URLConnection::Load {
    std::shared_ptr<Clock> clock;
    QPointer<QNetworkReply> reply;
    QPointer<HTTPSocketReply> socketReply;   // the reply, when plain http reads it
    qint64 replyChunks = 0;                  // its chunks counted in chunksReceived_
    BodyStreamDevice* bodyDevice = nullptr;  // a child of the reply
    std::unique_ptr<ContentDecoder> decoder;
    bool receivedEncodedBytes = false;
    std::shared_ptr<const URLResponse> response;
    bool responseDelivered = false;
    int redirects = 0;
    int passwordFailures = 0;
    bool askedCredentialStorage = false;
    // A refusal decided inside a manager's callback, applied when the reply ends.
    std::optional<Error> refusal;
    qint64 uploaded = 0;
    Duration timeout{};
    Duration lastActivity{};
    DelayedCall timeoutCall;
    DelayedCall deadlineCall;
    qint64 maximumLength = 0;  // of the body being received, decoded; 0: no bound
    qint64 received = 0;       // body bytes of the reply under way, decoded
    bool collectForCache = false;
    qint64 cacheLimit = 0;
    QByteArray cacheData;
    bool finishedWhileHeld = false;  // the reply ended while its reading was held
};

URLConnection::URLConnection(const URLRequest& request,
                             std::shared_ptr<URLConnectionDelegate> delegate)
    : originalRequest_(request), currentRequest_(request), delegate_(std::move(delegate)) {}

URLConnection::~URLConnection() = default;

std::shared_ptr<URLConnection> URLConnection::connectionWithRequest(
    const URLRequest& request, std::shared_ptr<URLConnectionDelegate> delegate) {
    return create(request, std::move(delegate), true);
}

std::shared_ptr<URLConnection> URLConnection::create(
    const URLRequest& request, std::shared_ptr<URLConnectionDelegate> delegate,
    bool startImmediately) {
    std::shared_ptr<URLConnection> connection(new URLConnection(request, std::move(delegate)));
    if (startImmediately) connection->start();
    return connection;
}

URLRequest URLConnection::currentRequest() const {
    std::lock_guard lock(requestMutex_);
    return currentRequest_;
}

void URLConnection::start() {
    {
        std::lock_guard lock(deliveryMutex_);
        if (ended_ || started_.exchange(true)) return;
        selfHold_ = shared_from_this();  // released by tearDown() on "NetKit"
    }
    NetworkThread::shared().async([self = shared_from_this()] { self->begin(); });
}

void URLConnection::cancel() {
    std::shared_ptr<URLConnectionDelegate> released;
    {
        std::lock_guard lock(deliveryMutex_);  // waits for a delegate call in progress
        if (ended_) return;
        ended_ = true;
        released = std::move(delegate_);
    }
    if (NetworkThread::shared().isCurrent()) {
        tearDown();
    } else {
        NetworkThread::shared().async([self = shared_from_this()] { self->tearDown(); });
    }
}

template <class Call>
bool URLConnection::deliver(Call&& call) {
    std::lock_guard lock(deliveryMutex_);
    if (ended_) return false;
    const auto delegate = delegate_;  // the call may cancel, which lets go of delegate_
    if (delegate) call(*delegate);
    return !ended_;
}

void URLConnection::endDelivery() {
    std::shared_ptr<URLConnectionDelegate> released;
    std::lock_guard lock(deliveryMutex_);
    ended_ = true;
    released = std::move(delegate_);
}

Error URLConnection::errorWithCode(qint64 code, const QString& description) const {
    const QUrl url = currentRequest().url();
    QVariantMap userInfo{{Error::kLocalizedDescriptionKey,
                          description.isEmpty() ? descriptionForCode(code) : description}};
    if (!url.isEmpty()) {
        userInfo.insert(Error::kFailingURLKey, url);
        userInfo.insert(Error::kFailingURLStringKey, url.toString());
    }
    return Error(Error::kURLErrorDomain, code, userInfo);
}

void URLConnection::begin() {
    load_ = std::make_unique<Load>();
    load_->clock = Clock::sharedPtr();
    const double seconds = originalRequest_.timeoutInterval() > 0
                               ? originalRequest_.timeoutInterval()
                               : URLRequest::kDefaultTimeoutInterval;
    load_->timeout = ns::seconds(seconds);

    std::optional<URLRequest> request;
    if (!deliver([&](URLConnectionDelegate& d) {
            request = d.willSendRequest(*this, originalRequest_, nullptr);
        })) {
        return;
    }
    if (!request) {
        fail(errorWithCode(Error::kURLErrorCancelled, {}));
        return;
    }
    {
        std::lock_guard lock(requestMutex_);
        currentRequest_ = *request;
    }
    armDeadline(request->deadlineInterval());
    const QUrl& url = request->url();
    if (!url.isValid() || url.isEmpty()) {
        fail(errorWithCode(Error::kURLErrorBadURL, {}));
        return;
    }
    if (url.isRelative()) {
        fail(errorWithCode(Error::kURLErrorUnsupportedURL, {}));
        return;
    }

    if (request->httpMethod().compare(QLatin1String("GET"), Qt::CaseInsensitive) == 0) {
        const auto cache = URLCache::sharedURLCache();
        std::optional<CachedURLResponse> cached;
        switch (request->cachePolicy()) {
            case URLRequest::CachePolicy::ReturnCacheDataElseLoad:
            case URLRequest::CachePolicy::ReturnCacheDataDontLoad:
                cached = cache->cachedResponseForRequest(*request);
                break;
            case URLRequest::CachePolicy::UseProtocolCachePolicy:
                cached = cache->freshCachedResponseForRequest(*request);
                break;
            default:
                break;
        }
        if (cached) {
            answerFromCache(*cached);
            return;
        }
        if (request->cachePolicy() == URLRequest::CachePolicy::ReturnCacheDataDontLoad) {
            fail(errorWithCode(Error::kURLErrorResourceUnavailable, {}));
            return;
        }
    }
    send(*request);
}

void URLConnection::answerFromCache(const CachedURLResponse& cached) {
    if (!deliver([&](URLConnectionDelegate& d) { d.didReceiveResponse(*this, cached.response); }))
        return;
    if (!cached.data.isEmpty() &&
        !deliver([&](URLConnectionDelegate& d) { d.didReceiveData(*this, cached.data); })) {
        return;
    }
    if (!deliver([&](URLConnectionDelegate& d) { d.didFinishLoading(*this); })) return;
    endDelivery();
    tearDown();
}

void URLConnection::send(const URLRequest& request) {
    {
        std::lock_guard lock(requestMutex_);
        currentRequest_ = request;
    }
    QNetworkRequest outgoing(request.url());
    for (const auto& [name, value] : request.allHTTPHeaderFields().fields()) {
        outgoing.setRawHeader(name.toLatin1(), value.toUtf8());
    }
    const bool hasBody = !request.httpBody().isEmpty() || request.httpBodyStream();
    if (hasBody && !request.allHTTPHeaderFields().contains(kContentType)) {
        outgoing.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
    }
    // Setting the field ourselves keeps Qt from decoding: every body is decoded here,
    // whoever asked for the coding.
    if (!request.allHTTPHeaderFields().contains(QStringLiteral("Accept-Encoding"))) {
        outgoing.setRawHeader("Accept-Encoding", "gzip, deflate");
    }
    if (!request.httpShouldHandleCookies()) {
        outgoing.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        outgoing.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    }
    outgoing.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute,
                          request.httpShouldUsePipelining());
    outgoing.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                          QNetworkRequest::ManualRedirectPolicy);
    if (request.url().scheme() == QLatin1String("https")) {
        // With no roots of its own Qt finds fault with every server and asks first,
        // before anything is sent: that is where the delegate judges the server.
        QSslConfiguration ssl = outgoing.sslConfiguration();
        ssl.setCaCertificates({});
        outgoing.setSslConfiguration(ssl);
    }

    auto& manager = NetworkThread::shared().accessManager();
    const QByteArray method = request.httpMethod().toLatin1();
    QNetworkReply* reply = nullptr;
    HTTPSocketReply* socketReply = nullptr;
    load_->bodyDevice = nullptr;
    if (request.url().scheme() == QLatin1String("http")) {
        // Plain HTTP is read by our own reply, which checks the framing of every reply.
        QByteArray body = request.httpBody();
        BodyStreamDevice* device = nullptr;
        if (request.httpBodyStream()) {
            device = new BodyStreamDevice(request.httpBodyStream());
            body = device->readAll();
            if (device->streamError()) {
                const Error error = *device->streamError();
                delete device;
                fail(error);
                return;
            }
        }
        // The fields as the request holds them (two whose names differ only in case stay
        // two), then those added above.
        HTTPSocketReply::Fields fields;
        for (const auto& [name, value] : request.allHTTPHeaderFields().fields()) {
            fields.append({name.toLatin1(), value.toUtf8()});
        }
        for (const QByteArray& name : outgoing.rawHeaderList()) {
            if (!request.allHTTPHeaderFields().contains(QString::fromLatin1(name)))
                fields.append({name, outgoing.rawHeader(name)});
        }
        socketReply = new HTTPSocketReply(outgoing, method, requestTarget(request),
                                          std::move(fields), body, &manager);
        if (device) device->setParent(socketReply);
        reply = socketReply;
    } else if (request.httpBodyStream()) {
        auto* device = new BodyStreamDevice(request.httpBodyStream());
        reply = manager.sendCustomRequest(outgoing, method, device);
        device->setParent(reply);
        load_->bodyDevice = device;
    } else if (!request.httpBody().isEmpty() && method == "POST") {
        reply = manager.post(outgoing, request.httpBody());
    } else if (!request.httpBody().isEmpty()) {
        reply = manager.sendCustomRequest(outgoing, method, request.httpBody());
    } else if (method == "HEAD") {
        reply = manager.head(outgoing);  // a custom HEAD would wait for a body
    } else if (method == "GET") {
        reply = manager.get(outgoing);
    } else {
        reply = manager.sendCustomRequest(outgoing, method);
    }
    load_->reply = reply;
    load_->socketReply = socketReply;
    load_->replyChunks = 0;
    load_->uploaded = 0;
    load_->decoder.reset();
    load_->receivedEncodedBytes = false;
    load_->maximumLength = request.maximumResponseLength();
    load_->received = 0;
    load_->finishedWhileHeld = false;

    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [this] { onMetaData(); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { onReadyRead(); });
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply,
                     [this](qint64 sent, qint64 total) { onUploadProgress(sent, total); });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this] { onFinished(); });
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [this, reply](const QList<QSslError>& errors) { onSslErrors(reply, errors); });
    QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, reply,
                     [this, reply](QNetworkReply* asking, QAuthenticator* authenticator) {
                         if (asking == reply) askForPassword(reply, authenticator);
                     });
    noteActivity();
    armTimeout();
    if (socketReply) {
        socketReply->setPasswordHandler([this, socketReply](const QString& realm)
                                            -> std::optional<HTTPSocketReply::Credential> {
            const auto answer =
                passwordFor(socketReply, realm, URLProtectionSpace::kAuthenticationMethodHTTPBasic);
            if (!answer) return std::nullopt;
            return HTTPSocketReply::Credential{answer->first, answer->second};
        });
        socketReply->send();
    }
}

std::optional<URLConnection::Answered> URLConnection::challenge(
    const URLProtectionSpace& space, std::shared_ptr<const URLResponse> failureResponse) {
    if (!load_->askedCredentialStorage) {
        load_->askedCredentialStorage = true;
        if (!deliver([&](URLConnectionDelegate& d) {
                (void)d.connectionShouldUseCredentialStorage(*this);
            })) {
            return std::nullopt;
        }
    }
    const bool isTrust =
        space.authenticationMethod() == URLProtectionSpace::kAuthenticationMethodServerTrust;
    auto sender = std::make_shared<ChallengeSender>();
    const URLAuthenticationChallenge asked(space, std::nullopt,
                                           isTrust ? 0 : load_->passwordFailures,
                                           std::move(failureResponse), std::nullopt, sender);
    if (!deliver([&](URLConnectionDelegate& d) {
            d.willSendRequestForAuthenticationChallenge(*this, asked);
        })) {
        (void)sender->close();
        return std::nullopt;
    }
    return sender->close();
}

void URLConnection::onSslErrors(QNetworkReply* reply, const QList<QSslError>& errors) {
    noteActivity();
    QList<QByteArray> certificates;
    for (const auto& certificate : reply->sslConfiguration().peerCertificateChain()) {
        certificates << certificate.toDer();
    }
    if (certificates.isEmpty()) {
        for (const auto& error : errors) {
            if (!error.certificate().isNull()) certificates << error.certificate().toDer();
        }
    }
    const QUrl url = reply->url();
    auto trust = std::make_shared<const ServerTrust>(certificates, url.host());
    const URLProtectionSpace space(url.host(), url.port(443), url.scheme(), {},
                                   URLProtectionSpace::kAuthenticationMethodServerTrust, trust);
    const auto answered = challenge(space, nullptr);
    if (!answered) return;  // cancelled meanwhile: the reply is being torn down
    const auto& [answer, credential] = *answered;

    bool accepted = false;
    if (answer == ChallengeAnswer::UseCredential && credential && credential->serverTrust()) {
        accepted = true;  // the delegate vouches for this server, valid or not
    } else if (answer == ChallengeAnswer::Cancel) {
        load_->refusal = errorWithCode(Error::kURLErrorUserCancelledAuthentication, {});
    } else {
        accepted = ServerTrust::isTrusted(trust->evaluate());
        if (!accepted)
            load_->refusal = errorWithCode(Error::kURLErrorServerCertificateUntrusted, {});
    }
    if (accepted) reply->ignoreSslErrors();
}

void URLConnection::askForPassword(QNetworkReply* reply, QAuthenticator* authenticator) {
    // Qt does not name the scheme; a digest challenge brings a nonce, a basic one a realm.
    QString method = URLProtectionSpace::kAuthenticationMethodDefault;
    if (authenticator->options().contains(QStringLiteral("nonce"))) {
        method = URLProtectionSpace::kAuthenticationMethodHTTPDigest;
    } else if (!authenticator->realm().isEmpty()) {
        method = URLProtectionSpace::kAuthenticationMethodHTTPBasic;
    }
    if (const auto answer = passwordFor(reply, authenticator->realm(), method)) {
        authenticator->setUser(answer->first);
        authenticator->setPassword(answer->second);
    }
    // Otherwise the credential stays empty and the server's 401 becomes the response.
}

std::optional<std::pair<QString, QString>> URLConnection::passwordFor(QNetworkReply* reply,
                                                                      const QString& realm,
                                                                      const QString& method) {
    noteActivity();
    const QUrl url = reply->url();
    const URLProtectionSpace space(url.host(),
                                   url.port(url.scheme() == QLatin1String("https") ? 443 : 80),
                                   url.scheme(), realm, method);
    std::shared_ptr<const URLResponse> failure;
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        failure = responseOf(reply);
    const auto answered = challenge(space, failure);
    ++load_->passwordFailures;
    if (!answered) return std::nullopt;
    const auto& [answer, credential] = *answered;
    if (answer == ChallengeAnswer::UseCredential && credential && credential->hasPassword())
        return std::pair{credential->user(), credential->password()};
    if (answer == ChallengeAnswer::Cancel)
        load_->refusal = errorWithCode(Error::kURLErrorUserCancelledAuthentication, {});
    return std::nullopt;
}

bool URLConnection::refused() {
    if (!load_->refusal) return false;
    fail(*load_->refusal);
    return true;
}

void URLConnection::onMetaData() {
    noteActivity();
    if (refused() || load_->responseDelivered || !load_->reply) return;
    QNetworkReply* reply = load_->reply;
    auto response = responseOf(reply);
    if (const auto* http = dynamic_cast<const HTTPURLResponse*>(response.get())) {
        if (isRedirect(http->statusCode()) && http->allHeaderFields().contains(kLocation) &&
            followRedirect(http->statusCode(), response)) {
            return;
        }
        load_->decoder = ContentDecoder::forContentEncoding(
            http->allHeaderFields().value(QStringLiteral("Content-Encoding")));
        if (load_->decoder) load_->decoder->setMaximumLength(load_->maximumLength);
        const bool isGet =
            currentRequest().httpMethod().compare(QLatin1String("GET"), Qt::CaseInsensitive) == 0;
        const bool noStore = http->allHeaderFields()
                                 .value(QStringLiteral("Cache-Control"))
                                 .contains(QLatin1String("no-store"), Qt::CaseInsensitive);
        load_->collectForCache = isGet && http->statusCode() == 200 && !noStore;
        load_->cacheLimit = URLCache::sharedURLCache()->memoryCapacity() / 20;
    }
    load_->response = response;
    load_->responseDelivered = true;
    deliver([&](URLConnectionDelegate& d) { d.didReceiveResponse(*this, response); });
}

bool URLConnection::followRedirect(int status, const std::shared_ptr<const URLResponse>& response) {
    const auto* http = static_cast<const HTTPURLResponse*>(response.get());
    URLRequest next = currentRequest();
    const QUrl target =
        load_->reply->url().resolved(QUrl(http->allHeaderFields().value(kLocation)));
    next.setURL(target);
    const QString method = next.httpMethod().toUpper();
    const bool becomesGet =
        status == 303 ? method != QLatin1String("HEAD")
                      : (status == 301 || status == 302) && method == QLatin1String("POST");
    if (becomesGet) {
        next.setHTTPMethod(QStringLiteral("GET"));
        next.setHTTPBody({});
        next.setValue(QString(), kContentType);
        next.setValue(QString(), kContentLength);
    }

    std::optional<URLRequest> answer;
    if (!deliver(
            [&](URLConnectionDelegate& d) { answer = d.willSendRequest(*this, next, response); })) {
        return true;  // cancelled from inside: nothing more to do
    }
    if (!answer) return false;  // the redirect itself becomes the response
    if (++load_->redirects > kMaximumRedirects) {
        fail(errorWithCode(Error::kURLErrorHTTPTooManyRedirects, {}));
        return true;
    }
    if (answer->httpBodyStream() && answer->httpBodyStream() == currentRequest().httpBodyStream()) {
        // The old stream was spent on the first request.
        std::shared_ptr<InputStream> fresh;
        if (!deliver(
                [&](URLConnectionDelegate& d) { fresh = d.needNewBodyStream(*this, *answer); }))
            return true;
        if (!fresh) {
            fail(errorWithCode(Error::kURLErrorRequestBodyStreamExhausted, {}));
            return true;
        }
        answer->setHTTPBodyStream(std::move(fresh));
    }
    abandonReply();
    send(*answer);
    return true;
}

void URLConnection::setReadingHeld(bool held) {
    if (readingHeld_.exchange(held) == held || held) return;
    // What came meanwhile is taken on "NetKit", unless held again by then.
    NetworkThread::shared().async([weak = weak_from_this()] {
        const auto self = weak.lock();
        if (!self || self->readingHeld_ || !self->load_ || !self->load_->reply) return;
        self->noteActivity();
        if (std::exchange(self->load_->finishedWhileHeld, false)) {
            self->onFinished();
        } else if (self->load_->reply->bytesAvailable() > 0) {
            self->onReadyRead();
        }
    });
}

void URLConnection::onReadyRead() {
    noteActivity();
    if (readingHeld_ || refused() || !load_->reply) return;
    QByteArray bytes = load_->reply->readAll();
    if (bytes.isEmpty()) return;
    if (load_->socketReply) {
        const qint64 chunks = load_->socketReply->chunksRead();
        chunksReceived_ += chunks - std::exchange(load_->replyChunks, chunks);
    }
    if (load_->decoder) {
        load_->receivedEncodedBytes = true;
        QByteArray decoded;
        if (!load_->decoder->decode(bytes, decoded)) {
            fail(errorWithCode(load_->decoder->isTooLong()
                                   ? Error::kURLErrorDataLengthExceedsMaximum
                                   : Error::kURLErrorCannotDecodeContentData,
                               {}));
            return;
        }
        bytes = std::move(decoded);
        if (bytes.isEmpty()) return;
    }
    load_->received += bytes.size();
    if (load_->maximumLength > 0 && load_->received > load_->maximumLength) {
        // Nothing past the bound is handed on; the connection closes with the failure.
        fail(errorWithCode(Error::kURLErrorDataLengthExceedsMaximum, {}));
        return;
    }
    if (load_->collectForCache) {
        if (load_->cacheData.size() + bytes.size() > load_->cacheLimit) {
            load_->collectForCache = false;  // too big to be kept: not offered
            load_->cacheData.clear();
        } else {
            load_->cacheData += bytes;
        }
    }
    deliver([&](URLConnectionDelegate& d) { d.didReceiveData(*this, bytes); });
}

void URLConnection::onUploadProgress(qint64 sent, qint64 total) {
    noteActivity();
    if (sent <= load_->uploaded) return;
    const qint64 written = sent - load_->uploaded;
    load_->uploaded = sent;
    deliver([&](URLConnectionDelegate& d) {
        d.didSendBodyData(*this, written, sent, total < 0 ? URLResponse::kUnknownLength : total);
    });
}

void URLConnection::onFinished() {
    if (refused() || !load_->reply) return;
    if (readingHeld_) {
        load_->finishedWhileHeld = true;
        return;
    }
    QNetworkReply* reply = load_->reply;
    if (load_->bodyDevice && load_->bodyDevice->streamError()) {
        fail(*load_->bodyDevice->streamError());
        return;
    }
    if (reply->error() != QNetworkReply::NoError && !isHTTPStatusError(reply)) {
        fail(errorWithCode(codeForReplyError(reply->error()), {}));
        return;
    }
    if (!load_->responseDelivered) {
        onMetaData();
        // A redirect followed from here has started a new reply; a cancel ended all.
        if (!load_->reply || load_->reply != reply || !load_->responseDelivered) return;
    }
    if (reply->bytesAvailable() > 0) {
        onReadyRead();
        if (!load_->reply) return;
    }
    if (load_->decoder && load_->receivedEncodedBytes && !load_->decoder->isComplete()) {
        fail(errorWithCode(Error::kURLErrorCannotDecodeContentData, {}));
        return;
    }
    finishLoading();
}

void URLConnection::finishLoading() {
    if (load_->collectForCache) {
        const CachedURLResponse proposed{
            load_->response, load_->cacheData, {}, CachedURLResponse::StoragePolicy::Allowed};
        std::optional<CachedURLResponse> accepted;
        if (!deliver(
                [&](URLConnectionDelegate& d) { accepted = d.willCacheResponse(*this, proposed); }))
            return;
        if (accepted) URLCache::sharedURLCache()->storeCachedResponse(*accepted, originalRequest_);
    }
    if (!deliver([&](URLConnectionDelegate& d) { d.didFinishLoading(*this); })) return;
    endDelivery();
    tearDown();
}

void URLConnection::fail(const Error& error) {
    abandonReply();
    deliver([&](URLConnectionDelegate& d) { d.didFailWithError(*this, error); });
    endDelivery();
    tearDown();
}

void URLConnection::abandonReply() {
    if (!load_ || !load_->reply) return;
    QNetworkReply* reply = load_->reply;
    load_->reply = nullptr;
    load_->socketReply = nullptr;
    load_->bodyDevice = nullptr;
    // Only this connection's own handlers (their context is the reply): the reply's own
    // links to the thread that carries the request stay, so that the abort reaches it and
    // closes the socket; without them an open stream kept its socket and its slot of the
    // host's connections for ever.
    QObject::disconnect(reply, nullptr, reply, nullptr);
    QObject::disconnect(&NetworkThread::shared().accessManager(), nullptr, reply, nullptr);
    reply->abort();
    reply->deleteLater();  // with its body device, which closes the body stream
}

void URLConnection::tearDown() {
    if (load_) {
        abandonReply();
        load_->timeoutCall.cancel();
        load_->deadlineCall.cancel();
    }
    // Let go of ourselves after this call has returned.
    if (selfHold_) NetworkThread::shared().async([hold = std::move(selfHold_)] {});
}

void URLConnection::noteActivity() {
    if (load_) load_->lastActivity = load_->clock->uptime();
}

void URLConnection::armTimeout() {
    load_->timeoutCall.cancel();  // a redirect's new request arms afresh
    const Duration due = load_->lastActivity + load_->timeout - load_->clock->uptime();
    // The clock fires on the main thread; the check belongs on "NetKit".
    load_->timeoutCall = DelayedCall::schedule(due, [weak = weak_from_this()] {
        NetworkThread::shared().async([weak] {
            if (auto self = weak.lock()) self->checkTimeout();
        });
    });
}

void URLConnection::armDeadline(double seconds) {
    if (seconds <= 0) return;
    // On the clock's thread; the failure belongs on "NetKit".
    load_->deadlineCall = DelayedCall::schedule(ns::seconds(seconds), [weak = weak_from_this()] {
        NetworkThread::shared().async([weak] {
            const auto self = weak.lock();
            if (self && self->load_ && self->load_->reply)
                self->fail(self->errorWithCode(Error::kURLErrorTimedOut, {}));
        });
    });
}

void URLConnection::checkTimeout() {
    if (!load_ || !load_->reply) return;
    // Held back by its reader, the connection is not idle.
    if (readingHeld_) noteActivity();
    if (load_->clock->uptime() - load_->lastActivity >= load_->timeout) {
        fail(errorWithCode(Error::kURLErrorTimedOut, {}));
    } else {
        armTimeout();  // something happened meanwhile: wait out the rest
    }
}

URLConnection::SynchronousResult URLConnection::sendSynchronousRequest(const URLRequest& request) {
    class Collector final : public URLConnectionDelegate {
    public:
        void didReceiveResponse(URLConnection&,
                                const std::shared_ptr<const URLResponse>& response) override {
            std::lock_guard lock(mutex);
            result.response = response;
        }
        void didReceiveData(URLConnection&, const QByteArray& data) override {
            std::lock_guard lock(mutex);
            result.data += data;
        }
        void didFinishLoading(URLConnection&) override { end(std::nullopt); }
        void didFailWithError(URLConnection&, const Error& error) override { end(error); }

        void end(std::optional<Error> error) {
            std::lock_guard lock(mutex);
            result.error = std::move(error);
            done = true;
            changed.notify_all();
            if (loop) QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
        }

        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
        QEventLoop* loop = nullptr;
        SynchronousResult result;
    };

    auto collector = std::make_shared<Collector>();
    const bool handleEvents = MainQueue::isMainThread() || NetworkThread::shared().isCurrent();
    if (handleEvents) {
        QEventLoop loop;
        {
            std::lock_guard lock(collector->mutex);
            collector->loop = &loop;
        }
        auto connection = connectionWithRequest(request, collector);
        for (;;) {
            {
                std::lock_guard lock(collector->mutex);
                if (collector->done) {
                    collector->loop = nullptr;
                    break;
                }
            }
            loop.exec();
        }
    } else {
        auto connection = connectionWithRequest(request, collector);
        std::unique_lock lock(collector->mutex);
        collector->changed.wait(lock, [&] { return collector->done; });
    }
    std::lock_guard lock(collector->mutex);
    return collector->result;
}

}  // namespace ns
