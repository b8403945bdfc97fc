#include "net/BodyJson.h"

#include "net/transport/Json.h"

QString BodyJson::string(const QString& text) {
    // The JSON layer's generator writes the literal, so bodies escape exactly as every
    // other JSON text of the app does.
    return json_JSONString(text);
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
