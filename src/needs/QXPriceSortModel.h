#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// One price band of the need form's price list: the shown name and the value sent.
struct QXPriceSortModel {
    QString name;
    QString key;

    // The record of a price row ({"n": name, "v": value}).
    [[nodiscard]] static QXPriceSortModel didLoadSuccessDictionary(const QVariant& dictionary);
    // A reply that failed makes no record.
    [[nodiscard]] static std::optional<QXPriceSortModel> didLoadFailDictionary(
        const QVariant& dictionary);
};
