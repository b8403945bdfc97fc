#include "map/MapView+ZoomLevel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

double MapViewZoomLevel::longitudeToPixelSpaceX(double longitude) {
    return std::round(((longitude * kMercatorRadius) * kPi) / 180 + kMercatorOffset);
}

double MapViewZoomLevel::latitudeToPixelSpaceY(double latitude) {
    const auto angle = static_cast<float>(latitude * kPi / 180);
    const float s = std::sin(angle);
    const float q = (1.0f + s) / (1.0f - s);
    const float logarithm = std::log(q);
    return std::round(double(logarithm) * -kMercatorRadius * 0.5 + kMercatorOffset);
}

double MapViewZoomLevel::pixelSpaceXToLongitude(double pixelX) {
    return ((std::round(pixelX) - kMercatorOffset) / kMercatorRadius) * 180 / kPi;
}

double MapViewZoomLevel::pixelSpaceYToLatitude(double pixelY) {
    return (kPi / 2 -
            2 * std::atan(std::exp((std::round(pixelY) - kMercatorOffset) / kMercatorRadius))) *
           180 / kPi;
}

map::Span MapViewZoomLevel::coordinateSpan(ui::Size mapSize, map::Coordinate center,
                                           unsigned zoom) {
    const double centerX = longitudeToPixelSpaceX(center.longitude);
    const double centerY = latitudeToPixelSpaceY(center.latitude);
    const double scale = std::pow(2.0, double(kZoomBase) - double(zoom));
    const double width = double(float(mapSize.width)) * scale;
    const double height = double(float(mapSize.height)) * scale;
    const double left = centerX - width / 2;
    const double top = centerY - height / 2;
    const double longitudeDelta =
        pixelSpaceXToLongitude(left + width) - pixelSpaceXToLongitude(left);
    const double latitudeDelta =
        -(pixelSpaceYToLatitude(top + height) - pixelSpaceYToLatitude(top));
    return {latitudeDelta, longitudeDelta};
}

map::Span MapViewZoomLevel::coordinateSpanWithMapView(const map::MapView& mapView,
                                                      map::Coordinate center, unsigned zoom) {
    return coordinateSpan(mapView.bounds().size, center, zoom);
}

void MapViewZoomLevel::setCenterCoordinate(map::MapView& mapView, map::Coordinate center,
                                           unsigned zoom, bool animated) {
    zoom = std::min(zoom, kZoomCeiling);
    mapView.setRegion({center, coordinateSpanWithMapView(mapView, center, zoom)}, animated);
}
