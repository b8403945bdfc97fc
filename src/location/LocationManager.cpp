#include "location/LocationManager.h"

#include "analytics/StatClick.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/alert_view.h"

#include <mutex>

namespace {

std::mutex gManagerMutex;
std::shared_ptr<LocationManager> gManager;

}  // namespace

std::shared_ptr<LocationManager> LocationManager::locationManager() {
    const std::lock_guard lock(gManagerMutex);
    if (!gManager) gManager = std::make_shared<LocationManager>();
    return gManager;
}

void LocationManager::forceRelease() {
    std::shared_ptr<LocationManager> released;
    const std::lock_guard lock(gManagerMutex);
    released = std::move(gManager);
}

LocationManager::LocationManager() = default;

LocationManager::~LocationManager() {
    timeout_.cancel();
}

bool LocationManager::locationServicesEnabled() {
    return loc::LocationManager::locationServicesEnabled();
}

bool LocationManager::authorizationStatus() {
    return loc::LocationManager::authorizationStatus() == loc::AuthorizationStatus::Authorized;
}

double LocationManager::secondsNow() {
    return ns::toSeconds(ns::Clock::shared().now().time_since_epoch());
}

void LocationManager::startUpdates() {
    ns::UserDefaults::standardUserDefaults().setDouble(secondsNow(), "startLocTime");
    timeout_.cancel();
    timeout_ = ns::DelayedCall::schedule(kTimeout, [weak = weak_from_this()] {
        if (auto self = weak.lock()) self->failed();
    });
    timing_.locStartTime = secondsNow();
    timing_.locResult = 2;
    timing_.sysLocRes = 2;
    timing_.locType = 1;
    accuracyClass_ = 0;
    located_ = false;

    if (locationServicesEnabled()) {
        if (!manager_) {
            manager_ = std::make_shared<loc::LocationManager>();
            manager_->setDelegate(weak_from_this());
            manager_->setDistanceFilter(1.0);
            manager_->setDesiredAccuracy(loc::LocationManager::kAccuracyBest);
        } else {
            manager_->stopUpdatingLocation();
        }
        locationManagerStartDate_ = ns::Clock::shared().now();
        manager_->startUpdatingLocation();
        return;
    }
    // Services off: the attempt ends at once; the time-out still ends it again later.
    locationDenied_ = true;
    showHelpAlert();
    timing_.locResult = 2;
    timing_.sysLocRes = 2;
    timing_.sysLocReason = 1;
    logLocation();
    posted();
    reset();
}

void LocationManager::stopUpdates() {
    if (manager_) manager_->stopUpdatingLocation();
    reset();
    accuracyClass_ = 0;
    located_ = false;
}

void LocationManager::reset() {
    noAlert_ = false;
    helpAlertShown_ = false;
    latitude_ = 0;
    longitude_ = 0;
}

bool LocationManager::isValidLocation(const std::optional<loc::Location>& fix,
                                      const std::optional<loc::Location>& old) {
    if (!fix || fix->horizontalAccuracy < 0) return false;
    if (!old) return true;
    if (fix->timestamp < old->timestamp) return false;
    return fix->distanceFromLocation(*old) >= 1.0;
}

void LocationManager::showHelpAlert() {
    if (helpAlertShown_ || noAlert_) return;
    helpAlertShown_ = true;
    std::make_shared<ui::AlertView>(
        QStringLiteral("提示"), QStringLiteral("定位失败！请到手机系统的【设置】中打开定位服务"),
        std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确  定"))
        ->show();
}

void LocationManager::didUpdateLocations(loc::LocationManager&,
                                         const std::vector<loc::Location>& locations) {
    if (locations.empty()) return;
    const loc::Location& location = locations.front();
    noAlert_ = false;
    locationDenied_ = false;
    latitude_ = float(location.coordinate.latitude);
    longitude_ = float(location.coordinate.longitude);
    accuracyClass_ = location.horizontalAccuracy <= kFineAccuracy ? 1 : 2;
    const int netType = netType_ ? netType_() : 0;
    // On Wi-Fi the position comes from the access points, so only a fine fix is taken;
    // otherwise wait for a better one or the time-out.
    if (netType == kNetTypeWifi && accuracyClass_ != 1) return;
    timeout_.cancel();
    timing_.locEndTime = secondsNow();
    timing_.sysLocGPSTime = timing_.locEndTime - timing_.locStartTime;
    located_ = true;
    posted();
    StatClick::event(QStringLiteral("Successful positioning"));
    stopUpdates();
}

void LocationManager::didFail(std::optional<int> code) {
    timeout_.cancel();
    StatClick::event(QStringLiteral("Positioning unsuccessful"));
    if (code == loc::kErrorLocationUnknown || code == loc::kErrorDenied) {
        timing_.locResult = 2;
        timing_.sysLocRes = 2;
        timing_.sysLocReason = code == loc::kErrorDenied ? 1 : 2;
        logLocation();
        if (code == loc::kErrorDenied) {
            locationDenied_ = true;
            showHelpAlert();
        }
        stopUpdates();
    }
    StatClick::event(QStringLiteral("GetLocationFailed"));
    reset();
    located_ = false;
    posted();
}

void LocationManager::didFailWithError(loc::LocationManager&, int code) {
    didFail(code);
}

void LocationManager::failed() {
    didFail(std::nullopt);
}

void LocationManager::posted() {
    ns::NotificationCenter::defaultCenter().post(kUpdatedNotification);
}

void LocationManager::logLocation() {
    timing_.getLocStrTime = secondsNow();
    timing_.wholeTime = timing_.getLocStrTime - timing_.locStartTime;
    timing_.sysLocTime = timing_.wholeTime;
    timing_.sysLocInfTime = timing_.getLocStrTime - timing_.locEndTime;
}
