#pragma once

#include <QVariant>

// The kind of a value of a parsed reply or property list, as the formatters tell them apart:
// a text, a number (a JSON true or false counts as one), a dictionary or an array.
namespace variantKind {

[[nodiscard]] inline bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

[[nodiscard]] inline bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}

[[nodiscard]] inline bool isDictionary(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantMap;
}

[[nodiscard]] inline bool isList(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
}

}  // namespace variantKind
