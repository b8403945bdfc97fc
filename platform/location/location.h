#pragma once

#include "platform/foundation/clock.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace loc {

// Degrees, latitude first.
struct Coordinate {
    double latitude = 0;
    double longitude = 0;
    friend bool operator==(const Coordinate&, const Coordinate&) = default;
};

// One fix: where, how precisely (metres; negative when unknown) and when.
struct Location {
    Coordinate coordinate;
    double horizontalAccuracy = -1;
    ns::TimePoint timestamp;

    // The great-circle distance to another fix, in metres, on the mean earth sphere.
    [[nodiscard]] double distanceFromLocation(const Location& other) const {
        constexpr double kMeanEarthRadius = 6371008.8;
        constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
        const double lat1 = coordinate.latitude * kRadiansPerDegree;
        const double lat2 = other.coordinate.latitude * kRadiansPerDegree;
        const double dLat = lat2 - lat1;
        const double dLng = (other.coordinate.longitude - coordinate.longitude) * kRadiansPerDegree;
        const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                         std::cos(lat1) * std::cos(lat2) * std::sin(dLng / 2) * std::sin(dLng / 2);
        return 2 * kMeanEarthRadius * std::asin(std::sqrt(std::min(1.0, h)));
    }
};

// The platform's authorisation states of an application's use of location.
enum class AuthorizationStatus { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };

// Errors of locating, in the domain kErrorDomain.
inline const QString kErrorDomain = QStringLiteral("kCLErrorDomain");
constexpr int kErrorLocationUnknown = 0;
constexpr int kErrorDenied = 1;
constexpr int kErrorNetwork = 2;
constexpr int kErrorGeocodeFoundNoResult = 8;
constexpr int kErrorGeocodeCanceled = 10;

}  // namespace loc
