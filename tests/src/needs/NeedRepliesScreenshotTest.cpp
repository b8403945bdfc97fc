// Reference screenshots of the need screens: the replies with brokers and houses, the
// replied-brokers pop-up and the need history.
#include "NeedScreenFixture.h"

#include "needs/QXNeedHistoryListController.h"

#include "houses/photos/ImagePickerView.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/scroll_view.h"

class NeedRepliesScreenshotTest : public NeedScreenFixture {
protected:
    ::testing::AssertionResult matches(const QString& name) {
        return matchesReferenceImage(driver_->screenshot()->pixels(), "src/needs/reference", name);
    }
    // A need the district's brokers have answered, opened from the history.
    std::shared_ptr<QXBrokerReplyViewController> answeredNeed() {
        startMessaging();
        const auto [district, name] = brokerDistrict();
        const QVariantMap reply = publish("1", district, "[2]", "-1");
        const QString needId = reply.value("postId").toString();
        storeNeed(needId, "1", district, "[2]", "-1", "不限", name, 1700000000);
        const int brokers = int(reply.value("agents").toList().size());
        EXPECT_TRUE(settleUntil([&] {
            return QXIMDatabase::shared().getNeedInfoWithUserID(own(), needId).size() == 1 &&
                   messaging_.unacknowledged(kUser) == 0 && answeredBy(needId) == brokers;
        }));
        auto screen = openReplies(needId, true);
        EXPECT_TRUE(settleUntil([&] {
            return !screen->houseSourceArray().isEmpty() &&
                   screen->agentsInfoArray().size() == brokers;
        }));
        return screen;
    }
};

TEST_F(NeedRepliesScreenshotTest, TheRepliesOfANeedWithItsBrokersAndHouses) {
    auto screen = answeredNeed();
    settlePictures();
    EXPECT_TRUE(matches("need_replies.png"));

    // The pop-up of the brokers who answered.
    ASSERT_TRUE(driver_->tap(screen->brokerListViewBtn()));
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    settlePictures();
    const auto popUp = QXBrokersPopListView::last();
    ASSERT_TRUE(popUp);
    EXPECT_EQ(popUp->mutableArray().size(), screen->agentsInfoArray().size());
    EXPECT_FALSE(HousesHost::shared()->dragBackGesture()) << "the pop-up covers the screen";
    EXPECT_TRUE(matches("need_replied_brokers.png"));

    // Closing it gives the screen back.
    ASSERT_TRUE(driver_->tap(popUp->closeBtn()));
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    EXPECT_FALSE(popUp->superview());
    EXPECT_TRUE(HousesHost::shared()->dragBackGesture());
}

TEST_F(NeedRepliesScreenshotTest, TheRepliesDrawNothingAtRestShownOrBeneathAnotherScreen) {
    answeredNeed();
    expectRestsShownBeneathAnotherAndAgain();
}

// What rest means to the tests of screens at rest: a late draw in the first span of 10 s
// passes, but a window that draws again after a quiet span, however seldom, is not at rest.
TEST_F(NeedRepliesScreenshotTest, AtRestAWindowStaysQuietFromItsFirstQuietSpanOn) {
    auto screen = std::make_shared<ui::ViewController>();
    navigation_->pushViewController(screen, false);
    settle();
    const auto paint = [screen](const ui::Color& colour) {
        return [screen, colour] { screen->view()->setBackgroundColor(colour); };
    };
    auto late = ns::DelayedCall::schedule(ns::seconds(5), paint(ui::Color::redColor()));
    EXPECT_TRUE(restsIdle()) << "one late draw";
    // Drawn 15 s on and 22 s after that: the five spans of 10 s are quiet, noisy, quiet, noisy
    // and quiet.
    auto again = ns::DelayedCall::schedule(ns::seconds(15), paint(ui::Color::blueColor()));
    auto later = ns::DelayedCall::schedule(ns::seconds(37), paint(ui::Color::greenColor()));
    EXPECT_FALSE(restsIdle()) << "a draw every 22 s";
    // One late draw after quiet spans, then quiet: a reply that came late in real time.
    auto afterQuiet = ns::DelayedCall::schedule(ns::seconds(35), paint(ui::Color::redColor()));
    EXPECT_TRUE(restsIdle()) << "one draw after quiet spans";
    // A draw every 29 s: after its first quiet span one, and another before three are quiet.
    std::vector<ns::DelayedCall> everyHalfMinute;
    for (int at = 5; at < 90; at += 29)
        everyHalfMinute.push_back(
            ns::DelayedCall::schedule(ns::seconds(at), paint(ui::Color::blueColor())));
    EXPECT_FALSE(restsIdle()) << "a draw every 29 s";
}

TEST_F(NeedRepliesScreenshotTest, TheNeedHistoryWithItsCards) {
    const auto [district, name] = brokerDistrict();
    const qint64 now = qint64(clock().timeIntervalSince1970());
    storeNeed("41", "1", district, "[1,2]", "3000_5000", "3000-5000元", name, now - 3 * 86400);
    storeNeed("42", "3", district, "[1]", "-1", "不限", "人民广场", now - 5 * 3600, "121.47,31.23");
    storeNeed("43", "5", district, "[3]", "300_500", "300-500万", name, now - 600);
    QXIMDatabase::shared().updateSubscribeId("-1", "42");
    // Two brokers answered the rent need; the sale need's push has new houses.
    for (const qint64 broker : {8000000001LL, 8000000002LL}) storeAnswer(broker, "41");
    subscribe("43");
    auto history = std::make_shared<QXNeedHistoryListController>();
    navigation_->pushViewController(history, false);
    // The rent need's age sits on the last second of "4天前": the clock stands while the
    // table waits for its reads, however long they take, and moves only by the two settles
    // after them, well within that second.
    ASSERT_TRUE(waitFor([&] {
        // The table is drawn again from a read that follows the status reply.
        return history->needHistoryArray().size() == 3 &&
               !history->subscribeRefreshStatusArray().isEmpty() && !history->isReading();
    }));
    settle();
    EXPECT_TRUE(matches("need_history.png"));
}
