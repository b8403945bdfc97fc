#include "app/ShopMapEntry.h"

#include "app/QXAppChatScreenOpener.h"
#include "app/QXAppDelegate.h"
#include "app/statistics/StatisticsForAnalytics.h"
#include "map/QXMapViewController.h"

#include "houses/HousesNavigation.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "account/QXUserInfo.h"
#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/LocationManager.h"
#include "location/QXLocation.h"
#include "location/SelectedCityState.h"
#include "net/transport/Json.h"

ShopMapContext ShopMapEntry::context(QXAppDelegate& delegate) {
    // The delegate lives for the whole process; the city state may still be missing before
    // launch.
    QXAppDelegate* app = &delegate;
    const auto cityState = [app] { return app->cityState(); };
    ShopMapContext context;
    context.reachable = [app] { return app->connectionReachabil(); };
    context.strLocation = [cityState] {
        const auto state = cityState();
        return state ? state->strLocation() : QString();
    };
    context.lastFix = []() -> std::optional<loc::Coordinate> {
        const auto& fix = QXLocation::shared()->thisLocation();
        if (!fix) return std::nullopt;
        return fix->coordinate;
    };
    context.locationAuthorized = [] { return LocationManager::authorizationStatus(); };
    context.cityId = [cityState]() -> qint64 {
        const auto state = cityState();
        const auto data = state ? state->cityData() : nullptr;
        const auto city = data ? data->currentCity() : nullptr;
        return city ? city->nodeId() : 0;
    };
    context.cityIndexWithName = [cityState](const QString& name) -> std::optional<int> {
        const auto state = cityState();
        if (!state || !state->cityData()) return std::nullopt;
        return state->cityData()->getCityIndexWithName(name);
    };
    context.ownUserId = [app] { return app->userInfo() ? app->userInfo()->userId() : 0; };
    context.requestUserId = [app] { return app->userId(); };
    context.locationState = [cityState] {
        const auto state = cityState();
        return state && state->userLocation() ? state->userLocation()->state() : UserLocationFailed;
    };
    context.startLocating = [cityState] {
        const auto state = cityState();
        if (state && state->userLocation()) state->userLocation()->setState(UserLocationLocating);
        LocationManager::locationManager()->startUpdates();
    };
    context.setDragBack = [app](bool enabled) { app->setIsShouldDragBackGesture(enabled); };
    context.recordEvent = [](const QString& eventId) { StatisticsForAnalytics::event(eventId); };
    context.storedPostReference = [](const QString& talkId,
                                     const QString& userId) -> std::optional<QString> {
        const auto rows = QXIMDatabase::shared().talkInfoExist(talkId, userId);
        if (rows.size() != 1) return std::nullopt;
        const QVariant reference = rows.front().value("r_id");
        if (!reference.isValid() || reference.isNull()) return std::nullopt;
        return reference.toString();
    };
    context.clearUnread = [](const QString& talkId) {
        QXIMDatabase::shared().saveTalkInfoAndClearReadByTalkId(talkId);
    };
    context.makeChat = [](const QVariantMap& talkInfo, const QString& title) {
        return QXAppChatScreenOpener().makeChatScreen(talkInfo, title, false, true);
    };
    context.makeBrokerPage = [](const QString& agentId, const QString& postId) {
        return HousesNavigation::brokerPage({.agentId = agentId, .postId = postId});
    };
    return context;
}

std::shared_ptr<QXMapViewController> ShopMapEntry::makeScreen(QXAppDelegate& delegate) {
    return std::make_shared<QXMapViewController>(context(delegate));
}
