// The replies screen of a published need against the stand-in: the brokers who answer, the
// recommended houses a batch at a time, the daily push subscription and the house rows'
// actions.
#include "NeedScreenFixture.h"

#include "needs/QXHouseSourceCell.h"

#include "chat/QXMessageController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/shared/HouseFavourites.h"
#include "ui/image/AnimatedImageView.h"
#include "ui/widgets/AlertMessages.h"

#include "platform/uikit/button.h"
#include "platform/uikit/table_view.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <algorithm>
#include <set>

namespace {

QVariantList argumentsOf(const standin::RecordedRequest& request, const QString& method) {
    const QString json =
        QUrlQuery(QString::fromUtf8(request.body)).queryItemValue("class", QUrl::FullyDecoded);
    const QVariant call = json_JSON(QVariant(json));
    for (const QVariant& klass : call.toMap()) {
        if (klass.toMap().contains(method)) return klass.toMap().value(method).toList();
    }
    return {};
}

QString formValue(const standin::RecordedRequest& request, const QString& key) {
    QString body = QString::fromUtf8(request.body);
    body.replace('+', ' ');
    return QUrlQuery(body).queryItemValue(key, QUrl::FullyDecoded);
}

}  // namespace

class BrokerReplyScreenTest : public NeedScreenFixture {
protected:
    // The subscription calls of one act.
    std::vector<standin::RecordedRequest> subscriptionCalls(int act) {
        std::vector<standin::RecordedRequest> found;
        for (const auto& request : callsOf("CommonSubscribe")) {
            if (formValue(request, "act").toInt() == act) found.push_back(request);
        }
        return found;
    }
    bool housesShown(QXBrokerReplyViewController& screen) {
        settle(0.05);
        return !screen.houseSourceArray().isEmpty();
    }
    // A need published to the stand-in and kept on the device; its id.
    QString publishAndStore(const QString& houseTypes = "[2]", const QString& price = "-1") {
        const auto [district, name] = brokerDistrict();
        const QVariantMap reply = publish("1", district, houseTypes, price);
        const QString needId = reply.value("postId").toString();
        storeNeed(needId, "1", district, houseTypes, price, "不限", name, 1700000000);
        agents_ = int(reply.value("agents").toList().size());
        return needId;
    }
    int agents_ = 0;
};

TEST_F(BrokerReplyScreenTest, APublishedNeedIsAnsweredByBrokersWithHousesAndSubscribedOnce) {
    startMessaging();
    const QString needId = publishAndStore();
    ASSERT_FALSE(needId.isEmpty());
    ASSERT_GT(agents_, 0);
    const double opened = clock().timeIntervalSince1970();
    auto screen = openReplies(needId, false, agents_);
    EXPECT_TRUE(screen->brokerMatchingView()->window()) << "the matching panel shows first";
    EXPECT_EQ(screen->titleLbl()->text(), brokerDistrict().second);
    EXPECT_EQ(screen->subTitleLbl()->text(), "租房，不限的两室");

    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    ASSERT_EQ(subscriptionCalls(1).size(), 1u);
    const QString stored = QXIMDatabase::shared().getSubscribeIdWithPostId(needId);
    EXPECT_GT(stored.toLongLong(), 0) << "the subscription's id is kept with the need";
    const auto lists = callsOf("HousingAppCInfo", "getSubscribeHouseList");
    ASSERT_FALSE(lists.empty());
    const QVariantList asked = argumentsOf(lists.back(), "getSubscribeHouseList");
    EXPECT_EQ(asked.value(0).toString(), needId);
    EXPECT_EQ(asked.value(1).toInt(), 1);
    EXPECT_EQ(asked.value(2).toString(), stored);
    for (const QVariant& house : screen->houseSourceArray()) {
        EXPECT_EQ(house.toMap().value("huxing").toString().left(1), "2") << "two rooms asked";
    }
    // The panel gives way to the tip after its five seconds.
    const double shown = clock().timeIntervalSince1970() - opened;
    driver_->wait(std::max(0.0, QXBrokerReplyViewController::kMatchingSeconds - shown) + 0.01);
    EXPECT_FALSE(screen->brokerMatchingView()->window());
    EXPECT_TRUE(driver_->findByText("正在等待经纪人响应...")) << "the tip after publishing";

    // The brokers answer over the stream; the count follows without the pop-up.
    ASSERT_TRUE(
        settleUntil([&] { return screen->agentsInfoArray().size() == qsizetype(agents_); }));
    settle(1.0);
    EXPECT_EQ(screen->brokerListViewBtn()->titleForState(ui::kControlStateNormal),
              QString::number(agents_));

    // Leaving and coming back sends no second subscription.
    navigation_->popViewControllerAnimated(false);
    settle();
    auto again = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*again); }));
    EXPECT_EQ(subscriptionCalls(1).size(), 1u);
    EXPECT_EQ(callsOf("HousingRequestInfo", "getNearbyAgent").size(), 1u)
        << "from the history the nearby agents are counted";
    EXPECT_EQ(again->agentsInfoArray().size(), qsizetype(agents_)) << "read at once";
}

// The replies as a sent need opens them: the matching panel, then the brokers' answers over
// the stream, each marked on the 应答 button and told in a strip. Once those have had their time
// and the pictures are in, the screen draws nothing and runs nothing, shown, beneath another
// screen and shown again.
TEST_F(BrokerReplyScreenTest, TheRepliesOfASentNeedRestOnceItsBrokersHaveAnswered) {
    startMessaging();
    const QString needId = publishAndStore();
    ASSERT_GT(agents_, 0);
    auto screen = openReplies(needId, false, agents_);
    // Every broker's answer is stored and acknowledged, and the button counts them all.
    ASSERT_TRUE(settleUntil([&] {
        return messaging_.unacknowledged(kUser) == 0 && answeredBy(needId) == agents_ &&
               screen->brokerListViewBtn()->currentTitle() == QString::number(agents_);
    }));
    // A read that finds no new answer counts at once, while the slide of the read before
    // it, which leaves the mark, may still run.
    ASSERT_TRUE(settleUntil([&] {
        return std::ranges::any_of(screen->brokerListViewBtn()->subviews(), [](const auto& mark) {
            return dynamic_cast<AnimatedImageView*>(mark.get());
        });
    })) << "the answers are marked on the button";
    settle(QXBrokerReplyViewController::kMatchingSeconds + 7);
    expectRestsShownBeneathAnotherAndAgain();
}

TEST_F(BrokerReplyScreenTest, ACancelledSubscriptionIsNotMadeAgainAndTheBarOffersIt) {
    // An earlier need, so that this need's id and its subscription's differ.
    (void)publishAndStore();
    const QString needId = publishAndStore();
    QXIMDatabase::shared().updateSubscribeId("-1", needId);
    auto screen = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    EXPECT_TRUE(subscriptionCalls(1).empty());
    EXPECT_EQ(argumentsOf(callsOf("HousingAppCInfo").back(), "getSubscribeHouseList").value(2), 0);
    EXPECT_EQ(screen->subscribeId(), -1);
    auto* table = screen->houseSourceTableView();
    table->scrollToRowAtIndexPath(ui::IndexPath(0, table->numberOfRowsInSection(0) - 1),
                                  ui::TableViewScrollPosition::Bottom, false);
    table->layoutIfNeeded();
    settle();
    auto* text = dynamic_cast<ui::Label*>(
        screen->bottomPushView()->viewWithTag(QXBrokerReplyViewController::kBarLabelTag));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(), "每日推送最新房源，好房子不再错过");

    // Subscribing again from the bar, then cancelling after the confirmation.
    screen->closeSubscribeBtnFunc();
    ASSERT_TRUE(settleUntil([&] { return screen->subscribeId() > 0; }));
    const qint64 subscription = screen->subscribeId();
    ASSERT_NE(QString::number(subscription), needId);
    EXPECT_EQ(QXIMDatabase::shared().getSubscribeIdWithPostId(needId).toLongLong(), subscription);
    screen->closeSubscribeBtnFunc();
    settle();
    ASSERT_TRUE(driver_->tapText("确定"));
    ASSERT_TRUE(settleUntil([&] { return screen->subscribeId() == -1; }));
    ASSERT_EQ(subscriptionCalls(4).size(), 1u);
    EXPECT_EQ(formValue(subscriptionCalls(4)[0], "subscribeId").toLongLong(), subscription)
        << "the subscription is cancelled, not the need";
    EXPECT_EQ(QXIMDatabase::shared().getSubscribeIdWithPostId(needId), "-1");
}

TEST_F(BrokerReplyScreenTest, AnEmptyBatchClearsTheRowsAndTheirActionsFindNothing) {
    const QString needId = publishAndStore();
    for (const qint64 broker : {8001000000, 8001000001, 8001000002}) storeAnswer(broker, needId);
    auto screen = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    ASSERT_GT(screen->houseSourceTableView()->numberOfRowsInSection(0), 0);
    server().setFault({.prefix = standin::paths::kDataShare,
                       .body = R"({"status":0,"data":{"NevoruSubscribe":{"getSubscribeHouseList":)"
                               R"({"page":2,"total":0,"list":"none"}}}})",
                       .times = 1});
    screen->getMoreHouseSourceData();
    ASSERT_TRUE(settleUntil([&] { return screen->houseSourceArray().isEmpty(); }));
    EXPECT_EQ(screen->houseSourceTableView()->numberOfRowsInSection(0), 0)
        << "no row outlives its house";
    EXPECT_EQ(screen->houseSourceInfoPage(), 3) << "the next batch follows the served page";
    EXPECT_EQ(screen->loadingView(), nullptr) << "let go once the answer came";
    // Brokers answered, none recommends a house: the notice asks to wait for them all the same.
    EXPECT_EQ(screen->brokerListViewBtn()->titleForState(ui::kControlStateNormal), "3");
    EXPECT_NE(driver_->findByText(QStringLiteral("暂未找到合适的房源")), nullptr);
    EXPECT_NE(driver_->findByText(QStringLiteral("请等待经纪人响应，或者先到好房子看看")), nullptr);
    const auto screens = navigation_->viewControllers().size();
    screen->goToImPageWithAgent(0);
    screen->goToHouseSourceDetailPageWithCellTag(0);
    screen->favriteHouseSourceInfoWithCellTag(0);
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), screens);
}

TEST_F(BrokerReplyScreenTest, OneHouseOfElevenDocksTheBarAtTheBottomWhereItsButtonAnswers) {
    const QString needId = publishAndStore();
    auto screen = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    ASSERT_GT(screen->subscribeId(), 0);
    // The next batch holds one house of eleven, as the server lists it.
    const QJsonObject house =
        QJsonObject::fromVariantMap(screen->houseSourceArray().first().toMap());
    const QJsonObject batch{{"page", 2}, {"total", 11}, {"list", QJsonArray{house}}};
    const QJsonObject reply{
        {"status", 0},
        {"data", QJsonObject{{"NevoruSubscribe", QJsonObject{{"getSubscribeHouseList", batch}}}}}};
    server().setFault({.prefix = standin::paths::kDataShare,
                       .body = QJsonDocument(reply).toJson(QJsonDocument::Compact),
                       .times = 1});
    screen->getMoreHouseSourceData();
    ASSERT_TRUE(settleUntil([&] { return screen->houseSourceArray().size() == 1; }));
    auto* table = screen->houseSourceTableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 2) << "the house and the band of the next batch";
    EXPECT_EQ(table->rectForRowAtIndexPath(ui::IndexPath(0, 1)).size.height, 63);
    table->scrollToRowAtIndexPath(ui::IndexPath(0, 1), ui::TableViewScrollPosition::Bottom, false);
    table->layoutIfNeeded();
    settle();

    ui::View* bar = screen->bottomPushView();
    EXPECT_EQ(bar->superview(), screen->view().get()) << "docked on the screen, not in the row";
    EXPECT_EQ(bar->frame().maxY(), screen->view()->bounds().height());
    ASSERT_TRUE(driver_->tap(bar->viewWithTag(QXBrokerReplyViewController::kBarButtonTag)));
    settle();
    ASSERT_TRUE(driver_->tapText("确定")) << "取消推送 answers the tap with its question";
    ASSERT_TRUE(settleUntil([&] { return screen->subscribeId() == -1; }));
    auto* text =
        dynamic_cast<ui::Label*>(bar->viewWithTag(QXBrokerReplyViewController::kBarLabelTag));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "每日推送最新房源，好房子不再错过");
    EXPECT_EQ(bar->superview(), screen->view().get()) << "docked again";
}

TEST_F(BrokerReplyScreenTest, AHouseRowOpensItsDetailAndAChatAboutTheNeed) {
    const QString needId = publishAndStore();
    auto screen = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    settle();
    const QVariantMap house = screen->houseSourceArray().first().toMap();

    auto* cell = dynamic_cast<QXHouseSourceCell*>(
        screen->houseSourceTableView()->cellForRowAtIndexPath(ui::IndexPath(0, 0)));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->brokerNameLbl()->text(), house.value("person").toString());
    ASSERT_TRUE(driver_->tap(cell->chatBtn()));
    settle(0.5);
    auto chat = std::dynamic_pointer_cast<QXMessageController>(navigation_->topViewController());
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->talkInfo().value("r_id").toString(), needId);
    EXPECT_EQ(chat->talkInfo().value("t_id").toString(),
              house.value("userId").toString() + "-" + own());
    navigation_->popViewControllerAnimated(false);
    settle();

    screen->goToHouseSourceDetailPageWithCellTag(0);
    settle(0.5);
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->puid(), house.value("puid").toString()) << "the post fetched by its puid";
    navigation_->popViewControllerAnimated(false);
    settle();

    // While the pop-up covers the screen, the rows do nothing.
    ASSERT_TRUE(driver_->tap(screen->brokerListViewBtn()));
    driver_->wait(QXBrokersPopListView::kSlideDuration + 0.1);
    ASSERT_TRUE(QXBrokersPopListView::last()->isShowing());
    cell->buttonTapped(QXHouseSourceCell::kChatButtonTag);
    screen->didSelectRowAtIndexPath(*screen->houseSourceTableView(), ui::IndexPath(0, 0));
    settle(0.5);
    EXPECT_EQ(navigation_->topViewController(), screen);
}

TEST_F(BrokerReplyScreenTest, AFavouriteIsKeptFromTheServersPostAndRefusedPastTheLimit) {
    const QString needId = publishAndStore();
    auto screen = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    const QVariantMap house = screen->houseSourceArray().first().toMap();
    const QJsonObject post{{"puid", house.value("puid").toString()},
                           {"title", house.value("title").toString()},
                           {"major_category", 1}};
    server().setFault(
        {.prefix = standin::paths::kDataShare,
         .body =
             QJsonDocument(QJsonObject{{"posts", QJsonArray{post}}}).toJson(QJsonDocument::Compact),
         .times = 1});
    screen->favriteHouseSourceInfoWithCellTag(0);
    ASSERT_TRUE(settleUntil([&] { return HouseFavourites::isSaved(house); }));
    const auto gets = callsOf("GetPost");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].header("puid"), house.value("puid").toString().toUtf8());
    EXPECT_EQ(gets[0].method, "GET");

    screen->favriteHouseSourceInfoWithCellTag(0);
    settle();
    EXPECT_FALSE(HouseFavourites::isSaved(house)) << "a second tap takes it out";

    // A reply without a post keeps nothing.
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = R"({"posts":[]})", .times = 1});
    screen->favriteHouseSourceInfoWithCellTag(0);
    ASSERT_TRUE(runMainLoopUntil([&] { return callsOf("GetPost").size() == 2; }));
    settle();
    EXPECT_FALSE(HouseFavourites::isSaved(house));

    for (int n = 0; n < HouseFavourites::kLimit; ++n) {
        ASSERT_TRUE(QXIMDatabase::shared().saveHistoryContent("{}", own(), QString::number(n), 1));
    }
    screen->favriteHouseSourceInfoWithCellTag(0);
    settle();
    EXPECT_EQ(callsOf("GetPost").size(), 2u) << "past the limit nothing is asked";
    EXPECT_TRUE(alerts_->pressButton("确  定"));
}

TEST_F(BrokerReplyScreenTest, MessagesWhileCoveredAreReadOnReturnWithoutTheAnimation) {
    startMessaging();
    const QString needId = publishAndStore();
    auto screen = openReplies(needId, true);
    ASSERT_TRUE(runMainLoopUntil([&] { return housesShown(*screen); }));
    auto cover = std::make_shared<ui::ViewController>();
    navigation_->pushViewController(cover, false);
    settle();
    ASSERT_TRUE(settleUntil([&] { return screen->needLoad(); }))
        << "the brokers' answers arrive while the screen is covered";
    EXPECT_TRUE(screen->agentsInfoArray().isEmpty());
    navigation_->popViewControllerAnimated(false);
    settle();
    ASSERT_TRUE(settleUntil([&] { return !screen->agentsInfoArray().isEmpty(); }));
    EXPECT_FALSE(screen->needLoad());
}

// A need sent a moment before the app quits, before any broker's answer went out (and
// scripts/run.sh stops the stand-in with the app), is answered after the relaunch by the
// stand-in started again on the files it keeps in the sandbox: every broker the need named
// greets the user in a talk of his own and sends his cards, and the replies, their count and
// the talks name the same brokers.
TEST_F(BrokerReplyScreenTest, ANeedSentJustBeforeAQuitIsAnsweredAfterTheRelaunch) {
    const QStringList kept{QStringLiteral("--needs"), sandboxPath() + "/standin-needs.json",
                           QStringLiteral("--messages"), sandboxPath() + "/standin-messages.json"};
    ASSERT_TRUE(restartServer(kept)) << server().error().toStdString();
    const auto [district, name] = brokerDistrict();
    const QVariantMap sent = publish("1", district, "[2]", "-1");
    const QString needId = sent.value("postId").toString();
    ASSERT_FALSE(needId.isEmpty());
    storeNeed(needId, "1", district, "[2]", "-1", "不限", name, 1700000000);
    std::set<QString> named;
    for (const QVariant& agent : sent.value("agents").toList())
        named.insert(agent.toMap().value("userId").toString());
    ASSERT_FALSE(named.empty());
    server().stop();

    ASSERT_TRUE(restartServer(kept)) << server().error().toStdString();
    startMessaging();
    // Every broker named greets the user about the need and sends a card of each house.
    const auto talkOf = [&](const QString& broker) {
        return QXIMDatabase::shared().messagesListByTalkId(broker + "-" + own(), own(), 4999999999,
                                                           100);
    };
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return messaging_.unacknowledged(kUser) == 0 &&
               std::ranges::all_of(
                   named, [&](const QString& broker) { return talkOf(broker).size() >= 1; });
    })) << "every broker's answer came";
    std::set<QString> talking;  // about the need
    for (const QVariantMap& talk :
         QXIMDatabase::shared().talksListByUserId(own(), 4999999999, 0, 1000)) {
        if (talk.value("r_id").toString() == needId)
            talking.insert(talk.value("t_id").toString().section('-', 0, 0));
    }
    EXPECT_EQ(talking, named) << "the talks about the need are those of the brokers it named";
    int cards = 0;
    for (const QString& broker : named) {
        const auto messages = talkOf(broker);
        EXPECT_TRUE(messages.front()
                        .value("m_content")
                        .toString()
                        .contains(QStringLiteral("看到您的找房意向了")))
            << "his greeting first";
        for (const QVariantMap& message : messages)
            cards += message.value("m_content").toString().contains("\"url\"") ? 1 : 0;
    }
    EXPECT_GT(cards, 0) << "house cards";

    // The need's replies, opened from the history: the brokers who answered, their houses.
    auto screen = openReplies(needId, true, int(named.size()));
    ASSERT_TRUE(settleUntil([&] {
        return screen->agentsInfoArray().size() == qsizetype(named.size()) &&
               !screen->houseSourceArray().isEmpty();
    }));
    EXPECT_EQ(screen->brokerListViewBtn()->titleForState(ui::kControlStateNormal),
              QString::number(named.size()));
    for (const QVariant& house : screen->houseSourceArray())
        EXPECT_TRUE(named.contains(house.toMap().value("userId").toString()));
}
