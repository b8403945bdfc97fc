#include "AppShellFixture.h"

#include "analytics/StatClick.h"
#include "app/QXTabBarController.h"
#include "app/QXUtil.h"
#include "app/XXNavigationController.h"
#include "app/categories/UINavigationItem+iOS7Spacing.h"
#include "app/categories/UIView+Addition.h"
#include "app/categories/UIViewController+Loading.h"
#include "app/statistics/StatisticsEventIds.h"
#include "app/statistics/StatisticsForAnalytics.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/network_reachability.h"
#include "platform/foundation/property_list.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/control.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_controller.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

class ShellWidgetsTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
    }
    [[nodiscard]] ui::ViewController& homeScreen() {
        auto& stack = static_cast<XXNavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
        return *stack.topViewController();
    }
    [[nodiscard]] static int countTagged(ui::View& view, int tag) {
        int count = 0;
        for (const auto& subview : view.subviews()) count += subview->tag() == tag ? 1 : 0;
        return count;
    }
};

TEST_F(ShellWidgetsTest, OneLoadingOverlayAtATime) {
    ui::ViewController& screen = homeScreen();
    UIViewControllerLoading::RemoveLoading(screen);  // none yet: nothing happens
    UIViewControllerLoading::AddLoading(screen);
    UIViewControllerLoading::AddLoadingWithMessage(screen, "加载中");
    EXPECT_EQ(countTagged(*screen.view(), LoadingOverlay::kTag), 1);
    ui::View* overlay = screen.view()->viewWithTag(LoadingOverlay::kTag);
    EXPECT_EQ(overlay->frame().size, screen.view()->bounds().size);
    ui::View* indicator = overlay->viewWithTag(UIViewControllerLoading::kIndicatorTag);
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->center(),
              ui::Point(overlay->frame().size.width / 2, overlay->frame().size.height / 2));
    UIViewControllerLoading::RemoveLoading(screen);
    EXPECT_EQ(screen.view()->viewWithTag(LoadingOverlay::kTag), nullptr);
}

TEST_F(ShellWidgetsTest, TextButtonsWidenFromThreeCharactersAndSitBehindTheSpacer) {
    ui::ViewController& screen = homeScreen();
    auto containerWidth = [](const std::vector<std::shared_ptr<ui::BarButtonItem>>& items) {
        return items.back()->customView()->frame().size.width;
    };
    UIViewControllerNavigation::setNavigationLeftButton(screen, {}, "取消");
    EXPECT_EQ(containerWidth(screen.navigationItem().leftBarButtonItems()), 55);
    UIViewControllerNavigation::setNavigationLeftButton(screen, {}, "重新选");
    EXPECT_EQ(containerWidth(screen.navigationItem().leftBarButtonItems()), 63);
    UIViewControllerNavigation::setNavigationRightButton(screen, {}, "完成");
    EXPECT_EQ(containerWidth(screen.navigationItem().rightBarButtonItems()), 60);
    UIViewControllerNavigation::setNavigationRightButton(screen, {}, "全部清", true);
    EXPECT_EQ(containerWidth(screen.navigationItem().rightBarButtonItems()), 68);
    // Custom-view items get the -11 point spacer in front of them.
    ASSERT_EQ(screen.navigationItem().rightBarButtonItems().size(), 2u);
    EXPECT_EQ(screen.navigationItem().rightBarButtonItems().front()->width(), -11);
    int tapped = 0;
    UIViewControllerNavigation::setNavigationBackButton(screen, [&] { ++tapped; });
    ASSERT_TRUE(driver().tap(driver().findByTag(UIViewControllerNavigation::kBackButtonTag)));
    EXPECT_EQ(tapped, 1);
}

TEST_F(ShellWidgetsTest, ThePaymentCheckAnswersItsButtonsAndFadesOutWhenTappedOutside) {
    int finished = 0;
    UIViewControllerLoading::AddPayWapLoading({}, [&] { ++finished; });
    ASSERT_TRUE(driver().tapText(QStringLiteral("完成支付")));
    EXPECT_EQ(finished, 1);
    driver().tapAt(ui::Point(10, 10));
    ASSERT_NE(app().window()->viewWithTag(LoadingOverlay::kTag), nullptr);
    clock().advance(ns::seconds(0.5));
    EXPECT_EQ(app().window()->viewWithTag(LoadingOverlay::kTag), nullptr);

    UIViewControllerLoading::AddErShouLoading();
    EXPECT_EQ(app().window()->viewWithTag(LoadingOverlay::kTag)->frame(),
              ui::Rect(0, 64, 320, 416));
    UIViewControllerLoading::RemoveErShouLoading();
    EXPECT_EQ(app().window()->viewWithTag(LoadingOverlay::kTag), nullptr);
}

TEST_F(ShellWidgetsTest, TwoImageButtonsShareOneRightItem) {
    int first = 0, second = 0;
    UIViewControllerNavigation::setNavigationRightButtons(
        homeScreen(), [&] { ++first; }, "a", "a", [&] { ++second; }, "b", "b");
    const auto item = homeScreen().navigationItem().rightBarButtonItems().back();
    ASSERT_EQ(item->customView()->frame().size, ui::Size(85, 32));
    auto* secondButton = dynamic_cast<ui::Control*>(item->customView()->subviews().at(1).get());
    ASSERT_NE(secondButton, nullptr);
    ASSERT_TRUE(driver().tap(secondButton));
    EXPECT_EQ(second, 1);
    EXPECT_EQ(first, 0);
}

TEST_F(ShellWidgetsTest, ATitleLabelOnlyForATitle) {
    ui::ViewController& screen = homeScreen();
    const auto before = screen.navigationItem().titleView();
    UIViewControllerNavigation::setNavTitle(screen, QString());
    EXPECT_EQ(screen.navigationItem().titleView(), before);
    UIViewControllerNavigation::setNavTitle(screen, "标题");
    EXPECT_EQ(screen.navigationItem().titleView()->shownText(), "标题");
}

TEST(NavigationItemSpacing, PlainItemsKeepTheirPlaceAndListsGetTheSpacer) {
    using UINavigationItemSpacing::spaced;
    auto custom = ui::BarButtonItem::itemWithCustomView(std::make_shared<ui::View>());
    auto plain =
        ui::BarButtonItem::itemWithTitle(QStringLiteral("编辑"), ui::BarButtonItemStyle::Plain, {});
    EXPECT_EQ(spaced({custom}, true, true).size(), 2u);
    EXPECT_EQ(spaced({plain}, true, true).size(), 1u);
    EXPECT_TRUE(spaced({}, true, true).empty());
    EXPECT_EQ(spaced({plain, custom}, false, true).size(), 3u);
    EXPECT_EQ(spaced({custom}, true, false).size(), 1u);
}

TEST_F(ShellWidgetsTest, FloatingMessagesReplaceEachOtherAndGoAfterThreeSeconds) {
    ui::View& window = *app().window();
    UIViewAddition::showFloatMessgeZP(window, "短");
    UIViewAddition::showFloatMessgeZP(window, "一条很长很长很长很长很长很长很长很长的消息");
    EXPECT_EQ(countTagged(window, UIViewAddition::kFloatMessageTag), 1);
    ui::View* message = window.viewWithTag(UIViewAddition::kFloatMessageTag);
    EXPECT_EQ(message->frame(), ui::Rect(10, 480 - 93, 300, 33));
    clock().advance(ns::seconds(3));
    EXPECT_EQ(countTagged(window, UIViewAddition::kFloatMessageTag), 0);
    UIViewAddition::showFloatMessgeZP(window, "短");
    EXPECT_EQ(window.viewWithTag(UIViewAddition::kFloatMessageTag)->frame().size.width, 100);
}

TEST(ViewAddition, EdgeSettersMoveWithoutResizing) {
    ui::View view(ui::Rect(5, 6, 40, 30));
    UIViewAddition::setRight(view, 100);
    EXPECT_EQ(view.frame(), ui::Rect(60, 6, 40, 30));
    UIViewAddition::setBottom(view, 100);
    EXPECT_EQ(view.frame(), ui::Rect(60, 70, 40, 30));
    UIViewAddition::setWidth(view, 10);
    EXPECT_EQ(UIViewAddition::right(view), 70);
    UIViewAddition::setCenterX(view, 0);
    EXPECT_EQ(UIViewAddition::left(view), -5);

    auto image =
        std::make_shared<ui::ImageView>(ui::Image::imageWithColor(ui::Color::redColor(), {2, 2}));
    view.addSubview(std::make_shared<ui::View>());
    view.addSubview(image);
    UIViewAddition::removeAllSubviews(view);
    EXPECT_TRUE(view.subviews().empty());
    EXPECT_EQ(image->image(), nullptr);
    UIViewAddition::removeAllSubviews(view);
}

TEST_F(ShellWidgetsTest, APlainTabBarMovesOutOfViewAndBack) {
    auto tabs = std::make_shared<ui::TabBarController>();
    tabs->setViewControllers(
        {std::make_shared<ui::ViewController>(), std::make_shared<ui::ViewController>()});
    ui::Window window;
    window.setRootViewController(tabs);
    window.layoutIfNeeded();
    ui::TabBar* bar = tabs->tabBar();
    QXUtil::HideTabBar(*tabs);
    EXPECT_EQ(bar->frame().origin.y, 480);
    EXPECT_EQ(tabs->selectedViewController()->view()->frame().size.height, 480);
    QXUtil::ShowTabBar(*tabs);
    EXPECT_EQ(bar->frame().origin.y, 480 - ui::TabBar::kHeight);
    EXPECT_EQ(tabs->selectedViewController()->view()->frame().size.height,
              480 - ui::TabBar::kHeight);
}

TEST_F(ShellWidgetsTest, ViewFactoriesOfTheUtilities) {
    auto stars = QXUtil::starViewByLevel(2, 5);
    EXPECT_EQ(stars->frame().size, ui::Size(50, 10));
    ASSERT_EQ(stars->subviews().size(), 5u);
    const auto coloured = ui::Image::imageNamed(QStringLiteral("彩色五星"));
    const auto grey = ui::Image::imageNamed(QStringLiteral("灰色五星"));
    ASSERT_NE(coloured, nullptr);
    ASSERT_NE(grey, nullptr);
    for (std::size_t i = 0; i < 5; ++i) {
        auto* star = dynamic_cast<ui::ImageView*>(stars->subviews()[i].get());
        ASSERT_NE(star, nullptr);
        EXPECT_EQ(star->frame().origin.x, double(i) * 10);
        EXPECT_EQ(star->image(), i < 2 ? coloured : grey) << i;
    }

    auto loading = QXUtil::qxLoadingViewWithRect(ui::Rect(0, 0, 320, 400), QString());
    EXPECT_EQ(loading->tag(), 9527);
    auto* tip = dynamic_cast<ui::Label*>(loading->viewWithTag(999999));
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->text().isEmpty());
    loading = QXUtil::qxLoadingViewWithRect(ui::Rect(0, 0, 320, 400), QStringLiteral("正在加载"));
    tip = dynamic_cast<ui::Label*>(loading->viewWithTag(999999));
    EXPECT_EQ(tip->text(), QStringLiteral("正在加载..."));

    // The responder chain: a view finds the screen it belongs to, and nothing past the end.
    ui::ViewController& screen = homeScreen();
    auto inner = std::make_shared<ui::View>();
    screen.view()->addSubview(inner);
    EXPECT_EQ(QXUtil::getNextResponderWithResponder(inner.get(), screen.className()), &screen);
    EXPECT_EQ(QXUtil::getNextResponderWithResponder(inner.get(), "NoSuchClass"), nullptr);
    inner->removeFromSuperview();
}

TEST_F(ShellWidgetsTest, ADelayedNoticeShowsOnTheWindowOnlyAfterItsDelay) {
    ui::View& window = *app().window();
    QXUtil::showAutoHideAlertViewWithMessage(QStringLiteral("稍后"), 2);
    EXPECT_EQ(countTagged(window, UIViewAddition::kFloatMessageTag), 0);
    clock().advance(ns::seconds(1.9));
    EXPECT_EQ(countTagged(window, UIViewAddition::kFloatMessageTag), 0);
    clock().advance(ns::seconds(0.1));
    EXPECT_EQ(countTagged(window, UIViewAddition::kFloatMessageTag), 1);
    QXUtil::showAutoHideAlertViewWithMessage(QStringLiteral("现在"));
    EXPECT_EQ(countTagged(window, UIViewAddition::kFloatMessageTag), 1);
    EXPECT_NE(driver().findByText(QStringLiteral("现在")), nullptr);
}

TEST_F(ShellWidgetsTest, NetworkStatusFollowsWifiAndTheDefaultRoute) {
    using Flags = ns::NetworkReachability;
    app().evaluateDefaultRoute(Flags::kReachable | Flags::kConnectionRequired);
    EXPECT_FALSE(app().connectionReachabil());
    app().evaluateDefaultRoute(Flags::kReachable | Flags::kConnectionRequired | Flags::kIsWWAN);
    EXPECT_TRUE(app().connectionReachabil());
    app().evaluateDefaultRoute(std::nullopt);  // unreadable: kept
    EXPECT_TRUE(app().connectionReachabil());
    app().updateInterfaceWithReachability(0);
    EXPECT_EQ(app().netType(), 2);
    app().updateInterfaceWithReachability(1);
    EXPECT_EQ(app().netType(), 3);
    EXPECT_FALSE(app().useWifi());
    app().updateInterfaceWithReachability(2);
    EXPECT_TRUE(app().useWifi());
    EXPECT_EQ(app().netType(), 1);

    app().evaluateDefaultRoute(0);
    EXPECT_FALSE(app().connectionReachabil());
    app().updateInterfaceWithReachability(1);  // cellular without a route: type kept
    EXPECT_EQ(app().netType(), 1);
    app().updateInterfaceWithReachability(0);
    EXPECT_EQ(app().netType(), 0);
}

TEST_F(ShellWidgetsTest, TheNetworkStatusFollowsTheDevicesLinksFromLaunchOn) {
    using Flags = ns::NetworkReachability;
    struct Simulation {
        ~Simulation() { Flags::clearSimulatedFlags(); }
    } simulation;
    // Launched with no network at all.
    Flags::setSimulatedFlags(0);
    launch();
    EXPECT_FALSE(app().connectionReachabil());
    EXPECT_FALSE(app().useWifi());
    EXPECT_EQ(app().netType(), 0);

    // A local network comes up: both sources hear of it, each through its own road.
    Flags::setSimulatedFlags(Flags::kReachable);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return app().connectionReachabil() && app().useWifi() && app().netType() == 1; }));

    // Only the cellular network is left.
    Flags::setSimulatedFlags(Flags::kReachable | Flags::kIsWWAN);
    ASSERT_TRUE(runMainLoopUntil([&] { return !app().useWifi() && app().netType() == 3; }));
    EXPECT_TRUE(app().connectionReachabil());

    // Every link goes: the route is heard first, so the type becomes 0, not 2.
    Flags::setSimulatedFlags(0);
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !app().connectionReachabil() && app().netType() == 0; }));
}

TEST_F(ShellWidgetsTest, EventsAndTheStatisticsBufferReachTheirFiles) {
    StatisticsForAnalytics::event("x", StatisticsException{"", "", {{"k", "v"}}});
    StatisticsForAnalytics::event("y", StatisticsException{"Bad", "because", {}});
    const QVariantList records = StatClick::records();
    EXPECT_EQ(records[records.size() - 2].toMap().value("attributes").toMap(),
              (QVariantMap{{"k", "v"}}));
    EXPECT_EQ(records.last().toMap().value("attributes").toMap(),
              (QVariantMap{{"name", "Bad"}, {"reason", "because"}}));
    EXPECT_EQ(StatisticsEventIds::table().size(), 119);
    EXPECT_EQ(StatisticsEventIds::at(118), "pviewer_lastpage_call");
    EXPECT_TRUE(StatisticsEventIds::at(119).isEmpty());

    const QString file = QXUtil::pathForDocumentWithFilename("statistics");
    Statistics::getInstance().timeToSave();
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(file));
    Statistics::getInstance().setLogArray({"a"});
    clock().advance(ns::seconds(Statistics::kSaveInterval));
    EXPECT_EQ(ns::arrayWithContentsOfFile(file).value_or(QVariantList()), QVariantList{"a"});
}

}  // namespace
