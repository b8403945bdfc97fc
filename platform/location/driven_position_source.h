#pragma once

#include "platform/location/position_source.h"

namespace loc {

// A position source that tests and headless runs drive: they switch services and the
// authorisation, and deliver fixes (stamped now unless given a time) and errors while updates
// run. Its start-up state comes
// from HOUSING_POSITION: "off" (services off), "denied", "error0" or "error1" (that error
// at each start), "lat,lng[,accuracy]" (that fix at each start, default accuracy 65 m);
// unset or anything else, starts deliver nothing, as when no fix can be had.
class DrivenPositionSource final : public PositionSource {
public:
    DrivenPositionSource();
    // A source configured by `setting` (the form of HOUSING_POSITION).
    explicit DrivenPositionSource(const QString& setting);
    // Whether `setting` is one of the forms above (an empty one, for no fix, is not).
    [[nodiscard]] static bool understands(const QString& setting);

    [[nodiscard]] bool servicesEnabled() const override { return servicesEnabled_; }
    [[nodiscard]] AuthorizationStatus authorizationStatus() const override {
        return authorization_;
    }
    [[nodiscard]] std::optional<Location> lastKnownLocation() const override { return last_; }

    void setServicesEnabled(bool enabled) { servicesEnabled_ = enabled; }
    void setAuthorizationStatus(AuthorizationStatus status) { authorization_ = status; }
    // Delivers a fix now when updates run; returns whether it was delivered.
    bool deliver(Coordinate coordinate, double horizontalAccuracy, ns::TimePoint timestamp = {});
    // Delivers an error now when updates run.
    bool fail(int code);

protected:
    void startUpdates() override;
    void stopUpdates() override {}

private:
    bool servicesEnabled_ = true;
    AuthorizationStatus authorization_ = AuthorizationStatus::Authorized;
    std::optional<Location> last_;
    std::optional<Location> fixAtStart_;
    std::optional<int> errorAtStart_;
};

}  // namespace loc
