#include "net/transport/NKStringEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

NKStringEncoding NKStringEncoding::utf8() {
    return NKStringEncoding(QByteArrayLiteral("UTF-8"));
}

NKStringEncoding NKStringEncoding::isoLatin1() {
    return NKStringEncoding(QByteArrayLiteral("ISO-8859-1"));
}

NKStringEncoding NKStringEncoding::fromIANAName(const QString& name) {
    const QByteArray wanted = name.trimmed().toLatin1();
    if (wanted.isEmpty()) return {};
    const QStringDecoder decoder(wanted.constData());
    if (!decoder.isValid()) return {};
    return NKStringEncoding(QByteArray(decoder.name()));
}

QString NKStringEncoding::IANACharSetName() const {
    return QString::fromLatin1(name_).toLower();
}

std::optional<QString> NKStringEncoding::decode(const QByteArray& bytes) const {
    if (!isValid()) return std::nullopt;
    // Stateless: a body that stops inside a character counts as undecodable too.
    QStringDecoder decoder(name_.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

std::optional<QByteArray> NKStringEncoding::encode(const QString& text) const {
    if (!isValid()) return std::nullopt;
    QStringEncoder encoder(name_.constData(), QStringEncoder::Flag::Stateless);
    if (!encoder.isValid()) return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    // Some encoders put "?" for what they cannot write without saying so: only bytes
    // that read back as the text count.
    if (decode(bytes) != text) return std::nullopt;
    return bytes;
}
