#pragma once

#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/stream.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>

namespace ns {

// What to load and how: URL, method, header fields, body, cache policy, time-outs and the
// most a reply may bring. A value; copies share a body stream.
class URLRequest {
public:
    enum class CachePolicy : int {
        UseProtocolCachePolicy = 0,
        ReloadIgnoringLocalCacheData = 1,
        ReturnCacheDataElseLoad = 2,
        ReturnCacheDataDontLoad = 3,
        ReloadIgnoringLocalAndRemoteCacheData = 4,
        ReloadRevalidatingCacheData = 5,
    };

    static constexpr double kDefaultTimeoutInterval = 60.0;
    // Unless a request says otherwise, a reply may bring this much (room for the largest
    // picture or voice file) and the whole load may take this long.
    static constexpr qint64 kDefaultMaximumResponseLength = 20 * 1024 * 1024;
    static constexpr double kDefaultDeadlineInterval = 300.0;

    URLRequest() = default;
    explicit URLRequest(QUrl url, CachePolicy cachePolicy = CachePolicy::UseProtocolCachePolicy,
                        double timeoutInterval = kDefaultTimeoutInterval);

    [[nodiscard]] const QUrl& url() const { return url_; }
    void setURL(const QUrl& url) {
        url_ = url;
        urlText_ = QString();
    }
    // The URL as the caller wrote it, read strictly: the request goes out with this very
    // text. A text that is no valid URL (a stray "%", a space) leaves the request with an
    // invalid URL, whose load fails as a bad URL; nothing is rewritten.
    void setURLText(const QString& text) {
        url_ = QUrl(text, QUrl::StrictMode);
        urlText_ = text;
    }
    // The text given to setURLText(), else the URL's fully encoded text.
    [[nodiscard]] QString urlText() const {
        return urlText_.isNull() ? url_.toString(QUrl::FullyEncoded) : urlText_;
    }

    // "GET" unless set.
    [[nodiscard]] const QString& httpMethod() const { return method_; }
    void setHTTPMethod(const QString& method) { method_ = method; }

    [[nodiscard]] const HTTPHeaderFields& allHTTPHeaderFields() const { return headers_; }
    void setAllHTTPHeaderFields(const HTTPHeaderFields& fields) { headers_ = fields; }
    [[nodiscard]] QString valueForHTTPHeaderField(const QString& name) const {
        return headers_.value(name);
    }
    // A null text removes the field.
    void setValue(const QString& value, const QString& name) { headers_.setValue(name, value); }
    void addValue(const QString& value, const QString& name) { headers_.addValue(name, value); }

    // A request has body bytes or a body stream, never both: setting one drops the other.
    [[nodiscard]] const QByteArray& httpBody() const { return body_; }
    void setHTTPBody(const QByteArray& body);
    [[nodiscard]] const std::shared_ptr<InputStream>& httpBodyStream() const { return bodyStream_; }
    void setHTTPBodyStream(std::shared_ptr<InputStream> stream);

    [[nodiscard]] CachePolicy cachePolicy() const { return cachePolicy_; }
    void setCachePolicy(CachePolicy policy) { cachePolicy_ = policy; }

    // Seconds without any progress after which the load fails as timed out.
    [[nodiscard]] double timeoutInterval() const { return timeoutInterval_; }
    void setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

    // Seconds from the start after which the load fails as timed out, however steadily the
    // reply comes; 0 for none (a stream that never ends).
    [[nodiscard]] double deadlineInterval() const { return deadlineInterval_; }
    void setDeadlineInterval(double seconds) { deadlineInterval_ = seconds; }

    // Bytes of body, counted as decoded, past which the load fails (-1103) and the
    // connection closes; 0 for no bound (a stream whose pieces are handed on, not kept).
    [[nodiscard]] qint64 maximumResponseLength() const { return maximumResponseLength_; }
    void setMaximumResponseLength(qint64 bytes) { maximumResponseLength_ = bytes; }

    // Whether the request sends the cookies stored for its URL and stores the ones
    // the reply sets.
    [[nodiscard]] bool httpShouldHandleCookies() const { return handleCookies_; }
    void setHTTPShouldHandleCookies(bool handle) { handleCookies_ = handle; }

    [[nodiscard]] bool httpShouldUsePipelining() const { return pipelining_; }
    void setHTTPShouldUsePipelining(bool pipelining) { pipelining_ = pipelining; }

private:
    QUrl url_;
    QString urlText_;
    QString method_ = QStringLiteral("GET");
    HTTPHeaderFields headers_;
    QByteArray body_;
    std::shared_ptr<InputStream> bodyStream_;
    CachePolicy cachePolicy_ = CachePolicy::UseProtocolCachePolicy;
    double timeoutInterval_ = kDefaultTimeoutInterval;
    double deadlineInterval_ = kDefaultDeadlineInterval;
    qint64 maximumResponseLength_ = kDefaultMaximumResponseLength;
    bool handleCookies_ = true;
    bool pipelining_ = false;
};

}  // namespace ns
