#pragma once

#include "platform/foundation/timer.h"
#include "platform/location/location.h"
#include "platform/location/location_manager.h"

#include <QString>

#include <memory>
#include <optional>

// The last known position that the broker-shop map reads: a second, simpler locator with
// its own platform manager (desired accuracy 100 m), which keeps the most precise recent fix
// and gives up after 30 s.
class QXLocation final : public loc::LocationManagerDelegate,
                         public std::enable_shared_from_this<QXLocation> {
public:
    static constexpr double kDesiredAccuracy = 100;
    static constexpr auto kTimeout = std::chrono::seconds(30);
    // Fixes older than this when they arrive are old news.
    static constexpr auto kStaleAfter = std::chrono::seconds(10);
    // 0 none, 1 denied, 2 position not found.
    enum FailError { FailNone = 0, FailDenied = 1, FailNotFound = 2 };

    // The one locator, made on first use.
    [[nodiscard]] static std::shared_ptr<QXLocation> shared();
    // Lets the shared locator go; the next shared() makes a new one.
    static void forceRelease();

    QXLocation();
    ~QXLocation() override;

    // Starts updates unless they run; they stop at a precise fix, a failure or the time-out.
    void startStandardUpdates();
    // Stops the updates, saying why.
    void stopUpdatingLocation(const QString& reason);
    void stopStandardUpdates();

    // "%f" of the best fix's coordinate; "0.0000" without one.
    [[nodiscard]] QString getLatitude() const;
    [[nodiscard]] QString getLongitude() const;
    [[nodiscard]] FailError getLocationFailError() const { return locationFailError_; }
    [[nodiscard]] static bool appLocationServicesEnabled();
    [[nodiscard]] const std::optional<loc::Location>& thisLocation() const { return thisLocation_; }
    [[nodiscard]] bool isGPSing() const { return isGPSing_; }
    [[nodiscard]] const std::shared_ptr<loc::LocationManager>& locationManager() const {
        return manager_;
    }
    // Why the updates stopped last.
    [[nodiscard]] const QString& lastStopReason() const { return lastStopReason_; }

    void didUpdateLocations(loc::LocationManager& manager,
                            const std::vector<loc::Location>& locations) override;
    void didFailWithError(loc::LocationManager& manager, int code) override;

private:
    std::shared_ptr<loc::LocationManager> manager_;
    std::optional<loc::Location> thisLocation_;
    bool isGPSing_ = false;
    FailError locationFailError_ = FailNone;
    ns::DelayedCall timeout_;
    QString lastStopReason_;
};
