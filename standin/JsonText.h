#pragma once

#include <QJsonValue>
#include <QString>
#include <QVariant>

namespace standin {

// A value of a call's arguments as text: the app sends some as JSON strings and some as
// numbers.
inline QString jsonText(const QJsonValue& value) {
    return value.isString() ? value.toString() : value.toVariant().toString();
}

}  // namespace standin
