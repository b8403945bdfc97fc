#pragma once

namespace map {

// A place on the earth in decimal degrees.
struct Coordinate {
    double latitude = 0;
    double longitude = 0;

    friend bool operator==(const Coordinate&, const Coordinate&) = default;
};

// The extent of a region in degrees.
struct Span {
    double latitudeDelta = 0;
    double longitudeDelta = 0;

    friend bool operator==(const Span&, const Span&) = default;
};

// What a map shows: a centre and a span around it.
struct Region {
    Coordinate center;
    Span span;

    friend bool operator==(const Region&, const Region&) = default;
};

[[nodiscard]] bool isValidCoordinate(Coordinate coordinate);

// A region of `latitudinalMeters` north to south and `longitudinalMeters` east to west
// around `center`.
[[nodiscard]] Region regionMakeWithDistance(Coordinate center, double latitudinalMeters,
                                            double longitudinalMeters);

// Spherical (web) Mercator in world units: the world is a square of side 1, x grows
// eastwards from longitude -180, y southwards from the northern edge at about 85.05°.
namespace mercator {

inline constexpr double kMaximumLatitude = 85.05112877980659;

[[nodiscard]] double xOfLongitude(double longitude);
[[nodiscard]] double yOfLatitude(double latitude);
[[nodiscard]] double longitudeOfX(double x);
[[nodiscard]] double latitudeOfY(double y);

}  // namespace mercator

}  // namespace map
