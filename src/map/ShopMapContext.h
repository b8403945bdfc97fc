#pragma once

#include "location/UserLocation.h"
#include "platform/location/location.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace ui {
class ViewController;
}

// What the broker-shop map reads of the application and asks of it: the network state, the
// located position, the current city, the own user, the location state, the drag-back
// switch, the analytics events, the message store's talks and the screens it opens. The
// application fills it from its delegate (ShopMapEntry); tests fill their own.
struct ShopMapContext {
    std::function<bool()> reachable;
    // Latitude and longitude joined by ",", or empty.
    std::function<QString()> strLocation;
    // The last fix of the shop map's locator, if any.
    std::function<std::optional<loc::Coordinate>()> lastFix;
    std::function<bool()> locationAuthorized;
    // The current city's database id (0 before a city is loaded).
    std::function<qint64()> cityId;
    std::function<std::optional<int>(const QString& name)> cityIndexWithName;
    // The logged-on user's id, or the messaging user's while nobody is logged on.
    std::function<qint64()> ownUserId;
    // The own user id sent in the request headers.
    std::function<QString()> requestUserId;
    std::function<UserLocationState()> locationState;
    // Sets the state to locating and starts the device's updates.
    std::function<void()> startLocating;
    std::function<void(bool enabled)> setDragBack;
    std::function<void(const QString& eventId)> recordEvent;
    // The post reference of a stored talk, when the store holds exactly one such talk.
    std::function<std::optional<QString>(const QString& talkId, const QString& userId)>
        storedPostReference;
    std::function<void(const QString& talkId)> clearUnread;
    std::function<std::shared_ptr<ui::ViewController>(const QVariantMap& talkInfo,
                                                      const QString& title)>
        makeChat;
    std::function<std::shared_ptr<ui::ViewController>(const QString& agentId,
                                                      const QString& postId)>
        makeBrokerPage;
};
