#include "net/transport/NKQueryStringPair.h"

#include <QLocale>
#include <QUrl>

#include <algorithm>

namespace {

bool isNilOrNull(const QVariant& value) {
    return !value.isValid() || value.metaType().id() == QMetaType::Nullptr;
}

bool isDictionary(const QVariant& value) {
    const int type = value.metaType().id();
    return type == QMetaType::QVariantMap || type == QMetaType::QVariantHash;
}

bool isArray(const QVariant& value) {
    const int type = value.metaType().id();
    return type == QMetaType::QVariantList || type == QMetaType::QStringList;
}

bool isUnescaped(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~' || c == '[' || c == ']';
}

}  // namespace

NKQueryStringPair::NKQueryStringPair(QVariant field, QVariant value)
    : field_(std::move(field)), value_(std::move(value)) {}

QString NKQueryStringPair::URLEncodedStringValueWithEncoding(
    const NKStringEncoding& encoding) const {
    const QString field = EscapeQueryComponent(DescriptionOfValue(field_), encoding);
    if (isNilOrNull(value_)) return field;
    return field + QLatin1Char('=') + EscapeQueryComponent(DescriptionOfValue(value_), encoding);
}

QString DescriptionOfValue(const QVariant& value) {
    if (!value.isValid()) return QStringLiteral("(null)");
    switch (value.metaType().id()) {
        case QMetaType::Nullptr:
            return QStringLiteral("<null>");
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QMetaType::QByteArray: {
            const QByteArray hex = value.toByteArray().toHex();
            QString text = QStringLiteral("<");
            for (qsizetype i = 0; i < hex.size(); i += 8) {
                if (i > 0) text += QLatin1Char(' ');
                text += QString::fromLatin1(hex.mid(i, 8));
            }
            return text + QLatin1Char('>');
        }
        case QMetaType::QUrl:
            return value.toUrl().toString();
        default:
            return value.toString();
    }
}

QList<NKQueryStringPair> FlattenQueryPairs(const QVariant& key, const QVariant& value) {
    QList<NKQueryStringPair> pairs;
    const bool hasKey = !isNilOrNull(key);
    if (isDictionary(value)) {
        QVariantMap dictionary;
        if (value.metaType().id() == QMetaType::QVariantHash) {
            const QVariantHash hash = value.toHash();
            for (auto it = hash.cbegin(); it != hash.cend(); ++it) dictionary.insert(it.key(), *it);
        } else {
            dictionary = value.toMap();
        }
        QStringList keys = dictionary.keys();
        std::stable_sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
            return QString::compare(a, b, Qt::CaseInsensitive) < 0;
        });
        for (const QString& nestedKey : keys) {
            const QVariant nestedValue = dictionary.value(nestedKey);
            if (!nestedValue.isValid()) continue;
            const QVariant name =
                hasKey ? QVariant(QStringLiteral("%1[%2]").arg(DescriptionOfValue(key), nestedKey))
                       : QVariant(nestedKey);
            pairs << FlattenQueryPairs(name, nestedValue);
        }
    } else if (isArray(value)) {
        const QVariant name = QStringLiteral("%1[]").arg(DescriptionOfValue(key));
        for (const QVariant& element : value.toList()) pairs << FlattenQueryPairs(name, element);
    } else {
        pairs << NKQueryStringPair(key, value);
    }
    return pairs;
}

QString BuildQueryString(const QVariant& parameters, const NKStringEncoding& encoding) {
    QStringList components;
    for (const auto& pair : FlattenQueryPairs(QVariant(), parameters)) {
        components << pair.URLEncodedStringValueWithEncoding(encoding);
    }
    return components.join(QLatin1Char('&'));
}

QString EscapeQueryComponent(const QString& text, const NKStringEncoding& encoding) {
    // A text the encoding cannot write is escaped from its UTF-8 bytes rather than lost.
    const QByteArray bytes = encoding.encode(text).value_or(text.toUtf8());
    QString escaped;
    escaped.reserve(bytes.size());
    static const char kHex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        if (isUnescaped(c)) {
            escaped += QLatin1Char(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            escaped += QLatin1Char('%');
            escaped += QLatin1Char(kHex[byte >> 4]);
            escaped += QLatin1Char(kHex[byte & 0x0F]);
        }
    }
    return escaped;
}
