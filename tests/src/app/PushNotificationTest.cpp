#include "AppShellFixture.h"

#include "account/QXHouseNewsViewController.h"
#include "analytics/StatClick.h"
#include "app/QXTabBarController.h"
#include "app/WebHelp.h"
#include "chat/QXInputTelPhoneNumberViewController.h"
#include "houses/photos/ImageScrollPageController.h"
#include "needs/QXNeedHistoryListController.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/text_field.h"

#include <chrono>

namespace {

class PushNotificationTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
    }

    [[nodiscard]] ui::Application& application() { return ui::Application::sharedApplication(); }
    [[nodiscard]] QXTabBarController& tabs() { return *app().tabBarController(); }
    [[nodiscard]] ui::NavigationController& stack(std::size_t tab) {
        return static_cast<ui::NavigationController&>(*tabs().viewControllers().at(tab));
    }
    [[nodiscard]] ui::NavigationController& selectedStack() {
        return stack(tabs().selectedIndex());
    }
    // A push the user tapped: it reaches the app on its way back from the background.
    void tap(const QVariantMap& payload) {
        if (application().applicationState() == ui::ApplicationState::Active) {
            application().moveToBackground();
        }
        application().receiveRemoteNotification(payload);
    }
    [[nodiscard]] int events(const QString& id) const {
        int count = 0;
        for (const QVariant& record : StatClick::records()) {
            if (record.toMap().value("id").toString() == id) ++count;
        }
        return count;
    }
    [[nodiscard]] int screensOf(const ui::NavigationController& nav, const QString& kind) const {
        int count = 0;
        for (const auto& screen : nav.viewControllers()) count += screen->className() == kind;
        return count;
    }
    void pushDetail(std::size_t tab) { stack(tab).pushViewController(plainScreen("d"), false); }
};

TEST_F(PushNotificationTest, TwoNewsPushesLeaveOneNewsScreen) {
    tap({{"type", "8"}});
    EXPECT_EQ(events("pushmessage_notIM_show"), 1);
    auto* news =
        dynamic_cast<QXHouseNewsViewController*>(selectedStack().topViewController().get());
    ASSERT_NE(news, nullptr);
    EXPECT_TRUE(news->isFromPush());
    tap({{"type", "8"}});
    EXPECT_EQ(screensOf(selectedStack(), "QXHouseNewsViewController"), 1);
    EXPECT_EQ(selectedStack().viewControllers().size(), 2u);
}

TEST_F(PushNotificationTest, ANewsPushOverAListTheUserOpenedLeavesTheirListInPlace) {
    auto mine = std::make_shared<QXHouseNewsViewController>();
    stack(0).pushViewController(mine, false);
    for (int push = 0; push < 2; ++push) {
        tap({{"type", "8"}});
        ASSERT_EQ(selectedStack().viewControllers().size(), 3u) << "push " << push;
        EXPECT_EQ(selectedStack().viewControllers().at(1), mine);
        auto* pushed =
            dynamic_cast<QXHouseNewsViewController*>(selectedStack().topViewController().get());
        ASSERT_NE(pushed, nullptr);
        EXPECT_TRUE(pushed->isFromPush());
        EXPECT_FALSE(mine->isFromPush());
    }
}

TEST_F(PushNotificationTest, AChatPushReturnsTheOldTabToItsRootAndSelectsTheChats) {
    pushDetail(0);
    pushDetail(0);
    tap({{"type", "1"}});
    EXPECT_EQ(tabs().selectedIndex(), 1u);
    EXPECT_EQ(stack(0).viewControllers().size(), 1u);
    EXPECT_EQ(events("pushmessage_show"), 1);
}

TEST_F(PushNotificationTest, APhotoPagerOverTheTabIsTakenDownBeforeItReturnsToItsRoot) {
    pushDetail(0);
    auto pager = std::make_shared<ImageScrollPageController>(QStringList{"a.jpg"}, 0);
    auto photos = std::make_shared<ui::NavigationController>();
    photos->setViewControllers({pager}, false);
    stack(0).topViewController()->presentViewController(photos, false);
    driver().wait(1);
    ASSERT_EQ(tabs().presentedViewController(), photos);
    tap({{"type", "1"}});
    EXPECT_FALSE(tabs().presentedViewController());
    EXPECT_EQ(stack(0).viewControllers().size(), 1u);
}

TEST_F(PushNotificationTest, AWebPushOpensItsAddressAndAHomePushTheHomeTab) {
    tap({{"type", "3"}, {"url", "http://example.invalid/page.html"}});
    auto* page = dynamic_cast<WebHelp*>(selectedStack().topViewController().get());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->url(), "http://example.invalid/page.html");
    EXPECT_EQ(page->titleString(), "Nevoru找房");
    EXPECT_TRUE(page->isFromPush());

    tabs().setSelectedIndex(2);
    pushDetail(2);
    tap({{"type", "7"}});
    EXPECT_EQ(tabs().selectedIndex(), 0u);
    EXPECT_EQ(stack(2).viewControllers().size(), 1u);
}

TEST_F(PushNotificationTest, ANeedPushOpensTheNeedList) {
    tap({{"type", "12"}});
    auto* needs =
        dynamic_cast<QXNeedHistoryListController*>(selectedStack().topViewController().get());
    ASSERT_NE(needs, nullptr);
    EXPECT_EQ(needs->title(), "找房意向");
    EXPECT_TRUE(needs->isFromPush());
    EXPECT_EQ(events("subscribe_push_detail"), 1);
    // A second push replaces the list it opened instead of stacking another.
    const auto screens = selectedStack().viewControllers().size();
    tap({{"type", "12"}});
    EXPECT_EQ(selectedStack().viewControllers().size(), screens);
}

TEST_F(PushNotificationTest, UnknownOrMissingTypesGoNowhere) {
    pushDetail(0);
    for (const QVariantMap& payload :
         {QVariantMap{{"type", "99"}}, QVariantMap{{"url", "http://x"}},
          QVariantMap{{"type", ""}}}) {
        tap(payload);
        EXPECT_TRUE(app().applicationRun());
    }
    EXPECT_EQ(tabs().selectedIndex(), 0u);
    EXPECT_EQ(stack(0).viewControllers().size(), 2u);
    EXPECT_EQ(app().window()->viewWithTag(QXAppDelegate::kPushBannerTag), nullptr);
}

TEST_F(PushNotificationTest, APushInUseAfterABackgroundTripShowsTheBannerForOneAndAHalfSeconds) {
    application().moveToBackground();
    application().returnToForeground();
    ASSERT_EQ(application().applicationState(), ui::ApplicationState::Active);
    application().receiveRemoteNotification({{"type", "8"}});

    EXPECT_EQ(selectedStack().viewControllers().size(), 1u) << "an in-use push does not navigate";
    ui::View* banner = app().window()->viewWithTag(QXAppDelegate::kPushBannerTag);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->frame(), ui::Rect(180, 0, 140, 20));
    EXPECT_EQ(events("pushmessage_notIM_click"), 1);
    EXPECT_EQ(events("pushmessage_click"), 1);
    clock().advance(std::chrono::milliseconds(1400));
    EXPECT_NE(app().window()->viewWithTag(QXAppDelegate::kPushBannerTag), nullptr);
    clock().advance(std::chrono::milliseconds(100));
    EXPECT_EQ(app().window()->viewWithTag(QXAppDelegate::kPushBannerTag), nullptr);
    EXPECT_EQ(app().window()->windowLevel(), 0);
}

// A push that arrives while the deal record's alert refuses a number shows its banner on top
// of the window, above the alert; the alert still covers the number's field: neither the
// desktop's keys nor the number pad reach it until the alert is answered, banner or not.
TEST_F(PushNotificationTest, ABannerAboveTheDealRecordsAlertLetsNoKeyReachTheNumberBeneath) {
    ASSERT_EQ(application().applicationState(), ui::ApplicationState::Active);
    QXAppState::shared()->setConnectionReachabil(true);
    auto screen = std::make_shared<QXInputTelPhoneNumberViewController>();
    selectedStack().pushViewController(screen, false);
    driver().wait(0.5);
    ui::TextField* field = screen->telePhoneField();
    ASSERT_TRUE(driver().tap(field));
    ASSERT_TRUE(driver().type("123"));
    ASSERT_TRUE(driver().tapText("确定"));
    ui::AlertTestDriver alerts(driver());
    ASSERT_NE(alerts.visibleAlert(), nullptr);
    EXPECT_EQ(alerts.visibleAlert()->message(), QXInputTelPhoneNumberViewController::kBadNumber);
    driver().wait(0.3);

    application().receiveRemoteNotification({{"type", "1"}});
    ui::View* banner = app().window()->viewWithTag(QXAppDelegate::kPushBannerTag);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(app().window()->subviews().back().get(), banner) << "the banner is on top";
    EXPECT_EQ(app().window()->keyResponder(), nullptr);
    EXPECT_FALSE(driver().type("45"));
    EXPECT_FALSE(driver().pressBackspace());
    EXPECT_FALSE(driver().tapKey("4"));
    EXPECT_EQ(field->text(), "123");
    EXPECT_TRUE(field->isFirstResponder()) << "the field keeps the keys for when the alert goes";

    ASSERT_TRUE(alerts.pressButton("确定"));
    EXPECT_NE(app().window()->viewWithTag(QXAppDelegate::kPushBannerTag), nullptr);
    EXPECT_TRUE(driver().type("45"));
    EXPECT_EQ(field->text(), "12345");
    EXPECT_EQ(selectedStack().topViewController(), screen) << "an in-use push does not navigate";
}

TEST_F(PushNotificationTest, APushThatLaunchedTheAppIsDispatchedAtTheEndOfTheLaunch) {
    app().didLoadAppByUnRunOnDevice(
        {{ui::kApplicationLaunchOptionsRemoteNotificationKey, QVariantMap{{"type", "8"}}}});
    EXPECT_NE(dynamic_cast<QXHouseNewsViewController*>(selectedStack().topViewController().get()),
              nullptr);
    app().didLoadAppByUnRunOnDevice({{ui::kApplicationLaunchOptionsRemoteNotificationKey, "8"}});
    EXPECT_EQ(selectedStack().viewControllers().size(), 2u);
}

TEST_F(PushNotificationTest, TheDeviceTokenIsKeptAsDelivered) {
    const QByteArray token("\x01\x02\xfe", 3);
    app().didRegisterForRemoteNotificationsWithDeviceToken(application(), token);
    EXPECT_EQ(defaults().dataForKey("describeDeviceToken"), token);
}

}  // namespace
