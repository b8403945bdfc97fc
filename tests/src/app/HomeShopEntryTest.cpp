#include "AppShellFixture.h"

#include "analytics/StatClick.h"
#include "app/QXTabBarController.h"
#include "app/XXNavigationController.h"
#include "app/home/QXMainViewController.h"
#include "map/QXMapDetailViewController.h"
#include "map/QXMapViewController.h"

#include "platform/uikit/navigation_controller.h"

using namespace std::chrono_literals;

namespace {

class HomeShopEntryTest : public AppShellFixture {};

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

}  // namespace
