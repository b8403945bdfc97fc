#pragma once

#include "app/QXPlaceholderController.h"

// The home tab until the home screen exists: the placeholder with the entries that are built
// already (the broker-shop map).
class QXHomePlaceholder : public QXPlaceholderController {
public:
    static constexpr int kShopEntryTag = 3109;

    QXHomePlaceholder();
    void viewDidLoad() override;
    // The broker-shop entry: records the event and pushes the shop map.
    void openShopMap();
};
