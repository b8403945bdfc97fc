#pragma once

#include "platform/foundation/http_header_fields.h"

#include <QString>
#include <QUrl>

namespace ns {

// What a load answered before its body: the URL, the type of the content and its
// announced length. Responses are immutable and shared as
// std::shared_ptr<const URLResponse>.
class URLResponse {
public:
    // Length of a response whose length was not announced.
    static constexpr qint64 kUnknownLength = -1;

    URLResponse(QUrl url, QString mimeType, qint64 expectedContentLength, QString textEncodingName);
    virtual ~URLResponse();

    [[nodiscard]] const QUrl& url() const { return url_; }
    // The media type in lower case ("text/html"), or empty when none was given.
    [[nodiscard]] const QString& mimeType() const { return mimeType_; }
    [[nodiscard]] qint64 expectedContentLength() const { return expectedContentLength_; }
    // The charset the content type names, as it names it ("utf-8"), or empty.
    [[nodiscard]] const QString& textEncodingName() const { return textEncodingName_; }
    // A file name for saving the content: the URL's last path component, else its
    // host, else "Unknown".
    [[nodiscard]] virtual QString suggestedFilename() const;

private:
    QUrl url_;
    QString mimeType_;
    qint64 expectedContentLength_;
    QString textEncodingName_;
};

class HTTPURLResponse final : public URLResponse {
public:
    // Type, charset, length and file name are read from the fields.
    HTTPURLResponse(QUrl url, int statusCode, HTTPHeaderFields headerFields);

    [[nodiscard]] int statusCode() const { return statusCode_; }
    [[nodiscard]] const HTTPHeaderFields& allHeaderFields() const { return headerFields_; }
    // The file name a "Content-Disposition" field gives, else as for any response.
    [[nodiscard]] QString suggestedFilename() const override;

    // The reason phrase of a status code, in lower case ("not found").
    [[nodiscard]] static QString localizedStringForStatusCode(int statusCode);

private:
    int statusCode_;
    HTTPHeaderFields headerFields_;
};

}  // namespace ns
