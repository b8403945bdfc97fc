#include "map/QXMapDetailModel.h"

#include "util/categories/Tolerant.h"

std::shared_ptr<QXMapDetailModel> QXMapDetailModel::detailModelWithFormat(
    const QVariantMap& broker) {
    return std::make_shared<QXMapDetailModel>(broker);
}

QXMapDetailModel::QXMapDetailModel(const QVariantMap& broker) {
    const Tolerant entry{QVariant(broker)};
    CompanyName = entry["CompanyName"].toString();
    CustomerName = entry["CustomerName"].toString();
    city = entry["city"].toString();
    creditScore = entry["creditScore"].toString();
    image = entry["image"].toString();
    name = entry["name"].toString();
    online = entry["online"].toString();
    userId = entry["userId"].toString();
    linkNum = entry["linkNum"].toString();
}
