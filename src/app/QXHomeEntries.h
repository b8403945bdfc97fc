#pragma once

#include "app/QXPlaceholderController.h"
#include "houses/HousesHost.h"

#include <memory>

class SelectedCityState;

// The home tab until the home screen comes: its description, the three entry tiles "租房",
// "合租房" and "二手房", each opening the post list of that type, and the broker-shop entry.
class QXHomeEntries : public QXPlaceholderController {
public:
    static constexpr int kTileTag = 3100;  // plus the list type: 3101, 3103, 3105
    static constexpr int kShopEntryTag = 3109;

    QXHomeEntries();
    void viewDidLoad() override;
    // Pushes the post list of that type (1 rent, 3 shared rent, 5 sale).
    void openList(int majorId);
    // The broker-shop entry: records the event and pushes the shop map.
    void openShopMap();
};

// What the post lists ask of the app, answered from the selected-city state and the
// network status.
class QXAppHousesHost final : public HousesHost {
public:
    explicit QXAppHousesHost(std::weak_ptr<SelectedCityState> cityState)
        : cityState_(std::move(cityState)) {}
    [[nodiscard]] std::shared_ptr<City> currentCity() const override;
    [[nodiscard]] bool useWifi() const override;

private:
    std::weak_ptr<SelectedCityState> cityState_;
};
