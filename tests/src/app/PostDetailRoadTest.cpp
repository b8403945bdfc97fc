// A person's road through the running app: from the home screen to a rent post's detail, the
// post saved, a chat started about it, and the saved post in the favourites tab.
#include "AppShellFixture.h"

#include "app/QXTabBarController.h"
#include "chat/QXMessageController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/favourites/QXHistoryCell.h"
#include "houses/favourites/QXHistoryController.h"
#include "houses/list/QXPostList.h"
#include "location/SelectedCityState.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/table_view.h"

class PostDetailRoadTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launchAfterGuide();
    }
    [[nodiscard]] ui::NavigationController& stack(std::size_t index) {
        return static_cast<ui::NavigationController&>(
            *app().tabBarController()->viewControllers().at(index));
    }
    // Waits for `done`, then lets the screens finish their animations.
    bool waitFor(const std::function<bool()>& done) {
        const bool reached = runUntilAnswered(done, [&] { driver().wait(0.1); });
        driver().wait(0.5);
        return reached;
    }
};

TEST_F(PostDetailRoadTest, APostOpensFromTheListIsSavedAndShowsInTheFavouritesTab) {
    ASSERT_TRUE(waitFor([&] { return app().cityState()->cityData()->currentCity() != nullptr; }));
    auto history =
        std::dynamic_pointer_cast<QXHistoryController>(stack(2).viewControllers().front());
    ASSERT_NE(history, nullptr) << "the favourites are the third tab's root";

    ASSERT_TRUE(driver().tapText(QStringLiteral("好房子")));
    auto list = std::dynamic_pointer_cast<QXPostList>(stack(0).topViewController());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(waitFor([&] { return list->paging().nowListNum > 0; }));
    ASSERT_TRUE(driver().tap(list->listTbl()->cellForRowAtIndexPath({0, 0})));
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(stack(0).topViewController());
    ASSERT_NE(detail, nullptr);
    ASSERT_TRUE(waitFor([&] { return detail->isGetDetailFinish(); }));
    const QString title = list->paging().contentArray.first().toMap()["title"].toString();

    ASSERT_TRUE(driver().tap(detail->favBtn()));
    EXPECT_EQ(detail->favBtn()->currentTitle(), "备注");
    // A moment later the chat about the post opens over the detail.
    driver().wait(1);
    ASSERT_TRUE(driver().tap(detail->bottomView()->viewWithTag(QXPostDetailNew::kChatButtonTag)));
    ASSERT_TRUE(waitFor([&] { return stack(0).topViewController() != detail; }));
    const QVariantMap post = list->paging().contentArray.first().toMap();
    EXPECT_EQ(stack(0).topViewController()->title(), post["person"].toString());
    auto chat = std::dynamic_pointer_cast<QXMessageController>(stack(0).topViewController());
    ASSERT_NE(chat, nullptr) << "the app's chat screen, not a stand-in page";
    EXPECT_TRUE(chat->talkInfo()["t_id"].toString().startsWith(post["user_id"].toString() + "-"))
        << "the talk with this post's poster";

    // Back on the home screen the tabs show again; the favourites tab lists the post.
    stack(0).popToRootViewControllerAnimated(true);
    driver().wait(1);
    ASSERT_TRUE(driver().tap(app().tabBarController()->button(2)));
    ASSERT_TRUE(waitFor([&] { return history->listData().size() == 1; }));
    auto* row = dynamic_cast<QXHistoryCell*>(history->listTable()->cellForRowAtIndexPath({0, 0}));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->left1Lbl()->text(), title);
}
