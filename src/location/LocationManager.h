#pragma once

#include "platform/foundation/clock.h"
#include "platform/foundation/timer.h"
#include "platform/location/location.h"
#include "platform/location/location_manager.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// One location attempt at a time over the platform's position source: a 20 s time-out, an
// accuracy rule that depends on the network type, and "onAppLocationUpdated" at the end of
// every attempt (accepted fix, failure, time-out or services off). Observers read
// hasFix(), latitude() and longitude() while the notification is delivered; a failure or a
// time-out is never a fix, so no one takes (0, 0) for a position.
class LocationManager : public loc::LocationManagerDelegate,
                        public std::enable_shared_from_this<LocationManager> {
public:
    static constexpr auto kTimeout = std::chrono::seconds(20);
    // Fixes at most this coarse (metres) are of accuracy class 1.
    static constexpr double kFineAccuracy = 1000.0;
    // The network type of a Wi-Fi connection, on which only fine fixes are taken.
    static constexpr int kNetTypeWifi = 1;
    static inline const QString kUpdatedNotification = QStringLiteral("onAppLocationUpdated");

    // The result of the last attempt, for diagnostics.
    struct Timing {
        int locResult = 0;  // 1 success, 2 failure
        int sysLocRes = 0;  // the same for the platform's part
        int locType = 0;
        int sysLocReason = 0;  // 1 off or denied, 2 position not found, else the geocoding status
        double locStartTime = 0, locEndTime = 0, getLocStrTime = 0, wholeTime = 0;
        double sysLocTime = 0, sysLocGPSTime = 0, sysLocInfTime = 0;
    };

    // The one manager, made on first use.
    [[nodiscard]] static std::shared_ptr<LocationManager> locationManager();
    // Lets the one manager go, with what it learnt (a refusal among it); the next
    // locationManager() makes a new one.
    static void forceRelease();

    LocationManager();
    ~LocationManager() override;

    void startUpdates();
    // Stops the platform's updates and forgets the attempt's fix.
    void stopUpdates();
    void reset();

    // Whether this attempt has an accepted fix (while "onAppLocationUpdated" is delivered).
    [[nodiscard]] bool hasFix() const { return located_; }
    [[nodiscard]] float latitude() const { return latitude_; }
    [[nodiscard]] float longitude() const { return longitude_; }
    [[nodiscard]] bool locationDenied() const { return locationDenied_; }
    [[nodiscard]] static bool locationServicesEnabled();
    // Whether the application is authorised to locate.
    [[nodiscard]] static bool authorizationStatus();
    [[nodiscard]] bool isLocationOptimizing() const { return true; }
    // 0 none yet, 1 a fix of at most 1000 m, 2 coarser.
    [[nodiscard]] int accuracyClass() const { return accuracyClass_; }
    [[nodiscard]] int getAccurayType() const { return accuracyClass_; }
    // Located in this attempt, but only coarsely.
    [[nodiscard]] bool isLocationOptim() const {
        return located_ && (accuracyClass_ == 2 || accuracyClass_ == 3);
    }
    // Whether a fix is worth taking over the previous one: it exists, knows its accuracy,
    // is not older than the previous one and moved at least a metre from it. With no
    // previous fix any such fix is.
    [[nodiscard]] static bool isValidLocation(const std::optional<loc::Location>& fix,
                                              const std::optional<loc::Location>& old);
    // Map addresses of a position: this device has no map service to link to, so none.
    [[nodiscard]] static QString urlFormat() { return {}; }
    [[nodiscard]] static QString longURLWithLatitude(double latitude, double longitude) {
        (void)latitude, (void)longitude;
        return {};
    }
    [[nodiscard]] QString longURL() const { return {}; }
    [[nodiscard]] QString mapURL() const { return {}; }
    [[nodiscard]] Timing& timing() { return timing_; }
    void logLocation();
    void setNoAlert(bool noAlert) { noAlert_ = noAlert; }

    // Where the application's network type comes from (1 Wi-Fi); 0 until set.
    void setNetworkType(std::function<int()> netType) { netType_ = std::move(netType); }

    void didUpdateLocations(loc::LocationManager& manager,
                            const std::vector<loc::Location>& locations) override;
    void didFailWithError(loc::LocationManager& manager, int code) override;

private:
    void didFail(std::optional<int> code);
    void failed();
    void showHelpAlert();
    void posted();
    [[nodiscard]] static double secondsNow();

    // The platform's manager, made at the first start with services on.
    std::shared_ptr<loc::LocationManager> manager_;
    ns::DelayedCall timeout_;
    float latitude_ = 0;
    float longitude_ = 0;
    int accuracyClass_ = 0;
    bool located_ = false;
    bool locationDenied_ = false;
    bool helpAlertShown_ = false;
    bool noAlert_ = false;
    ns::TimePoint locationManagerStartDate_;
    Timing timing_;
    std::function<int()> netType_;
};
