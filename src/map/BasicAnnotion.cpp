#include "map/BasicAnnotion.h"

#include "util/categories/Tolerant.h"

std::shared_ptr<BasicAnnotion> BasicAnnotion::fromShop(const QVariantMap& shop) {
    const Tolerant entry{QVariant(shop)};
    const QStringList latlng = entry["latlng"].toString().split(',');
    if (latlng.size() < 2) return nullptr;
    auto annotation = std::make_shared<BasicAnnotion>();
    annotation->lat = latlng[0].toDouble();
    annotation->longti = latlng[1].toDouble();
    annotation->regionName = entry["title"].toString();
    annotation->customerName = entry["customerName"].toString();
    annotation->companyName = entry["companyName"].toString();
    annotation->companySimpleName = entry["companySimpleName"].toString();
    annotation->officePhone = entry["officePhone"].toString();
    annotation->postAddr = entry["postAddress"].toString();
    annotation->isExcellentShop = entry["isExcellentShop"].toString();
    annotation->idString = entry["id"].toString();
    annotation->houseNumber = entry["house_count"].toString();
    return annotation;
}
