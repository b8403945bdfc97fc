#pragma once

#include "platform/mapkit/annotation.h"

#include <QString>
#include <QVariantMap>

// One broker shop on the shop map: its data from the shop reply and its place. It has no
// title, so the map shows no callout for it.
class BasicAnnotion : public map::Annotation {
public:
    // A shop entry of the reply; nullptr when its "latlng" has no comma.
    [[nodiscard]] static std::shared_ptr<BasicAnnotion> fromShop(const QVariantMap& shop);

    [[nodiscard]] map::Coordinate coordinate() const override { return {lat, longti}; }

    double lat = 0;
    double longti = 0;
    QString regionName;
    QString houseNumber;
    QString companyName;
    QString companySimpleName;
    QString customerName;
    QString idString;
    QString officePhone;
    QString postAddr;
    QString isExcellentShop;
};
