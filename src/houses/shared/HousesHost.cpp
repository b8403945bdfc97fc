#include "houses/shared/HousesHost.h"

#include "location/CityNode.h"
#include "location/UserLocation.h"
#include "platform/uikit/navigation_controller.h"

namespace {

std::shared_ptr<HousesHost>& installedHost() {
    static std::shared_ptr<HousesHost> host = std::make_shared<HousesHost>();
    return host;
}

}  // namespace

HousesHost::~HousesHost() = default;

std::shared_ptr<HousesHost> HousesHost::shared() {
    return installedHost();
}

void HousesHost::install(std::shared_ptr<HousesHost> host) {
    installedHost() = host ? std::move(host) : std::make_shared<HousesHost>();
}

void HousesHost::resetCurrentStreet() {
    const auto city = currentCity();
    if (!city || city->Districts.empty() || city->Districts.front()->Streets.empty()) return;
    setCurrentStreet(city->Districts.front()->Streets.front());
}

std::optional<std::pair<double, double>> HousesHost::bestEffortAtLocation() const {
    const auto location = userLocation();
    if (!location || !location->bestEffortAtLocation()) return std::nullopt;
    const loc::Coordinate& at = location->bestEffortAtLocation()->coordinate;
    return std::make_pair(at.latitude, at.longitude);
}

std::shared_ptr<ui::NavigationController> HousesHost::makeNavigationController(
    std::shared_ptr<ui::ViewController> root) const {
    auto navigation = std::make_shared<ui::NavigationController>();
    navigation->setViewControllers({std::move(root)}, false);
    return navigation;
}
