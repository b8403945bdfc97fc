#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// A broker as a reply names one: the user id, the picture and the name.
struct QXFindHouseModel {
    QString ucIdString;
    QString urlImageString;
    QString nameString;

    // The record of a reply's dictionary ("ucUserId", "image", "name").
    [[nodiscard]] static QXFindHouseModel didLoadSuccessDictionary(const QVariant& dictionary);
    // A reply that failed makes no record.
    [[nodiscard]] static std::optional<QXFindHouseModel> didLoadFailDictionary(
        const QVariant& dictionary);
};
