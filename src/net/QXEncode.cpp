#include "net/QXEncode.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QStringDecoder>

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

QString QXEncode::MD5Encode(const QString& text) {
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex()).toUpper();
}

QString QXEncode::URLEncode(const QString& text) {
    // With no exceptions and no extra characters, the percent-encoding keeps exactly the
    // RFC 3986 unreserved set and escapes everything else, "%" included.
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}

QString QXEncode::URLDecoded(const QString& text) {
    // Decoded by hand: a malformed escape must stay as it stands, not turn into a byte.
    const QByteArray encoded = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            const int high = hexValue(encoded[i + 1]);
            const int low = hexValue(encoded[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes.append(char(high * 16 + low));
                i += 2;
                continue;
            }
        }
        bytes.append(encoded[i]);
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString decoded = decoder(bytes);
    if (decoder.hasError()) return {};
    // An empty input decodes to a null string; keep "nothing" for invalid input only.
    if (decoded.isNull()) decoded = QLatin1String("");
    return decoded;
}

QString QXEncode::HandleSpecialCharactor(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("\n"), QLatin1String("\\n"));
    escaped.replace(QLatin1String("\t"), QLatin1String("\\t"));
    escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
    return escaped;
}

QString QXEncode::URLEncodeAndHandleSpecialCharactor(const QString& text) {
    return URLEncode(HandleSpecialCharactor(text));
}
