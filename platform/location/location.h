#pragma once

#include "platform/foundation/clock.h"

#include <QString>

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
