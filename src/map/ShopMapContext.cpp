#include "map/ShopMapContext.h"

#include "map/PlaceholderScreen.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "account/QXUserInfo.h"
#include "app/QXAppState.h"
#include "location/CityData.h"
#include "location/LocationManager.h"
#include "location/QXLocation.h"
#include "location/SelectedCityState.h"
#include "net/transport/Json.h"

ShopMapContext ShopMapContext::standard(std::shared_ptr<SelectedCityState> cityState) {
    ShopMapContext context;
    const auto app = QXAppState::shared();
    context.reachable = [app] { return app->connectionReachabil(); };
    context.strLocation = [cityState] { return cityState ? cityState->strLocation() : QString(); };
    context.lastFix = []() -> std::optional<loc::Coordinate> {
        const auto& fix = QXLocation::shared()->thisLocation();
        if (!fix) return std::nullopt;
        return fix->coordinate;
    };
    context.locationAuthorized = [] { return LocationManager::authorizationStatus(); };
    context.cityId = [app] { return app->currentCityId(); };
    context.cityIndexWithName = [cityState](const QString& name) -> std::optional<int> {
        if (!cityState || !cityState->cityData()) return std::nullopt;
        return cityState->cityData()->getCityIndexWithName(name);
    };
    context.ownUserId = [app] { return app->userInfo() ? app->userInfo()->userId() : 0; };
    context.requestUserId = [app] { return app->userId(); };
    context.locationState = [cityState] {
        return cityState && cityState->userLocation() ? cityState->userLocation()->state()
                                                      : UserLocationFailed;
    };
    context.startLocating = [cityState] {
        if (cityState && cityState->userLocation()) {
            cityState->userLocation()->setState(UserLocationLocating);
        }
        LocationManager::locationManager()->startUpdates();
    };
    // The navigation's drag-back switch belongs to the app shell still to come; until then
    // drag-back stays as it is.
    context.setDragBack = [](bool) {};
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
        return std::make_shared<PlaceholderScreen>(title, json_JSONString(talkInfo));
    };
    context.makeBrokerPage = [](const QString& agentId, const QString& postId) {
        return std::make_shared<PlaceholderScreen>(QStringLiteral("经纪人"),
                                                   agentId + "\n" + postId);
    };
    return context;
}
