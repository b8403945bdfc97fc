#include "platform/mapkit/map_view.h"

#include "platform/foundation/clock.h"
#include "platform/location/location_manager.h"
#include "platform/uikit/display_link.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/tap_gesture_recognizer.h"

#include <algorithm>
#include <cmath>

namespace map {

namespace {

constexpr double kMinimumWorldWidth = 256;
constexpr double kMaximumWorldWidth = MapView::kTileSide * (1 << (MapView::kMaximumTileZoom + 1));
// Share of the coasting speed kept per millisecond, and the speed (points a second) at
// which coasting stops.
constexpr double kCoastKeptPerMillisecond = 0.996;
constexpr double kCoastStopSpeed = 20;
// A failed tile is asked for again after this many seconds.
constexpr double kTileRetryDelay = 5;
// Annotation views farther than this outside the map are hidden rather than drawn.
constexpr double kAnnotationMargin = 120;

double now() {
    return ns::toSeconds(ns::Clock::shared().uptime());
}

// The offset of world x `x` from `centre`, taken the short way round the world.
double wrappedOffset(double x, double centre) {
    double offset = x - centre;
    offset -= std::round(offset);
    return offset;
}

double easeInOut(double t) {
    return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2;
}

}  // namespace

// Holds one view per tile on screen, placed anew whenever the region moves: moving the map
// moves the tiles' views, and each tile's picture is drawn once a frame, straight from the
// cache.
class MapView::TilesView : public ui::View {
public:
    TilesView() {
        setUserInteractionEnabled(false);
        setBackgroundColor(ui::Color::rgb(236, 232, 222));
    }

    // A clipping slot whose picture is the tile itself or a coarser tile enlarged.
    struct Slot {
        std::shared_ptr<ui::View> frame;
        std::shared_ptr<ui::ImageView> picture;
        bool used = false;
    };
    std::map<TileKey, Slot> tileSlots;

    Slot& slotFor(TileKey key) {
        Slot& slot = tileSlots[key];
        if (!slot.frame) {
            slot.frame = std::make_shared<ui::View>();
            slot.frame->setClipsToBounds(true);
            slot.frame->setUserInteractionEnabled(false);
            slot.picture = std::make_shared<ui::ImageView>();
            slot.frame->addSubview(slot.picture);
            addSubview(slot.frame);
        }
        slot.used = true;
        return slot;
    }

    void dropUnused() {
        for (auto it = tileSlots.begin(); it != tileSlots.end();) {
            if (it->second.used) {
                it->second.used = false;
                ++it;
                continue;
            }
            it->second.frame->removeFromSuperview();
            it = tileSlots.erase(it);
        }
    }
};

struct MapView::Animation {
    double fromX, fromY, fromWidth;
    double toX, toY, toWidth;
    double start;
};

// A tap recognizer that neither stops the map's other tap recognizer nor is stopped by it:
// the first tap of a double tap chooses a pin at once, and the second still zooms.
class TapBesideTaps final : public ui::TapGestureRecognizer {
public:
    using ui::TapGestureRecognizer::TapGestureRecognizer;

    [[nodiscard]] bool canPreventGestureRecognizer(
        const ui::GestureRecognizer& other) const override {
        return !dynamic_cast<const ui::TapGestureRecognizer*>(&other);
    }
    [[nodiscard]] bool canBePreventedByGestureRecognizer(
        const ui::GestureRecognizer& other) const override {
        return !dynamic_cast<const ui::TapGestureRecognizer*>(&other);
    }
};

// Hands the device's fixes to the map while it shows the user's place.
class UserLocationListener : public loc::LocationManagerDelegate {
public:
    explicit UserLocationListener(MapView& map) : map_(map) {}
    void didUpdateLocations(loc::LocationManager&,
                            const std::vector<loc::Location>& locations) override {
        if (locations.empty()) return;
        const loc::Location& last = locations.back();
        map_.updateUserLocation({last.coordinate.latitude, last.coordinate.longitude},
                                last.horizontalAccuracy);
    }

private:
    MapView& map_;
};

MapView::MapView() {
    build();
}

MapView::MapView(const ui::Rect& frame) : ui::View(frame) {
    build();
}

MapView::~MapView() {
    *alive_ = false;
    if (locationManager_) locationManager_->stopUpdatingLocation();
    if (motionLink_) motionLink_->invalidate();
    if (loader_) {
        for (const auto& [key, tile] : tiles_) {
            if (tile.loading) loader_->cancelTile(tileURL(tileURLTemplate_, key));
        }
    }
}

void MapView::build() {
    setClipsToBounds(true);
    setMultipleTouchEnabled(true);
    userLocation_->setTitle(QStringLiteral("Current Location"));
    tilesView_ = std::make_shared<TilesView>();
    tilesView_->setFrame(bounds());
    tilesView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                    ui::kAutoresizingFlexibleHeight);
    addSubview(tilesView_);
    annotationLayer_ = std::make_shared<ui::View>(bounds());
    annotationLayer_->setUserInteractionEnabled(false);
    annotationLayer_->setBackgroundColor(ui::Color::clearColor());
    annotationLayer_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                          ui::kAutoresizingFlexibleHeight);
    addSubview(annotationLayer_);
    loader_ = std::make_shared<URLTileLoader>();

    pan_ = std::make_shared<ui::PanGestureRecognizer>(
        this, [this](ui::GestureRecognizer& recognizer) { handlePan(recognizer); });
    std::static_pointer_cast<ui::PanGestureRecognizer>(pan_)->setMaximumNumberOfTouches(1);
    addGestureRecognizer(pan_);
    pinch_ = std::make_shared<ui::PinchGestureRecognizer>(
        this, [this](ui::GestureRecognizer& recognizer) { handlePinch(recognizer); });
    addGestureRecognizer(pinch_);
    tap_ = std::make_shared<ui::TapGestureRecognizer>(
        this, [this](ui::GestureRecognizer& recognizer) { handleTap(recognizer); });
    tap_->setCancelsTouchesInView(false);
    addGestureRecognizer(tap_);
    auto doubleTap = std::make_shared<TapBesideTaps>(
        this, [this](ui::GestureRecognizer& recognizer) { handleDoubleTap(recognizer); });
    doubleTap->setNumberOfTapsRequired(2);
    doubleTap->setCancelsTouchesInView(false);
    doubleTap_ = doubleTap;
    addGestureRecognizer(doubleTap_);
}

Region MapView::region() const {
    const ui::Size size = bounds().size;
    const double halfHeight = size.height / 2 / worldWidth_;
    const double north = mercator::latitudeOfY(centerY_ - halfHeight);
    const double south = mercator::latitudeOfY(centerY_ + halfHeight);
    return {centerCoordinate(), {north - south, size.width / worldWidth_ * 360}};
}

double MapView::fittedWorldWidth(const Region& region) const {
    const ui::Size size = bounds().size;
    double width = worldWidth_;
    if (region.span.longitudeDelta > 0 && size.width > 0) {
        width = size.width * 360 / region.span.longitudeDelta;
    }
    if (region.span.latitudeDelta > 0 && size.height > 0) {
        const double north = region.center.latitude + region.span.latitudeDelta / 2;
        const double south = region.center.latitude - region.span.latitudeDelta / 2;
        const double extent = mercator::yOfLatitude(south) - mercator::yOfLatitude(north);
        // Showing at least the region: the smaller scale of the two wins, unless both
        // agree to a part in a thousand (a region made for this very view).
        if (extent > 0) {
            const double byHeight = size.height / extent;
            if (byHeight < width * 0.999) width = byHeight;
        }
    }
    return width;
}

void MapView::setRegion(const Region& region, bool animated) {
    if (!isValidCoordinate(region.center)) return;
    const double width = fittedWorldWidth(region);
    const double x = mercator::xOfLongitude(region.center.longitude);
    const double y = mercator::yOfLatitude(region.center.latitude);
    stopMotion();
    startChange(animated);
    if (!animated) {
        moveTo(x, y, width);
        endChange(false);
        return;
    }
    const double targetX = centerX_ + wrappedOffset(x, centerX_);
    animation_ = std::make_unique<Animation>(
        Animation{centerX_, centerY_, worldWidth_, targetX, y, width, now()});
    runMotion();
}

Coordinate MapView::centerCoordinate() const {
    return {mercator::latitudeOfY(centerY_), mercator::longitudeOfX(centerX_)};
}

void MapView::setCenterCoordinate(Coordinate center, bool animated) {
    const Region now = region();
    // Keep the scale: a region of the present span around the new centre, in world units.
    setRegion({center, {0, now.span.longitudeDelta}}, animated);
}

int MapView::tileZoom() const {
    const int zoom = static_cast<int>(std::round(std::log2(worldWidth_ / kTileSide)));
    return std::clamp(zoom, 0, kMaximumTileZoom);
}

ui::Point MapView::convertCoordinateToPoint(Coordinate coordinate, const ui::View* view) const {
    const ui::Rect box = bounds();
    const double dx = wrappedOffset(mercator::xOfLongitude(coordinate.longitude), centerX_);
    const double dy = mercator::yOfLatitude(coordinate.latitude) - centerY_;
    const ui::Point point{box.origin.x + box.size.width / 2 + dx * worldWidth_,
                          box.origin.y + box.size.height / 2 + dy * worldWidth_};
    return view ? convertPointToView(point, view) : point;
}

Coordinate MapView::convertPointToCoordinate(ui::Point point, const ui::View* view) const {
    const ui::Point local = view ? convertPointFromView(point, view) : point;
    const ui::Rect box = bounds();
    const double x = centerX_ + (local.x - box.origin.x - box.size.width / 2) / worldWidth_;
    const double y = centerY_ + (local.y - box.origin.y - box.size.height / 2) / worldWidth_;
    return {mercator::latitudeOfY(y), mercator::longitudeOfX(x - std::floor(x))};
}

void MapView::setScrollEnabled(bool enabled) {
    scrollEnabled_ = enabled;
    pan_->setEnabled(enabled);
}

void MapView::setZoomEnabled(bool enabled) {
    zoomEnabled_ = enabled;
    pinch_->setEnabled(enabled);
    doubleTap_->setEnabled(enabled);
}

bool MapView::isMoving() const {
    return gestureActive_ || animation_ != nullptr || velocity_ != ui::Point{};
}

void MapView::moveTo(double x, double y, double worldWidth) {
    const ui::Size size = bounds().size;
    worldWidth_ =
        std::clamp(worldWidth, std::max(kMinimumWorldWidth, size.width), kMaximumWorldWidth);
    centerX_ = x - std::floor(x);
    const double halfHeight = size.height / 2 / worldWidth_;
    centerY_ = halfHeight >= 0.5 ? 0.5 : std::clamp(y, halfHeight, 1 - halfHeight);
    regionMoved();
}

void MapView::regionMoved() {
    placeTiles();
    placeAnnotationViews();
}

void MapView::startChange(bool animated) {
    if (changing_) return;
    changing_ = true;
    if (auto target = delegate()) target->regionWillChangeAnimated(*this, animated);
}

void MapView::endChange(bool animated) {
    if (!changing_) return;
    changing_ = false;
    if (auto target = delegate()) target->regionDidChangeAnimated(*this, animated);
}

void MapView::beginGesture() {
    stopMotion();
    gestureActive_ = true;
    startChange(false);
}

void MapView::endGesture() {
    gestureActive_ = false;
    endChange(false);
}

void MapView::handlePan(ui::GestureRecognizer& recognizer) {
    auto& pan = static_cast<ui::PanGestureRecognizer&>(recognizer);
    switch (pan.state()) {
        case ui::GestureRecognizerState::Began:
            beginGesture();
            [[fallthrough]];
        case ui::GestureRecognizerState::Changed: {
            const ui::Point moved = pan.translationInView(this);
            pan.setTranslation({}, this);
            moveTo(centerX_ - moved.x / worldWidth_, centerY_ - moved.y / worldWidth_, worldWidth_);
            break;
        }
        case ui::GestureRecognizerState::Ended:
            gestureActive_ = false;
            startCoasting(pan.velocityInView(this));
            break;
        case ui::GestureRecognizerState::Cancelled:
            endGesture();
            break;
        default:
            break;
    }
}

void MapView::handlePinch(ui::GestureRecognizer& recognizer) {
    auto& pinch = static_cast<ui::PinchGestureRecognizer&>(recognizer);
    switch (pinch.state()) {
        case ui::GestureRecognizerState::Began:
            beginGesture();
            [[fallthrough]];
        case ui::GestureRecognizerState::Changed: {
            // The place under the fingers stays under them.
            const ui::Point anchor = pinch.locationInView(this);
            const ui::Rect box = bounds();
            const double ax = (anchor.x - box.origin.x - box.size.width / 2);
            const double ay = (anchor.y - box.origin.y - box.size.height / 2);
            const double anchorX = centerX_ + ax / worldWidth_;
            const double anchorY = centerY_ + ay / worldWidth_;
            const double width =
                std::clamp(worldWidth_ * pinch.scale(), kMinimumWorldWidth, kMaximumWorldWidth);
            pinch.setScale(1);
            moveTo(anchorX - ax / width, anchorY - ay / width, width);
            break;
        }
        case ui::GestureRecognizerState::Ended:
        case ui::GestureRecognizerState::Cancelled:
            endGesture();
            break;
        default:
            break;
    }
}

void MapView::handleTap(ui::GestureRecognizer& recognizer) {
    if (recognizer.state() != ui::GestureRecognizerState::Ended) return;
    const ui::Point point = recognizer.locationInView(annotationLayer_.get());
    const auto& stack = annotationLayer_->subviews();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        auto* view = dynamic_cast<AnnotationView*>(it->get());
        if (!view || view->isHidden() || !view->isEnabled() || !view->annotation()) continue;
        if (!view->frame().contains(point)) continue;
        if (view->annotation() != selected_) selectAnnotation(view->annotation(), true);
        return;
    }
    if (selected_) deselectAnnotation(selected_.get(), true);
}

void MapView::handleDoubleTap(ui::GestureRecognizer& recognizer) {
    if (recognizer.state() != ui::GestureRecognizerState::Ended) return;
    // One level in, the tapped place staying where it is.
    const ui::Point tapped = recognizer.locationInView(this);
    const ui::Rect box = bounds();
    const double ax = tapped.x - box.origin.x - box.size.width / 2;
    const double ay = tapped.y - box.origin.y - box.size.height / 2;
    const double width = std::min(worldWidth_ * 2, kMaximumWorldWidth);
    const double targetX = centerX_ + ax / worldWidth_ - ax / width;
    const double targetY = centerY_ + ay / worldWidth_ - ay / width;
    stopMotion();
    startChange(true);
    animation_ = std::make_unique<Animation>(
        Animation{centerX_, centerY_, worldWidth_, targetX, targetY, width, now()});
    runMotion();
}

void MapView::startCoasting(ui::Point velocity) {
    if (std::hypot(velocity.x, velocity.y) < kCoastStopSpeed) {
        endChange(false);
        return;
    }
    velocity_ = velocity;
    lastStep_ = now();
    runMotion();
}

void MapView::runMotion() {
    if (!motionLink_) {
        std::weak_ptr<bool> alive = alive_;
        motionLink_ = ui::DisplayLink::displayLinkWithTarget([this, alive](ui::DisplayLink&) {
            if (alive.lock()) stepMotion();
        });
        motionLink_->addToRunLoop();
    }
    motionLink_->setPaused(false);
}

void MapView::stepMotion() {
    const double time = now();
    if (animation_) {
        const Animation& a = *animation_;
        const double t = std::clamp((time - a.start) / kAnimationDuration, 0.0, 1.0);
        const double e = easeInOut(t);
        // Scales move evenly in the logarithm, so zooming feels steady.
        const double width = a.fromWidth * std::pow(a.toWidth / a.fromWidth, e);
        moveTo(a.fromX + (a.toX - a.fromX) * e, a.fromY + (a.toY - a.fromY) * e, width);
        if (t < 1) return;
        animation_.reset();
        motionLink_->setPaused(true);
        endChange(true);
        return;
    }
    if (velocity_ == ui::Point{}) {
        motionLink_->setPaused(true);
        return;
    }
    const double elapsed = std::max(0.0, time - lastStep_);
    lastStep_ = time;
    moveTo(centerX_ - velocity_.x * elapsed / worldWidth_,
           centerY_ - velocity_.y * elapsed / worldWidth_, worldWidth_);
    const double kept = std::pow(kCoastKeptPerMillisecond, elapsed * 1000);
    velocity_ = {velocity_.x * kept, velocity_.y * kept};
    if (std::hypot(velocity_.x, velocity_.y) >= kCoastStopSpeed) return;
    velocity_ = {};
    motionLink_->setPaused(true);
    endChange(false);
}

void MapView::stopMotion() {
    const bool wasMoving = animation_ || velocity_ != ui::Point{};
    animation_.reset();
    velocity_ = {};
    if (motionLink_) motionLink_->setPaused(true);
    // A move cut short has still settled somewhere.
    if (wasMoving) endChange(false);
}

void MapView::setShowsUserLocation(bool shows) {
    if (shows == showsUserLocation_) return;
    showsUserLocation_ = shows;
    if (!shows) {
        if (locationManager_) locationManager_->stopUpdatingLocation();
        if (userLocationView_) userLocationView_->removeFromSuperview();
        userLocationView_.reset();
        return;
    }
    if (!locationManager_) {
        auto listener = std::make_shared<UserLocationListener>(*this);
        locationListener_ = listener;
        locationManager_ = std::make_shared<loc::LocationManager>();
        locationManager_->setDelegate(listener);
    }
    locationManager_->startUpdatingLocation();
    if (userLocation_->hasFix())
        updateUserLocation(userLocation_->coordinate(), userLocation_->accuracy());
}

void MapView::updateUserLocation(Coordinate coordinate, double accuracy) {
    userLocation_->setFix(coordinate, accuracy);
    if (!showsUserLocation_) return;
    if (!userLocationView_) {
        if (auto target = delegate())
            userLocationView_ = target->viewForAnnotation(*this, userLocation_);
        if (!userLocationView_) {
            userLocationView_ = std::make_shared<DefaultAnnotationView>(userLocation_, true);
        }
        userLocationView_->setAnnotation(userLocation_);
        annotationLayer_->insertSubviewAtIndex(userLocationView_, 0);
    }
    placeAnnotationView(*userLocationView_);
    if (auto target = delegate()) target->didUpdateUserLocation(*this, *userLocation_);
}

std::shared_ptr<AnnotationView> MapView::makeView(const std::shared_ptr<Annotation>& annotation) {
    std::shared_ptr<AnnotationView> view;
    if (auto target = delegate()) view = target->viewForAnnotation(*this, annotation);
    if (!view) view = std::make_shared<DefaultAnnotationView>(annotation, false);
    view->setAnnotation(annotation);
    return view;
}

void MapView::addAnnotation(const std::shared_ptr<Annotation>& annotation) {
    if (!annotation || views_.count(annotation.get())) return;
    annotations_.push_back(annotation);
    auto view = makeView(annotation);
    views_[annotation.get()] = view;
    annotationLayer_->addSubview(view);
    placeAnnotationView(*view);
}

void MapView::addAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations) {
    for (const auto& annotation : annotations) addAnnotation(annotation);
}

void MapView::removeAnnotation(const Annotation* annotation) {
    const auto found = views_.find(annotation);
    if (found == views_.end()) return;
    if (selected_.get() == annotation) deselectAnnotation(annotation, false);
    const auto view = found->second;
    views_.erase(found);
    view->removeFromSuperview();
    view->prepareForReuse();
    if (!view->reuseIdentifier().isEmpty()) reusable_[view->reuseIdentifier()].push_back(view);
    std::erase_if(annotations_, [annotation](const auto& a) { return a.get() == annotation; });
}

void MapView::removeAnnotations(const std::vector<std::shared_ptr<Annotation>>& annotations) {
    // A copy: the caller may hand in the map's own list.
    const auto doomed = annotations;
    for (const auto& annotation : doomed) removeAnnotation(annotation.get());
}

AnnotationView* MapView::viewForAnnotation(const Annotation* annotation) const {
    if (annotation && annotation == userLocation_.get()) return userLocationView_.get();
    const auto found = views_.find(annotation);
    return found == views_.end() ? nullptr : found->second.get();
}

std::shared_ptr<AnnotationView> MapView::dequeueReusableAnnotationViewWithIdentifier(
    const QString& identifier) {
    auto& pool = reusable_[identifier];
    if (pool.empty()) return nullptr;
    auto view = pool.back();
    pool.pop_back();
    return view;
}

std::vector<std::shared_ptr<Annotation>> MapView::selectedAnnotations() const {
    if (!selected_) return {};
    return {selected_};
}

void MapView::selectAnnotation(const std::shared_ptr<Annotation>& annotation, bool animated) {
    AnnotationView* view = viewForAnnotation(annotation.get());
    if (!view) return;
    if (selected_ && selected_ != annotation) deselectAnnotation(selected_.get(), animated);
    selected_ = annotation;
    view->setSelected(true, animated);
    if (auto target = delegate()) target->didSelectAnnotationView(*this, *view);
}

void MapView::deselectAnnotation(const Annotation* annotation, bool animated) {
    if (!annotation || selected_.get() != annotation) return;
    const auto keep = selected_;
    selected_.reset();
    AnnotationView* view = viewForAnnotation(annotation);
    if (!view) return;
    view->setSelected(false, animated);
    if (auto target = delegate()) target->didDeselectAnnotationView(*this, *view);
}

void MapView::placeAnnotationViews() {
    for (const auto& [annotation, view] : views_) placeAnnotationView(*view);
    if (userLocationView_) placeAnnotationView(*userLocationView_);
}

void MapView::placeAnnotationView(AnnotationView& view) const {
    if (!view.annotation()) return;
    const ui::Point point = convertCoordinateToPoint(view.annotation()->coordinate(), nullptr);
    const ui::Rect box = bounds();
    const ui::Point offset = view.centerOffset();
    view.setCenter({point.x - box.origin.x + offset.x, point.y - box.origin.y + offset.y});
    const bool far = point.x < box.origin.x - kAnnotationMargin ||
                     point.y < box.origin.y - kAnnotationMargin ||
                     point.x > box.origin.x + box.size.width + kAnnotationMargin ||
                     point.y > box.origin.y + box.size.height + kAnnotationMargin;
    if (view.isHidden() != far) view.setHidden(far);
}

void MapView::setTileURLTemplate(const QString& urlTemplate) {
    if (urlTemplate == tileURLTemplate_) return;
    for (const auto& [key, tile] : tiles_) {
        if (tile.loading) loader_->cancelTile(tileURL(tileURLTemplate_, key));
    }
    tiles_.clear();
    recentTiles_.clear();
    tileURLTemplate_ = urlTemplate;
    placeTiles();
}

void MapView::setTileLoader(std::shared_ptr<TileLoader> loader) {
    if (!loader) return;
    const QString urlTemplate = tileURLTemplate_;
    setTileURLTemplate({});
    loader_ = std::move(loader);
    setTileURLTemplate(urlTemplate);
}

void MapView::requestTile(TileKey key) {
    if (tileURLTemplate_.isEmpty()) return;
    const auto found = tiles_.find(key);
    if (found != tiles_.end()) {
        // A failed tile waits before it is asked for again.
        if (found->second.loading || found->second.image || now() < found->second.retryAt) return;
        recentTiles_.erase(found->second.recent);
        tiles_.erase(found);
    }
    recentTiles_.push_front(key);
    Tile& tile = tiles_[key];
    tile.loading = true;
    tile.recent = recentTiles_.begin();
    std::weak_ptr<bool> alive = alive_;
    loader_->loadTile(tileURL(tileURLTemplate_, key),
                      [this, alive, key](std::shared_ptr<ui::Image> image) {
                          if (alive.lock()) tileArrived(key, image);
                      });
}

void MapView::tileArrived(TileKey key, const std::shared_ptr<ui::Image>& image) {
    const auto found = tiles_.find(key);
    if (found == tiles_.end()) return;
    Tile& tile = found->second;
    tile.loading = false;
    tile.image = image;
    if (!image) {
        tile.retryAt = now() + kTileRetryDelay;
        // Drawing asks again once the wait is over.
        std::weak_ptr<bool> alive = alive_;
        ns::Clock::shared().schedule(ns::seconds(kTileRetryDelay), [this, alive] {
            if (alive.lock()) placeTiles();
        });
    }
    recentTiles_.splice(recentTiles_.begin(), recentTiles_, tile.recent);
    // The least recently drawn tiles go first; tiles still loading stay.
    auto last = recentTiles_.end();
    while (tiles_.size() > kTileCacheSize && last != recentTiles_.begin()) {
        --last;
        const auto victim = tiles_.find(*last);
        if (victim->second.loading) continue;
        tiles_.erase(victim);
        last = recentTiles_.erase(last);
    }
    placeTiles();
}

bool MapView::isLoadingTiles() const {
    return std::any_of(tiles_.begin(), tiles_.end(),
                       [](const auto& entry) { return entry.second.loading; });
}

const ui::Image* MapView::cachedTile(TileKey key) const {
    const auto found = tiles_.find(key);
    return found == tiles_.end() ? nullptr : found->second.image.get();
}

void MapView::placeTiles() {
    // A loader that answers at once comes back here from inside the loop: the loop then
    // runs again when it is done.
    if (placingTiles_) {
        placeTilesAgain_ = true;
        return;
    }
    placingTiles_ = true;
    do {
        placeTilesAgain_ = false;
        placeTilesOnce();
    } while (placeTilesAgain_);
    placingTiles_ = false;
}

void MapView::placeTilesOnce() {
    const ui::Size size = bounds().size;
    const int zoom = tileZoom();
    const int count = 1 << zoom;
    const double side = worldWidth_ / count;
    // World position of the view's top left corner, in tiles.
    const double left = (centerX_ - size.width / 2 / worldWidth_) * count;
    const double top = (centerY_ - size.height / 2 / worldWidth_) * count;
    const int firstX = static_cast<int>(std::floor(left));
    const int firstY = std::max(0, static_cast<int>(std::floor(top)));
    const int lastX = static_cast<int>(std::floor(left + size.width / side));
    const int lastY = std::min(count - 1, static_cast<int>(std::floor(top + size.height / side)));
    bool complete = true;
    for (int ty = firstY; ty <= lastY && !tileURLTemplate_.isEmpty(); ++ty) {
        for (int tx = firstX; tx <= lastX; ++tx) {
            const TileKey key{zoom, ((tx % count) + count) % count, ty};
            // Edges on whole device pixels, so that neighbours meet without a seam.
            const auto pixel = [](double points) { return std::round(points * 2) / 2; };
            const double x0 = pixel((tx - left) * side), x1 = pixel((tx + 1 - left) * side);
            const double y0 = pixel((ty - top) * side), y1 = pixel((ty + 1 - top) * side);
            const ui::Rect place{x0, y0, x1 - x0, y1 - y0};
            // The slot is keyed by the unwrapped column, so that a world shown twice side by
            // side gets a view per place.
            TilesView::Slot& slot = tilesView_->slotFor({zoom, tx, ty});
            slot.frame->setFrame(place);
            if (const ui::Image* image = cachedTile(key)) {
                if (slot.picture->image().get() != image) {
                    slot.picture->setImage(tiles_.at(key).image);
                }
                slot.picture->setFrame({0, 0, place.size.width, place.size.height});
                const auto found = tiles_.find(key);
                recentTiles_.splice(recentTiles_.begin(), recentTiles_, found->second.recent);
                continue;
            }
            complete = false;
            requestTile(key);
            // Meanwhile the nearest coarser tile that is at hand, enlarged.
            slot.picture->setImage(nullptr);
            for (int up = 1; up <= 3 && zoom - up >= 0; ++up) {
                const TileKey parent{zoom - up, key.x >> up, key.y >> up};
                const auto found = tiles_.find(parent);
                if (found == tiles_.end() || !found->second.image) continue;
                const double parentSide = side * (1 << up);
                slot.picture->setImage(found->second.image);
                slot.picture->setFrame({-(key.x - (parent.x << up)) * side,
                                        -(key.y - (parent.y << up)) * side, parentSide,
                                        parentSide});
                break;
            }
        }
    }
    tilesView_->dropUnused();
    if (complete && !loadedOnce_ && !tileURLTemplate_.isEmpty()) {
        loadedOnce_ = true;
        if (auto target = delegate()) target->didFinishLoadingMap(*this);
    }
}

void MapView::layoutSubviews() {
    ui::View::layoutSubviews();
    placeTiles();
    placeAnnotationViews();
}

void MapView::boundsSizeChanged(ui::Size oldSize) {
    ui::View::boundsSizeChanged(oldSize);
    moveTo(centerX_, centerY_, worldWidth_);
}

}  // namespace map
