#pragma once

#include "platform/location/location.h"

#include <memory>
#include <optional>
#include <vector>

namespace loc {

class LocationManager;

// The device's source of fixes: the desktop's positioning service or a source that tests
// and headless runs drive. It runs while at least one location manager wants updates and
// hands every fix and error to each of them, on the main thread.
class PositionSource : public std::enable_shared_from_this<PositionSource> {
public:
    virtual ~PositionSource() = default;

    // The source in force: chosen once by HOUSING_POSITION_SOURCE ("system" for the
    // desktop's service, anything else for a driven source), unless one was installed.
    [[nodiscard]] static std::shared_ptr<PositionSource> shared();
    // Installs a source; nullptr chooses again from the configuration.
    static void install(std::shared_ptr<PositionSource> source);

    // A manager wants updates, or no longer does.
    void attach(const std::shared_ptr<LocationManager>& manager);
    void detach(const LocationManager* manager);
    // Whether the device is locating (some manager wants updates).
    [[nodiscard]] bool isUpdating() const { return updating_; }
    // How many times the device started locating.
    [[nodiscard]] int starts() const { return starts_; }

    // The device's global switch of location services.
    [[nodiscard]] virtual bool servicesEnabled() const = 0;
    [[nodiscard]] virtual AuthorizationStatus authorizationStatus() const = 0;
    [[nodiscard]] virtual std::optional<Location> lastKnownLocation() const = 0;

protected:
    virtual void startUpdates() = 0;
    virtual void stopUpdates() = 0;
    void deliverFix(const Location& location);
    void deliverError(int code);

private:
    [[nodiscard]] std::vector<std::shared_ptr<LocationManager>> listeners();

    std::vector<std::weak_ptr<LocationManager>> managers_;
    bool updating_ = false;
    int starts_ = 0;
};

}  // namespace loc
