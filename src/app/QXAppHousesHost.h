#pragma once

#include "houses/shared/HousesHost.h"

#include <memory>

class SelectedCityState;

// What the housing screens ask of the app, answered from the selected-city state, the
// network status and the application delegate.
class QXAppHousesHost final : public HousesHost {
public:
    explicit QXAppHousesHost(std::weak_ptr<SelectedCityState> cityState)
        : cityState_(std::move(cityState)) {}
    [[nodiscard]] std::shared_ptr<City> currentCity() const override;
    [[nodiscard]] std::optional<int> cityIndexWithName(const QString& name) const override;
    [[nodiscard]] bool useWifi() const override;
    [[nodiscard]] std::shared_ptr<const UserLocation> userLocation() const override;
    void setDragBackGesture(bool enabled) override;
    [[nodiscard]] bool dragBackGesture() const override;
    [[nodiscard]] std::shared_ptr<ui::NavigationController> makeNavigationController(
        std::shared_ptr<ui::ViewController> root) const override;

private:
    std::weak_ptr<SelectedCityState> cityState_;
};
