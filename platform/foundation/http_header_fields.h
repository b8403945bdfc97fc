#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <utility>

namespace ns {

// The header fields of a request or a response: kept in the order they were first
// set, looked up regardless of case, as HTTP field names are.
class HTTPHeaderFields {
public:
    using Field = std::pair<QString, QString>;

    HTTPHeaderFields() = default;
    HTTPHeaderFields(std::initializer_list<Field> fields);

    // The value, or an empty text when the field is absent.
    [[nodiscard]] QString value(const QString& name) const;
    [[nodiscard]] bool contains(const QString& name) const;
    // Replaces the value of a field in its place (keeping the name as first set),
    // or appends the field; a null text removes it.
    void setValue(const QString& name, const QString& value);
    // Appends to an existing value, separated by ", ", as repeated fields combine.
    void addValue(const QString& name, const QString& value);
    // Appends a field of its own, even beside one whose name differs only in case: some
    // servers tell such names apart, and a header set may carry both. Lookups by name
    // find the first.
    void appendField(const QString& name, const QString& value) { fields_.append({name, value}); }
    void remove(const QString& name);

    [[nodiscard]] const QList<Field>& fields() const { return fields_; }
    [[nodiscard]] QStringList names() const;
    [[nodiscard]] qsizetype count() const { return fields_.size(); }
    [[nodiscard]] bool isEmpty() const { return fields_.isEmpty(); }
    // A dictionary of the fields (ordered by name, as such dictionaries are).
    [[nodiscard]] QVariantMap toVariantMap() const;
    static HTTPHeaderFields fromVariantMap(const QVariantMap& map);
    // The text of a field value as a server sent it: read as UTF-8 where the bytes are
    // UTF-8, else as Latin-1 (older servers' file names), so that no byte is lost.
    static QString textOf(const QByteArray& raw);

    friend bool operator==(const HTTPHeaderFields& a, const HTTPHeaderFields& b) {
        return a.fields_ == b.fields_;
    }

private:
    [[nodiscard]] qsizetype indexOf(const QString& name) const;

    QList<Field> fields_;
};

}  // namespace ns
