#pragma once

#include "map/ShopMapContext.h"

#include <memory>

class QXAppDelegate;
class QXMapViewController;

// The broker-shop map as the application opens it: its context filled from the application
// delegate (network state, located position, current city, own user, drag-back switch,
// analytics), the message store, the broker page and the chat screen.
struct ShopMapEntry {
    [[nodiscard]] static ShopMapContext context(QXAppDelegate& delegate);
    [[nodiscard]] static std::shared_ptr<QXMapViewController> makeScreen(QXAppDelegate& delegate);
};
