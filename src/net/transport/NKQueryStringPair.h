#pragma once

#include "net/transport/NKStringEncoding.h"

#include <QList>
#include <QString>
#include <QVariant>

// One field and one value of a query string or a form body.
class NKQueryStringPair {
public:
    NKQueryStringPair(QVariant field, QVariant value);

    [[nodiscard]] const QVariant& field() const { return field_; }
    [[nodiscard]] const QVariant& value() const { return value_; }

    // "field=value", both escaped; the field alone when the value is nil or null.
    [[nodiscard]] QString URLEncodedStringValueWithEncoding(const NKStringEncoding& encoding) const;

private:
    QVariant field_;
    QVariant value_;
};

// The pairs of a parameter value: dictionaries by key (sorted without regard to case)
// as "key[sub]", arrays as "key[]", anything else as one pair. Nil members are left out.
[[nodiscard]] QList<NKQueryStringPair> FlattenQueryPairs(const QVariant& key,
                                                         const QVariant& value);
// The pairs of `parameters` joined by "&": {b:"x y", a:[1,2], c:{d:"é"}} gives
// "a[]=1&a[]=2&b=x%20y&c[d]=%C3%A9".
[[nodiscard]] QString BuildQueryString(const QVariant& parameters,
                                       const NKStringEncoding& encoding);
// ASCII letters, digits, "-", "_", ".", "~", "[" and "]" stay; every other byte of the
// text in `encoding` becomes "%" and two upper-case hexadecimal digits.
[[nodiscard]] QString EscapeQueryComponent(const QString& text, const NKStringEncoding& encoding);
// A value written as the platform writes an object's description: numbers as numbers,
// booleans as 1 and 0, bytes as "<0a1b2c3d ...>".
[[nodiscard]] QString DescriptionOfValue(const QVariant& value);
