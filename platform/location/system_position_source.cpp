#include "platform/location/system_position_source.h"

#include <QGeoPositionInfoSource>

namespace loc {

namespace {

Location locationOf(const QGeoPositionInfo& info) {
    Location location;
    location.coordinate = {info.coordinate().latitude(), info.coordinate().longitude()};
    location.horizontalAccuracy = info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy)
                                      ? info.attribute(QGeoPositionInfo::HorizontalAccuracy)
                                      : -1;
    location.timestamp =
        ns::TimePoint(std::chrono::milliseconds(info.timestamp().toMSecsSinceEpoch()));
    return location;
}

}  // namespace

SystemPositionSource::SystemPositionSource()
    : source_(QGeoPositionInfoSource::createDefaultSource(nullptr)) {
    if (!source_) return;
    QObject::connect(source_.get(), &QGeoPositionInfoSource::positionUpdated,
                     [this](const QGeoPositionInfo& info) {
                         if (info.isValid()) deliverFix(locationOf(info));
                     });
    QObject::connect(source_.get(), &QGeoPositionInfoSource::errorOccurred,
                     [this](QGeoPositionInfoSource::Error error) {
                         if (error == QGeoPositionInfoSource::AccessError) denied_ = true;
                         deliverError(error == QGeoPositionInfoSource::AccessError
                                          ? kErrorDenied
                                          : kErrorLocationUnknown);
                     });
}

SystemPositionSource::~SystemPositionSource() = default;

void SystemPositionSource::startUpdates() {
    if (source_) source_->startUpdates();
}

void SystemPositionSource::stopUpdates() {
    if (source_) source_->stopUpdates();
}

AuthorizationStatus SystemPositionSource::authorizationStatus() const {
    if (!source_) return AuthorizationStatus::NotDetermined;
    return denied_ ? AuthorizationStatus::Denied : AuthorizationStatus::Authorized;
}

std::optional<Location> SystemPositionSource::lastKnownLocation() const {
    if (!source_) return std::nullopt;
    const QGeoPositionInfo info = source_->lastKnownPosition();
    if (!info.isValid()) return std::nullopt;
    return locationOf(info);
}

}  // namespace loc
