// The need history against the stand-in: the cards and their counts, opening a need, and
// deleting needs with and without a subscription.
#include "NeedScreenFixture.h"

#include "needs/QXNeedHistoryListController.h"
#include "needs/QXNeedHistroyCell.h"

#include "IMChat/qximlib/QXIMMessage.h"
#include "ui/widgets/AlertMessages.h"

#include "platform/uikit/image_view.h"
#include "platform/uikit/table_view.h"

class NeedHistoryTest : public NeedScreenFixture {
protected:
    std::shared_ptr<QXNeedHistoryListController> openHistory(qsizetype expected) {
        auto history = std::make_shared<QXNeedHistoryListController>();
        navigation_->pushViewController(history, false);
        EXPECT_TRUE(settleUntil([&] { return history->needHistoryArray().size() == expected; }));
        return history;
    }
    QXNeedHistroyCell* card(QXNeedHistoryListController& history, int section) {
        return dynamic_cast<QXNeedHistroyCell*>(
            history.listTable()->cellForRowAtIndexPath(ui::IndexPath(section, 0)));
    }
    static QStringList ids(const QXNeedHistoryListController& history) {
        QStringList found;
        for (const QVariant& row : history.needHistoryArray())
            found << row.toMap().value("n_id").toString();
        return found;
    }
    // The status of the subscriptions, asked on appearing, has come back and been listed, so
    // that a fault set next meets the cancellation.
    void waitForStatus(const QXNeedHistoryListController& history) {
        ASSERT_TRUE(settleUntil([&] { return !history.subscribeRefreshStatusArray().isEmpty(); }));
        settle();
    }
    int cancellations() {
        int count = 0;
        for (const auto& request : callsOf("CommonSubscribe"))
            if (request.body.startsWith("act=4")) ++count;
        return count;
    }
};

TEST_F(NeedHistoryTest, CardsShowTheNeedsNewestFirstWithTheirBrokersAndPushState) {
    const auto [district, name] = brokerDistrict();
    storeNeed("11", "1", district, "[1,2]", "3000_5000", "3000-5000元", name, 1700000000);
    storeNeed("12", "3", district, "[1]", "-1", "不限", "科技园", 1700000500, "121.4,31.2");
    // A point picked on the map is kept as its street followed by "附近".
    storeNeed("13", "5", district, "[2]", "-1", "不限", "浦东新区附近", 1700000200, "121.5,31.2");
    storeAnswer(8000000001, "11");
    storeAnswer(8000000002, "11");
    storeAnswer(8000000003, "11");
    subscribe("11");
    QXIMDatabase::shared().updateSubscribeId("-1", "12");

    auto history = openHistory(3);
    ASSERT_TRUE(settleUntil([&] { return callsOf("CommonSubscribe").size() >= 2; }))
        << "the status of the subscriptions is asked";
    settle();
    EXPECT_EQ(history->needHistoryArray().value(0).toMap().value("n_id"), "12") << "newest first";
    QXNeedHistroyCell* shared = card(*history, 0);
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->cellLeftTypeNameLabel()->text(), "合租,");
    EXPECT_EQ(shared->needString()->text(), "科技园附近");
    EXPECT_EQ(shared->houseDoorLabel()->text(), "不限的合租单间");
    EXPECT_EQ(shared->bottomBgLabel()->text(), "暂无经纪人响应");
    EXPECT_TRUE(shared->agentNumLabel()->isHidden());
    EXPECT_FALSE(shared->pushFlagLbl()->isHidden()) << "its push was switched off";

    QXNeedHistroyCell* picked = card(*history, 1);
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->needString()->text(), "浦东新区附近") << "said once";

    QXNeedHistroyCell* rent = card(*history, 2);
    ASSERT_TRUE(rent);
    EXPECT_EQ(rent->cellLeftTypeNameLabel()->text(), "租房,");
    EXPECT_EQ(rent->needString()->text(), name);
    EXPECT_EQ(rent->agentNumLabel()->text(), "3");
    EXPECT_FALSE(rent->agentNumLabel()->isHidden());
    EXPECT_EQ(rent->bottomBgLabel()->text(), "已经有    名经纪人响应");
    EXPECT_TRUE(rent->pushFlagLbl()->isHidden());

    // A card opens its need's replies, marked as opened from the history.
    history->didSelectRowAtIndexPath(*history->listTable(), ui::IndexPath(2, 0));
    settle(0.5);
    auto replies =
        std::dynamic_pointer_cast<QXBrokerReplyViewController>(navigation_->topViewController());
    ASSERT_TRUE(replies);
    EXPECT_EQ(replies->needId(), "11");
    EXPECT_TRUE(replies->isFromNeedHistoryVC());
}

TEST_F(NeedHistoryTest, DeletingASubscribedNeedCancelsItFirstAndRemovesThatNeedById) {
    const auto [district, name] = brokerDistrict();
    storeNeed("21", "1", district, "[1]", "-1", "不限", name, 1700000000);
    storeNeed("22", "1", district, "[2]", "-1", "不限", name, 1700000100);
    subscribe("21");
    auto history = openHistory(2);
    waitForStatus(*history);

    // The server holds the cancellation's answer; meanwhile a newer need lists above the one
    // being deleted.
    server().setFault({.prefix = standin::paths::kPush, .hold = true});
    history->commitEditingStyle(*history->listTable(), ui::TableViewCellEditingStyle::Delete,
                                ui::IndexPath(1, 0));
    storeNeed("23", "1", district, "[3]", "-1", "不限", name, 1700000200);
    history->reloadTableView();
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return history->needHistoryArray().size() == 3;
    })) << "the list was read again before the server answered";
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(settleUntil(
        [&] { return QXIMDatabase::shared().getNeedInfoWithUserID(own(), "21").isEmpty(); }));
    settle();
    EXPECT_EQ(cancellations(), 1);
    EXPECT_EQ(ids(*history), (QStringList{"23", "22"})) << "the cancelled need went, no other";

    // Without a network a subscribed need stays; an unsubscribed one goes offline.
    subscribe("22");
    history->reloadTableView();
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return history->needHistoryArray().value(1).toMap().value("subscribeId").toInt() > 0;
    }));
    context_->setConnectionReachabil(false);
    history->commitEditingStyle(*history->listTable(), ui::TableViewCellEditingStyle::Delete,
                                ui::IndexPath(1, 0));
    settle();
    EXPECT_TRUE(alerts_->pressButton("确  定"));
    EXPECT_EQ(ids(*history), (QStringList{"23", "22"}));
    history->commitEditingStyle(*history->listTable(), ui::TableViewCellEditingStyle::Delete,
                                ui::IndexPath(0, 0));
    settle();
    EXPECT_EQ(ids(*history), QStringList{"22"});
    EXPECT_EQ(cancellations(), 1);
}

TEST_F(NeedHistoryTest, AFailedCancellationKeepsTheNeedAndTheLastDeletionShowsTheEmptyPage) {
    const auto [district, name] = brokerDistrict();
    storeNeed("31", "5", district, "4", "-1", "不限", name, 1700000000);
    subscribe("31");
    auto history = openHistory(1);
    waitForStatus(*history);
    EXPECT_EQ(card(*history, 0)->houseDoorLabel()->text(), "不限的四室以上");

    server().setFault({.prefix = standin::paths::kPush, .status = 503, .times = 1});
    history->commitEditingStyle(*history->listTable(), ui::TableViewCellEditingStyle::Delete,
                                ui::IndexPath(0, 0));
    ASSERT_TRUE(runMainLoopUntil([&] { return cancellations() == 1; }));
    settle();
    EXPECT_EQ(history->needHistoryArray().size(), 1);
    EXPECT_FALSE(QXIMDatabase::shared().getNeedInfoWithUserID(own(), "31").isEmpty());

    history->commitEditingStyle(*history->listTable(), ui::TableViewCellEditingStyle::Delete,
                                ui::IndexPath(0, 0));
    ASSERT_TRUE(settleUntil([&] { return history->needHistoryArray().isEmpty(); }));
    EXPECT_TRUE(history->noHistoryView() && history->noHistoryView()->window());
    EXPECT_TRUE(driver_->findByText("暂无找房意向历史，\r\n发送找房意向后将会出现在这里!"));
}
