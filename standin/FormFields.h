#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

namespace standin {

// The fields of a form body ("a=1&b=%22x%22"), as a server decodes them: split at "&",
// name and value split at the first "=", "+" read as a space and percent escapes
// decoded. A field without "=" has an empty value; of repeated names the first counts.
class FormFields {
public:
    explicit FormFields(const QByteArray& body);

    [[nodiscard]] bool contains(const QByteArray& name) const { return fields_.contains(name); }
    // The decoded value; empty when the field is missing.
    [[nodiscard]] QByteArray value(const QByteArray& name) const { return fields_.value(name); }
    [[nodiscard]] QString text(const QByteArray& name) const {
        return QString::fromUtf8(value(name));
    }
    // The value as a whole number; `fallback` when missing or not a number.
    [[nodiscard]] qint64 number(const QByteArray& name, qint64 fallback = 0) const;
    // Names in body order.
    [[nodiscard]] const QList<QByteArray>& names() const { return names_; }

private:
    QMap<QByteArray, QByteArray> fields_;
    QList<QByteArray> names_;
};

}  // namespace standin
