#pragma once

#include "platform/mapkit/annotation_view.h"
#include "platform/mapkit/geometry.h"
#include "platform/mapkit/tile_loader.h"
#include "platform/uikit/view.h"

#include <QString>

#include <list>
#include <map>
#include <memory>
#include <vector>

namespace ui {
class DisplayLink;
class GestureRecognizer;
}  // namespace ui

namespace loc {
class LocationManager;
}

namespace map {

class MapView;

// Hears what the map does. Every method is optional.
class MapViewDelegate {
public:
    virtual ~MapViewDelegate() = default;
    virtual void regionWillChangeAnimated(MapView&, bool) {}
    // The region has settled: after a programmatic change (at the end of its animation),
    // after a pan or pinch has ended and its deceleration has run out.
    virtual void regionDidChangeAnimated(MapView&, bool) {}
    virtual void didUpdateUserLocation(MapView&, const UserLocation&) {}
    // nullptr: the map's default view.
    virtual std::shared_ptr<AnnotationView> viewForAnnotation(MapView&,
                                                              const std::shared_ptr<Annotation>&) {
        return nullptr;
    }
    virtual void didSelectAnnotationView(MapView&, AnnotationView&) {}
    virtual void didDeselectAnnotationView(MapView&, AnnotationView&) {}
    virtual void didFinishLoadingMap(MapView&) {}
};

// A map of raster tiles in the spherical Mercator projection, with annotations. The user
// pans with one finger (the map coasts on after a flick), zooms with two or zooms in one
// level with a double tap (the tapped place stays put); rotation is not offered. Every move runs on
// the one clock. Tiles come from a URL template in the {z}/{x}/{y} form through a replaceable
// loader, two tile pixels to the point, and are kept in memory.
class MapView : public ui::View {
public:
    static constexpr int kMaximumTileZoom = 19;
    static constexpr double kTileSide = 128;  // points: a 256-pixel tile at two pixels a point
    // How long an animated region change takes.
    static constexpr double kAnimationDuration = 0.3;

    MapView();
    explicit MapView(const ui::Rect& frame);
    ~MapView() override;

    void setDelegate(std::weak_ptr<MapViewDelegate> delegate) { delegate_ = std::move(delegate); }
    [[nodiscard]] std::shared_ptr<MapViewDelegate> delegate() const { return delegate_.lock(); }

    // The region shown now (the span follows the view's size and the scale).
    [[nodiscard]] Region region() const;
    // Shows at least `region`, fitted to the view's aspect.
    void setRegion(const Region& region, bool animated);
    [[nodiscard]] Coordinate centerCoordinate() const;
    void setCenterCoordinate(Coordinate center, bool animated);
    // The zoom of the tiles drawn now.
    [[nodiscard]] int tileZoom() const;
    // Points the whole world is wide at the present scale.
    [[nodiscard]] double worldWidth() const { return worldWidth_; }

    [[nodiscard]] ui::Point convertCoordinateToPoint(Coordinate coordinate,
                                                     const ui::View* view) const;
    [[nodiscard]] Coordinate convertPointToCoordinate(ui::Point point, const ui::View* view) const;

    [[nodiscard]] bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled);
    [[nodiscard]] bool isZoomEnabled() const { return zoomEnabled_; }
    void setZoomEnabled(bool enabled);
    // Rotation is never offered; the switch is kept for callers that turn it off.
    [[nodiscard]] bool isRotateEnabled() const { return false; }
    void setRotateEnabled(bool) {}

    // The user's place, from the device's location while shown.
    [[nodiscard]] bool showsUserLocation() const { return showsUserLocation_; }
    void setShowsUserLocation(bool shows);
    [[nodiscard]] const std::shared_ptr<UserLocation>& userLocation() const {
        return userLocation_;
    }
    // A new fix of the device (the location service's, or a test's).
    void updateUserLocation(Coordinate coordinate, double accuracy);

    [[nodiscard]] const std::vector<std::shared_ptr<Annotation>>& annotations() const {
        return annotations_;
    }
    void addAnnotation(const std::shared_ptr<Annotation>& annotation);
    void addAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations);
    void removeAnnotation(const Annotation* annotation);
    void removeAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations);
    [[nodiscard]] AnnotationView* viewForAnnotation(const Annotation* annotation) const;
    [[nodiscard]] std::shared_ptr<AnnotationView> dequeueReusableAnnotationViewWithIdentifier(
        const QString& identifier);

    [[nodiscard]] std::vector<std::shared_ptr<Annotation>> selectedAnnotations() const;
    void selectAnnotation(const std::shared_ptr<Annotation>& annotation, bool animated);
    void deselectAnnotation(const Annotation* annotation, bool animated);

    // "{z}", "{x}" and "{y}" are replaced; empty draws no tiles.
    [[nodiscard]] const QString& tileURLTemplate() const { return tileURLTemplate_; }
    void setTileURLTemplate(const QString& urlTemplate);
    void setTileLoader(std::shared_ptr<TileLoader> loader);
    // Tiles kept in memory at most.
    static constexpr std::size_t kTileCacheSize = 256;
    [[nodiscard]] std::size_t cachedTileCount() const { return tiles_.size(); }
    // Whether tiles are under way.
    [[nodiscard]] bool isLoadingTiles() const;

    // Whether a pan, pinch, coast or animated change is under way.
    [[nodiscard]] bool isMoving() const;

    void layoutSubviews() override;

protected:
    void boundsSizeChanged(ui::Size oldSize) override;

private:
    class TilesView;
    struct Animation;
    struct Tile {
        std::shared_ptr<ui::Image> image;
        std::list<TileKey>::iterator recent;
        double retryAt = 0;
        bool loading = false;
    };

    void build();
    [[nodiscard]] double fittedWorldWidth(const Region& region) const;
    void moveTo(double x, double y, double worldWidth);
    void startChange(bool animated);
    void endChange(bool animated);
    void regionMoved();
    void placeAnnotationViews();
    void placeAnnotationView(AnnotationView& view) const;
    std::shared_ptr<AnnotationView> makeView(const std::shared_ptr<Annotation>& annotation);
    void handlePan(ui::GestureRecognizer& recognizer);
    void handlePinch(ui::GestureRecognizer& recognizer);
    void handleTap(ui::GestureRecognizer& recognizer);
    void handleDoubleTap(ui::GestureRecognizer& recognizer);
    void startCoasting(ui::Point velocity);
    void runMotion();
    void stepMotion();
    void beginGesture();
    // A gesture that ends without coasting: the region change is over.
    void endGesture();
    void stopMotion();
    void requestTile(TileKey key);
    void tileArrived(TileKey key, const std::shared_ptr<ui::Image>& image);
    [[nodiscard]] const ui::Image* cachedTile(TileKey key) const;
    void placeTiles();
    void placeTilesOnce();

    std::weak_ptr<MapViewDelegate> delegate_;
    double centerX_ = 0.5, centerY_ = 0.5;  // world units
    double worldWidth_ = 512;               // points
    bool scrollEnabled_ = true;
    bool zoomEnabled_ = true;
    bool showsUserLocation_ = false;
    bool changing_ = false;
    bool gestureActive_ = false;
    bool loadedOnce_ = false;
    bool placingTiles_ = false;
    bool placeTilesAgain_ = false;
    std::shared_ptr<UserLocation> userLocation_ = std::make_shared<UserLocation>();
    std::shared_ptr<AnnotationView> userLocationView_;
    std::shared_ptr<loc::LocationManager> locationManager_;
    std::shared_ptr<void> locationListener_;
    std::vector<std::shared_ptr<Annotation>> annotations_;
    std::map<const Annotation*, std::shared_ptr<AnnotationView>> views_;
    std::map<QString, std::vector<std::shared_ptr<AnnotationView>>> reusable_;
    std::shared_ptr<Annotation> selected_;
    std::shared_ptr<TilesView> tilesView_;
    std::shared_ptr<ui::View> annotationLayer_;
    std::shared_ptr<ui::GestureRecognizer> pan_, pinch_, tap_, doubleTap_;
    std::shared_ptr<ui::DisplayLink> motionLink_;
    std::unique_ptr<Animation> animation_;
    ui::Point velocity_;
    double lastStep_ = 0;
    QString tileURLTemplate_;
    std::shared_ptr<TileLoader> loader_;
    std::map<TileKey, Tile> tiles_;
    std::list<TileKey> recentTiles_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace map
