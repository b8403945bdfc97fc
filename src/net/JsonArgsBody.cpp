#include "net/JsonArgsBody.h"

JsonArgsBody& JsonArgsBody::add(const QString& name, const QString& text) {
    return addJson(name, BodyJson::string(text));
}

JsonArgsBody& JsonArgsBody::add(const QString& name, qint64 number) {
    return addJson(name, BodyJson::number(number));
}

JsonArgsBody& JsonArgsBody::addJson(const QString& name, const QString& json) {
    members_.append({name, json});
    return *this;
}

QString JsonArgsBody::json() const {
    return BodyJson::object(members_);
}

QString JsonArgsBody::text() const {
    return QStringLiteral("jsonArgs=") + BodyJson::formValue(json());
}
