#include "net/BodyJson.h"

#include "net/QXEncode.h"

namespace {

// The escapes the JSON generator writes: \b \f \n \r \t by name, the other control
// characters as \u00XX with upper-case digits.
QString escapeControlCharacters(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\b':
                escaped += QLatin1String("\\b");
                break;
            case '\f':
                escaped += QLatin1String("\\f");
                break;
            case '\r':
                escaped += QLatin1String("\\r");
                break;
            default:
                if (c.unicode() < 0x20) {
                    escaped += QLatin1String("\\u") +
                               QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0');
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

}  // namespace

QString BodyJson::string(const QString& text) {
    // Backslash, quotation mark, line feed and tab first, then every other control character.
    return QLatin1Char('"') + escapeControlCharacters(QXEncode::HandleSpecialCharactor(text)) +
           QLatin1Char('"');
}

QString BodyJson::number(qint64 value) {
    return QString::number(value);
}

QString BodyJson::array(const QStringList& elements) {
    return QLatin1Char('[') + elements.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString BodyJson::object(const Members& members) {
    QStringList written;
    written.reserve(members.size());
    for (const auto& [name, value] : members)
        written.append(string(name) + QLatin1Char(':') + value);
    return QLatin1Char('{') + written.join(QLatin1Char(',')) + QLatin1Char('}');
}

QString BodyJson::formValue(const QString& json) {
    QString escaped;
    escaped.reserve(json.size());
    for (const QChar c : json) {
        switch (c.unicode()) {
            case '%':
                escaped += QLatin1String("%25");
                break;
            case '&':
                escaped += QLatin1String("%26");
                break;
            case '+':
                escaped += QLatin1String("%2B");
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}
