#include "platform/location/driven_position_source.h"

#include "platform/foundation/main_queue.h"

#include <QStringList>

#include <cmath>

namespace loc {

namespace {
constexpr double kDefaultAccuracy = 65;
}

DrivenPositionSource::DrivenPositionSource()
    : DrivenPositionSource(qEnvironmentVariable("HOUSING_POSITION")) {}

DrivenPositionSource::DrivenPositionSource(const QString& setting) {
    const QString value = setting.trimmed();
    if (value == "off") {
        servicesEnabled_ = false;
    } else if (value == "denied") {
        authorization_ = AuthorizationStatus::Denied;
        errorAtStart_ = kErrorDenied;
    } else if (value == "error0") {
        errorAtStart_ = kErrorLocationUnknown;
    } else if (value == "error1") {
        errorAtStart_ = kErrorDenied;
    } else {
        const QStringList parts = value.split(',');
        bool latOk = false, lngOk = false, accuracyOk = parts.size() == 2;
        const double lat = parts.value(0).toDouble(&latOk);
        const double lng = parts.value(1).toDouble(&lngOk);
        const double accuracy =
            parts.size() == 3 ? parts.value(2).toDouble(&accuracyOk) : kDefaultAccuracy;
        // A place no device can be gives no fix.
        const bool onEarth = std::abs(lat) <= 90 && std::abs(lng) <= 180 && accuracy >= 0;
        if ((parts.size() == 2 || parts.size() == 3) && latOk && lngOk && accuracyOk && onEarth) {
            fixAtStart_ = Location{{lat, lng}, accuracy, {}};
        }
    }
}

bool DrivenPositionSource::understands(const QString& setting) {
    const DrivenPositionSource source(setting);
    return !source.servicesEnabled_ || source.errorAtStart_ || source.fixAtStart_;
}

void DrivenPositionSource::startUpdates() {
    if (!fixAtStart_ && !errorAtStart_) return;
    // As a device would, the configured answer comes after the start has returned.
    const int start = starts();
    ns::MainQueue::post([weak = weak_from_this(), start, fix = fixAtStart_, error = errorAtStart_] {
        const auto self = std::static_pointer_cast<DrivenPositionSource>(weak.lock());
        if (!self || self->starts() != start) return;
        if (fix) self->deliver(fix->coordinate, fix->horizontalAccuracy);
        if (error) self->fail(*error);
    });
}

bool DrivenPositionSource::deliver(Coordinate coordinate, double horizontalAccuracy,
                                   ns::TimePoint timestamp) {
    if (!isUpdating()) return false;
    last_ = Location{coordinate, horizontalAccuracy,
                     timestamp == ns::TimePoint{} ? ns::Clock::shared().now() : timestamp};
    deliverFix(*last_);
    return true;
}

bool DrivenPositionSource::fail(int code) {
    if (!isUpdating()) return false;
    deliverError(code);
    return true;
}

}  // namespace loc
