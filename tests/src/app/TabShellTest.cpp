#include "AppShellFixture.h"

#include "houses/list/QXPostList.h"
#include "location/CityData.h"
#include "location/SelectedCityState.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"

#include "analytics/StatClick.h"
#include "app/QXTabBarController.h"
#include "app/QXUIViewController.h"
#include "app/XXNavigationController.h"
#include "app/home/QXMainViewController.h"
#include "chat/QXChatListController.h"
#include "chat/QXMessageController.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/table_view.h"
#include "ui/image/IKImageManager.h"

#include "ReferenceImage.h"

namespace {

class TabShellTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
    }

    [[nodiscard]] QXTabBarController& tabs() { return *app().tabBarController(); }
    [[nodiscard]] XXNavigationController& stack(std::size_t index) {
        return static_cast<XXNavigationController&>(*tabs().viewControllers().at(index));
    }
    [[nodiscard]] int tabEvents() const {
        int count = 0;
        for (const QVariant& record : StatClick::records()) {
            if (record.toMap().value("id").toString().endsWith("_show")) ++count;
        }
        return count;
    }
    void push(std::size_t tab) { stack(tab).pushViewController(plainScreen("detail"), false); }
};

TEST_F(TabShellTest, TheChatBadgeHidesAtZeroAndWidensFromTen) {
    tabs().addUnReadIconWithNumber(9);
    EXPECT_FALSE(tabs().iconLabel()->isHidden());
    EXPECT_EQ(tabs().iconLabel()->text(), "9");
    EXPECT_EQ(tabs().iconImageView()->frame(), ui::Rect(51, 0, 22, 22));

    tabs().addUnReadIconWithNumber(10);
    EXPECT_EQ(tabs().iconLabel()->text(), "10");
    EXPECT_EQ(tabs().iconImageView()->frame().size.width, 30.5);
    EXPECT_EQ(tabs().iconLabel()->frame().size.width, 30.5);

    tabs().addUnReadIconWithNumber(99);
    EXPECT_EQ(tabs().iconLabel()->text(), "99");
    tabs().addUnReadIconWithNumber(100);
    EXPECT_EQ(tabs().iconLabel()->text(), "99+");
    tabs().addUnReadIconWithNumber(150);
    EXPECT_EQ(tabs().iconLabel()->text(), "99+");
    EXPECT_EQ(tabs().iconImageView()->superview(), tabs().button(1));

    tabs().addUnReadIconWithNumber(0);
    EXPECT_TRUE(tabs().iconLabel()->isHidden());
    EXPECT_TRUE(tabs().iconImageView()->isHidden());
}

TEST_F(TabShellTest, SelectingATabRecordsOneEventAndRetappingPopsToTheRoot) {
    const int before = tabEvents();
    ASSERT_TRUE(driver().tap(tabs().button(2)));
    EXPECT_EQ(tabs().selectedIndex(), 2u);
    EXPECT_TRUE(tabs().button(2)->isSelected());
    EXPECT_FALSE(tabs().button(0)->isSelected());
    EXPECT_EQ(tabEvents(), before + 1);
    EXPECT_EQ(StatClick::records().last().toMap().value("id"), "houses record_show");

    push(2);
    push(2);
    ASSERT_EQ(stack(2).viewControllers().size(), 3u);
    // The pushed screens fade the custom bar out; it is not tappable then, so the second tap
    // comes by program as the button would send it.
    tabs().setSelectedIndex(2);
    driver().wait(1);
    EXPECT_EQ(stack(2).viewControllers().size(), 1u);
    EXPECT_TRUE(stack(2).screenShotList().empty());
    EXPECT_EQ(tabEvents(), before + 1);
}

TEST_F(TabShellTest, ThePlatformTabBarStaysHiddenAndTheCustomBarFades) {
    for (const auto& subview : tabs().view()->subviews()) {
        if (auto* bar = dynamic_cast<ui::TabBar*>(subview.get())) {
            bar->setHidden(false);
            EXPECT_TRUE(bar->isHidden());
        }
    }
    const ui::Layer& bar = *tabs().tabCellView()->layer();
    ns::NotificationCenter::defaultCenter().post(kQXHideTableBarNotification);
    EXPECT_EQ(tabs().tabCellView()->alpha(), 0);
    // Easing in, the bar is still more than half there halfway through the 0.27 s fade.
    clock().advance(ns::seconds(0.135));
    EXPECT_GT(bar.presentation().opacity, 0.5);
    EXPECT_LT(bar.presentation().opacity, 1);
    clock().advance(ns::seconds(0.135));
    EXPECT_EQ(bar.presentation().opacity, 0);

    ns::NotificationCenter::defaultCenter().post(kQXShowTableBarNotification);
    EXPECT_EQ(tabs().tabCellView()->alpha(), 1);
    EXPECT_EQ(bar.presentation().opacity, 1);

    // Shown again in the middle of a fade: there at once, not after the fade has run out.
    ns::NotificationCenter::defaultCenter().post(kQXHideTableBarNotification);
    clock().advance(ns::seconds(0.1));
    ns::NotificationCenter::defaultCenter().post(kQXShowTableBarNotification);
    EXPECT_EQ(bar.presentation().opacity, 1);
}

TEST_F(TabShellTest, AnyScreenThatHidesTheBottomBarFadesTheCustomBar) {
    auto plain = std::make_shared<ui::ViewController>();
    plain->setHidesBottomBarWhenPushed(true);
    stack(0).pushViewController(plain, true);
    driver().wait(1);
    EXPECT_EQ(tabs().tabCellView()->alpha(), 0);
    stack(0).popViewControllerAnimated(true);
    driver().wait(1);
    EXPECT_EQ(tabs().tabCellView()->alpha(), 1);
}

TEST_F(TabShellTest, TheNoticeBadgeAddsBothUnreadCounts) {
    defaults().setInteger(60, "TongZhiNoReadNum");
    defaults().setInteger(50, "ImNoReadNum");
    tabs().TabBarHidePushCount();
    EXPECT_FALSE(tabs().pushCountImg()->isHidden());
    EXPECT_EQ(tabs().btn4Lable()->text(), "99+");
    EXPECT_EQ(tabs().pushCountImg()->frame().size.width, 35);

    // Exactly 100 is past what two digits say; 99 is not.
    defaults().setInteger(40, "ImNoReadNum");
    tabs().TabBarHidePushCount();
    EXPECT_EQ(tabs().btn4Lable()->text(), "99+");
    EXPECT_EQ(tabs().pushCountImg()->frame().size.width, 35);
    defaults().setInteger(39, "ImNoReadNum");
    tabs().TabBarHidePushCount();
    EXPECT_EQ(tabs().btn4Lable()->text(), "99");
    EXPECT_EQ(tabs().pushCountImg()->frame().size.width, 30);

    defaults().setInteger(0, "ImNoReadNum");
    tabs().TabBarHidePushCount();
    EXPECT_EQ(tabs().btn4Lable()->text(), "60");
    defaults().setInteger(0, "TongZhiNoReadNum");
    tabs().TabBarHidePushCount();
    EXPECT_TRUE(tabs().pushCountImg()->isHidden());
}

TEST_F(TabShellTest, EachTabIsADragBackStackAndTheUserCentreWorks) {
    const QStringList titles = {"首页", "沟通", "看房记", "个人中心"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NE(dynamic_cast<XXNavigationController*>(tabs().viewControllers().at(i).get()),
                  nullptr);
        EXPECT_EQ(tabs().viewControllers().at(i)->tabBarItem()->title(), titles.at(int(i)));
    }
    // The chat tab lists the talks; the service account's welcome is the first.
    ASSERT_TRUE(driver().tap(tabs().button(1)));
    driver().wait(0.5);
    auto& chats = static_cast<ui::NavigationController&>(*tabs().viewControllers().at(1));
    const auto* list = dynamic_cast<QXChatListController*>(chats.viewControllers().front().get());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return !list->chatData().isEmpty(); }));
    ASSERT_TRUE(driver().tapText(QStringLiteral("Nevoru找房客服")) ||
                driver().tap(list->chatTable()->visibleCells().front()));
    driver().wait(0.5);
    EXPECT_NE(dynamic_cast<QXMessageController*>(chats.topViewController().get()), nullptr);
    chats.popToRootViewControllerAnimated(false);
    ASSERT_TRUE(driver().tap(tabs().button(3)));
    driver().wait(0.5);
    EXPECT_NE(driver().findByText(QStringLiteral("未登录")), nullptr);
    ASSERT_TRUE(driver().tapText(QStringLiteral("登录")));
    ASSERT_TRUE(runMainLoopUntil([&] { return app().userInfo()->logonSuccess(); }));
    EXPECT_TRUE(defaults().boolForKey("lastLogonState"));
    EXPECT_GT(defaults().integerForKey("loginID"), 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return driver().findByText(QStringLiteral("退出登录")); }));
    ASSERT_TRUE(driver().tapText(QStringLiteral("退出登录")));
    EXPECT_FALSE(app().userInfo()->logonSuccess());
    EXPECT_FALSE(defaults().objectForKey("loginID").isValid());
}

TEST_F(TabShellTest, TheHomeTilesOpenThePostListsOfTheCity) {
    ASSERT_TRUE(
        runMainLoopUntil([&] { return app().cityState()->cityData()->currentCity() != nullptr; }));
    ASSERT_TRUE(driver().tapText(QStringLiteral("好房子")));
    driver().wait(0.5);
    auto* navigation =
        dynamic_cast<ui::NavigationController*>(tabs().viewControllers().front().get());
    ASSERT_NE(navigation, nullptr);
    auto list = std::dynamic_pointer_cast<QXPostList>(navigation->topViewController());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->majorId(), 1);
    ASSERT_TRUE(runUntilAnswered([&] { return list->paging().nowListNum > 0; },
                                 [&] { driver().wait(0.1); }));
    EXPECT_EQ(list->paging().contentArray.first().toMap()["district_name"].toString().isEmpty(),
              false);
}

class TabShellScreenshotTest : public AppShellFixture {};

TEST_F(TabShellScreenshotTest, AFreshSandboxShowsTheGuideThenTheCityChooserThenTheTabShell) {
    launch();
    // The shell is up as soon as the launch returns, under the guide and the city chooser.
    ASSERT_NE(app().tabBarController(), nullptr);
    EXPECT_EQ(app().window()->rootViewController(), app().tabBarController());
    ASSERT_TRUE(driver().tapText(QStringLiteral("开始找房")));
    ASSERT_TRUE(runMainLoopUntil([&] { return !driver().findByClassName("QXNewGuidView"); }));
    driver().wait(1);
    const auto chooser = app().tabBarController()->presentedViewController();
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(chooser->childViewControllers().front()->className(), "HotCitySelect");
    // A city can be chosen once the installation has its user id from the server.
    ASSERT_TRUE(runMainLoopUntil([&] { return app().hasUserId(); }));
    ASSERT_TRUE(driver().tapText(QStringLiteral("北京")));
    ASSERT_TRUE(
        runUntilAnswered([&] { return !app().tabBarController()->presentedViewController(); },
                         [&] { driver().wait(0.1); }));
    EXPECT_GE(app().currentCityScript_index(), 0);
    // The home screen shows the server's banners.
    const auto& home =
        static_cast<ui::NavigationController&>(*app().tabBarController()->viewControllers().at(0));
    ASSERT_TRUE(runMainLoopUntil([&] {
        return static_cast<QXMainViewController&>(*home.viewControllers().front())
                   .dataArray()
                   .size() == 5;
    }));
    // ...and the first banner's picture.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return !defaults().dataForKey(QStringLiteral("BannerDataImage_0")).isEmpty() &&
               !IKImageManager::sharedManager().isRunning();
    }));
    // The carousel pages on its own as the clock runs, and the waits above advanced the clock
    // as long as the machine took: the picture shows the first page, still.
    auto& homeScreen = static_cast<QXMainViewController&>(*home.viewControllers().front());
    homeScreen.mainCycleView()->stop();
    if (homeScreen.mainCycleView()->currentPageIndex() != 0) {
        homeScreen.mainCycleView()->reloadData();
        ASSERT_TRUE(runMainLoopUntil([&] { return !IKImageManager::sharedManager().isRunning(); }));
    }
    // The chat tab counts the service account's two unread welcome messages.
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return !app().tabBarController()->iconLabel()->isHidden() &&
               app().tabBarController()->iconLabel()->text() == "2";
    }));
    drainMainLoop();
    const auto shot = driver().screenshot();
    ASSERT_TRUE(shot);
    EXPECT_TRUE(matchesReferenceImage(shot->pixels(), "src/app/reference", "tab_shell_fresh.png"));
}

}  // namespace
