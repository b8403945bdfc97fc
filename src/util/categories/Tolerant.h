#pragma once

#include <QString>
#include <QVariant>

#include <utility>

// A read-only view of one value of a parsed reply that answers every accessor, whatever
// the value's kind: a kind without a meaning for an accessor answers the neutral value
// (nil or 0) instead of failing. Replies are read without type checks, so a chain such as
//
//     Tolerant(reply)["data"][0]["title"].toString()
//
// yields nil (or "" and 0) as soon as any link is missing, the null value, a number or a
// text, and never throws.
//
// Kinds and what they answer (every other answer is nil, 0 or false):
//   dictionary (QVariantMap, QVariantHash): objectForKey, count, allKeys
//   array (QVariantList, QStringList):      objectAtIndex, count
//   string (QString):                        length (UTF-16 units), intValue, isEqualToString
//   data (QByteArray):                       length (bytes)
//   number (integers, double, bool):         intValue
//   set (QSet<QString>):                     count
// The platform's null (QVariant::fromValue(nullptr)), the JSON layer's null (an empty
// QString, which is just an empty text), a missing value (an invalid QVariant) and every
// other kind answer the neutral values.
class Tolerant {
public:
    Tolerant() = default;
    explicit Tolerant(QVariant value) : value_(std::move(value)) {}

    // The dictionary's value for the key; nil when absent or not a dictionary.
    [[nodiscard]] Tolerant objectForKey(const QString& key) const;
    // The array's element at the index; nil when not an array. An index past the end (or
    // negative) also answers nil: callers are meant to keep inside the array, and a slip
    // must not bring the app down.
    [[nodiscard]] Tolerant objectAtIndex(qsizetype index) const;
    // The text's UTF-16 length or the data's byte count; 0 for every other kind.
    [[nodiscard]] qsizetype length() const;
    // A number's value cut to 32 bits, or a text's leading integer; 0 for every other kind.
    [[nodiscard]] int intValue() const;
    // The same in 64 bits: a number's value (a fraction cut toward zero and held inside the
    // range), or a text's leading integer; 0 for every other kind.
    [[nodiscard]] qint64 longLongValue() const;
    // The element count of a dictionary, array or set; 0 for every other kind.
    [[nodiscard]] qsizetype count() const;
    // The dictionary's keys as an array (empty for an empty dictionary); nil otherwise.
    [[nodiscard]] Tolerant allKeys() const;
    // True only for a text equal to `other`.
    [[nodiscard]] bool isEqualToString(const QString& other) const;

    [[nodiscard]] Tolerant operator[](const QString& key) const { return objectForKey(key); }
    [[nodiscard]] Tolerant operator[](qsizetype index) const { return objectAtIndex(index); }

    // The value as it stands: nil, the platform's null and "" stay apart.
    [[nodiscard]] const QVariant& value() const { return value_; }
    // True only for a missing value, not for either kind of null.
    [[nodiscard]] bool isNil() const { return !value_.isValid(); }

    // Conversions of the value as QVariant makes them: a number reads as its text, and a
    // kind that does not convert reads as an empty text, list or map.
    [[nodiscard]] QString toString() const { return value_.toString(); }
    [[nodiscard]] QVariantList toList() const { return value_.toList(); }
    [[nodiscard]] QVariantMap toMap() const { return value_.toMap(); }

    // The platform's intValue rule for text: leading white space, an optional sign, then
    // the leading decimal digits; the rest is ignored; 0 when there are no digits; values
    // beyond 32 bits saturate at INT_MAX or INT_MIN.
    [[nodiscard]] static int intValueOfString(const QString& text);
    // The same rule in 64 bits, saturating at the 64-bit limits.
    [[nodiscard]] static qint64 longLongValueOfString(const QString& text);

private:
    QVariant value_;
};
