// The pop-up of the brokers who answered a need: its tiles four to a row, brokers appended
// while it is open, the chat an avatar opens and the pop-up coming back after it.
#include "NeedScreenFixture.h"

#include "chat/QXMessageController.h"
#include "needs/QXAgentIconView.h"

#include "IMChat/qximlib/QXIMNotifications.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/scroll_view.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"

class BrokersPopListTest : public NeedScreenFixture {
protected:
    static QVariantList talkRows(int count, int from = 0) {
        QVariantList rows;
        for (int k = from; k < from + count; ++k) {
            rows << QVariantMap{
                {"_id", k + 1},
                {"o_user", QStringLiteral(R"({"id":"%1","name":"经纪人%1"})").arg(800 + k)}};
        }
        return rows;
    }
    static std::vector<QXAgentIconView*> tiles(const QXBrokersPopListView& popUp) {
        std::vector<QXAgentIconView*> found;
        for (const auto& view : popUp.mainScrollView()->subviews()) {
            if (auto* tile = dynamic_cast<QXAgentIconView*>(view.get())) found.push_back(tile);
        }
        return found;
    }
    static ui::Rect frameOfTile(const QXBrokersPopListView& popUp, int index) {
        for (QXAgentIconView* tile : tiles(popUp)) {
            if (tile->agentImage()->tag() == index) return tile->frame();
        }
        return {};
    }
    // The tile's place, checked to a hundredth of a point.
    static void expectTileAt(const QXBrokersPopListView& popUp, int index, double x, double y) {
        const ui::Rect frame = frameOfTile(popUp, index);
        EXPECT_NEAR(frame.origin.x, x, 0.01) << "tile " << index;
        EXPECT_NEAR(frame.origin.y, y, 0.01) << "tile " << index;
        EXPECT_EQ(frame.size, ui::Size(53, 92));
    }
    // The replies screen of need 31, which two brokers answered, with its pop-up open.
    std::pair<std::shared_ptr<QXBrokerReplyViewController>, std::shared_ptr<QXBrokersPopListView>>
    openRepliesWithPopUp() {
        const auto [district, name] = brokerDistrict();
        storeNeed("31", "1", district, "[2]", "-1", "不限", name, 1700000000);
        storeAnswer(701, "31");
        storeAnswer(702, "31");
        auto screen = openReplies("31", true);
        EXPECT_TRUE(settleUntil(
            [&] { return screen->agentsInfoArray().size() == 2 && !screen->loadingView(); }));
        EXPECT_TRUE(driver_->tap(screen->brokerListViewBtn()));
        driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
        const auto popUp = QXBrokersPopListView::last();
        if (popUp) popUp->layoutIfNeeded();
        return {screen, popUp};
    }
    // A tap on the pop-up's first avatar: the chat with that broker.
    void chatWithFirstBroker(const QXBrokersPopListView& popUp) {
        ASSERT_FALSE(tiles(popUp).empty());
        ASSERT_TRUE(driver_->tap(tiles(popUp).front()->agentImage()));
        settle();
        ASSERT_TRUE(dynamic_cast<QXMessageController*>(navigation_->topViewController().get()));
        ASSERT_TRUE(popUp.isHidden());
    }
    std::shared_ptr<QXBrokersPopListView> open(const QVariantList& rows) {
        QXBrokersPopListView::showWithAgentArray(rows);
        driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
        const auto popUp = QXBrokersPopListView::last();
        if (popUp) popUp->layoutIfNeeded();
        return popUp;
    }
};

TEST_F(BrokersPopListTest, TilesFillRowsOfFourAndAppendedBrokersReplaceTheEmptyPanel) {
    const auto popUp = open({});
    ASSERT_TRUE(popUp);
    EXPECT_EQ(popUp->titleLbl()->text(), "已有0位经纪人应答");
    EXPECT_TRUE(driver_->findByText("暂无经纪人应答您的需求"));
    EXPECT_FALSE(HousesHost::shared()->dragBackGesture());

    QXBrokersPopListView::showNewReplyedBrokers(talkRows(5));
    settle(0.05);
    EXPECT_FALSE(popUp->noBrokerReplyingView());
    EXPECT_FALSE(driver_->findByText("暂无经纪人应答您的需求"));
    EXPECT_EQ(popUp->titleLbl()->text(), "已有5位经纪人应答");
    expectTileAt(*popUp, 3, 3 * 53 + 4 * 21.6, 4);
    expectTileAt(*popUp, 4, 21.6, 96);

    QXBrokersPopListView::showNewReplyedBrokers(talkRows(4, 5));
    settle(0.05);
    expectTileAt(*popUp, 7, 3 * 53 + 4 * 21.6, 96);
    expectTileAt(*popUp, 8, 21.6, 188);
    popUp->setNeedsLayout();
    popUp->layoutIfNeeded();
    EXPECT_EQ(tiles(*popUp).size(), 9u) << "a layout pass after appending doubles nothing";

    QXBrokersPopListView::showNewReplyedBrokers(talkRows(7, 9));
    settle(0.05);
    EXPECT_FALSE(popUp->mainScrollView()->isScrollEnabled()) << "four full rows fit";
    QXBrokersPopListView::showNewReplyedBrokers(talkRows(1, 16));
    settle(0.05);
    EXPECT_TRUE(popUp->mainScrollView()->isScrollEnabled());
    EXPECT_EQ(popUp->mutableArray().size(), 17);
    EXPECT_EQ(tiles(*popUp).size(), 17u);

    popUp->onClose();
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    EXPECT_FALSE(popUp->superview());
    EXPECT_TRUE(HousesHost::shared()->dragBackGesture());
}

TEST_F(BrokersPopListTest, AnAvatarOpensItsChatAndTheRepliesScreenBringsThePopUpBack) {
    const auto [screen, popUp] = openRepliesWithPopUp();
    ASSERT_TRUE(popUp && popUp->superview());
    ASSERT_EQ(tiles(*popUp).size(), 2u);

    // A broker answering while the pop-up is open joins it; the count follows at once.
    storeAnswer(703, "31");
    QXIMMessage answer;
    answer.needId = QStringLiteral("31");
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{.name = QXIMNotifications::kIMRecieveNotification,
                         .object = QXIMNotifications::ReceivedMessages{.messages = {answer}}});
    ASSERT_TRUE(settleUntil([&] { return popUp->mutableArray().size() == 3; }));
    EXPECT_EQ(tiles(*popUp).size(), 3u);
    EXPECT_EQ(screen->brokerListViewBtn()->titleForState(ui::kControlStateNormal), "3");

    // A tap whose tile is gone does nothing; a broker's avatar opens the chat with them.
    const auto screens = navigation_->viewControllers().size();
    URLPic stray(ui::Rect(0, 0, 1, 1));
    stray.setTag(3);
    popUp->urlPictureSingleTapped(stray);
    EXPECT_EQ(navigation_->viewControllers().size(), screens);
    ASSERT_TRUE(driver_->tap(tiles(*popUp)[1]->agentImage()));
    settle();
    ASSERT_TRUE(dynamic_cast<QXMessageController*>(navigation_->topViewController().get()));
    EXPECT_TRUE(popUp->isHidden());
    EXPECT_TRUE(HousesHost::shared()->dragBackGesture()) << "the chat can be dragged back";
    EXPECT_TRUE(ns::UserDefaults::standardUserDefaults().boolForKey(
        QXBrokersPopListView::kHaveGoneToImPage));

    // Back from the chat the pop-up is there again at once, covering the screen, though a
    // screen presented over the tab shell meanwhile (the photo library, the photo pager)
    // put the shell back in front of it when it went.
    tabs_->presentViewController(std::make_shared<ui::ViewController>(), false);
    tabs_->dismissViewControllerAnimated(false);
    navigation_->popViewControllerAnimated(false);
    settle(0.05);
    EXPECT_FALSE(popUp->isHidden());
    EXPECT_FALSE(HousesHost::shared()->dragBackGesture());
    EXPECT_FALSE(ns::UserDefaults::standardUserDefaults().boolForKey(
        QXBrokersPopListView::kHaveGoneToImPage));
    ASSERT_TRUE(driver_->tap(popUp->closeBtn())) << "the pop-up is in front";
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    EXPECT_FALSE(popUp->superview());

    // Without its pop-up the screen answers the user, whatever another screen left the
    // application's drag-back switch at.
    HousesHost::shared()->setDragBackGesture(false);
    ASSERT_TRUE(driver_->tap(window_->viewWithTag(UIViewControllerNavigation::kBackButtonTag)));
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), screens - 1);
}

TEST_F(BrokersPopListTest, APopUpLeftHiddenForAChatNoLongerCoversItsScreen) {
    const auto [screen, popUp] = openRepliesWithPopUp();
    ASSERT_TRUE(popUp);
    ASSERT_NO_FATAL_FAILURE(chatWithFirstBroker(*popUp));
    // Over the chat a push opens the need's replies once more; that screen takes the note of
    // the chat, so back at the first one its pop-up stays hidden in the window.
    openReplies("31", true);
    settle();
    navigation_->popViewControllerAnimated(false);
    navigation_->popViewControllerAnimated(false);
    settle();
    ASSERT_EQ(navigation_->topViewController(), screen);
    ASSERT_TRUE(popUp->window() && popUp->isHidden());
    EXPECT_FALSE(popUp->isShowing());
    ASSERT_TRUE(driver_->tap(window_->viewWithTag(UIViewControllerNavigation::kBackButtonTag)));
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), 1u) << "the screen answers its back button";
}

TEST_F(BrokersPopListTest, APushToTheRootClosesTheScreensOwnPopUpAndNoOther) {
    const auto [screen, own] = openRepliesWithPopUp();
    ASSERT_TRUE(own);
    // A pop-up shown after it, left hidden for a chat.
    const auto other = QXBrokersPopListView::showWithAgentArray(talkRows(1));
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    other->setHidden(true);
    ASSERT_EQ(QXBrokersPopListView::last(), other);
    // What the app does before a push takes the tab's stack to its root.
    screen->performAction(QStringLiteral("hidingBrokersPopListView"));
    navigation_->popToRootViewControllerAnimated(false);
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    EXPECT_FALSE(own->superview()) << "the screen's own pop-up closed";
    EXPECT_TRUE(other->superview() && other->isHidden()) << "the other is left as it was";
}

TEST_F(BrokersPopListTest, ThePopUpComesInBelowAnAlertAlreadyUp) {
    const auto [screen, popUp] = openRepliesWithPopUp();
    ASSERT_TRUE(popUp);
    ASSERT_NO_FATAL_FAILURE(chatWithFirstBroker(*popUp));
    // An alert of the chat is up as the replies screen comes back with its pop-up.
    AlertMessages::showAlertViewWithAlertString(AlertMessages::kNetworkTrouble);
    settle();
    navigation_->popViewControllerAnimated(false);
    settle();
    ASSERT_TRUE(popUp->isShowing());
    EXPECT_TRUE(alerts_->pressButtonAtIndex(0)) << "the alert in front of the pop-up";
    ASSERT_TRUE(driver_->tap(popUp->closeBtn()));
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);

    // And the pop-up opened while an alert is up.
    AlertMessages::showAlertViewWithAlertString(AlertMessages::kNetworkTrouble);
    settle();
    screen->brokerListViewBtnFunc();
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    ASSERT_TRUE(QXBrokersPopListView::last()->isShowing());
    EXPECT_TRUE(alerts_->pressButtonAtIndex(0)) << "the alert in front of the pop-up";
}
