#pragma once

#include "platform/location/location.h"

#include <memory>
#include <optional>
#include <vector>

namespace loc {

class LocationManager;
class PositionSource;

// Hears a location manager's fixes and failures. Every method is optional.
class LocationManagerDelegate {
public:
    virtual ~LocationManagerDelegate() = default;
    virtual void didUpdateLocations(LocationManager& manager,
                                    const std::vector<Location>& locations) {
        (void)manager, (void)locations;
    }
    // `code` is kErrorLocationUnknown, kErrorDenied or another error of the source.
    virtual void didFailWithError(LocationManager& manager, int code) { (void)manager, (void)code; }
};

// The platform's location manager: one client of the device's position source, with its
// own delegate, accuracy wish and updates switch.
class LocationManager : public std::enable_shared_from_this<LocationManager> {
public:
    // The desired accuracy "best" (metres; any fix is wanted).
    static constexpr double kAccuracyBest = -1;

    LocationManager();
    ~LocationManager();

    void setDelegate(std::weak_ptr<LocationManagerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] double desiredAccuracy() const { return desiredAccuracy_; }
    void setDesiredAccuracy(double metres) { desiredAccuracy_ = metres; }
    [[nodiscard]] double distanceFilter() const { return distanceFilter_; }
    void setDistanceFilter(double metres) { distanceFilter_ = metres; }

    void startUpdatingLocation();
    void stopUpdatingLocation();
    [[nodiscard]] bool isUpdating() const { return updating_; }
    // The device's last known fix.
    [[nodiscard]] std::optional<Location> location() const;

    [[nodiscard]] static bool locationServicesEnabled();
    [[nodiscard]] static AuthorizationStatus authorizationStatus();

private:
    friend class PositionSource;
    void receive(const Location& location);
    void receiveError(int code);

    std::weak_ptr<LocationManagerDelegate> delegate_;
    std::shared_ptr<PositionSource> source_;
    double desiredAccuracy_ = kAccuracyBest;
    double distanceFilter_ = 0;
    bool updating_ = false;
};

}  // namespace loc
