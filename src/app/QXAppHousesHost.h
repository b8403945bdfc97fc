#pragma once

#include "houses/HousesHost.h"

#include <memory>

class SelectedCityState;

// What the post lists ask of the app, answered from the selected-city state and the
// network status.
class QXAppHousesHost final : public HousesHost {
public:
    explicit QXAppHousesHost(std::weak_ptr<SelectedCityState> cityState)
        : cityState_(std::move(cityState)) {}
    [[nodiscard]] std::shared_ptr<City> currentCity() const override;
    [[nodiscard]] bool useWifi() const override;
    [[nodiscard]] std::shared_ptr<const UserLocation> userLocation() const override;

private:
    std::weak_ptr<SelectedCityState> cityState_;
};
