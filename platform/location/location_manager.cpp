#include "platform/location/location_manager.h"

#include "platform/location/position_source.h"

namespace loc {

LocationManager::LocationManager() = default;

LocationManager::~LocationManager() {
    if (source_) source_->detach(this);
}

void LocationManager::startUpdatingLocation() {
    const auto source = PositionSource::shared();
    if (source_ && source_ != source) source_->detach(this);
    source_ = source;
    updating_ = true;
    source_->attach(shared_from_this());
}

void LocationManager::stopUpdatingLocation() {
    updating_ = false;
    if (source_) source_->detach(this);
}

std::optional<Location> LocationManager::location() const {
    return PositionSource::shared()->lastKnownLocation();
}

bool LocationManager::locationServicesEnabled() {
    return PositionSource::shared()->servicesEnabled();
}

AuthorizationStatus LocationManager::authorizationStatus() {
    return PositionSource::shared()->authorizationStatus();
}

void LocationManager::receive(const Location& location) {
    if (!updating_) return;
    if (auto delegate = delegate_.lock()) delegate->didUpdateLocations(*this, {location});
}

void LocationManager::receiveError(int code) {
    if (!updating_) return;
    if (auto delegate = delegate_.lock()) delegate->didFailWithError(*this, code);
}

}  // namespace loc
