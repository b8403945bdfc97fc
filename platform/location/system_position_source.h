#pragma once

#include "platform/location/position_source.h"

#include <memory>

class QGeoPositionInfoSource;

namespace loc {

// The desktop's positioning service through Qt Positioning. Without a service on the
// machine, location services count as off.
class SystemPositionSource final : public PositionSource {
public:
    SystemPositionSource();
    ~SystemPositionSource() override;

    [[nodiscard]] bool servicesEnabled() const override { return source_ != nullptr; }
    [[nodiscard]] AuthorizationStatus authorizationStatus() const override;
    [[nodiscard]] std::optional<Location> lastKnownLocation() const override;

protected:
    void startUpdates() override;
    void stopUpdates() override;

private:
    std::unique_ptr<QGeoPositionInfoSource> source_;
    bool denied_ = false;
};

}  // namespace loc
