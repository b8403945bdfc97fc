#pragma once

#include "location/CityOfLocationData.h"

#include "platform/location/location.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// The values of the device's location state.
enum UserLocationState {
    UserLocationLocating = 0,
    UserLocationCityKnown = 2,
    UserLocationFailed = 3
};

// The application's location state: whether locating runs, succeeded or failed, the
// located city and address and the last fix. It runs the reverse geocoding of each fix and
// posts "UserLocationStateChange" when it ends.
class UserLocation final : public CityOfLocationResponder,
                           public std::enable_shared_from_this<UserLocation> {
public:
    static inline const QString kStateChangeNotification =
        QStringLiteral("UserLocationStateChange");

    explicit UserLocation(CityOfLocationData::CityResolver resolver = {});

    void queryForLocation(const std::optional<loc::Location>& location);
    void queryForLocationWithStringLocation(const QString& locationString);

    [[nodiscard]] UserLocationState state() const { return state_; }
    void setState(UserLocationState state) { state_ = state; }
    // Script index of the located city; -1 while none is known.
    [[nodiscard]] int cityId() const { return cityId_; }
    [[nodiscard]] const QString& city() const { return city_; }
    [[nodiscard]] const QString& street() const { return street_; }
    [[nodiscard]] const QString& strLocation() const { return strLocation_; }
    [[nodiscard]] const std::optional<loc::Location>& bestEffortAtLocation() const {
        return bestEffortAtLocation_;
    }
    void setBestEffortAtLocation(std::optional<loc::Location> location) {
        bestEffortAtLocation_ = std::move(location);
    }
    // Whether the located city came from the public map geocoder.
    [[nodiscard]] bool useGoogle() const { return useGoogle_; }

    // Where the status text of a finished lookup goes ("定位成功", "无法定位当前位置").
    void setStatusTextSink(std::function<void(const QString&)> sink) {
        statusTextSink_ = std::move(sink);
    }
    void setCityResolver(CityOfLocationData::CityResolver resolver) {
        resolver_ = std::move(resolver);
    }

    void newNetWorkForCityOfLocationData(CityOfLocationData& lookup) override;
    void newNetWorkForCityOfLocationDataError(CityOfLocationData& lookup) override;

private:
    void ended(const QString& statusText);

    CityOfLocationData::CityResolver resolver_;
    UserLocationState state_ = UserLocationFailed;
    int cityId_ = -1;
    QString city_;
    QString street_;
    QString strLocation_;
    std::optional<loc::Location> bestEffortAtLocation_;
    bool useGoogle_ = false;
    std::shared_ptr<CityOfLocationData> lookup_;
    std::function<void(const QString&)> statusTextSink_;
};
