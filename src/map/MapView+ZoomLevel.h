#pragma once

#include "platform/mapkit/map_view.h"

// Integer zoom levels for the map view: a world map 2^29 pixels wide at level 20, where one
// world pixel is one screen point; each level less halves the scale. The projection keeps
// the single-precision steps the service's maps were tuned with (they decide which whole
// pixel a latitude lands on).
struct MapViewZoomLevel {
    static constexpr double kMercatorOffset = 268435456;  // 2^28
    static constexpr double kMercatorRadius = 85445659.44705395;
    static constexpr unsigned kZoomBase = 20;
    static constexpr unsigned kZoomCeiling = 28;

    [[nodiscard]] static double longitudeToPixelSpaceX(double longitude);
    [[nodiscard]] static double latitudeToPixelSpaceY(double latitude);
    [[nodiscard]] static double pixelSpaceXToLongitude(double pixelX);
    [[nodiscard]] static double pixelSpaceYToLatitude(double pixelY);

    // The span of a region of `mapSize` points centred on `center` at `zoom`.
    [[nodiscard]] static map::Span coordinateSpan(ui::Size mapSize, map::Coordinate center,
                                                  unsigned zoom);
    [[nodiscard]] static map::Span coordinateSpanWithMapView(const map::MapView& mapView,
                                                             map::Coordinate center, unsigned zoom);
    // Shows `center` at `zoom` (levels above 28 act as 28).
    static void setCenterCoordinate(map::MapView& mapView, map::Coordinate center, unsigned zoom,
                                    bool animated);
};
