#include "platform/mapkit/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace map {

namespace {

constexpr double kEarthRadius = 6378137.0;  // metres, the sphere the projection uses

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

double degrees(double radians) {
    return radians * 180 / std::numbers::pi;
}

}  // namespace

bool isValidCoordinate(Coordinate coordinate) {
    return std::isfinite(coordinate.latitude) && std::isfinite(coordinate.longitude) &&
           std::abs(coordinate.latitude) <= 90 && std::abs(coordinate.longitude) <= 180;
}

Region regionMakeWithDistance(Coordinate center, double latitudinalMeters,
                              double longitudinalMeters) {
    const double metresPerDegree = radians(1) * kEarthRadius;
    const double parallel = std::max(std::cos(radians(center.latitude)), 1e-9);
    return {
        center,
        {latitudinalMeters / metresPerDegree, longitudinalMeters / (metresPerDegree * parallel)}};
}

namespace mercator {

double xOfLongitude(double longitude) {
    return (longitude + 180) / 360;
}

double yOfLatitude(double latitude) {
    const double clamped = std::clamp(latitude, -kMaximumLatitude, kMaximumLatitude);
    const double s = std::sin(radians(clamped));
    return 0.5 - std::log((1 + s) / (1 - s)) / (4 * std::numbers::pi);
}

double longitudeOfX(double x) {
    return x * 360 - 180;
}

double latitudeOfY(double y) {
    return degrees(std::atan(std::sinh((0.5 - y) * 2 * std::numbers::pi)));
}

}  // namespace mercator

}  // namespace map
