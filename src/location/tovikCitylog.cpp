#include "location/tovikCitylog.h"

#include "location/CityUpdateData.h"

#include "platform/foundation/property_list.h"

tovikCitylog& tovikCitylog::instance() {
    static tovikCitylog holder;
    return holder;
}

tovikCitylog::tovikCitylog()
    : citydata_(ns::dictionaryWithContentsOfFile(CityUpdateData::currentCacheFile())) {}

std::optional<QVariantList> tovikCitylog::getCityDistrictArray() {
    citydata_ = ns::dictionaryWithContentsOfFile(CityUpdateData::currentCacheFile());
    if (!citydata_) return std::nullopt;
    return citydata_->value("g").toList();
}

std::optional<QVariantList> tovikCitylog::getCitystreetArray(qsizetype position) const {
    if (!citydata_) return std::nullopt;
    const QVariantList districts = citydata_->value("g").toList();
    if (position < 0 || position >= districts.size()) return std::nullopt;
    return districts.at(position).toMap().value("ss").toList();
}

void tovikCitylog::clearChoice() {
    districtId_ = QString();
    streetId_ = QString();
    districtName_ = QString();
    streetName_ = QString();
}
