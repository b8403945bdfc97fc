#include "location/QXLocation.h"

#include <QDebug>

#include <mutex>

namespace {

std::mutex gMutex;
std::shared_ptr<QXLocation> gShared;

// The coordinate that a simulator reports when it has none of its own.
const QString kSimulatorCoordinate = QStringLiteral("11.183333");

}  // namespace

std::shared_ptr<QXLocation> QXLocation::shared() {
    const std::lock_guard lock(gMutex);
    if (!gShared) gShared = std::make_shared<QXLocation>();
    return gShared;
}

void QXLocation::forceRelease() {
    const std::lock_guard lock(gMutex);
    gShared.reset();
    qInfo("Force release QXLocation");
}

QXLocation::QXLocation() : manager_(std::make_shared<loc::LocationManager>()) {
    manager_->setDesiredAccuracy(kDesiredAccuracy);
    thisLocation_ = manager_->location();
}

QXLocation::~QXLocation() {
    timeout_.cancel();
}

bool QXLocation::appLocationServicesEnabled() {
    return loc::LocationManager::authorizationStatus() == loc::AuthorizationStatus::Authorized;
}

void QXLocation::startStandardUpdates() {
    if (isGPSing_) return;
    manager_->setDelegate(weak_from_this());
    isGPSing_ = true;
    if (auto last = manager_->location()) thisLocation_ = last;
    timeout_.cancel();
    timeout_ = ns::DelayedCall::schedule(kTimeout, [weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->stopUpdatingLocation(QStringLiteral("Time out, 定位超时"));
    });
    manager_->startUpdatingLocation();
}

void QXLocation::stopUpdatingLocation(const QString& reason) {
    lastStopReason_ = reason;
    stopStandardUpdates();
}

void QXLocation::stopStandardUpdates() {
    isGPSing_ = false;
    manager_->stopUpdatingLocation();
    if (getLatitude() == kSimulatorCoordinate && getLongitude() == kSimulatorCoordinate) {
        startStandardUpdates();
    }
}

QString QXLocation::getLatitude() const {
    if (!thisLocation_) return QStringLiteral("0.0000");
    return QString::asprintf("%f", thisLocation_->coordinate.latitude);
}

QString QXLocation::getLongitude() const {
    if (!thisLocation_) return QStringLiteral("0.0000");
    return QString::asprintf("%f", thisLocation_->coordinate.longitude);
}

void QXLocation::didUpdateLocations(loc::LocationManager&,
                                    const std::vector<loc::Location>& locations) {
    if (locations.empty()) return;
    const loc::Location& fix = locations.back();
    if (ns::Clock::shared().now() - fix.timestamp > kStaleAfter || fix.horizontalAccuracy < 0) {
        return;
    }
    locationFailError_ = FailNone;
    // The fix kept is the more precise one.
    if (thisLocation_ && thisLocation_->horizontalAccuracy >= 0 &&
        thisLocation_->horizontalAccuracy < fix.horizontalAccuracy) {
        return;
    }
    thisLocation_ = fix;
    if (fix.horizontalAccuracy <= kDesiredAccuracy) {
        timeout_.cancel();
        stopUpdatingLocation(QStringLiteral("Acquired Location, 完成定位."));
    }
}

void QXLocation::didFailWithError(loc::LocationManager&, int code) {
    if (code == loc::kErrorLocationUnknown) locationFailError_ = FailNotFound;
    if (code == loc::kErrorDenied) locationFailError_ = FailDenied;
    timeout_.cancel();
    stopStandardUpdates();
}
