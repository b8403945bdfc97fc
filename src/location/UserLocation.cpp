#include "location/UserLocation.h"

#include "location/LocationManager.h"

#include "net/TransportFailure.h"
#include "platform/foundation/notification_center.h"
#include "util/categories/Tolerant.h"

UserLocation::UserLocation(CityOfLocationData::CityResolver resolver)
    : resolver_(std::move(resolver)) {}

void UserLocation::queryForLocation(const std::optional<loc::Location>& location) {
    strLocation_ =
        CityOfLocationData::locationString(location ? location->coordinate : loc::Coordinate{});
    queryForLocationWithStringLocation(strLocation_);
}

void UserLocation::queryForLocationWithStringLocation(const QString& locationString) {
    // A reply for the lookup let go here never reaches this object.
    lookup_ = std::make_shared<CityOfLocationData>(weak_from_this(), resolver_);
    lookup_->queryForLocationWithStringLocation(locationString);
}

void UserLocation::newNetWorkForCityOfLocationData(CityOfLocationData& lookup) {
    cityId_ = lookup.cityId().value_or(-1);
    street_ = lookup.street();
    city_ = lookup.city();
    useGoogle_ = lookup.usedGeocoder();
    state_ = UserLocationCityKnown;
    auto& timing = LocationManager::locationManager()->timing();
    timing.locResult = 1;
    timing.sysLocRes = 1;
    LocationManager::locationManager()->logLocation();
    ended(QStringLiteral("定位成功"));
}

void UserLocation::newNetWorkForCityOfLocationDataError(CityOfLocationData& lookup) {
    const int status = Tolerant(lookup.errorDic())[TransportFailure::kStatusCode].intValue();
    state_ = UserLocationFailed;
    auto& timing = LocationManager::locationManager()->timing();
    timing.locResult = 2;
    timing.sysLocRes = 2;
    timing.sysLocReason = status;
    LocationManager::locationManager()->logLocation();
    ended(QStringLiteral("无法定位当前位置"));
}

void UserLocation::ended(const QString& statusText) {
    if (statusTextSink_) statusTextSink_(statusText);
    ns::NotificationCenter::defaultCenter().post(kStateChangeNotification);
}
