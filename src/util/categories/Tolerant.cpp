#include "util/categories/Tolerant.h"

#include <QSet>
#include <QStringList>
#include <QVariantHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

enum class Kind { Other, Dictionary, Hash, Array, StringArray, String, Data, Number, Set };

Kind kindOf(const QVariant& value) {
    if (!value.isValid()) return Kind::Other;
    switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return Kind::Dictionary;
        case QMetaType::QVariantHash:
            return Kind::Hash;
        case QMetaType::QVariantList:
            return Kind::Array;
        case QMetaType::QStringList:
            return Kind::StringArray;
        case QMetaType::QString:
            return Kind::String;
        case QMetaType::QByteArray:
            return Kind::Data;
        case QMetaType::Bool:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Float:
        case QMetaType::Double:
            return Kind::Number;
        default:
            break;
    }
    if (value.metaType() == QMetaType::fromType<QSet<QString>>()) return Kind::Set;
    return Kind::Other;
}

// Like the platform: integers keep their low 32 bits; a fractional number is cut toward
// zero and held inside the 32-bit range (NaN reads as 0) rather than left undefined.
int intValueOfNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Float:
        case QMetaType::Double: {
            const double number = value.toDouble();
            if (std::isnan(number)) return 0;
            if (number >= double(std::numeric_limits<int>::max()))
                return std::numeric_limits<int>::max();
            if (number <= double(std::numeric_limits<int>::min()))
                return std::numeric_limits<int>::min();
            return static_cast<int>(number);
        }
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return static_cast<int>(static_cast<qint32>(value.toULongLong()));
        default:
            return static_cast<int>(static_cast<qint32>(value.toLongLong()));
    }
}

}  // namespace

Tolerant Tolerant::objectForKey(const QString& key) const {
    switch (kindOf(value_)) {
        case Kind::Dictionary: {
            const auto& map = *static_cast<const QVariantMap*>(value_.constData());
            const auto found = map.constFind(key);
            return found == map.cend() ? Tolerant() : Tolerant(*found);
        }
        case Kind::Hash: {
            const auto& hash = *static_cast<const QVariantHash*>(value_.constData());
            const auto found = hash.constFind(key);
            return found == hash.cend() ? Tolerant() : Tolerant(*found);
        }
        default:
            return {};
    }
}

Tolerant Tolerant::objectAtIndex(qsizetype index) const {
    switch (kindOf(value_)) {
        case Kind::Array: {
            const auto& list = *static_cast<const QVariantList*>(value_.constData());
            return index >= 0 && index < list.size() ? Tolerant(list.at(index)) : Tolerant();
        }
        case Kind::StringArray: {
            const auto& list = *static_cast<const QStringList*>(value_.constData());
            return index >= 0 && index < list.size() ? Tolerant(list.at(index)) : Tolerant();
        }
        default:
            return {};
    }
}

qsizetype Tolerant::length() const {
    switch (kindOf(value_)) {
        case Kind::String:
            return static_cast<const QString*>(value_.constData())->size();
        case Kind::Data:
            return static_cast<const QByteArray*>(value_.constData())->size();
        default:
            return 0;
    }
}

int Tolerant::intValue() const {
    switch (kindOf(value_)) {
        case Kind::String:
            return intValueOfString(*static_cast<const QString*>(value_.constData()));
        case Kind::Number:
            return intValueOfNumber(value_);
        default:
            return 0;
    }
}

qint64 Tolerant::longLongValue() const {
    switch (kindOf(value_)) {
        case Kind::String:
            return longLongValueOfString(*static_cast<const QString*>(value_.constData()));
        case Kind::Number:
            if (value_.typeId() == QMetaType::Float || value_.typeId() == QMetaType::Double) {
                const double number = value_.toDouble();
                if (std::isnan(number)) return 0;
                if (number >= 0x1p63) return std::numeric_limits<qint64>::max();
                if (number <= -0x1p63) return std::numeric_limits<qint64>::min();
                return static_cast<qint64>(number);
            }
            if (value_.typeId() == QMetaType::ULongLong || value_.typeId() == QMetaType::ULong) {
                return static_cast<qint64>(value_.toULongLong());
            }
            return value_.toLongLong();
        default:
            return 0;
    }
}

qsizetype Tolerant::count() const {
    switch (kindOf(value_)) {
        case Kind::Dictionary:
            return static_cast<const QVariantMap*>(value_.constData())->size();
        case Kind::Hash:
            return static_cast<const QVariantHash*>(value_.constData())->size();
        case Kind::Array:
            return static_cast<const QVariantList*>(value_.constData())->size();
        case Kind::StringArray:
            return static_cast<const QStringList*>(value_.constData())->size();
        case Kind::Set:
            return static_cast<const QSet<QString>*>(value_.constData())->size();
        default:
            return 0;
    }
}

Tolerant Tolerant::allKeys() const {
    switch (kindOf(value_)) {
        case Kind::Dictionary:
            return Tolerant(QVariant(static_cast<const QVariantMap*>(value_.constData())->keys()));
        case Kind::Hash:
            return Tolerant(QVariant(static_cast<const QVariantHash*>(value_.constData())->keys()));
        default:
            return {};
    }
}

bool Tolerant::isEqualToString(const QString& other) const {
    return kindOf(value_) == Kind::String &&
           *static_cast<const QString*>(value_.constData()) == other;
}

qint64 Tolerant::longLongValueOfString(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Unsigned, so that the magnitude of the lowest value fits before it saturates.
    constexpr quint64 kLimit = quint64(std::numeric_limits<qint64>::max()) + 1;
    quint64 magnitude = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        const quint64 digit = text.at(i).unicode() - u'0';
        magnitude = magnitude > (kLimit - digit) / 10 ? kLimit : magnitude * 10 + digit;
    }
    if (negative)
        return magnitude >= kLimit ? std::numeric_limits<qint64>::min()
                                   : -static_cast<qint64>(magnitude);
    return magnitude >= kLimit ? std::numeric_limits<qint64>::max()
                               : static_cast<qint64>(magnitude);
}

int Tolerant::intValueOfString(const QString& text) {
    // Past the 32-bit range the 64-bit value has saturated or is beyond it: either way the
    // 32-bit limit.
    return static_cast<int>(std::clamp<qint64>(longLongValueOfString(text),
                                               std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}
