#include "net/transport/QXHttpConnect.h"

#include "platform/foundation/error.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_response.h"

#include <QUrl>

#include <algorithm>

QXHttpConnectDelegate::~QXHttpConnectDelegate() = default;

void QXHttpConnectDelegate::httpConnectDownloadedSize(QXHttpConnect&, quint64, quint64) {}

void QXHttpConnectDelegate::httpConnectDidSendBodyData(QXHttpConnect&, qint64, qint64, qint64) {}

// Hears the connection on the network thread and hands every report to the main thread,
// where it is dropped unless the connection is still the one its QXHttpConnect runs: a
// report already on its way when the load was cancelled or replaced must not reach it.
class QXHttpConnect::Relay final : public ns::URLConnectionDelegate {
public:
    explicit Relay(std::weak_ptr<QXHttpConnect> owner) : owner_(std::move(owner)) {}

    void setConnection(const std::shared_ptr<ns::URLConnection>& connection) {
        connection_ = connection;
    }

    void didSendBodyData(ns::URLConnection&, qint64 bytesWritten, qint64 totalBytesWritten,
                         qint64 totalBytesExpectedToWrite) override {
        post([=](QXHttpConnect& owner) {
            owner.didSendBodyData(bytesWritten, totalBytesWritten, totalBytesExpectedToWrite);
        });
    }
    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>& response) override {
        post([response](QXHttpConnect& owner) { owner.didReceiveResponse(response); });
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override {
        post([data](QXHttpConnect& owner) { owner.didReceiveData(data); });
    }
    void didFinishLoading(ns::URLConnection&) override {
        post([](QXHttpConnect& owner) { owner.didFinishLoading(); });
    }
    void didFailWithError(ns::URLConnection&, const ns::Error& error) override {
        post([error](QXHttpConnect& owner) { owner.didFailWithError(error); });
    }

private:
    template <class Report>
    void post(Report report) {
        ns::MainQueue::post([owner = owner_, connection = connection_, report]() mutable {
            const auto self = owner.lock();
            const auto current = connection.lock();
            if (!self || !current || self->urlConnection_ != current) return;
            report(*self);
        });
    }

    std::weak_ptr<QXHttpConnect> owner_;
    std::weak_ptr<ns::URLConnection> connection_;
};

QXHttpConnect::QXHttpConnect() = default;

QXHttpConnect::~QXHttpConnect() {
    delegate_.reset();
    if (urlConnection_) urlConnection_->cancel();
}

void QXHttpConnect::preCreateConnectRequestWithURL(const QString& url) {
    if (urlConnection_) urlConnection_->cancel();
    urlConnection_.reset();
    downloadURL_ = url;
    connectionRequest_ = ns::URLRequest(
        QUrl(url), ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData, kDefaultTimeout);
}

void QXHttpConnect::setTimeOut(double seconds) {
    if (connectionRequest_) connectionRequest_->setTimeoutInterval(seconds);
}

void QXHttpConnect::setHttpBody(const QByteArray& body) {
    if (connectionRequest_) connectionRequest_->setHTTPBody(body);
}

void QXHttpConnect::setHttpMethod(const QString& method) {
    if (connectionRequest_) connectionRequest_->setHTTPMethod(method);
}

void QXHttpConnect::setHttpHeader(const QVariantMap& fields) {
    if (connectionRequest_) {
        connectionRequest_->setAllHTTPHeaderFields(ns::HTTPHeaderFields::fromVariantMap(fields));
    }
}

void QXHttpConnect::setTarget(std::weak_ptr<void> target, Action successAction, Action failedAction,
                              Action timeoutAction) {
    target_ = std::move(target);
    successAction_ = std::move(successAction);
    failedAction_ = std::move(failedAction);
    timeoutAction_ = std::move(timeoutAction);
}

void QXHttpConnect::startCreatedConnectWithFurtherInfo(const QVariant& furtherInfo) {
    if (!connectionRequest_) return;
    isRequesting_ = true;
    furtherInfo_ = furtherInfo;
    if (longConnect_) {
        // A long connection hands each piece on and keeps none: it runs as long as it lasts.
        connectionRequest_->setMaximumResponseLength(0);
        connectionRequest_->setDeadlineInterval(0);
    }
    auto relay = std::make_shared<Relay>(weak_from_this());
    urlConnection_ = ns::URLConnection::create(*connectionRequest_, relay, false);
    relay->setConnection(urlConnection_);
    connectionRequest_.reset();
    urlConnection_->start();
}

void QXHttpConnect::cancelConnection() {
    if (urlConnection_) urlConnection_->cancel();
    endConnection();
}

void QXHttpConnect::endConnection() {
    urlConnection_.reset();
    connectionData_.reset();
    responseHttpHeaderFields_ = {};
    downloadURL_.clear();
    isRequesting_ = false;
}

QString QXHttpConnect::reponseHeadInfoWithField(const QString& field) const {
    return responseHttpHeaderFields_.value(field);
}

QVariant QXHttpConnect::jsonEncodeFromData(const QVariant& data) const {
    if (data.typeId() != QMetaType::QByteArray) return {};
    const JsonDocument document(data.toByteArray(), 0, nullptr);
    return document.root();
}

bool QXHttpConnect::startJsonDecode() {
    return false;
}

bool QXHttpConnect::jsonDecodeWithData(const QByteArray&) {
    return false;
}

QVariant QXHttpConnect::endJsonDecode() {
    jsonDecodeStarted_ = false;
    QVariant root;
    if (jsonDecodeFinished_ && document_) root = document_->root();
    document_.reset();
    return root;
}

void QXHttpConnect::didReceiveResponse(const std::shared_ptr<const ns::URLResponse>& response) {
    responseHttpHeaderFields_ = {};
    if (const auto* http = dynamic_cast<const ns::HTTPURLResponse*>(response.get())) {
        responseStatusCode_ = http->statusCode();
        responseHttpHeaderFields_ = http->allHeaderFields();
    }
    const qint64 expected = response->expectedContentLength();
    httpConnectExpectedSize_ = expected == ns::URLResponse::kUnknownLength ? 0 : expected;
    if (connectionData_) {
        connectionData_->clear();
        return;
    }
    connectionData_.emplace();
    connectionData_->reserve(qsizetype(std::min<qint64>(httpConnectExpectedSize_, 1 << 24)));
    if (jsonEncode_ && !gzipEncode_ && !startJsonDecode()) failWithoutError();
}

void QXHttpConnect::didReceiveData(const QByteArray& data) {
    if (longConnect_) {
        perform(successAction_, QString::fromUtf8(data), furtherInfo_);
        return;
    }
    if (!connectionData_) connectionData_.emplace();
    connectionData_->append(data);
    if (jsonEncode_ && !gzipEncode_ && !jsonDecodeWithData(data)) {
        failWithoutError();
        return;
    }
    if (const auto listener = delegate()) {
        listener->httpConnectDownloadedSize(*this, quint64(connectionData_->size()),
                                            quint64(httpConnectExpectedSize_));
    }
}

void QXHttpConnect::didFinishLoading() {
    const QByteArray data = connectionData_.value_or(QByteArray());
    QVariant result = data;
    if (jsonEncode_) result = gzipEncode_ ? jsonEncodeFromData(result) : endJsonDecode();
    // The action may start the next load on this object: this one ends first.
    endConnection();
    perform(successAction_, result, furtherInfo_);
}

void QXHttpConnect::didFailWithError(const std::optional<ns::Error>& error) {
    if (jsonEncode_ && !gzipEncode_) endJsonDecode();
    endConnection();
    errorCode_ = error ? int(error->code()) : 0;
    if (errorCode_ == ns::Error::kURLErrorTimedOut) {
        perform(timeoutAction_, QVariant(), furtherInfo_);
        return;
    }
    // The failure is told on the next turn of the run loop, as the connection's own
    // failure report would be.
    ns::MainQueue::post([weak = weak_from_this(), action = failedAction_, info = furtherInfo_] {
        if (const auto self = weak.lock()) self->perform(action, QVariant(), info);
    });
}

void QXHttpConnect::didSendBodyData(qint64 bytesWritten, qint64 totalBytesWritten,
                                    qint64 totalBytesExpectedToWrite) {
    if (const auto listener = delegate()) {
        listener->httpConnectDidSendBodyData(*this, bytesWritten, totalBytesWritten,
                                             totalBytesExpectedToWrite);
    }
}

void QXHttpConnect::failWithoutError() {
    if (urlConnection_) urlConnection_->cancel();
    didFailWithError(std::nullopt);
}

void QXHttpConnect::perform(const Action& action, const QVariant& result,
                            const QVariant& furtherInfo) const {
    const auto target = target_.lock();
    if (!action || !target) return;
    // A copy: the action may replace the actions while it runs.
    const Action call = action;
    call(result, furtherInfo);
}
