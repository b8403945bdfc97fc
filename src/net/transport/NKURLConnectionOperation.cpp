#include "net/transport/NKURLConnectionOperation.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/server_trust.h"

#include <algorithm>
#include <utility>

namespace {

using State = NKURLConnectionOperation::State;

// The room a body's stream makes before its bytes come: the length its reply announced, when the
// request bounds its body and the announcement is within the bound. Nothing (0 or less) for a
// length not announced; nor past the bound, as such a load fails once its body passes it; nor
// without a bound, where nothing keeps a server's figure in check. The body may still grow past
// the room, as a compressed one does (the length announced is the compressed one).
qint64 roomForBody(qint64 announced, qint64 bound) {
    return announced <= bound ? announced : 0;
}

bool transitionAllowed(State from, State to, bool cancelled) {
    switch (from) {
        case State::Paused:
            // A cancel ends a paused operation at once: it would never be resumed.
            return to == State::Ready || (to == State::Finished && cancelled);
        case State::Ready:
            return to == State::Paused || to == State::Executing ||
                   (to == State::Finished && cancelled);
        case State::Executing:
            return to == State::Paused || to == State::Finished;
        case State::Finished:
            return false;
        default:
            return true;
    }
}

// The observable property behind a state; paused has none the queues watch.
std::optional<ns::Operation::Key> keyForState(State state) {
    switch (state) {
        case State::Ready:
            return ns::Operation::Key::Ready;
        case State::Executing:
            return ns::Operation::Key::Executing;
        case State::Finished:
            return ns::Operation::Key::Finished;
        default:
            return std::nullopt;
    }
}

QString keyNameForState(State state) {
    switch (state) {
        case State::Paused:
            return QStringLiteral("isPaused");
        case State::Ready:
            return QStringLiteral("isReady");
        case State::Executing:
            return QStringLiteral("isExecuting");
        case State::Finished:
            return QStringLiteral("isFinished");
        default:
            return QStringLiteral("state");
    }
}

QString addressOf(const void* object) {
    return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(object), 0, 16);
}

// The public key of one certificate judged on its own under the basic X.509 policy;
// empty when it has none that can be read.
QByteArray publicKeyOfCertificate(const QByteArray& der) {
    const ns::ServerTrust trust({der}, QString());
    (void)trust.evaluate();
    return trust.copyPublicKey();
}

}  // namespace

NKURLConnectionOperation::NKURLConnectionOperation(const ns::URLRequest& request)
    : request_(request) {
    setState(State::Ready);
}

NKURLConnectionOperation::~NKURLConnectionOperation() {
    if (outputStream_) outputStream_->close();
    if (const auto task = backgroundTaskIdentifier_; task != ui::kBackgroundTaskInvalid) {
        const auto end = [task] { ui::Application::sharedApplication().endBackgroundTask(task); };
        // The application is the main thread's; the last owner may be a worker.
        if (ns::MainQueue::isMainThread()) {
            end();
        } else {
            ns::MainQueue::post(end);
        }
    }
}

ns::NetworkThread& NKURLConnectionOperation::networkRequestThread() {
    return ns::NetworkThread::shared();
}

const QList<QByteArray>& NKURLConnectionOperation::pinnedCertificates() {
    static const QList<QByteArray> certificates = [] {
        QList<QByteArray> found;
        const QString folder = ns::Bundle::resourcePath();
        auto names = ns::FileManager::contentsOfDirectoryAtPath(folder).value_or(QStringList());
        names.sort();
        for (const QString& name : names) {
            if (!name.endsWith(QLatin1String(".cer"))) continue;
            const auto der = ns::FileManager::contentsAtPath(folder + QLatin1Char('/') + name);
            // Only real certificates: a file that holds none could never match.
            if (der && !publicKeyOfCertificate(*der).isEmpty()) found << *der;
        }
        return found;
    }();
    return certificates;
}

const QList<QByteArray>& NKURLConnectionOperation::pinnedPublicKeys() {
    static const QList<QByteArray> keys = [] {
        QList<QByteArray> found;
        for (const QByteArray& der : pinnedCertificates()) {
            const QByteArray key = publicKeyOfCertificate(der);
            if (!key.isEmpty()) found << key;
        }
        return found;
    }();
    return keys;
}

void NKURLConnectionOperation::setState(State state) {
    if (!transitionAllowed(this->state(), state, isCancelled())) return;
    std::lock_guard guard(lock_);
    const State old = this->state();
    // Asked again under the lock: two threads may have passed the first look at once.
    if (!transitionAllowed(old, state, isCancelled())) return;
    if (state == State::Finished) {
        // Queues let go of an operation once it has finished, while its completion
        // block still waits for a worker: the block keeps the operation until it ran.
        if (auto current = Operation::completionBlock()) {
            Operation::setCompletionBlock(
                [current = std::move(current), hold = shared_from_this()] { current(); },
                Operation::completionThread());
        }
    }
    state_.store(static_cast<qint16>(state));
    if (const auto key = keyForState(old)) didChangeValue(*key);
    if (const auto key = keyForState(state)) didChangeValue(*key);
}

bool NKURLConnectionOperation::isReady() const {
    return state() == State::Ready && Operation::isReady();
}

bool NKURLConnectionOperation::isExecuting() const {
    return state() == State::Executing;
}

bool NKURLConnectionOperation::isFinished() const {
    return state() == State::Finished;
}

void NKURLConnectionOperation::start() {
    std::lock_guard guard(lock_);
    if (!isReady()) return;
    setState(State::Executing);
    networkRequestThread().async(
        [self = sharedAs<NKURLConnectionOperation>()] { self->operationDidStart(); });
}

void NKURLConnectionOperation::operationDidStart() {
    bool connecting = false;
    {
        std::lock_guard guard(lock_);
        if (!isCancelled()) {
            connection_ =
                ns::URLConnection::create(request_, sharedAs<NKURLConnectionOperation>(), false);
            chunksSeen_ = 0;
            connection_->setReadingHeld(readingHeld_);
            if (!outputStream_) outputStream_ = ns::OutputStream::toMemory();
            connection_->start();
            connecting = true;
        }
    }
    postNotification(kOperationDidStartNotification);
    if (!connecting) {
        // A cancel that came between start() and now has its error posted behind us:
        // store it first, so that the completion never sees a cancelled operation
        // without its error.
        cancelConnection();
        finish();
    }
}

void NKURLConnectionOperation::cancel() {
    std::lock_guard guard(lock_);
    if (isFinished() || isCancelled()) return;
    Operation::cancel();
    // No piece may reach the handler after a cancel, and it may hold what holds us.
    if (const auto delivery = std::exchange(pieceDelivery_, nullptr)) delivery->stop();
    networkRequestThread().async(
        [self = sharedAs<NKURLConnectionOperation>()] { self->cancelConnection(); });
}

void NKURLConnectionOperation::cancelConnection() {
    // A load that ended before the cancel arrived keeps its own outcome.
    if (isFinished()) return;
    std::shared_ptr<ns::URLConnection> connection;
    ns::Error error;
    {
        std::lock_guard guard(lock_);
        QVariantMap userInfo;
        if (!request_.url().isEmpty()) userInfo.insert(ns::Error::kFailingURLKey, request_.url());
        error = ns::Error(ns::Error::kURLErrorDomain, ns::Error::kURLErrorCancelled, userInfo);
        error_ = error;
        connection = connection_;
    }
    if (connection) {
        connection->cancel();
        // A cancelled connection says nothing more; tell ourselves.
        didFailWithError(*connection, error);
    } else if (isPaused()) {
        // Paused before it ever ran: nothing else would ever finish it.
        finish();
    }
}

void NKURLConnectionOperation::finish() {
    setState(State::Finished);
    if (isFinished()) {
        // A delivery on its way still hands over what came before the end, then lets go.
        std::lock_guard guard(lock_);
        pieceDelivery_.reset();
    }
    postNotification(kOperationDidFinishNotification);
}

void NKURLConnectionOperation::pause() {
    if (isPaused() || isFinished() || isCancelled()) return;
    std::lock_guard guard(lock_);
    if (isExecuting()) {
        networkRequestThread().async([self = sharedAs<NKURLConnectionOperation>()] {
            std::shared_ptr<ns::URLConnection> connection;
            {
                std::lock_guard guard(self->lock_);
                connection = self->connection_;
            }
            if (connection) connection->cancel();
        });
        postNotification(kOperationDidFinishNotification);
    }
    setState(State::Paused);
}

void NKURLConnectionOperation::resume() {
    if (!isPaused()) return;
    std::lock_guard guard(lock_);
    setState(State::Ready);
    start();
}

void NKURLConnectionOperation::postNotification(const QString& name) {
    ns::Notification notification;
    notification.name = name;
    notification.sender = this;
    notification.object = sharedAs<NKURLConnectionOperation>();
    ns::NotificationCenter::defaultCenter().postOnMainQueue(std::move(notification));
}

void NKURLConnectionOperation::setCompletionBlock(Block block, CompletionThread thread) {
    std::lock_guard guard(lock_);
    if (!block) {
        Operation::setCompletionBlock(nullptr, thread);
        return;
    }
    Operation::setCompletionBlock(
        [weak = weak_from_this(), block = std::move(block)] {
            const auto strong = weak.lock();
            if (!strong) return;
            block();
            strong->setCompletionBlock(nullptr);
        },
        thread);
}

ns::URLRequest NKURLConnectionOperation::request() const {
    std::lock_guard guard(lock_);
    return request_;
}

void NKURLConnectionOperation::setRequest(const ns::URLRequest& request) {
    std::lock_guard guard(lock_);
    request_ = request;
}

std::shared_ptr<const ns::URLResponse> NKURLConnectionOperation::response() const {
    std::lock_guard guard(lock_);
    return response_;
}

std::optional<ns::Error> NKURLConnectionOperation::error() const {
    std::lock_guard guard(lock_);
    return error_;
}

QByteArray NKURLConnectionOperation::responseData() const {
    std::lock_guard guard(lock_);
    return responseData_;
}

NKStringEncoding NKURLConnectionOperation::responseStringEncoding() const {
    std::lock_guard guard(lock_);
    if (!responseStringEncoding_.isValid() && response_) {
        NKStringEncoding encoding = NKStringEncoding::utf8();
        const QString named = response_->textEncodingName();
        if (!named.isEmpty()) {
            const NKStringEncoding known = NKStringEncoding::fromIANAName(named);
            if (known.isValid()) encoding = known;
        }
        responseStringEncoding_ = encoding;
    }
    return responseStringEncoding_;
}

std::optional<QString> NKURLConnectionOperation::responseString() const {
    QByteArray data;
    {
        std::lock_guard guard(lock_);
        if (responseString_ || !response_ || responseData_.isNull()) return responseString_;
        data = responseData_;
    }
    // Decoded without the lock, which the main thread and the network thread take: a long body
    // takes a while. Two readers at once make the same text.
    auto text = responseStringEncoding().decode(data);
    std::lock_guard guard(lock_);
    responseString_ = std::move(text);
    return responseString_;
}

std::shared_ptr<ns::InputStream> NKURLConnectionOperation::inputStream() const {
    std::lock_guard guard(lock_);
    return request_.httpBodyStream();
}

void NKURLConnectionOperation::setInputStream(std::shared_ptr<ns::InputStream> stream) {
    std::lock_guard guard(lock_);
    ns::URLRequest changed = request_;
    changed.setHTTPBodyStream(std::move(stream));
    request_ = changed;
}

std::shared_ptr<ns::OutputStream> NKURLConnectionOperation::outputStream() {
    std::lock_guard guard(lock_);
    if (!outputStream_) outputStream_ = ns::OutputStream::toMemory();
    return outputStream_;
}

void NKURLConnectionOperation::setOutputStream(std::shared_ptr<ns::OutputStream> stream) {
    std::lock_guard guard(lock_);
    if (stream == outputStream_) return;
    if (outputStream_) outputStream_->close();
    outputStream_ = std::move(stream);
}

void NKURLConnectionOperation::setChunkHandler(std::shared_ptr<ns::DispatchQueue> queue,
                                               ChunkHandler handler, qint64 mostBytesWaiting) {
    std::lock_guard guard(lock_);
    if (!handler) {
        pieceDelivery_.reset();
        return;
    }
    pieceDelivery_ = std::make_shared<NKPieceDelivery>(
        queue ? std::move(queue) : ns::DispatchQueue::main(),
        [handler = std::move(handler), handed = chunksHandedOver_](const QByteArray& pieces,
                                                                   qint64 chunks) {
            *handed += chunks;
            handler(pieces);
        },
        mostBytesWaiting,
        [weak = weakAs<NKURLConnectionOperation>()] {
            networkRequestThread().async([weak] {
                if (const auto self = weak.lock()) self->applyReadingHold();
            });
        });
}

void NKURLConnectionOperation::setReadingHeld(bool held) {
    {
        std::lock_guard guard(lock_);
        readingHeld_ = held;
    }
    // Decided on "NetKit", in order with the pieces' own holds, from the holds as they
    // stand then.
    networkRequestThread().async([weak = weakAs<NKURLConnectionOperation>()] {
        if (const auto self = weak.lock()) self->applyReadingHold();
    });
}

bool NKURLConnectionOperation::isReadingHeld() const {
    std::lock_guard guard(lock_);
    return connection_ && connection_->isReadingHeld();
}

void NKURLConnectionOperation::applyReadingHold() {
    std::lock_guard guard(lock_);
    if (!connection_) return;
    connection_->setReadingHeld(readingHeld_ || (pieceDelivery_ && pieceDelivery_->isFull()));
}

bool NKURLConnectionOperation::allowsInvalidSSLCertificate() const {
    std::lock_guard guard(lock_);
    return allowsInvalidSSLCertificate_;
}

void NKURLConnectionOperation::setAllowsInvalidSSLCertificate(bool allows) {
    std::lock_guard guard(lock_);
    allowsInvalidSSLCertificate_ = allows;
}

bool NKURLConnectionOperation::shouldUseCredentialStorage() const {
    std::lock_guard guard(lock_);
    return shouldUseCredentialStorage_;
}

void NKURLConnectionOperation::setShouldUseCredentialStorage(bool use) {
    std::lock_guard guard(lock_);
    shouldUseCredentialStorage_ = use;
}

std::optional<ns::URLCredential> NKURLConnectionOperation::credential() const {
    std::lock_guard guard(lock_);
    return credential_;
}

void NKURLConnectionOperation::setCredential(std::optional<ns::URLCredential> credential) {
    std::lock_guard guard(lock_);
    credential_ = std::move(credential);
}

NKSSLPinningMode NKURLConnectionOperation::SSLPinningMode() const {
    std::lock_guard guard(lock_);
    return pinningMode_;
}

void NKURLConnectionOperation::setSSLPinningMode(NKSSLPinningMode mode) {
    std::lock_guard guard(lock_);
    pinningMode_ = mode;
}

QVariantMap NKURLConnectionOperation::userInfo() const {
    std::lock_guard guard(lock_);
    return userInfo_;
}

void NKURLConnectionOperation::setUserInfo(const QVariantMap& userInfo) {
    std::lock_guard guard(lock_);
    userInfo_ = userInfo;
}

void NKURLConnectionOperation::setUploadProgressBlock(ProgressBlock block) {
    std::lock_guard guard(lock_);
    uploadProgress_ = std::move(block);
}

void NKURLConnectionOperation::setDownloadProgressBlock(ProgressBlock block) {
    std::lock_guard guard(lock_);
    downloadProgress_ = std::move(block);
}

void NKURLConnectionOperation::setWillSendRequestForAuthenticationChallengeBlock(
    AuthenticationChallengeBlock block) {
    std::lock_guard guard(lock_);
    authenticationChallenge_ = std::move(block);
}

void NKURLConnectionOperation::setCacheResponseBlock(CacheResponseBlock block) {
    std::lock_guard guard(lock_);
    cacheResponse_ = std::move(block);
}

void NKURLConnectionOperation::setRedirectResponseBlock(RedirectResponseBlock block) {
    std::lock_guard guard(lock_);
    redirectResponse_ = std::move(block);
}

QString NKURLConnectionOperation::className() const {
    return QStringLiteral("NKURLConnectionOperation");
}

std::shared_ptr<NKURLConnectionOperation> NKURLConnectionOperation::makeOperation(
    const ns::URLRequest& request) const {
    return std::make_shared<NKURLConnectionOperation>(request);
}

QString NKURLConnectionOperation::description() const {
    std::lock_guard guard(lock_);
    QString response = QStringLiteral("(null)");
    if (response_) {
        const auto* http = dynamic_cast<const ns::HTTPURLResponse*>(response_.get());
        response = QStringLiteral("{ URL: %1 } { status code: %2 }")
                       .arg(response_->url().toString())
                       .arg(http ? http->statusCode() : 200);
    }
    return QStringLiteral("<%1: %2, state: %3, cancelled: %4 request: { URL: %5 }, response: %6>")
        .arg(className(), addressOf(this), keyNameForState(state()),
             isCancelled() ? QStringLiteral("YES") : QStringLiteral("NO"),
             request_.url().toString(), response);
}

std::shared_ptr<NKURLConnectionOperation> NKURLConnectionOperation::copy() const {
    std::lock_guard guard(lock_);
    auto operation = makeOperation(request_);
    operation->setUploadProgressBlock(uploadProgress_);
    operation->setDownloadProgressBlock(downloadProgress_);
    operation->setWillSendRequestForAuthenticationChallengeBlock(authenticationChallenge_);
    operation->setCacheResponseBlock(cacheResponse_);
    operation->setRedirectResponseBlock(redirectResponse_);
    operation->setAllowsInvalidSSLCertificate(allowsInvalidSSLCertificate_);
    return operation;
}

void NKURLConnectionOperation::encodeWithCoder(ns::KeyedArchiver& coder) {
    pause();
    std::lock_guard guard(lock_);
    coder.encodeObject(ns::archivedURLRequest(request_), QStringLiteral("request"));
    State archived = state();
    if (archived == State::Executing || archived == State::Paused) archived = State::Ready;
    coder.encodeInteger(qint64(archived), QStringLiteral("state"));
    coder.encodeBool(isCancelled(), QStringLiteral("isCancelled"));
    if (response_)
        coder.encodeObject(ns::archivedURLResponse(*response_), QStringLiteral("response"));
    if (error_) coder.encodeObject(ns::archivedError(*error_), QStringLiteral("error"));
    if (!responseData_.isNull()) coder.encodeObject(responseData_, QStringLiteral("responseData"));
    coder.encodeInteger(totalBytesRead(), QStringLiteral("totalBytesRead"));
    coder.encodeBool(allowsInvalidSSLCertificate_, QStringLiteral("allowsInvalidSSLCertificate"));
}

void NKURLConnectionOperation::takeArchivedState(const ns::KeyedUnarchiver& coder) {
    const qint64 archived = coder.decodeIntegerForKey(QStringLiteral("state"));
    // A new operation has no exchange: taken as running, nothing would ever finish it.
    if (archived == qint64(State::Paused)) setState(State::Paused);
    if (coder.decodeBoolForKey(QStringLiteral("isCancelled"))) ns::Operation::cancel();
    std::lock_guard guard(lock_);
    response_ = ns::unarchivedURLResponse(coder.decodeObjectForKey(QStringLiteral("response")));
    error_ = ns::unarchivedError(coder.decodeObjectForKey(QStringLiteral("error")));
    responseData_ = coder.decodeObjectForKey(QStringLiteral("responseData")).toByteArray();
    totalBytesRead_ = coder.decodeIntegerForKey(QStringLiteral("totalBytesRead"));
    allowsInvalidSSLCertificate_ =
        coder.decodeBoolForKey(QStringLiteral("allowsInvalidSSLCertificate"));
}

void NKURLConnectionOperation::setShouldExecuteAsBackgroundTaskWithExpirationHandler(
    std::function<void()> handler) {
    std::lock_guard guard(lock_);
    if (backgroundTaskIdentifier_ != ui::kBackgroundTaskInvalid) return;
    backgroundTaskIdentifier_ =
        ui::Application::sharedApplication().beginBackgroundTaskWithExpirationHandler(
            [weak = weakAs<NKURLConnectionOperation>(), handler = std::move(handler)] {
                if (handler) handler();
                const auto self = weak.lock();
                if (!self) return;
                self->cancel();
                ui::BackgroundTaskIdentifier task;
                {
                    std::lock_guard guard(self->lock_);
                    task =
                        std::exchange(self->backgroundTaskIdentifier_, ui::kBackgroundTaskInvalid);
                }
                ui::Application::sharedApplication().endBackgroundTask(task);
            });
}

ui::BackgroundTaskIdentifier NKURLConnectionOperation::backgroundTaskIdentifier() const {
    std::lock_guard guard(lock_);
    return backgroundTaskIdentifier_;
}

// The connection's questions and reports, on the network thread.

std::optional<ns::URLRequest> NKURLConnectionOperation::willSendRequest(
    ns::URLConnection& connection, const ns::URLRequest& request,
    const std::shared_ptr<const ns::URLResponse>& redirectResponse) {
    RedirectResponseBlock block;
    {
        std::lock_guard guard(lock_);
        block = redirectResponse_;
    }
    if (block) return block(connection, request, redirectResponse);
    return request;
}

void NKURLConnectionOperation::willSendRequestForAuthenticationChallenge(
    ns::URLConnection& connection, const ns::URLAuthenticationChallenge& challenge) {
    AuthenticationChallengeBlock block;
    std::optional<ns::URLCredential> credential;
    {
        std::lock_guard guard(lock_);
        block = authenticationChallenge_;
        credential = credential_;
    }
    if (block) {
        block(connection, challenge);
        return;
    }
    if (challenge.protectionSpace().authenticationMethod() ==
        ns::URLProtectionSpace::kAuthenticationMethodServerTrust) {
        answerServerTrust(challenge);
        return;
    }
    const auto& sender = challenge.sender();
    if (challenge.previousFailureCount() == 0 && credential) {
        sender->useCredential(*credential, challenge);
    } else {
        sender->continueWithoutCredentialForAuthenticationChallenge(challenge);
    }
}

void NKURLConnectionOperation::answerServerTrust(const ns::URLAuthenticationChallenge& challenge) {
    const auto& trust = challenge.protectionSpace().serverTrust();
    const auto& sender = challenge.sender();
    if (!trust) {
        sender->cancelAuthenticationChallenge(challenge);
        return;
    }
    const auto accept = [&] {
        sender->useCredential(ns::URLCredential::forTrust(trust), challenge);
    };
    switch (SSLPinningMode()) {
        case NKSSLPinningMode::None:
            if (allowsInvalidSSLCertificate() || ns::ServerTrust::isTrusted(trust->evaluate())) {
                accept();
            } else {
                sender->cancelAuthenticationChallenge(challenge);
            }
            return;
        case NKSSLPinningMode::Certificate: {
            const auto& pinned = pinnedCertificates();
            for (qsizetype i = 0; i < trust->certificateCount(); ++i) {
                if (pinned.contains(trust->certificateAtIndex(i))) {
                    accept();
                    return;
                }
            }
            sender->cancelAuthenticationChallenge(challenge);
            return;
        }
        case NKSSLPinningMode::PublicKey: {
            const auto& pinned = pinnedPublicKeys();
            for (qsizetype i = 0; i < trust->certificateCount(); ++i) {
                const QByteArray key = publicKeyOfCertificate(trust->certificateAtIndex(i));
                if (!key.isEmpty() && pinned.contains(key)) {
                    accept();
                    return;
                }
            }
            sender->cancelAuthenticationChallenge(challenge);
            return;
        }
    }
}

bool NKURLConnectionOperation::connectionShouldUseCredentialStorage(ns::URLConnection&) {
    return shouldUseCredentialStorage();
}

std::shared_ptr<ns::InputStream> NKURLConnectionOperation::needNewBodyStream(
    ns::URLConnection&, const ns::URLRequest&) {
    if (const auto stream = inputStream()) {
        if (auto fresh = stream->copy()) return fresh;
    }
    cancelConnection();
    return nullptr;
}

void NKURLConnectionOperation::didSendBodyData(ns::URLConnection&, qint64 bytesWritten,
                                               qint64 totalBytesWritten,
                                               qint64 totalBytesExpectedToWrite) {
    ProgressBlock block;
    {
        std::lock_guard guard(lock_);
        block = uploadProgress_;
    }
    if (!block) return;
    ns::MainQueue::post(
        [block = std::move(block), bytesWritten, totalBytesWritten, totalBytesExpectedToWrite] {
            block(static_cast<quint64>(bytesWritten), totalBytesWritten, totalBytesExpectedToWrite);
        });
}

void NKURLConnectionOperation::didReceiveResponse(
    ns::URLConnection&, const std::shared_ptr<const ns::URLResponse>& response) {
    std::lock_guard guard(lock_);
    response_ = response;
    if (!outputStream_) return;
    outputStream_->open();
    // A body handed on in pieces never reaches the stream.
    if (pieceDelivery_) return;
    const qint64 announced = response ? response->expectedContentLength() : -1;
    if (const qint64 room = roomForBody(announced, request_.maximumResponseLength()); room > 0) {
        outputStream_->expectBytes(room);
    }
}

void NKURLConnectionOperation::didReceiveData(ns::URLConnection& connection,
                                              const QByteArray& data) {
    std::shared_ptr<const ns::URLResponse> response;
    {
        std::lock_guard guard(lock_);
        response = response_;
        if (pieceDelivery_) {
            const qint64 chunks = connection.chunksReceived();
            pieceDelivery_->add(data, chunks - std::exchange(chunksSeen_, chunks),
                                [&connection] { connection.setReadingHeld(true); });
        } else if (outputStream_ && outputStream_->hasSpaceAvailable()) {
            (void)outputStream_->write(data.constData(), data.size());
        }
    }
    // One report on its way to the main queue at a time: what comes meanwhile joins it, and
    // the first piece after it has taken what came sends the next.
    if (bytesUnreported_.fetch_add(data.size()) > 0) return;
    const qint64 expected = response ? response->expectedContentLength() : -1;
    ns::MainQueue::post([self = sharedAs<NKURLConnectionOperation>(), expected] {
        const qint64 length = self->bytesUnreported_.exchange(0);
        const qint64 total = self->totalBytesRead_ += length;
        ProgressBlock block;
        {
            std::lock_guard guard(self->lock_);
            block = self->downloadProgress_;
        }
        if (block) block(static_cast<quint64>(length), total, expected);
    });
}

std::optional<ns::CachedURLResponse> NKURLConnectionOperation::willCacheResponse(
    ns::URLConnection& connection, const ns::CachedURLResponse& proposed) {
    CacheResponseBlock block;
    {
        std::lock_guard guard(lock_);
        block = cacheResponse_;
    }
    if (block) return block(connection, proposed);
    if (isCancelled()) return std::nullopt;
    return proposed;
}

void NKURLConnectionOperation::didFinishLoading(ns::URLConnection&) {
    {
        std::lock_guard guard(lock_);
        if (outputStream_) {
            if (const auto written = outputStream_->dataWrittenToMemory()) {
                // An empty body is still a body: empty bytes, not none.
                responseData_ = written->isNull() ? QByteArray("") : *written;
            }
            outputStream_->close();
        }
    }
    finish();
    endConnection();
}

void NKURLConnectionOperation::didFailWithError(ns::URLConnection&, const ns::Error& error) {
    {
        std::lock_guard guard(lock_);
        error_ = error;
        if (outputStream_) outputStream_->close();
    }
    finish();
    endConnection();
}

void NKURLConnectionOperation::endConnection() {
    std::shared_ptr<ns::URLConnection> released;
    std::lock_guard guard(lock_);
    released = std::move(connection_);
}
