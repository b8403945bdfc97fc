#include "SandboxTest.h"
#include "StandinFixture.h"

#include "platform/mapkit/map_view.h"
#include "platform/mapkit/tile_loader.h"
#include "platform/uikit/image.h"
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QWheelEvent>
#include <QWindow>

using namespace std::chrono_literals;

namespace {

class Recorder : public map::MapViewDelegate {
public:
    void regionWillChangeAnimated(map::MapView&, bool) override { ++willChange; }
    void regionDidChangeAnimated(map::MapView& map, bool animated) override {
        settled.push_back(map.centerCoordinate());
        lastAnimated = animated;
    }
    void didUpdateUserLocation(map::MapView&, const map::UserLocation& location) override {
        fixes.push_back(location.coordinate());
    }
    std::shared_ptr<map::AnnotationView> viewForAnnotation(
        map::MapView& map, const std::shared_ptr<map::Annotation>& annotation) override {
        if (annotation == map.userLocation()) return nullptr;
        auto view = map.dequeueReusableAnnotationViewWithIdentifier("Shop");
        if (view) {
            ++reused;
            return view;
        }
        view = std::make_shared<map::AnnotationView>(annotation, "Shop");
        view->setFrame({0, 0, 40, 30});
        return view;
    }
    void didSelectAnnotationView(map::MapView&, map::AnnotationView& view) override {
        selected.push_back(view.annotation().get());
    }
    void didDeselectAnnotationView(map::MapView&, map::AnnotationView& view) override {
        deselected.push_back(view.annotation().get());
    }

    int willChange = 0;
    std::vector<map::Coordinate> settled;
    bool lastAnimated = false;
    std::vector<map::Coordinate> fixes;
    int reused = 0;
    std::vector<const map::Annotation*> selected, deselected;
};

class Place : public map::Annotation {
public:
    explicit Place(map::Coordinate at) : at_(at) {}
    [[nodiscard]] map::Coordinate coordinate() const override { return at_; }

private:
    map::Coordinate at_;
};

// Answers only when told to, so that tests decide when and how tiles arrive.
class HeldLoader : public map::TileLoader {
public:
    void loadTile(const QUrl& url, Completion completion) override {
        asked.push_back(url.toString());
        pending[url.toString()] = std::move(completion);
    }
    void cancelTile(const QUrl& url) override {
        cancelled.push_back(url.toString());
        pending.erase(url.toString());
    }
    void answer(const QString& url, std::shared_ptr<ui::Image> image) {
        auto completion = std::move(pending.at(url));
        pending.erase(url);
        completion(std::move(image));
    }
    void answerAll(const std::function<std::shared_ptr<ui::Image>()>& make) {
        while (!pending.empty()) answer(pending.begin()->first, make());
    }

    std::vector<QString> asked, cancelled;
    std::map<QString, Completion> pending;
};

std::shared_ptr<ui::Image> tileImage(QColor colour) {
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(colour);
    return ui::Image::imageWithQImage(image, 2);
}

constexpr map::Coordinate kShanghai{31.23, 121.47};

class MapViewTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        map_ = std::make_shared<map::MapView>(ui::Rect(0, 0, 320, 480));
        map_->setDelegate(recorder_);
        map_->setTileLoader(loader_);
        window_->addSubview(map_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
    }

    void render() { (void)ui::OffscreenHost(window_).render(); }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<map::MapView> map_;
    std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
    std::shared_ptr<HeldLoader> loader_ = std::make_shared<HeldLoader>();
    std::unique_ptr<ui::TestDriver> driver_;
};

TEST(MercatorTest, KnownPlacesAndTheClampedPoles) {
    EXPECT_DOUBLE_EQ(map::mercator::xOfLongitude(0), 0.5);
    EXPECT_DOUBLE_EQ(map::mercator::yOfLatitude(0), 0.5);
    EXPECT_NEAR(map::mercator::yOfLatitude(map::mercator::kMaximumLatitude), 0, 1e-12);
    EXPECT_EQ(map::mercator::yOfLatitude(90), map::mercator::yOfLatitude(89))
        << "the poles lie beyond the square's edge and are clamped to it";
    for (double latitude : {-80.0, -31.5, 0.001, 39.9, 84.0}) {
        EXPECT_NEAR(map::mercator::latitudeOfY(map::mercator::yOfLatitude(latitude)), latitude,
                    1e-9);
    }
    const map::Region region = map::regionMakeWithDistance({60, 10}, 2000, 1000);
    EXPECT_NEAR(region.span.latitudeDelta, 0.017966, 1e-5);
    EXPECT_NEAR(region.span.longitudeDelta, 2 * 0.0089832, 1e-5) << "degrees of longitude "
                                                                    "shrink with the latitude";
}

TEST_F(MapViewTest, RegionsFitTheViewAndPointsRoundTrip) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    EXPECT_NEAR(map_->region().span.longitudeDelta, 0.05, 1e-9);
    EXPECT_NEAR(map_->centerCoordinate().latitude, kShanghai.latitude, 1e-9);
    const ui::Point middle = map_->convertCoordinateToPoint(kShanghai, map_.get());
    EXPECT_NEAR(middle.x, 160, 1e-6);
    EXPECT_NEAR(middle.y, 240, 1e-6);
    const map::Coordinate corner = map_->convertPointToCoordinate({0, 0}, map_.get());
    const ui::Point back = map_->convertCoordinateToPoint(corner, map_.get());
    EXPECT_NEAR(back.x, 0, 1e-6);
    EXPECT_NEAR(back.y, 0, 1e-6);

    // A region taller than the view's aspect is shown whole: the smaller scale wins.
    map_->setRegion({kShanghai, {0.2, 0.01}}, false);
    EXPECT_GE(map_->region().span.latitudeDelta, 0.2 - 1e-9);
    EXPECT_GT(map_->region().span.longitudeDelta, 0.01);

    // Across the date line points are taken the short way round.
    map_->setRegion({{0, 179.99}, {0, 0.1}}, false);
    EXPECT_NEAR(map_->convertCoordinateToPoint({0, -179.99}, map_.get()).x, 160 + 0.02 / 0.1 * 320,
                1e-3);
    EXPECT_NEAR(map_->convertPointToCoordinate({320, 240}, map_.get()).longitude, -179.96, 1e-6);

    map_->setRegion({{NAN, 3}, {1, 1}}, false);
    EXPECT_NEAR(map_->centerCoordinate().longitude, 179.99, 1e-9) << "invalid: ignored";
}

TEST_F(MapViewTest, AnimatedChangesSettleOnceAtTheirEndOnTheClock) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    recorder_->settled.clear();
    map_->setCenterCoordinate({31.3, 121.5}, true);
    clock().advance(150ms);
    EXPECT_TRUE(recorder_->settled.empty()) << "not while it moves";
    EXPECT_GT(map_->centerCoordinate().latitude, 31.23);
    EXPECT_LT(map_->centerCoordinate().latitude, 31.3);
    // A new change cut in: the first ends where it stands, then the second settles.
    map_->setCenterCoordinate({31.0, 121.0}, true);
    ASSERT_EQ(recorder_->settled.size(), 1u);
    clock().advance(400ms);
    ASSERT_EQ(recorder_->settled.size(), 2u);
    EXPECT_TRUE(recorder_->lastAnimated);
    EXPECT_NEAR(recorder_->settled.back().latitude, 31.0, 1e-9);
    EXPECT_NEAR(map_->region().span.longitudeDelta, 0.05, 1e-9) << "the scale is kept";
    clock().advance(2s);
    EXPECT_EQ(recorder_->settled.size(), 2u);
}

TEST_F(MapViewTest, APanCoastsAndSettlesOnceWhenItStops) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    recorder_->settled.clear();
    recorder_->willChange = 0;
    driver_->drag({260, 240}, {60, 240}, 0.1, 10);
    EXPECT_EQ(recorder_->willChange, 1);
    EXPECT_TRUE(recorder_->settled.empty()) << "a flick coasts on first";
    const double released = map_->centerCoordinate().longitude;
    EXPECT_GT(released, kShanghai.longitude) << "dragging leftwards shows what lies east";
    clock().advance(10s);
    ASSERT_EQ(recorder_->settled.size(), 1u);
    EXPECT_GT(map_->centerCoordinate().longitude, released);
    EXPECT_FALSE(map_->isMoving());

    // Without scrolling the map does not move.
    map_->setScrollEnabled(false);
    const map::Coordinate before = map_->centerCoordinate();
    driver_->drag({260, 240}, {60, 240}, 0.5, 10);
    clock().advance(10s);
    EXPECT_EQ(map_->centerCoordinate(), before);
    EXPECT_EQ(recorder_->settled.size(), 1u);
}

TEST_F(MapViewTest, APinchZoomsAboutTheFingers) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    const ui::Point fingers{100, 300};
    const map::Coordinate under = map_->convertPointToCoordinate(fingers, map_.get());
    driver_->pinch(fingers, 50, 200, 0.3, 10);
    clock().advance(1s);
    EXPECT_LT(map_->region().span.longitudeDelta, 0.05 / 2);
    const ui::Point after = map_->convertCoordinateToPoint(under, map_.get());
    EXPECT_NEAR(after.x, fingers.x, 2);
    EXPECT_NEAR(after.y, fingers.y, 2);
    EXPECT_FALSE(recorder_->settled.empty());
}

TEST_F(MapViewTest, ADoubleTapZoomsInOneLevelAboutTheTappedPlace) {
    map_->setRegion({kShanghai, {0, 0.08}}, false);
    const double width = map_->worldWidth();
    const ui::Point tapped{80, 120};
    const map::Coordinate under = map_->convertPointToCoordinate(tapped, map_.get());
    recorder_->settled.clear();
    driver_->doubleTapAt(tapped);
    clock().advance(1s);
    EXPECT_DOUBLE_EQ(map_->worldWidth(), 2 * width);
    const ui::Point after = map_->convertCoordinateToPoint(under, map_.get());
    EXPECT_NEAR(after.x, tapped.x, 1e-6);
    EXPECT_NEAR(after.y, tapped.y, 1e-6);
    EXPECT_EQ(recorder_->settled.size(), 1u);
    EXPECT_TRUE(recorder_->lastAnimated);

    // A single tap does not zoom, and still chooses a pin right after a double tap.
    auto place = std::make_shared<Place>(map_->convertPointToCoordinate({200, 300}, map_.get()));
    map_->addAnnotation(place);
    driver_->tapAt({200, 300});
    clock().advance(1s);
    EXPECT_DOUBLE_EQ(map_->worldWidth(), 2 * width);
    ASSERT_EQ(recorder_->selected.size(), 1u);
    EXPECT_EQ(recorder_->selected[0], place.get());
    map_->setZoomEnabled(false);
    driver_->doubleTapAt(tapped);
    clock().advance(1s);
    EXPECT_DOUBLE_EQ(map_->worldWidth(), 2 * width);
}

// The desktop window's pointer: the wheel, a touchpad pinch and a double click zoom the map.
TEST_F(MapViewTest, TheWheelATouchpadPinchAndADoubleClickZoomTheMapInAWindow) {
    map_->setRegion({kShanghai, {0, 0.08}}, false);
    ui::InteractiveHost host(window_);
    host.show();
    QWindow* native = host.nativeWindow();
    const double zoom = host.zoom();
    const ui::Point pointer{200, 150};
    const QPointF at(pointer.x * zoom, pointer.y * zoom);
    const map::Coordinate under = map_->convertPointToCoordinate(pointer, map_.get());
    const auto turn = [&](int eighths) {
        QWheelEvent wheel(at, at, {}, {0, eighths}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(native, &wheel);
    };
    double width = map_->worldWidth();
    recorder_->settled.clear();
    turn(120);
    turn(120);
    EXPECT_NEAR(map_->worldWidth(), 2 * width, 1e-6) << "two notches: one level in";
    const ui::Point after = map_->convertCoordinateToPoint(under, map_.get());
    EXPECT_NEAR(after.x, pointer.x, 1);
    EXPECT_NEAR(after.y, pointer.y, 1);
    EXPECT_TRUE(recorder_->settled.empty()) << "the fingers stay down while the wheel turns";
    clock().advance(1s);
    EXPECT_EQ(recorder_->settled.size(), 1u) << "settled once the wheel rested";
    EXPECT_EQ(window_->activeTouchCount(), 0u);

    // A long turn towards the user: twelve notches out, the fingers lifting and going down
    // again on the way without a jump.
    width = map_->worldWidth();
    for (int notch = 0; notch < 12; ++notch) turn(-120);
    clock().advance(1s);
    EXPECT_NEAR(map_->worldWidth(), width / 64, width * 1e-9);

    // A touchpad pinch spreading by half again.
    width = map_->worldWidth();
    const auto gesture = [&](Qt::NativeGestureType type, double value) {
        QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, at, at, at,
                                  value, {});
        QCoreApplication::sendEvent(native, &event);
    };
    gesture(Qt::BeginNativeGesture, 0);
    for (int step = 0; step < 5; ++step) gesture(Qt::ZoomNativeGesture, 0.0844717712);
    gesture(Qt::EndNativeGesture, 0);
    EXPECT_NEAR(map_->worldWidth(), 1.5 * width, width * 1e-6);
    EXPECT_EQ(window_->activeTouchCount(), 0u);

    // A double click: the second press comes before the desktop names it a double click.
    width = map_->worldWidth();
    const auto mouse = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, at, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(native, &event);
    };
    mouse(QEvent::MouseButtonPress, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, Qt::LeftButton);
    mouse(QEvent::MouseButtonDblClick, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, Qt::NoButton);
    clock().advance(1s);
    EXPECT_NEAR(map_->worldWidth(), 2 * width, 1e-6);
    host.close();
}

TEST_F(MapViewTest, TilesComeThroughTheLoaderAndAreKeptOrRetried) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    render();
    EXPECT_TRUE(loader_->asked.empty()) << "no template, no tiles";
    map_->setTileURLTemplate("http://tiles.test/{z}/{x}/{y}.png");
    render();
    ASSERT_FALSE(loader_->asked.empty());
    const int zoom = map_->tileZoom();
    EXPECT_TRUE(loader_->asked.front().startsWith(QString("http://tiles.test/%1/").arg(zoom)));
    const std::size_t first = loader_->asked.size();
    EXPECT_GE(first, 9u);
    render();
    EXPECT_EQ(loader_->asked.size(), first) << "tiles under way are not asked twice";

    // One tile fails, the rest arrive.
    const QString failing = loader_->pending.begin()->first;
    loader_->answer(failing, nullptr);
    loader_->answerAll([] { return tileImage(Qt::darkGreen); });
    render();
    EXPECT_EQ(loader_->asked.size(), first) << "a failed tile waits";
    clock().advance(6s);
    render();
    ASSERT_EQ(loader_->asked.size(), first + 1);
    EXPECT_EQ(loader_->asked.back(), failing);
    loader_->answerAll([] { return tileImage(Qt::darkGreen); });

    const auto shot = ui::OffscreenHost(window_).render();
    EXPECT_EQ(shot->uprightPixels().pixelColor(320, 480), QColor(Qt::darkGreen));

    // A new template drops what was loaded and cancels what is under way.
    map_->setCenterCoordinate({40, 116}, false);
    render();
    ASSERT_FALSE(loader_->pending.empty());
    const std::size_t pending = loader_->pending.size();
    map_->setTileURLTemplate("http://other.test/{z}/{x}/{y}");
    EXPECT_EQ(loader_->cancelled.size(), pending);
    ASSERT_FALSE(loader_->pending.empty()) << "the new server's tiles are asked for at once";
    for (const auto& [url, completion] : loader_->pending) {
        EXPECT_TRUE(url.startsWith("http://other.test/")) << url.toStdString();
    }
}

class URLTileLoaderTest : public StandinFixture {};

TEST_F(URLTileLoaderTest, ATileOfMorePixelsThanItsSideIsDecodedToThem) {
    // 1,024 x 1,024 pixels (4 MB decoded) come as 256 x 256 (256 KB), 128 points at scale 2.
    server().setFault({.prefix = "/img/posts/", .picture = QSize(1024, 1024)});
    map::URLTileLoader loader;
    std::shared_ptr<ui::Image> tile;
    bool answered = false;
    loader.loadTile(QUrl(server().url("/img/posts/7.jpg")), [&](std::shared_ptr<ui::Image> image) {
        tile = std::move(image);
        answered = true;
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return answered; }));
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->pixels().size(), QSize(256, 256));
    EXPECT_EQ(tile->size(), (ui::Size{128, 128}));
}

TEST_F(MapViewTest, TheTileCacheKeepsItsBoundAndTheTilesUnderWay) {
    map_->setTileURLTemplate("http://tiles.test/{z}/{x}/{y}.png");
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    for (int step = 0; step < 40; ++step) {
        map_->setCenterCoordinate({kShanghai.latitude, kShanghai.longitude + step * 0.05}, false);
        render();
        loader_->answerAll([] { return tileImage(Qt::gray); });
    }
    render();
    EXPECT_LE(map_->cachedTileCount(), map::MapView::kTileCacheSize);
    map_->setCenterCoordinate({10, 10}, false);
    render();
    const std::size_t pending = loader_->pending.size();
    ASSERT_GT(pending, 0u);
    loader_->answerAll([] { return tileImage(Qt::gray); });
    EXPECT_LE(map_->cachedTileCount(), map::MapView::kTileCacheSize);
    EXPECT_TRUE(loader_->pending.empty());
}

TEST_F(MapViewTest, AnnotationViewsAreReusedAndSelectedByTaps) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    auto first = std::make_shared<Place>(kShanghai);
    auto second = std::make_shared<Place>(map::Coordinate{31.24, 121.48});
    map_->addAnnotations({first, second});
    map_->addAnnotation(first);
    EXPECT_EQ(map_->annotations().size(), 2u) << "an annotation is on the map once";
    map::AnnotationView* view = map_->viewForAnnotation(first.get());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->center(), ui::Point(160, 240));

    driver_->tapAt({160, 240});
    clock().advance(1s);
    ASSERT_EQ(recorder_->selected.size(), 1u);
    EXPECT_EQ(recorder_->selected[0], first.get());
    EXPECT_TRUE(view->isSelected());
    driver_->tapAt({20, 20});
    clock().advance(1s);
    ASSERT_EQ(recorder_->deselected.size(), 1u);
    EXPECT_FALSE(view->isSelected());

    map_->selectAnnotation(second, false);
    map_->removeAnnotations(map_->annotations());
    EXPECT_TRUE(map_->annotations().empty());
    EXPECT_TRUE(map_->selectedAnnotations().empty());
    EXPECT_EQ(recorder_->deselected.size(), 2u) << "removing a selected one deselects it";
    map_->addAnnotation(std::make_shared<Place>(kShanghai));
    EXPECT_EQ(recorder_->reused, 1);
    EXPECT_FALSE(map_->viewForAnnotation(map_->annotations()[0].get())->isSelected());
}

TEST_F(MapViewTest, TheUserLocationShowsWithItsTitleOnlyWhileAsked) {
    map_->setRegion({kShanghai, {0, 0.05}}, false);
    map_->updateUserLocation(kShanghai, 30);
    EXPECT_TRUE(recorder_->fixes.empty()) << "not shown, not told";
    map_->userLocation()->setTitle("here");
    map_->setShowsUserLocation(true);
    ASSERT_EQ(recorder_->fixes.size(), 1u);
    map::AnnotationView* marker = map_->viewForAnnotation(map_->userLocation().get());
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->center(), ui::Point(160, 240));
    map_->selectAnnotation(map_->userLocation(), false);
    EXPECT_NE(driver_->findByText("here"), nullptr);
    map_->setShowsUserLocation(false);
    EXPECT_EQ(map_->viewForAnnotation(map_->userLocation().get()), nullptr);
    EXPECT_TRUE(map_->annotations().empty()) << "the marker is no annotation of the list";
}

}  // namespace
