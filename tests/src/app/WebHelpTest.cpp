#include "AppShellFixture.h"

#include "account/QXHouseNewsViewController.h"
#include "app/QXTabBarController.h"
#include "app/WebHelp.h"
#include "app/XXNavigationController.h"

namespace {

// A screen standing for the chat screen the page may be opened from.
class QXMessageController : public QXUIViewController {
public:
    QXMessageController() { setTitle("chat"); }
};

class WebHelpTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
    }
    [[nodiscard]] XXNavigationController& stack() {
        return static_cast<XXNavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }
    void settle() {
        ASSERT_TRUE(runMainLoopUntil([&] {
            driver().wait(0.1);
            return !stack().isTransitioning();
        }));
    }
    std::shared_ptr<WebHelp> open(const QString& title, const QString& url, bool fromPush) {
        auto page = std::make_shared<WebHelp>(title, url);
        page->setIsFromPush(fromPush);
        stack().pushViewController(page, false);
        return page;
    }
};

TEST_F(WebHelpTest, APageOfTheServerLoadsUnderItsTitle) {
    const auto page = open(QString(), server().root() + "/help/terms.html", false);
    EXPECT_EQ(page->titleString(), "Nevoru找房");
    ASSERT_NE(page->loadingView(), nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return page->loadingView()->superview() == nullptr; }));
    EXPECT_NE(driver().findByText(QStringLiteral("使用条款")), nullptr);
    EXPECT_EQ(driver().findByText(QStringLiteral("无法与服务器通讯")), nullptr);
}

TEST_F(WebHelpTest, APageThatCannotLoadSaysSoAndLeavesTheEmptyPage) {
    server().setFault({.prefix = "/help/", .truncate = true});
    const auto page = open(QStringLiteral("条款"), server().root() + "/help/terms.html", false);
    ASSERT_TRUE(
        runMainLoopUntil([&] { return driver().findByText(QStringLiteral("无法与服务器通讯")); }));
    EXPECT_EQ(page->loadingView()->superview(), nullptr);
}

TEST_F(WebHelpTest, BackReturnsToTheChatPastANewsPage) {
    stack().pushViewController(std::make_shared<QXMessageController>(), false);
    stack().pushViewController(plainScreen("news"), false);
    const auto page = open(QStringLiteral("新闻"), server().root() + "/help/about.html", false);
    settle();
    page->returnPressed();
    settle();
    ASSERT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().topViewController()->className(), "QXMessageController");
}

TEST_F(WebHelpTest, BackOverTheNewsListReturnsOneScreenToTheListWithItsDragBackOff) {
    auto news = std::make_shared<QXHouseNewsViewController>();
    stack().pushViewController(news, false);
    auto page = open(QStringLiteral("资讯"), server().root() + "/help/about.html", false);
    settle();
    EXPECT_TRUE(stack().canDragBack()) << "the page from the list may be dragged back";
    page->returnPressed();
    settle();
    ASSERT_EQ(stack().topViewController(), news);
    EXPECT_FALSE(stack().canDragBack());

    // A chat opened from the list lies above it: the list comes first, so back is one screen.
    stack().pushViewController(std::make_shared<QXMessageController>(), false);
    auto detail = plainScreen("详情");
    stack().pushViewController(detail, false);
    page = open(QStringLiteral("资讯"), server().root() + "/help/about.html", false);
    settle();
    page->returnPressed();
    settle();
    EXPECT_EQ(stack().topViewController(), detail);
}

TEST_F(WebHelpTest, APageFromAPushCancelsWithoutDragBackAndSlidesAway) {
    const auto page = open(QString(), server().root() + "/help/about.html", true);
    settle();
    EXPECT_FALSE(stack().canDragBack());
    EXPECT_NE(driver().findByText(QStringLiteral("取消")), nullptr);
    page->returnPressed();
    settle();
    EXPECT_FALSE(page->isFromPush());
    EXPECT_EQ(stack().viewControllers().size(), 1u);
    EXPECT_TRUE(stack().canDragBack());
}

}  // namespace
