#include "houses/HousesHost.h"

#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/UserLocation.h"

namespace {

std::shared_ptr<HousesHost>& installed() {
    static std::shared_ptr<HousesHost> host = std::make_shared<HousesHost>();
    return host;
}

}  // namespace

HousesHost::~HousesHost() = default;

std::shared_ptr<HousesHost> HousesHost::shared() {
    return installed();
}

void HousesHost::install(std::shared_ptr<HousesHost> host) {
    installed() = host ? std::move(host) : std::make_shared<HousesHost>();
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

std::optional<int> HousesHost::cityIndexWithName(const QString& name) const {
    const auto city = currentCity();
    const auto province = city ? city->parent() : nullptr;
    const auto country = province ? province->parent() : nullptr;
    return country ? CityData::cityIndexWithName(*country, name) : std::nullopt;
}
