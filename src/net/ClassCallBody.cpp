#include "net/ClassCallBody.h"

ClassCallBody& ClassCallBody::call(const QString& className, const QString& method,
                                   const QStringList& arguments) {
    return member(className, method, BodyJson::array(arguments));
}

ClassCallBody& ClassCallBody::classArgs(const QString& className, const QStringList& arguments) {
    return member(className, QStringLiteral("_classArgs"), BodyJson::array(arguments));
}

ClassCallBody& ClassCallBody::property(const QString& className, const QStringList& values) {
    return member(className, QStringLiteral("_property"), BodyJson::array(values));
}

ClassCallBody& ClassCallBody::member(const QString& className, const QString& name,
                                     const QString& json) {
    for (auto& [existing, members] : classes_) {
        if (existing == className) {
            members.append({name, json});
            return *this;
        }
    }
    classes_.append({className, {{name, json}}});
    return *this;
}

QString ClassCallBody::json() const {
    BodyJson::Members written;
    written.reserve(classes_.size());
    for (const auto& [className, members] : classes_)
        written.append({className, BodyJson::object(members)});
    return BodyJson::object(written);
}

QString ClassCallBody::text() const {
    return QStringLiteral("class=") + BodyJson::formValue(json());
}
