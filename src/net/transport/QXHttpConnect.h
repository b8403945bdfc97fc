#pragma once

#include "net/transport/JsonDocument.h"

#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/url_request.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QXHttpConnect;

namespace ns {
class Error;
class URLConnection;
class URLResponse;
}  // namespace ns

// Hears the progress of a QXHttpConnect, on the main thread; every method is optional.
class QXHttpConnectDelegate {
public:
    virtual ~QXHttpConnectDelegate();
    // Bytes received so far and the expected size (0 when the response gave none).
    virtual void httpConnectDownloadedSize(QXHttpConnect& connection, quint64 downloadedSize,
                                           quint64 expectedSize);
    // The upload counts as the connection reports them.
    virtual void httpConnectDidSendBodyData(QXHttpConnect& connection, qint64 bytesWritten,
                                            qint64 totalBytesWritten,
                                            qint64 totalBytesExpectedToWrite);
};

// One platform URL connection that collects its reply and reports it to a target through
// three actions: success (with the bytes, or the decoded JSON tree when `jsonEncode` is
// set), failure and time-out. In long-connection mode every received chunk goes to the
// success action at once, as UTF-8 text.
//
// The older request style of the app; the shared request object superseded it. The
// connection runs on the network thread; everything here, the actions and the delegate
// included, runs on the main thread.
class QXHttpConnect : public std::enable_shared_from_this<QXHttpConnect> {
public:
    // An action of the target: the result (nil for failures and time-outs) and the further
    // info handed to startCreatedConnectWithFurtherInfo().
    using Action = std::function<void(const QVariant& result, const QVariant& furtherInfo)>;

    // Seconds a prepared request may stay idle before it times out.
    static constexpr double kDefaultTimeout = 120.0;

    QXHttpConnect();
    ~QXHttpConnect();
    QXHttpConnect(const QXHttpConnect&) = delete;
    QXHttpConnect& operator=(const QXHttpConnect&) = delete;

    // Cancels a running connection and prepares a request for `url` that ignores locally
    // cached data, with a time-out of 120 seconds.
    void preCreateConnectRequestWithURL(const QString& url);
    // Changes to the prepared request (nothing without one).
    void setTimeOut(double seconds);
    void setHttpBody(const QByteArray& body);
    void setHttpMethod(const QString& method);
    // Replaces all header fields.
    void setHttpHeader(const QVariantMap& fields);

    // The actions run only while `target` lives.
    void setTarget(std::weak_ptr<void> target, Action successAction, Action failedAction,
                   Action timeoutAction);

    // Starts a connection for the prepared request and drops it: each start needs a new
    // preCreateConnectRequestWithURL(). Nothing happens without a prepared request.
    void startCreatedConnectWithFurtherInfo(const QVariant& furtherInfo);
    // Cancels a running connection, then endConnection(). No action follows.
    void cancelConnection();
    // Lets go of the connection, the received bytes, the header fields and the URL.
    void endConnection();

    // A header field of the last response; empty when absent.
    [[nodiscard]] QString reponseHeadInfoWithField(const QString& field) const;
    [[nodiscard]] int reponseStatusCode() const { return responseStatusCode_; }
    // The expected size of the last response; 0 when it gave none.
    [[nodiscard]] qint64 httpConnectExpectedSize() const { return httpConnectExpectedSize_; }

    // The tree of a whole JSON body (parse errors are not looked at: a body that does not
    // parse gives nil or the part read before the error); nil when `data` holds no bytes.
    [[nodiscard]] QVariant jsonEncodeFromData(const QVariant& data) const;
    // Decoding piece by piece is not offered: both answer NO.
    [[nodiscard]] bool startJsonDecode();
    [[nodiscard]] bool jsonDecodeWithData(const QByteArray& data);
    // The decoded tree when a decoding finished, else nil; lets go of the decoding.
    QVariant endJsonDecode();

    [[nodiscard]] std::shared_ptr<QXHttpConnectDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<QXHttpConnectDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] bool jsonEncode() const { return jsonEncode_; }
    void setJsonEncode(bool jsonEncode) { jsonEncode_ = jsonEncode; }
    // Marks a reply that is decoded whole when it is complete (the transport undoes the
    // gzip itself).
    [[nodiscard]] bool gzipEncode() const { return gzipEncode_; }
    void setGzipEncode(bool gzipEncode) { gzipEncode_ = gzipEncode; }
    // The code of the last failure; 0 for a failure without an error.
    [[nodiscard]] int errorCode() const { return errorCode_; }
    void setErrorCode(int errorCode) { errorCode_ = errorCode; }
    [[nodiscard]] bool longConnect() const { return longConnect_; }
    void setLongConnect(bool longConnect) { longConnect_ = longConnect; }
    [[nodiscard]] bool isRequesting() const { return isRequesting_; }
    void setIsRequesting(bool isRequesting) { isRequesting_ = isRequesting; }

private:
    class Relay;

    // The connection's reports, on the main thread.
    void didReceiveResponse(const std::shared_ptr<const ns::URLResponse>& response);
    void didReceiveData(const QByteArray& data);
    void didFinishLoading();
    void didFailWithError(const std::optional<ns::Error>& error);
    void didSendBodyData(qint64 bytesWritten, qint64 totalBytesWritten,
                         qint64 totalBytesExpectedToWrite);
    // Ends a load that cannot be decoded as it arrives: a failure without an error.
    void failWithoutError();
    void perform(const Action& action, const QVariant& result, const QVariant& furtherInfo) const;

    std::optional<ns::URLRequest> connectionRequest_;
    std::shared_ptr<ns::URLConnection> urlConnection_;
    std::optional<QByteArray> connectionData_;
    ns::HTTPHeaderFields responseHttpHeaderFields_;
    int responseStatusCode_ = 0;
    qint64 httpConnectExpectedSize_ = 0;
    std::weak_ptr<void> target_;
    Action successAction_;
    Action failedAction_;
    Action timeoutAction_;
    QVariant furtherInfo_;
    std::weak_ptr<QXHttpConnectDelegate> delegate_;
    bool jsonEncode_ = false;
    bool gzipEncode_ = false;
    QString downloadURL_;
    std::unique_ptr<JsonDocument> document_;
    bool jsonDecodeFinished_ = false;
    bool jsonDecodeStarted_ = false;
    int errorCode_ = 0;
    bool longConnect_ = false;
    bool isRequesting_ = false;
};
