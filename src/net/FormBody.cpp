#include "net/FormBody.h"

#include "net/BodyJson.h"
#include "net/QXEncode.h"

#include <QStringList>

FormBody& FormBody::add(const QString& key, const QString& text) {
    pairs_.append({key, QXEncode::URLEncode(text)});
    return *this;
}

FormBody& FormBody::addNoValue(const QString& key) {
    pairs_.append({key, QStringLiteral("\"\"")});
    return *this;
}

FormBody& FormBody::add(const QString& key, qint64 number) {
    pairs_.append({key, QString::number(number)});
    return *this;
}

FormBody& FormBody::addJson(const QString& key, const QString& json) {
    pairs_.append({key, BodyJson::formValue(json)});
    return *this;
}

QString FormBody::text() const {
    QStringList written;
    written.reserve(pairs_.size());
    for (const auto& [key, value] : pairs_) written.append(key + QLatin1Char('=') + value);
    return written.join(QLatin1Char('&'));
}
