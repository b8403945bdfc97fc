#pragma once

#include "net/RequestHeaderSet.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// The city filter definitions the need form reads: the parsed reply of
// "GetMajorCategoryFilter" kept as a property list in the document folder under
// "<city script index>-<major category>". Items ("fs") carry a key ("f") and values ("vs":
// {"v" value, "n" shown name}), the first value of an item being its no-limit value. Only
// definitions that name house values are kept: a form given none would offer no house type
// and, finding its file, never ask again.
class NeedFilterFile {
public:
    static inline const QString kInterface = QStringLiteral("GetMajorCategoryFilter");

    [[nodiscard]] static QString path(int cityScriptIndex, const QString& major);
    [[nodiscard]] static std::optional<QVariantMap> read(int cityScriptIndex, const QString& major);
    // The kept definitions when they name house values (a file written before they were
    // checked may not); nothing otherwise.
    [[nodiscard]] static std::optional<QVariantMap> readUsable(int cityScriptIndex,
                                                               const QString& major);
    // Keeps a downloaded reply; false when it names no house values (nothing is written) or
    // could not be written.
    static bool write(const QVariantMap& reply, int cityScriptIndex, int major);
    // Whether definitions name house values: an item "huxing_shi" or "share_mode" with a
    // list of values.
    [[nodiscard]] static bool holdsHouseValues(const QVariantMap& file);

    // The values of the "price" item; empty without one.
    [[nodiscard]] static QVariantList priceRows(const QVariantMap& file);
    // The values of the last "huxing_shi" or "share_mode" item; empty without one.
    [[nodiscard]] static QVariantList houseValues(const QVariantMap& file);
    // The shown name of the last house value whose value is `value`, in the file of the city
    // and major category; a null text when the file, the item or the value is missing.
    [[nodiscard]] static QString houseTypeName(const QString& value, const QString& major,
                                               int cityScriptIndex);

    // The download of a major category's definitions for a city: its headers and body.
    [[nodiscard]] static RequestHeaderSet downloadHeaders(int major, int cityScriptIndex);
    [[nodiscard]] static QString downloadBody(int major, int cityScriptIndex);
};
