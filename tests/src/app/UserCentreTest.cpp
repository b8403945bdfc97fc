#include "AppShellFixture.h"
#include "MessagingStandin.h"

#include "account/QXHouseNewsViewController.h"
#include "account/QXUCenterViewController.h"
#include "app/QXTabBarController.h"
#include "chat/QXMessageController.h"
#include "net/transport/Json.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/table_view_cell.h"
#include "standin/Endpoints.h"
#include "util/categories/Tolerant.h"

namespace {

class UserCentreTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
        ASSERT_TRUE(driver().tap(app().tabBarController()->button(3)));
        driver().wait(0.5);
        alerts_ = std::make_unique<ui::AlertTestDriver>(driver());
    }
    void TearDown() override {
        alerts_.reset();
        AppShellFixture::TearDown();
    }
    [[nodiscard]] ui::NavigationController& stack() {
        return static_cast<ui::NavigationController&>(
            *app().tabBarController()->viewControllers().at(3));
    }
    [[nodiscard]] QXUCenterViewController& centre() {
        return static_cast<QXUCenterViewController&>(*stack().viewControllers().front());
    }
    [[nodiscard]] ui::AlertView* alert() const { return alerts_->visibleAlert(); }

    std::unique_ptr<ui::AlertTestDriver> alerts_;
};

TEST_F(UserCentreTest, AFailedLogonIsToldAndLeavesTheUserLoggedOff) {
    int userChanges = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        kUserChangedNotification, [&](const ns::Notification&) { ++userChanges; });
    server().setFault({.prefix = "/users/", .status = 500});
    ASSERT_TRUE(driver().tapText(QStringLiteral("登录")));
    ASSERT_TRUE(runMainLoopUntil([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->message(), QStringLiteral("您的网络好像有些问题，请重试。"));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确  定")));
    EXPECT_FALSE(app().userInfo()->logonSuccess());
    EXPECT_NE(driver().findByText(QStringLiteral("未登录")), nullptr);
    EXPECT_EQ(userChanges, 0);

    // The server's own reason is shown as it gave it.
    server().setFault({.prefix = "/users/", .body = R"({"status":-1,"errDetail":"账号已停用"})"});
    ASSERT_TRUE(driver().tapText(QStringLiteral("登录")));
    ASSERT_TRUE(runMainLoopUntil([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->message(), QStringLiteral("账号已停用"));
    EXPECT_FALSE(app().userInfo()->logonSuccess());
}

TEST_F(UserCentreTest, LogonAndLogoutEachTellTheAppOnce) {
    int userChanges = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        kUserChangedNotification, [&](const ns::Notification&) { ++userChanges; });
    ASSERT_TRUE(driver().tapText(QStringLiteral("登录")));
    ASSERT_TRUE(runMainLoopUntil([&] { return driver().findByText(QStringLiteral("退出登录")); }));
    EXPECT_EQ(userChanges, 1);
    EXPECT_NE(driver().findByText(QStringLiteral("已登录：%1").arg(app().userInfo()->loginName())),
              nullptr);
    const qint64 loginID = app().userInfo()->loginID();
    ASSERT_TRUE(driver().tapText(QStringLiteral("退出登录")));
    EXPECT_EQ(userChanges, 2);
    EXPECT_NE(driver().findByText(QStringLiteral("未登录")), nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return !calls("logout").empty(); }));
    EXPECT_EQ(calls("logout").front().body, "loginId=" + QByteArray::number(loginID));
    EXPECT_EQ(alert(), nullptr);
}

TEST_F(UserCentreTest, TheNewsListShowsTheFirstPageAndSaysWhenItCannot) {
    ASSERT_TRUE(driver().tapText(QStringLiteral("房产资讯")));
    auto news = std::dynamic_pointer_cast<QXHouseNewsViewController>(stack().topViewController());
    ASSERT_NE(news, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return news->news().size() == 10; }));
    news->tableView()->layoutIfNeeded();
    const auto first = news->news().front().toMap();
    EXPECT_NE(driver().findByText(first.value("title").toString()), nullptr);
    EXPECT_EQ(alert(), nullptr);
    stack().popViewControllerAnimated(false);

    server().setFault({.prefix = "/datashare/", .status = 503});
    centre().openNews();
    ASSERT_TRUE(runMainLoopUntil([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->message(), QStringLiteral("您的网络好像有些问题，请重试。"));

    // A refusal in the reply's body is no list either.
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确  定")));
    stack().popViewControllerAnimated(false);
    server().setFault({.prefix = "/datashare/", .body = R"({"status":1,"errDetail":"暂无资讯"})"});
    centre().openNews();
    ASSERT_TRUE(runMainLoopUntil([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->message(), QStringLiteral("暂无资讯"));
    news = std::dynamic_pointer_cast<QXHouseNewsViewController>(stack().topViewController());
    ASSERT_NE(news, nullptr);
    EXPECT_TRUE(news->news().isEmpty());
}

TEST_F(UserCentreTest, LogonAndLogoffMoveTheMessagingUserAndItsStreamAtOnce) {
    MessagingStandin messaging{server()};
    ASSERT_TRUE(runMainLoopUntil([&] { return app().hasUserId(); }));
    const qint64 guest = defaults().integerForKey("anonymousLoginId");
    ASSERT_GT(guest, 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(guest) == 1; }));

    ASSERT_TRUE(driver().tapText(QStringLiteral("登录")));
    ASSERT_TRUE(runMainLoopUntil([&] { return driver().findByText(QStringLiteral("退出登录")); }));
    const QXUserInfo& user = *app().userInfo();
    const qint64 loggedOn = user.loginID();
    ASSERT_NE(loggedOn, guest);
    EXPECT_EQ(QXIMUser::shared().userId(), loggedOn);
    EXPECT_EQ(QXIMUser::shared().userName(), user.loginName());
    EXPECT_EQ(QXIMUser::shared().token(), std::optional<QString>(user.token()));
    ASSERT_TRUE(runMainLoopUntil([&] {
        return messaging.openStreams(loggedOn) == 1 && messaging.openStreams(guest) == 0;
    })) << "the stream follows the logon without another launch";

    // A message of the user's chat goes out under the logon's id and name.
    const QString own = QString::number(loggedOn);
    auto chat = std::make_shared<QXMessageController>(
        QVariantMap{{"t_id", "880001-" + own},
                    {"u_id", own},
                    {"o_user", R"({"id":"880001","name":"王先生"})"}});
    stack().pushViewController(chat, false);
    driver().wait(0.5);
    chat->senderTextToServer(QStringLiteral("我登录了"));
    QVariant packet;
    ASSERT_TRUE(runMainLoopUntil([&] {
        for (const auto& request : server().requests(standin::paths::kMessageApi))
            if (request.query.contains("op=sendmsg"))
                packet = json_JSON(QVariant(QString::fromUtf8(request.body)));
        return packet.isValid();
    }));
    EXPECT_EQ(Tolerant(packet)["fromUser"]["id"].toString(), own);
    EXPECT_EQ(Tolerant(packet)["fromUser"]["name"].toString(), user.loginName());
    stack().popViewControllerAnimated(false);
    driver().wait(0.5);

    // The next launch talks as the stored logon from the start.
    chat.reset();
    launch();
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(3)));
    driver().wait(0.5);
    EXPECT_EQ(QXIMUser::shared().userId(), loggedOn);
    EXPECT_EQ(QXIMUser::shared().userName(), app().userInfo()->loginName());
    EXPECT_EQ(QXIMUser::shared().token(), std::optional<QString>(app().userInfo()->token()));
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(loggedOn) == 1; }));

    ASSERT_TRUE(driver().tapText(QStringLiteral("退出登录")));
    EXPECT_EQ(QXIMUser::shared().userId(), guest);
    EXPECT_EQ(QXIMUser::shared().userName(), QStringLiteral("游客"));
    EXPECT_FALSE(QXIMUser::shared().token());
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return messaging.openStreams(guest) == 1 && messaging.openStreams(loggedOn) == 0; }));
}

}  // namespace
