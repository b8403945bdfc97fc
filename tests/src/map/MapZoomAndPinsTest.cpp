#include "map/BasicAnnotion.h"
#include "map/MapView+ZoomLevel.h"
#include "map/QXAnnotation.h"
#include "map/QXMapAnnotationView.h"
#include "map/QXMapView.h"

#include "SandboxTest.h"

#include "platform/uikit/label.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TEST(MapZoomLevelTest, PixelSpaceOfKnownPlaces) {
    EXPECT_EQ(MapViewZoomLevel::longitudeToPixelSpaceX(0), 268435456);
    EXPECT_EQ(MapViewZoomLevel::longitudeToPixelSpaceX(180), 536870912);
    EXPECT_EQ(MapViewZoomLevel::longitudeToPixelSpaceX(-180), 0);
    EXPECT_EQ(MapViewZoomLevel::latitudeToPixelSpaceY(0), 268435456);
    EXPECT_LT(MapViewZoomLevel::latitudeToPixelSpaceY(31.23), 268435456) << "north is up";
    EXPECT_NEAR(
        MapViewZoomLevel::pixelSpaceYToLatitude(MapViewZoomLevel::latitudeToPixelSpaceY(31.23)),
        31.23, 1e-5)
        << "single-precision steps move a latitude by less than a world pixel's worth";
    EXPECT_DOUBLE_EQ(MapViewZoomLevel::pixelSpaceXToLongitude(268435456.4), 0)
        << "pixels are whole";
}

TEST(MapZoomLevelTest, SpansOfZoomLevels) {
    const map::Span twelve = MapViewZoomLevel::coordinateSpan({320, 416}, {31.23, 121.47}, 12);
    EXPECT_DOUBLE_EQ(twelve.longitudeDelta, 0.054931640625);
    EXPECT_GT(twelve.latitudeDelta, 0);
    const map::Span twenty = MapViewZoomLevel::coordinateSpan({320, 416}, {0, 0}, 20);
    EXPECT_NEAR(twenty.longitudeDelta, 320.0 / 536870912 * 360, 1e-12)
        << "level 20: one world pixel a point";
    EXPECT_EQ(MapViewZoomLevel::coordinateSpan({320, 416}, {31.23, 121.47}, 13).longitudeDelta,
              twelve.longitudeDelta / 2);
}

class ZoomedMapTest : public SandboxTest {};

TEST_F(ZoomedMapTest, ZoomsAboveTheCeilingActAsTheCeiling) {
    map::MapView mapView(ui::Rect(0, 0, 320, 416));
    MapViewZoomLevel::setCenterCoordinate(mapView, {31.23, 121.47}, 30, false);
    const map::Region thirty = mapView.region();
    MapViewZoomLevel::setCenterCoordinate(mapView, {31.23, 121.47}, 28, false);
    EXPECT_EQ(mapView.region().span, thirty.span);
    MapViewZoomLevel::setCenterCoordinate(mapView, {31.23, 121.47}, 12, true);
    clock().advance(1s);
    EXPECT_NEAR(mapView.region().span.longitudeDelta, 0.054931640625, 1e-9);
    EXPECT_NEAR(mapView.centerCoordinate().latitude, 31.23, 1e-9);
}

std::shared_ptr<BasicAnnotion> shop(const QString& name, const QString& gold = {}) {
    QVariantMap entry{{"companySimpleName", name}, {"latlng", "31.23,121.47"}};
    if (!gold.isNull()) entry["isExcellentShop"] = gold;
    return BasicAnnotion::fromShop(entry);
}

TEST(MapPinTest, ShortNamesAndKindsOfReusedPins) {
    auto view = std::make_shared<QXMapAnnotationView>(shop("ABCDE", "1"),
                                                      QXMapAnnotationView::kReuseIdentifier);
    view->setAnnotationView();
    EXPECT_EQ(view->titleLable()->text(), "ABCD");
    EXPECT_TRUE(view->isExcellentShop());
    EXPECT_EQ(view->image(), QXMapAnnotationView::normalImage(true));
    EXPECT_EQ(view->frame().size, ui::Size(87, 45));

    // Reused for an ordinary shop with a short name: nothing of the gold shop stays.
    view->setSelected(true, false);
    view->setAnnotation(shop("ABCD"));
    view->setAnnotationView();
    EXPECT_EQ(view->titleLable()->text(), "ABCD");
    EXPECT_FALSE(view->isExcellentShop());
    EXPECT_EQ(view->image(), QXMapAnnotationView::normalImage(false));
    EXPECT_EQ(view->titleLable()->textColor(), ui::Color::whiteColor());
    view->setAnnotation(shop("家", "0"));
    view->setAnnotationView();
    EXPECT_FALSE(view->isExcellentShop());

    // A touch on the bubble finds no view.
    EXPECT_EQ(view->hitTest({80, 40}, nullptr), nullptr);
    EXPECT_EQ(view->hitTest({200, 200}, nullptr), nullptr);
}

TEST(MapPinTest, ShopsWithoutACommaInTheirPlaceAreNoPins) {
    EXPECT_EQ(BasicAnnotion::fromShop({{"latlng", "31.23"}}), nullptr);
    EXPECT_EQ(BasicAnnotion::fromShop({}), nullptr);
    const auto made = BasicAnnotion::fromShop(
        {{"latlng", "31.5,121.25"}, {"id", 12}, {"postAddress", "路1号"}, {"title", "区"}});
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->coordinate(), (map::Coordinate{31.5, 121.25}));
    EXPECT_EQ(made->idString, "12");
    EXPECT_EQ(made->postAddr, "路1号");
    EXPECT_EQ(made->regionName, "区");
    EXPECT_TRUE(made->title().isEmpty()) << "no callout";
}

class SmallMapTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
    }
    std::shared_ptr<ui::Window> window_;
};

TEST_F(SmallMapTest, LocationsThatAreNoPairHideTheMap) {
    QXMapView noComma({10, 10, 300, 120}, "31.23", "家");
    EXPECT_TRUE(noComma.isHidden());
    QXMapView twoCommas({10, 10, 300, 120}, "31.23,121.47,5", "家");
    EXPECT_TRUE(twoCommas.isHidden());
    QXMapView missing({10, 10, 300, 120}, QString(), "家");
    EXPECT_TRUE(missing.isHidden());
    EXPECT_EQ(missing.mapView()->annotations().size(), 1u);
    QXMapView empty({10, 10, 300, 120}, "", "家");
    EXPECT_FALSE(empty.isHidden());
    EXPECT_TRUE(empty.mapView()->annotations().empty()) << "no pin and no region";
    QXMapView shown({10, 10, 300, 120}, "31.23,121.47", "");
    EXPECT_FALSE(shown.isHidden());
    ASSERT_EQ(shown.mapView()->annotations().size(), 1u);
    EXPECT_EQ(shown.mapView()->annotations()[0]->title(), "");
    clock().advance(1s);
    EXPECT_NEAR(shown.mapView()->region().span.latitudeDelta, 0.008, 0.008 * 0.2);
}

TEST_F(SmallMapTest, EnlargesFromItsVisiblePlaceAndShrinksBack) {
    auto list = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, 320, 416));
    list->setContentSize({320, 2000});
    window_->addSubview(list);
    auto small = std::make_shared<QXMapView>(ui::Rect(10, 500, 300, 120), "31.23,121.47", "家园");
    list->addSubview(small);
    list->setContentOffset({0, 300});
    ui::TestDriver driver(window_);
    driver.tapAt(small->convertPointToView({150, 60}, nullptr));
    clock().advance(1s);
    auto* big = dynamic_cast<QXMapView*>(window_->viewWithTag(QXMapView::kEnlargedTag));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->currentFrame(), ui::Rect(10, 500 + 64 - 300, 300, 120));
    EXPECT_EQ(big->frame(), ui::Rect(0, 20, 320, 460));
    EXPECT_TRUE(big->mapUserEnable());
    EXPECT_EQ(big->mapView()->annotations()[0]->title(), "家园");
    big->removeBigView();
    clock().advance(100ms);
    EXPECT_NE(window_->viewWithTag(QXMapView::kEnlargedTag), nullptr) << "still shrinking";
    clock().advance(1s);
    EXPECT_EQ(window_->viewWithTag(QXMapView::kEnlargedTag), nullptr);

    // Without the tap the map opens nothing.
    auto still = QXMapView::initWithMapFrame({10, 40, 300, 100}, "31.23,121.47", "家园");
    window_->addSubview(still);
    driver.tapAt({150, 90});
    clock().advance(1s);
    EXPECT_EQ(window_->viewWithTag(QXMapView::kEnlargedTag), nullptr);
}

}  // namespace
