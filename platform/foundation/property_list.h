#pragma once

#include "platform/foundation/error.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace ns {

// A reference from one object of a keyed archive to another (the format's UID value).
struct PropertyListUID {
    quint64 value = 0;
    friend bool operator==(PropertyListUID a, PropertyListUID b) { return a.value == b.value; }
};

// Property lists in their XML and binary forms, as QVariant trees:
//
//   dict <-> QVariantMap      array <-> QVariantList     string <-> QString
//   integer <-> qint64 (quint64 above the signed range)  real <-> double
//   boolean <-> bool          date <-> QDateTime (UTC)   data <-> QByteArray
//   uid <-> PropertyListUID
//
// Writing also takes the other integer kinds, float, QStringList and QVariantHash, and
// refuses anything else (nil, the null value, URLs, ...) as a whole: a refused value never
// yields half a document. XML keeps dates to the second, as the format does; binary keeps
// them to the microsecond.
class PropertyList {
public:
    enum class Format { Xml, Binary };

    // Codes of the errors below (domain Error::kCocoaErrorDomain), as the platform numbers them.
    static constexpr qint64 kReadCorruptError = 3840;
    static constexpr qint64 kWriteInvalidError = 3852;
    // The largest UID the binary form is written with; larger ones are refused both ways.
    static constexpr quint64 kMaximumUID = 0xFFFFFFFF;

    // The value of XML or binary bytes (the bytes tell which; `format` receives it), or nil
    // when they are no property list.
    [[nodiscard]] static QVariant propertyListWithData(const QByteArray& data,
                                                       Format* format = nullptr,
                                                       Error* error = nullptr);
    // The bytes of `value` in `format`, or empty bytes when it is no property list.
    [[nodiscard]] static QByteArray dataWithPropertyList(const QVariant& value,
                                                         Format format = Format::Xml,
                                                         Error* error = nullptr);

    // `value` as reading it back would give it (int becomes qint64, QStringList a list of
    // strings, ...), or nil when it cannot be written.
    [[nodiscard]] static QVariant canonical(const QVariant& value, Error* error = nullptr);
    [[nodiscard]] static bool isValid(const QVariant& value) { return canonical(value).isValid(); }

    // The property list in the file at `path`, or nil (missing, unreadable or no property list).
    [[nodiscard]] static QVariant readFile(const QString& path, Format* format = nullptr,
                                           Error* error = nullptr);
    // Writes `value` to `path`. Atomically: the file holds either its old or its whole new
    // contents, whatever happens during the write.
    static bool writeFile(const QVariant& value, const QString& path, bool atomically,
                          Format format = Format::Xml, Error* error = nullptr);
};

// The collections' own file methods: the dictionary (or array) stored at `path`, nothing when
// the file is missing, unreadable or holds another kind of value.
[[nodiscard]] std::optional<QVariantMap> dictionaryWithContentsOfFile(const QString& path);
[[nodiscard]] std::optional<QVariantList> arrayWithContentsOfFile(const QString& path);
// Writes a dictionary or an array (anything else is refused) as an XML property list.
bool writeToFile(const QVariant& collection, const QString& path, bool atomically);

}  // namespace ns
