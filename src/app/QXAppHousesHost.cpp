#include "app/QXAppHousesHost.h"

#include "app/QXAppDelegate.h"
#include "location/CityData.h"
#include "location/SelectedCityState.h"

std::shared_ptr<City> QXAppHousesHost::currentCity() const {
    const auto state = cityState_.lock();
    return state && state->cityData() ? state->cityData()->currentCity() : nullptr;
}

bool QXAppHousesHost::useWifi() const {
    const auto app = QXAppDelegate::sharedPointer();
    return app && app->useWifi();
}

std::shared_ptr<const UserLocation> QXAppHousesHost::userLocation() const {
    const auto state = cityState_.lock();
    return state ? state->userLocation() : nullptr;
}
