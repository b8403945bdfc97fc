#include "AppShellFixture.h"

#include "analytics/StatClick.h"
#include "app/QXTabBarController.h"
#include "app/XXNavigationController.h"
#include "app/home/QXMainViewController.h"
#include "location/SelectedCityState.h"
#include "location/UserLocation.h"
#include "map/BasicAnnotion.h"
#include "map/QXMapDetailViewController.h"
#include "map/QXMapViewController.h"
#include "platform/location/driven_position_source.h"
#include "platform/uikit/image.h"
#include "standin/BrokerShops.h"

#include "ReferenceImage.h"

#include "platform/uikit/navigation_controller.h"

using namespace std::chrono_literals;

namespace {

class HomeShopEntryTest : public AppShellFixture {
protected:
    void TearDown() override {
        AppShellFixture::TearDown();
        loc::PositionSource::install(nullptr);
    }
    [[nodiscard]] ui::NavigationController& homeStack() {
        return static_cast<ui::NavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }
    // Opens the map from the home tab's tile, as a person does.
    std::shared_ptr<QXMapViewController> openMap() {
        auto* home = dynamic_cast<QXMainViewController*>(homeStack().topViewController().get());
        if (!home) return nullptr;
        home->onClickTag(QXMainViewController::kAgentShops);
        clock().advance(1s);
        return std::dynamic_pointer_cast<QXMapViewController>(homeStack().topViewController());
    }
    [[nodiscard]] static std::size_t pins(QXMapViewController& map) {
        std::size_t count = 0;
        for (const auto& annotation : map.mapView()->annotations()) {
            count += dynamic_cast<const BasicAnnotion*>(annotation.get()) != nullptr;
        }
        return count;
    }
};

TEST_F(HomeShopEntryTest, TheHomeTabsShopTileOpensTheShopMapAndDragBackReturnsWhenItGoes) {
    launchAfterGuide();
    auto& app = QXAppDelegate::sharedAppDelegate();
    auto& stack =
        static_cast<XXNavigationController&>(*app.tabBarController()->viewControllers().at(0));
    auto* home = dynamic_cast<QXMainViewController*>(stack.topViewController().get());
    ASSERT_NE(home, nullptr);
    home->onClickTag(QXMainViewController::kAgentShops);
    clock().advance(1s);
    ASSERT_EQ(stack.viewControllers().size(), 2u);
    auto* map = dynamic_cast<QXMapViewController*>(stack.topViewController().get());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->title(), "中介门店");
    EXPECT_FALSE(stack.canDragBack()) << "the map takes horizontal drags";

    // Closing a shop panel switches the app-wide drag-back on again; a drag over the map
    // from the left edge still moves the map and leaves the screen in place.
    map->detailMapCtr()->openDetailView();
    clock().advance(1s);
    EXPECT_FALSE(app.isShouldDragBackGesture());
    map->detailMapCtr()->closeDetailView();
    clock().advance(1s);
    EXPECT_TRUE(app.isShouldDragBackGesture());
    ui::Window& window = *app.window();
    window.touchDown({10, 240});
    window.touchMove({30, 240});
    window.touchMove({120, 240});
    window.touchMove({230, 240});
    window.touchUp({230, 240});
    clock().advance(1s);
    EXPECT_EQ(stack.viewControllers().size(), 2u);
    EXPECT_EQ(stack.topViewController().get(), map);
    EXPECT_EQ(stack.view()->frame().origin.x, 0);

    stack.popViewControllerAnimated(false);
    clock().advance(1s);
    EXPECT_TRUE(stack.canDragBack());
    EXPECT_TRUE(app.isShouldDragBackGesture());
    int entries = 0;
    for (const QVariant& record : StatClick::records()) {
        entries += record.toMap().value("id").toString() == "home_agentshop";
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(HomeShopEntryTest, WhereADemoRunPutsTheDeviceTheMapShowsTheShopsOfTheSampleCity) {
    // The device where scripts/run.sh places it, and 上海 chosen as the city.
    loc::PositionSource::install(
        std::make_shared<loc::DrivenPositionSource>(standin::BrokerShops::samplePosition()));
    defaults().setObject(QStringLiteral("2.3.0"), QStringLiteral("lastVersion"));
    defaults().setBool(true, QStringLiteral("guideShown"));
    defaults().setInteger(1, QStringLiteral("cityId"));
    launch();
    const auto map = openMap();
    ASSERT_NE(map, nullptr);
    // The fix comes, time going by as the person waits. The map sets off towards it while
    // the city of the fix is looked up; the clock stands still until the lookup is
    // answered, which moves the map once more. (Time let pass meanwhile would cut the first
    // move short at a point that depends on how fast the reply came, and ask for the shops
    // there.)
    ASSERT_TRUE(runUntilAnswered([&] { return map->mapView()->userLocation()->hasFix(); },
                                 [&] { clock().advance(100ms); }));
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return app().cityState()->userLocation()->state() == UserLocationCityKnown; }));
    // The map asks for the shops where it came to rest.
    ASSERT_TRUE(runUntilAnswered(
        [&] {
            return pins(*map) >= 3 && !map->view()->viewWithTag(QXMapViewController::kLoadingTag);
        },
        [&] { clock().advance(100ms); }));
    EXPECT_NEAR(map->mapCentre().latitude, standin::BrokerShops::kSampleLatitude, 1e-3);
    EXPECT_NEAR(map->mapCentre().longitude, standin::BrokerShops::kSampleLongitude, 1e-3);
    // Every tile on screen drawn (the stand-in draws cold ones first).
    ASSERT_TRUE(runMainLoopUntil(
        [&] {
            (void)driver().screenshot();
            return !map->mapView()->isLoadingTiles() && map->mapView()->cachedTileCount() > 0;
        },
        60s));
    // Settled: no query under way after the time the move takes.
    clock().advance(1s);
    ASSERT_TRUE(runMainLoopUntil([&] {
        clock().advance(100ms);
        return !map->view()->viewWithTag(QXMapViewController::kLoadingTag) &&
               !map->mapView()->isLoadingTiles();
    }));
    EXPECT_GE(pins(*map), 3u);
    EXPECT_TRUE(matchesReferenceImage(driver().screenshot()->pixels(), "src/app/reference",
                                      "shop_map_sample_city.png"));
}

}  // namespace
