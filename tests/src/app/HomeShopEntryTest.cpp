#include "AppShellFixture.h"

#include "analytics/StatClick.h"
#include "app/QXTabBarController.h"
#include "app/home/QXMainViewController.h"
#include "map/QXMapViewController.h"

#include "platform/uikit/navigation_controller.h"

using namespace std::chrono_literals;

namespace {

class HomeShopEntryTest : public AppShellFixture {};

TEST_F(HomeShopEntryTest, TheHomeTabsShopTileOpensTheShopMapAndDragBackReturnsWhenItGoes) {
    launchAfterGuide();
    auto& app = QXAppDelegate::sharedAppDelegate();
    auto& stack =
        static_cast<ui::NavigationController&>(*app.tabBarController()->viewControllers().at(0));
    auto* home = dynamic_cast<QXMainViewController*>(stack.topViewController().get());
    ASSERT_NE(home, nullptr);
    home->onClickTag(QXMainViewController::kAgentShops);
    clock().advance(1s);
    ASSERT_EQ(stack.viewControllers().size(), 2u);
    auto* map = dynamic_cast<QXMapViewController*>(stack.topViewController().get());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->title(), "中介门店");
    EXPECT_FALSE(app.isShouldDragBackGesture()) << "the map takes horizontal drags";
    stack.popViewControllerAnimated(false);
    clock().advance(1s);
    EXPECT_TRUE(app.isShouldDragBackGesture());
    int entries = 0;
    for (const QVariant& record : StatClick::records()) {
        entries += record.toMap().value("id").toString() == "home_agentshop";
    }
    EXPECT_EQ(entries, 1);
}

}  // namespace
