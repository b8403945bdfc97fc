#include "platform/foundation/url_response.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace ns {

namespace {

struct ContentType {
    QString mimeType;
    QString charset;
};

QString unquoted(QString text) {
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
        text = text.mid(1, text.size() - 2);
    }
    return text;
}

ContentType parseContentType(const QString& field) {
    ContentType result;
    const QStringList parts = field.split(QLatin1Char(';'));
    result.mimeType = parts.value(0).trimmed().toLower();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        if (equals < 0) continue;
        if (parameter.left(equals).trimmed().compare(QLatin1String("charset"),
                                                     Qt::CaseInsensitive) == 0) {
            result.charset = unquoted(parameter.mid(equals + 1));
        }
    }
    return result;
}

qint64 parseLength(const QString& field) {
    bool ok = false;
    const qint64 length = field.trimmed().toLongLong(&ok);
    return ok && length >= 0 ? length : URLResponse::kUnknownLength;
}

}  // namespace

URLResponse::URLResponse(QUrl url, QString mimeType, qint64 expectedContentLength,
                         QString textEncodingName)
    : url_(std::move(url)),
      mimeType_(std::move(mimeType)),
      expectedContentLength_(expectedContentLength),
      textEncodingName_(std::move(textEncodingName)) {}

URLResponse::~URLResponse() = default;

QString URLResponse::suggestedFilename() const {
    const QString last = QFileInfo(url_.path()).fileName();
    if (!last.isEmpty()) return last;
    if (!url_.host().isEmpty()) return url_.host();
    return QStringLiteral("Unknown");
}

HTTPURLResponse::HTTPURLResponse(QUrl url, int statusCode, HTTPHeaderFields headerFields)
    : URLResponse(std::move(url),
                  parseContentType(headerFields.value(QStringLiteral("Content-Type"))).mimeType,
                  parseLength(headerFields.value(QStringLiteral("Content-Length"))),
                  parseContentType(headerFields.value(QStringLiteral("Content-Type"))).charset),
      statusCode_(statusCode),
      headerFields_(std::move(headerFields)) {}

QString HTTPURLResponse::suggestedFilename() const {
    static const QRegularExpression kFilename(QStringLiteral(R"(filename\s*=\s*("[^"]*"|[^;]*))"),
                                              QRegularExpression::CaseInsensitiveOption);
    const auto match = kFilename.match(headerFields_.value(QStringLiteral("Content-Disposition")));
    if (match.hasMatch()) {
        const QString name = QFileInfo(unquoted(match.captured(1))).fileName();
        if (!name.isEmpty()) return name;
    }
    return URLResponse::suggestedFilename();
}

QString HTTPURLResponse::localizedStringForStatusCode(int statusCode) {
    static const std::map<int, const char*> kPhrases = {
        {100, "continue"},
        {101, "switching protocols"},
        {200, "no error"},
        {201, "created"},
        {202, "accepted"},
        {203, "non-authoritative information"},
        {204, "no content"},
        {205, "reset content"},
        {206, "partial content"},
        {300, "multiple choices"},
        {301, "moved permanently"},
        {302, "found"},
        {303, "see other"},
        {304, "not modified"},
        {305, "needs proxy"},
        {307, "temporarily redirected"},
        {308, "permanent redirect"},
        {400, "bad request"},
        {401, "unauthorized"},
        {402, "payment required"},
        {403, "forbidden"},
        {404, "not found"},
        {405, "method not allowed"},
        {406, "unacceptable"},
        {407, "proxy authentication required"},
        {408, "request timed out"},
        {409, "conflict"},
        {410, "no longer exists"},
        {411, "length required"},
        {412, "precondition failed"},
        {413, "request too large"},
        {414, "requested URL too long"},
        {415, "unsupported media type"},
        {416, "requested range not satisfiable"},
        {417, "expectation failed"},
        {429, "too many requests"},
        {500, "internal server error"},
        {501, "unimplemented"},
        {502, "bad gateway"},
        {503, "service unavailable"},
        {504, "gateway timed out"},
        {505, "unsupported version"},
    };
    const auto found = kPhrases.find(statusCode);
    if (found != kPhrases.end()) return QString::fromLatin1(found->second);
    switch (statusCode / 100) {
        case 1:
            return QStringLiteral("informational");
        case 2:
            return QStringLiteral("success");
        case 3:
            return QStringLiteral("redirected");
        case 4:
            return QStringLiteral("client error");
        case 5:
            return QStringLiteral("server error");
        default:
            return QStringLiteral("server error");
    }
}

}  // namespace ns
