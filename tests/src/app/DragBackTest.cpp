#include "AppShellFixture.h"

#include "account/QXHouseNewsViewController.h"
#include "app/QXTabBarController.h"
#include "app/XXNavigationController.h"
#include "platform/uikit/image.h"

namespace {

// Screens and cells the drag-back knows by their class names.
class SearchViewController : public ui::ViewController {};
class QXChatListCell : public ui::View {};

class DragBackTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
        stack().pushViewController(plainScreen("第二页"), false);
        ASSERT_EQ(stack().viewControllers().size(), 2u);
    }

    [[nodiscard]] XXNavigationController& stack() {
        return static_cast<XXNavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }

    // A finger down at x 10, moved to x 30 (where the drag begins), then by `distance`
    // further, and lifted; then the 0.3 s animation runs out.
    void dragBy(double distance) {
        ui::Window& window = *app().window();
        window.touchDown(ui::Point(10, 240));
        window.touchMove(ui::Point(30, 240));
        window.touchMove(ui::Point(30 + distance / 2, 240));
        window.touchMove(ui::Point(30 + distance, 240));
        window.touchUp(ui::Point(30 + distance, 240));
        driver().wait(1);
    }
};

TEST_F(DragBackTest, OneHundredPointsSpringBackAndOneHundredAndOnePop) {
    dragBy(100);
    EXPECT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);
    EXPECT_FALSE(stack().isMoving());

    dragBy(101);
    EXPECT_EQ(stack().viewControllers().size(), 1u);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);
    EXPECT_TRUE(stack().screenShotList().empty());
}

TEST_F(DragBackTest, ThePopAnimationPopsLikeAFinishedDrag) {
    int ran = 0;
    stack().setDeallocBlock([&] { ++ran; });
    stack().popAnimation();
    EXPECT_TRUE(stack().isMoving());
    driver().wait(1);
    EXPECT_EQ(stack().viewControllers().size(), 1u);
    EXPECT_TRUE(stack().screenShotList().empty());
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(stack().isMoving());
    stack().popAnimation();  // only the root: nothing
    EXPECT_FALSE(stack().isMoving());
}

TEST_F(DragBackTest, TheScreenStaysBetweenTheEdgeAndThreeHundredTwentyPoints) {
    stack().moveViewWithX(-40);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);
    stack().moveViewWithX(500);
    EXPECT_EQ(stack().view()->frame().origin.x, 320);
    stack().moveViewWithX(0);
}

TEST_F(DragBackTest, SwitchedOffPerStackOrForTheWholeAppADragDoesNothing) {
    stack().setCanDragBack(false);
    dragBy(200);
    EXPECT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);

    stack().setCanDragBack(true);
    app().setIsShouldDragBackGesture(false);
    dragBy(200);
    EXPECT_EQ(stack().viewControllers().size(), 2u);

    app().setIsShouldDragBackGesture(true);
    dragBy(200);
    EXPECT_EQ(stack().viewControllers().size(), 1u);
}

TEST_F(DragBackTest, APanThatStartsInsideACellWithItsOwnSwipeDoesNotDrag) {
    // The cell covers the screen; the finger lands on a view inside it.
    ui::View& screen = *stack().topViewController()->view();
    auto cell = std::make_shared<QXChatListCell>();
    cell->setFrame(screen.bounds());
    cell->addSubview(std::make_shared<ui::View>(screen.bounds()));
    screen.addSubview(cell);
    dragBy(200);
    EXPECT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);

    // Outside the cell the same pan pops.
    cell->removeFromSuperview();
    dragBy(200);
    EXPECT_EQ(stack().viewControllers().size(), 1u);
}

TEST_F(DragBackTest, ADragFromAboveASearchScreenReturnsPastIt) {
    auto second = stack().topViewController();
    stack().pushViewController(std::make_shared<SearchViewController>(), false);
    ASSERT_EQ(stack().screenShotList().size(), 2u);
    // Pushed from the search screen: no picture of it is kept.
    stack().pushViewController(plainScreen("结果"), false);
    EXPECT_EQ(stack().screenShotList().size(), 2u);

    dragBy(101);
    ASSERT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().topViewController(), second);
    EXPECT_EQ(stack().screenShotList().size(), 1u);
}

TEST_F(DragBackTest, ADragFromTheSearchScreenItselfGoesBackOneLevel) {
    auto second = stack().topViewController();
    stack().pushViewController(std::make_shared<SearchViewController>(), false);
    dragBy(101);
    ASSERT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().topViewController(), second);
    EXPECT_EQ(stack().screenShotList().size(), 1u);
}

TEST_F(DragBackTest, ScreensAboveASearchScreenLeaveItsPictureInPlace) {
    auto second = stack().topViewController();
    stack().pushViewController(std::make_shared<SearchViewController>(), false);
    auto pictureOfSecond = stack().screenShotList().back();
    auto result = plainScreen("结果");
    stack().pushViewController(result, false);

    // Back from a result by its button: the search screen still shows the second screen
    // beneath it when dragged.
    stack().popViewControllerAnimated(false);
    ASSERT_EQ(stack().screenShotList().size(), 2u);
    EXPECT_EQ(stack().screenShotList().back(), pictureOfSecond);
    dragBy(101);
    EXPECT_EQ(stack().topViewController(), second);

    // A screen opened from a result: dragging from it returns to the result, and from the
    // result past the search screen, each time over the picture of where it lands.
    stack().pushViewController(std::make_shared<SearchViewController>(), false);
    pictureOfSecond = stack().screenShotList().back();
    stack().pushViewController(result, false);
    stack().pushViewController(plainScreen("详情"), false);
    ASSERT_EQ(stack().screenShotList().size(), 3u);
    dragBy(101);
    ASSERT_EQ(stack().topViewController(), result);
    ASSERT_EQ(stack().screenShotList().size(), 2u);
    EXPECT_EQ(stack().screenShotList().back(), pictureOfSecond);
    dragBy(101);
    EXPECT_EQ(stack().topViewController(), second);
    EXPECT_EQ(stack().screenShotList().size(), 1u);
}

TEST_F(DragBackTest, ADragUnderWaySettlesBackWhenItCanNoLongerPop) {
    ui::Window& window = *app().window();
    // The stack is taken to its root while the finger is down (as a push notification does).
    window.touchDown(ui::Point(10, 240));
    window.touchMove(ui::Point(30, 240));
    window.touchMove(ui::Point(150, 240));
    ASSERT_TRUE(stack().isMoving());
    ASSERT_EQ(stack().view()->frame().origin.x, 120);
    stack().popToRootViewControllerAnimated(false);
    window.touchMove(ui::Point(200, 240));
    window.touchUp(ui::Point(200, 240));
    driver().wait(1);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);
    EXPECT_FALSE(stack().isMoving());

    // Drag-back switched off while the finger is down: the screen comes back and stays.
    stack().pushViewController(plainScreen("第二页"), false);
    window.touchDown(ui::Point(10, 240));
    window.touchMove(ui::Point(30, 240));
    window.touchMove(ui::Point(250, 240));
    ASSERT_TRUE(stack().isMoving());
    stack().setCanDragBack(false);
    window.touchUp(ui::Point(250, 240));
    driver().wait(1);
    EXPECT_EQ(stack().viewControllers().size(), 2u);
    EXPECT_EQ(stack().view()->frame().origin.x, 0);
    EXPECT_FALSE(stack().isMoving());
}

TEST_F(DragBackTest, TheNewsListSwitchesDragBackOffOnlyWhileItShows) {
    auto news = std::make_shared<QXHouseNewsViewController>();
    stack().pushViewController(news, false);
    EXPECT_FALSE(stack().canDragBack());
    dragBy(200);
    EXPECT_EQ(stack().topViewController(), news);

    // A screen opened from the list has drag-back again; back on the list it is off.
    stack().pushViewController(plainScreen("详情"), false);
    EXPECT_TRUE(stack().canDragBack());
    dragBy(200);
    EXPECT_EQ(stack().topViewController(), news);
    EXPECT_FALSE(stack().canDragBack());

    // Popped by the stack, the list turns it on again on the stack it left.
    stack().popViewControllerAnimated(false);
    EXPECT_TRUE(stack().canDragBack());
    dragBy(200);
    EXPECT_EQ(stack().viewControllers().size(), 1u);
}

TEST_F(DragBackTest, ThePictureBehindAThirdScreenIsTheStackAsItShowedTheSecond) {
    // What the stack showed with the second screen on top: no tab bar under it.
    const auto before = stack().view()->snapshotImage();
    ASSERT_TRUE(before);
    auto third = plainScreen("三");
    stack().pushViewController(third, false);
    ASSERT_EQ(stack().screenShotList().size(), 2u);
    EXPECT_EQ(stack().screenShotList().back()->pixels(), before->pixels());
    EXPECT_NE(stack().screenShotList().back()->pixels(),
              stack().screenShotList().front()->pixels());
    // A drag from the third screen lands on the second and keeps the first picture for it.
    const auto first = stack().screenShotList().front();
    dragBy(101);
    ASSERT_EQ(stack().viewControllers().size(), 2u);
    ASSERT_EQ(stack().screenShotList().size(), 1u);
    EXPECT_EQ(stack().screenShotList().front(), first);
}

TEST_F(DragBackTest, AScreenMadeTheRootKeepsNoPictureAndTheScreensAboveKeepTheirs) {
    auto second = stack().topViewController();
    auto third = plainScreen("三");
    stack().pushViewController(third, false);
    const auto pictureUnderThird = stack().screenShotList().back();
    // The second screen becomes the root: nothing lies below it to show.
    stack().setViewControllers({second, third});
    ASSERT_EQ(stack().screenShotList().size(), 1u);
    EXPECT_EQ(stack().screenShotList().front(), pictureUnderThird);
    dragBy(101);
    EXPECT_EQ(stack().topViewController(), second);
    EXPECT_TRUE(stack().screenShotList().empty());
    dragBy(101);
    EXPECT_EQ(stack().topViewController(), second) << "the root stays";

    // A stack set to one screen that was never pushed keeps nothing either.
    stack().pushViewController(third, false);
    stack().setViewControllers({plainScreen("新")});
    EXPECT_TRUE(stack().screenShotList().empty());
}

TEST_F(DragBackTest, ScreenshotsFollowTheStackAndTheFirstShowsTheTabBar) {
    ASSERT_EQ(stack().screenShotList().size(), 1u);
    // The picture behind the second screen is of the whole shell, custom tab bar included.
    const QImage first = stack().screenShotList().front()->pixels();
    const double scale = stack().screenShotList().front()->scale();
    EXPECT_EQ(first.height(), int(480 * scale));
    EXPECT_EQ(first.pixelColor(int(40 * scale), int(470 * scale)), QColor(250, 250, 250));

    stack().pushViewController(plainScreen("三"), false);
    stack().pushViewController(plainScreen("四"), false);
    EXPECT_EQ(stack().screenShotList().size(), 3u);
    // Pushing a screen that is on the stack already changes nothing.
    stack().pushViewController(stack().viewControllers().at(1), false);
    stack().pushViewController(nullptr, false);
    EXPECT_EQ(stack().screenShotList().size(), 3u);
    stack().popToViewController(stack().viewControllers().at(1), false);
    EXPECT_EQ(stack().screenShotList().size(), 1u);
    stack().popViewControllerAnimated(false);
    EXPECT_TRUE(stack().screenShotList().empty());
    // Popping the root pops nothing and keeps the list as it is.
    stack().popViewControllerAnimated(false);
    EXPECT_TRUE(stack().screenShotList().empty());
}

}  // namespace
