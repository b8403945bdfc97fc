#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

// One row of a shop's broker list: the texts of the broker dictionary it shows.
class QXMapDetailModel {
public:
    [[nodiscard]] static std::shared_ptr<QXMapDetailModel> detailModelWithFormat(
        const QVariantMap& broker);
    explicit QXMapDetailModel(const QVariantMap& broker);

    QString CompanyName;
    QString CustomerName;
    QString city;
    QString creditScore;
    QString image;
    QString name;
    QString online;
    QString userId;
    QString linkNum;
};
