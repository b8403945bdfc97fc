#include "location/SelectedCityState.h"

#include "location/CityNode.h"
#include "location/LocationManager.h"
#include "location/tovikCitylog.h"

#include "platform/foundation/notification_center.h"
#include "platform/foundation/user_defaults.h"
#include "platform/location/location_manager.h"

namespace {

const QString kCityIdKey = QStringLiteral("cityId");
constexpr int kNeedMajorRent = 1;

ns::NotificationCenter& center() {
    return ns::NotificationCenter::defaultCenter();
}

}  // namespace

SelectedCityState::SelectedCityState(std::weak_ptr<SelectedCityHost> host)
    : host_(std::move(host)) {}

SelectedCityState::~SelectedCityState() {
    center().removeObserver(this);
}

int SelectedCityState::storedCityId() {
    return int(ns::UserDefaults::standardUserDefaults().integerForKey(kCityIdKey));
}

void SelectedCityState::loadCitiesData() {
    const int stored = storedCityId();
    currentCityScriptIndex_ = -1;
    ensureUserLocation();
    cityData_ = std::make_shared<CityData>();
    cityData_->setApplicationTarget(weak_from_this());
    cityData_->setAlertPolicy(
        [weak = weak_from_this()] {
            const auto self = weak.lock();
            return self && self->inCitySelect_;
        },
        [weak = weak_from_this()] {
            const auto self = weak.lock();
            const auto host = self ? self->host_.lock() : nullptr;
            return !host || host->connectionReachabil();
        });
    cityData_->LoadProvinceInfoWinthCurrent();
    const auto host = host_.lock();
    // The stored city is the selected one from the start, whether or not its refresh below
    // goes through.
    if (stored >= 1 && cityData_->cityWithScriptIndex(stored - 1)) {
        currentCityScriptIndex_ = stored - 1;
        if (host) host->currentCityScriptIndexChanged(currentCityScriptIndex_);
    }
    // The stored city's districts and streets are refreshed at every launch.
    if (host && host->hasUserId() && stored >= 1 && !currentStreet()) {
        cityData_->updateStreetInfo(stored - 1, weak_from_this());
        pendingIndex_ = stored - 1;
    }
    refreshCurrentStreet();
}

void SelectedCityState::refreshCurrentStreet() {
    const auto city = cityData_ ? cityData_->currentCity() : nullptr;
    if (!city || city->Districts.empty()) return;
    const auto& streets = city->Districts.front()->Streets;
    currentStreet_ = streets.empty() ? std::weak_ptr<Street>() : streets.front();
}

void SelectedCityState::updateCityWithIndex(int scriptIndex) {
    if (scriptIndex == currentCityScriptIndex_ || scriptIndex == pendingIndex_ || !cityData_) {
        return;
    }
    cityData_->updateStreetInfo(scriptIndex, weak_from_this());
    // Set after the start, which may first end an earlier switch as failed.
    pendingIndex_ = scriptIndex;
}

void SelectedCityState::updateCityByUser(int scriptIndex, std::weak_ptr<CityUpdateTarget> screen) {
    if (!cityData_) return;
    cityData_->updateStreetInfoWithUserAction(scriptIndex, std::move(screen));
    pendingIndex_ = scriptIndex;
}

void SelectedCityState::updateCitySuccessWithIndex(int scriptIndex) {
    pendingIndex_.reset();
    currentCityScriptIndex_ = scriptIndex;
    if (const auto host = host_.lock()) host->currentCityScriptIndexChanged(scriptIndex);
    setCityLogisNull();
    refreshCurrentStreet();
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    if (storedCityId() != scriptIndex + 1) {
        defaults.setInteger(scriptIndex + 1, kCityIdKey);
        center().post(kCityChangedNotification);
        if (const auto host = host_.lock()) {
            host->downLoadSendNeedInfo(kNeedMajorRent, currentCityScriptIndex_);
        }
    }
    defaults.synchronize();
}

void SelectedCityState::updateCityFailed() {
    // The old city stays whole and the same city can be asked for again.
    pendingIndex_.reset();
}

void SelectedCityState::changeCityWithIndex(int scriptIndex) {
    if (scriptIndex == currentCityScriptIndex_ || !cityData_) return;
    // A stored index the tree lacks would count as no city at the next launch.
    if (!cityData_->LoadStreetInfo(scriptIndex)) return;
    currentCityScriptIndex_ = scriptIndex;
    if (const auto host = host_.lock()) host->currentCityScriptIndexChanged(scriptIndex);
    refreshCurrentStreet();
    ns::UserDefaults::standardUserDefaults().setInteger(scriptIndex + 1, kCityIdKey);
    center().post(kCityChangedNotification);
}

void SelectedCityState::changeCity(const City& city) {
    const auto province = city.parent();
    changeCityWithIndex((province ? province->index() : 0) * 100 + city.index());
}

void SelectedCityState::change2Location() {
    if (userLocation_ && userLocation_->state() == UserLocationCityKnown &&
        userLocation_->cityId() >= 0 && userLocation_->cityId() != currentCityScriptIndex_) {
        updateCityWithIndex(userLocation_->cityId());
    }
}

void SelectedCityState::forgetLocation() {
    strLocation_.clear();
    if (userLocation_) userLocation_->setBestEffortAtLocation(std::nullopt);
}

void SelectedCityState::setCityLogisNull() {
    tovikCitylog::instance().clearChoice();
}

bool SelectedCityState::checkCityWithAnimation(bool animated) {
    // A stored city that the loaded tree does not hold (a damaged or foreign value) is no
    // choice either: without the chooser the application would have no city for the run.
    const int stored = storedCityId();
    const bool treeLoaded = cityData_ && !cityData_->country()->Provinces.empty();
    if (stored != 0 && (!treeLoaded || cityData_->cityWithScriptIndex(stored - 1))) return false;
    if (const auto host = host_.lock()) host->presentCitySelection(animated);
    return true;
}

void SelectedCityState::ensureUserLocation() {
    if (userLocation_) return;
    userLocation_ = std::make_shared<UserLocation>(
        [weak = weak_from_this()](const QString& name) -> std::optional<int> {
            const auto self = weak.lock();
            if (!self || !self->cityData_) return std::nullopt;
            return self->cityData_->getCityIndexWithName(name);
        });
    userLocation_->setStatusTextSink([weak = weak_from_this()](const QString& text) {
        if (auto self = weak.lock()) self->locationStatuString_ = text;
    });
    LocationManager::locationManager()->setNetworkType([weak = weak_from_this()] {
        const auto self = weak.lock();
        const auto host = self ? self->host_.lock() : nullptr;
        return host ? host->netType() : 0;
    });
}

void SelectedCityState::startConfirmLocation() {
    ensureUserLocation();
    if (userLocation_->state() == UserLocationLocating) return;
    if (lastLocationTime_ && ns::Clock::shared().now() - *lastLocationTime_ < kRelocateAfter) {
        return;
    }
    locationStatuString_ = QStringLiteral("正在定位当前位置...");
    const auto status = loc::LocationManager::authorizationStatus();
    if (LocationManager::locationServicesEnabled() && status != loc::AuthorizationStatus::Denied &&
        status != loc::AuthorizationStatus::Restricted) {
        userLocation_->setState(UserLocationLocating);
        LocationManager::locationManager()->startUpdates();
        return;
    }
    userLocation_->setState(UserLocationFailed);
    locationStatuString_ = QStringLiteral("本机的定位服务不可用");
}

void SelectedCityState::observe() {
    const auto self = shared_from_this();
    center().addObserver(self, LocationManager::kUpdatedNotification,
                         [weak = weak_from_this()](const ns::Notification&) {
                             if (auto state = weak.lock()) state->onLocationUpdated();
                         });
    center().addObserver(self, UserLocation::kStateChangeNotification,
                         [weak = weak_from_this()](const ns::Notification&) {
                             if (auto state = weak.lock()) state->UserLocationStateChange();
                         });
}

void SelectedCityState::onLocationUpdated() {
    ensureUserLocation();
    const auto manager = LocationManager::locationManager();
    if (manager->locationDenied() || !manager->hasFix()) {
        // Denied, off, not found or timed out: a failure, so that locating can start again.
        userLocation_->setState(UserLocationFailed);
        locationStatuString_ = QStringLiteral("无法定位当前位置!");
        center().post(UserLocation::kStateChangeNotification);
        return;
    }
    const loc::Location fix{
        {manager->latitude(), manager->longitude()}, -1, ns::Clock::shared().now()};
    strLocation_ = CityOfLocationData::locationString(fix.coordinate);
    userLocation_->setBestEffortAtLocation(fix);
    userLocation_->queryForLocationWithStringLocation(strLocation_);
    center().post(kLocationGetNotification);
    lastLocationTime_ = ns::Clock::shared().now();
}

void SelectedCityState::UserLocationStateChange() {
    // Only the first change of the process may offer the switch.
    center().removeObserver(this, UserLocation::kStateChangeNotification);
    const auto host = host_.lock();
    if (!host || !userLocation_ || userLocation_->state() != UserLocationCityKnown) return;
    const int located = userLocation_->cityId();
    const int tab = host->selectedTabIndex();
    if (located < 0 || located == currentCityScriptIndex_ || currentCityScriptIndex_ == -1 ||
        (tab != 0 && tab != 1) || host->screensOnSelectedTab() != 1 || userLocation_->useGoogle() ||
        showedGPSSwitch_) {
        return;
    }
    showedGPSSwitch_ = true;
    const QString city = userLocation_->city();
    auto alert = std::make_shared<ui::AlertView>(
        QStringLiteral("提示"), QStringLiteral("GPS定位到您当前位置是%1，是否切换到%1?").arg(city),
        weak_from_this(), QStringLiteral("取消"), QStringList{QStringLiteral("切换")});
    alert->setTag(kSwitchAlertTag);
    alert->show();
}

void SelectedCityState::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (alert.tag() != kSwitchAlertTag) return;
    showedGPSSwitch_ = false;
    if (index == 1) change2Location();
}
