#include "platform/location/position_source.h"

#include "platform/location/driven_position_source.h"
#include "platform/location/location_manager.h"
#include "platform/location/system_position_source.h"

#include <algorithm>
#include <mutex>

namespace loc {

namespace {

std::mutex gMutex;
std::shared_ptr<PositionSource> gSource;

}  // namespace

std::shared_ptr<PositionSource> PositionSource::shared() {
    const std::lock_guard lock(gMutex);
    if (!gSource) {
        if (qEnvironmentVariable("HOUSING_POSITION_SOURCE") == "system") {
            gSource = std::make_shared<SystemPositionSource>();
        } else {
            gSource = std::make_shared<DrivenPositionSource>();
        }
    }
    return gSource;
}

void PositionSource::install(std::shared_ptr<PositionSource> source) {
    const std::lock_guard lock(gMutex);
    gSource = std::move(source);
}

void PositionSource::attach(const std::shared_ptr<LocationManager>& manager) {
    std::erase_if(managers_, [&](const auto& known) {
        const auto held = known.lock();
        return !held || held == manager;
    });
    managers_.push_back(manager);
    // A manager that starts again restarts the device, as a platform manager does.
    if (updating_) stopUpdates();
    updating_ = true;
    ++starts_;
    startUpdates();
}

void PositionSource::detach(const LocationManager* manager) {
    std::erase_if(managers_, [&](const auto& known) {
        const auto held = known.lock();
        return !held || held.get() == manager;
    });
    if (managers_.empty() && updating_) {
        updating_ = false;
        stopUpdates();
    }
}

std::vector<std::shared_ptr<LocationManager>> PositionSource::listeners() {
    std::vector<std::shared_ptr<LocationManager>> held;
    for (const auto& manager : managers_) {
        if (auto locked = manager.lock()) held.push_back(std::move(locked));
    }
    return held;
}

void PositionSource::deliverFix(const Location& location) {
    // Each listener may stop (or start) updates while it hears the fix.
    for (const auto& manager : listeners()) manager->receive(location);
}

void PositionSource::deliverError(int code) {
    for (const auto& manager : listeners()) manager->receiveError(code);
}

}  // namespace loc
