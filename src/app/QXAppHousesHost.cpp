#include "app/QXAppHousesHost.h"

#include "app/QXAppDelegate.h"
#include "app/QXNavigationBar.h"
#include "app/XXNavigationController.h"
#include "location/CityData.h"
#include "location/SelectedCityState.h"

std::shared_ptr<City> QXAppHousesHost::currentCity() const {
    const auto state = cityState_.lock();
    return state && state->cityData() ? state->cityData()->currentCity() : nullptr;
}

std::optional<int> QXAppHousesHost::cityIndexWithName(const QString& name) const {
    const auto state = cityState_.lock();
    return state && state->cityData() ? state->cityData()->getCityIndexWithName(name)
                                      : std::nullopt;
}

bool QXAppHousesHost::useWifi() const {
    const auto app = QXAppDelegate::sharedPointer();
    return app && app->useWifi();
}

std::shared_ptr<const UserLocation> QXAppHousesHost::userLocation() const {
    const auto state = cityState_.lock();
    return state ? state->userLocation() : nullptr;
}

void QXAppHousesHost::setDragBackGesture(bool enabled) {
    if (const auto app = QXAppDelegate::sharedPointer()) app->setIsShouldDragBackGesture(enabled);
}

std::shared_ptr<ui::NavigationController> QXAppHousesHost::makeNavigationController(
    std::shared_ptr<ui::ViewController> root) const {
    return QXNavigationBar::XXNavigationControllerWithQXBar(std::move(root));
}
