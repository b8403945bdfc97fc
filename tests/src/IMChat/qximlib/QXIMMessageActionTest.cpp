#include "IMChat/qximlib/QXIMMessageAction.h"

#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "SandboxTest.h"

#include "IMChat/qximlib/QXIMMessageContent.h"
#include "net/transport/Json.h"

#include "platform/foundation/notification_center.h"

namespace {

constexpr qint64 kActionUser = 9000000000042;
const QString kActionUserText = QString::number(kActionUser);
const QString kActionTalk = "880001-" + kActionUserText;

class Screen : public QXIMMessageActionDelegate {
public:
    QVariantMap talkInfoForMessageAction(QXIMMessageAction&) override { return talk; }
    bool isVisibleMessageAction(QXIMMessageAction&) override { return true; }
    void messageActionRefreshedMessageData(QXIMMessageAction&) override { ++refreshed; }
    void messageActionReplaceDataAtIndex(QXIMMessageAction&, int index) override {
        replaced.append(index);
    }
    void messageActionMergedMessages(QXIMMessageAction&,
                                     const QXIMMessageListChange& change) override {
        merged.append({change.removed, change.inserted});
    }
    QVariantMap talk{{"t_id", kActionTalk},
                     {"u_id", kActionUserText},
                     {"r_id", "p1"},
                     {"o_user", R"({"id":"880001","name":"王"})"},
                     {"l_msg", R"({"post":{"id":"p1"},"msgs":[{"contents":["x"]}]})"}};
    int refreshed = 0;
    QList<int> replaced;
    // Each merge: the rows that left (old places) and came (new places).
    QList<std::pair<std::vector<int>, std::vector<int>>> merged;
};

class QXIMMessageActionTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        // Times are shown on the server's clock; tests of the service before may have set it.
        QXIMUtil::setQximTimeDifference(0);
        QXIMUser::shared().setUserId(kActionUser);
        ASSERT_TRUE(QXIMDatabase::shared().openDatabase(kActionUserText));
        screen = std::make_shared<Screen>();
        action = std::make_unique<QXIMMessageAction>(screen);
    }
    void TearDown() override {
        action.reset();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        SandboxTest::TearDown();
    }
    QXIMMessage stored(qint64 serverId, qint64 time) {
        QXIMMessage message;
        message.userId = kActionUserText;
        message.talkId = kActionTalk;
        message.fromId = "880001";
        message.toId = kActionUserText;
        message.messageId = serverId;
        message.uTime = time;
        message.setContents(R"(["hi"])");
        EXPECT_TRUE(QXIMDatabase::shared().saveMessage(message));
        return message;
    }
    std::shared_ptr<Screen> screen;
    std::unique_ptr<QXIMMessageAction> action;
};

TEST_F(QXIMMessageActionTest, MessagesMoreThanAnHourApartGetTheirOwnLabel) {
    const qint64 start = 1780000000;
    stored(1, start);
    stored(2, start + 3600);
    stored(3, start + 3600 + 3601);
    action->refreshMessagesData();
    ASSERT_EQ(action->messageData().size(), 3);
    EXPECT_FALSE(action->messageData()[0].showTime.isEmpty());
    EXPECT_TRUE(action->messageData()[1].showTime.isEmpty());
    EXPECT_FALSE(action->messageData()[2].showTime.isEmpty());
    EXPECT_FALSE(action->messageData()[2].showTime.contains("午"));
    EXPECT_FALSE(action->isMore());
    EXPECT_EQ(screen->refreshed, 1);
}

TEST_F(QXIMMessageActionTest, AConfirmedMessageTakesItsLocalCopysPlaceAndEarlierOnesGoBefore) {
    stored(1, 1000);
    QXIMMessage local = stored(0, 2000);
    action->refreshMessagesData();
    QXIMMessage confirmed = local;
    confirmed.messageId = 77;
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{.name = QXIMNotifications::kIMRecieveNotification,
                         .object = QXIMNotifications::ReceivedMessages{{confirmed}, {}},
                         .userInfo = {{"m_sid", local.m_sid}}});
    ASSERT_EQ(action->messageData().size(), 2);
    EXPECT_EQ(action->messageData()[1].messageId, 77);
    using Rows = std::vector<int>;
    ASSERT_EQ(screen->merged.size(), 1);
    EXPECT_EQ(screen->merged[0], std::pair(Rows{1}, Rows{1})) << "in place of its local copy";

    QXIMMessage earlier = stored(3, 1500);
    QXIMMessage otherTalk = earlier;
    otherTalk.talkId = "1-" + kActionUserText;
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{.name = QXIMNotifications::kIMRecieveNotification,
                         .object = QXIMNotifications::ReceivedMessages{{earlier, otherTalk}, {}}});
    ASSERT_EQ(action->messageData().size(), 3);
    EXPECT_EQ(action->messageData()[1].messageId, 3);
    ASSERT_EQ(screen->merged.size(), 2);
    EXPECT_EQ(screen->merged[1], std::pair(Rows{}, Rows{1}));
}

TEST_F(QXIMMessageActionTest, AFailedSendIsMarkedWhereItIsListed) {
    stored(1, 1000);
    QXIMMessage local = stored(0, 2000);
    action->refreshMessagesData();
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{.name = QXIMNotifications::kIMSendErrorNotification,
                         .userInfo = {{"m_sids", QVariantList{local.m_sid, qint64(0)}}}});
    EXPECT_EQ(screen->replaced, QList<int>{1});
    EXPECT_EQ(action->messageData()[1].sendingState, QXIMMessage::kFailed);
    EXPECT_EQ(
        QXIMDatabase::shared().getMessageByKey(local.m_sid, kActionUserText)->value("m_state"),
        QVariant(qint64(-1)));
}

TEST_F(QXIMMessageActionTest, DeletingTheLastMessageOfAWholeConversationDeletesTheTalk) {
    QXIMMessage only = stored(1, 1000);
    ASSERT_TRUE(QXIMDatabase::shared().saveMessageIntoTalkTable(only));
    action->refreshMessagesData();
    action->deleteMessageAtIndex(0);
    EXPECT_TRUE(action->messageData().isEmpty());
    EXPECT_TRUE(QXIMDatabase::shared().talkInfoExist(kActionTalk, kActionUserText).isEmpty());
}

TEST_F(QXIMMessageActionTest, AnOutgoingContentIsStoredListedAndMadeIntoACompleteMessage) {
    QXIMMessageTextContent text("你好 \"朋友\"");
    qint64 localId = 0;
    const QString complete = action->saveUnsendMessageContent(text, &localId);
    EXPECT_GT(localId, 0);
    EXPECT_EQ(text.m_sid, localId);
    ASSERT_EQ(action->messageData().size(), 1);
    EXPECT_EQ(action->messageData()[0].sendingState, QXIMMessage::kSending);
    const QVariantMap parsed = json_JSON(QVariant(complete)).toMap();
    EXPECT_EQ(parsed.value("toUser").toMap().value("id"), "880001");
    EXPECT_EQ(parsed.value("post").toMap().value("id"), "p1");
    EXPECT_EQ(parsed.value("msgs").toList().value(0).toMap().value("contents"),
              QVariant(QVariantList{"你好 \"朋友\""}));
}

}  // namespace

namespace {

TEST_F(QXIMMessageActionTest, LabelsNameTodayAndYesterdayByWholeDatesOnA24HourClock) {
    const auto now = static_cast<qint64>(clock().timeIntervalSince1970());
    EXPECT_TRUE(QXIMMessageAction::timeLabel(now).startsWith("今天 "));
    EXPECT_TRUE(QXIMMessageAction::timeLabel(now - 86400).startsWith("昨天 "));
    // The same month and day of an earlier year is no longer today.
    const qint64 yearAgo = QDateTime::fromSecsSinceEpoch(now).addYears(-1).toSecsSinceEpoch();
    EXPECT_FALSE(QXIMMessageAction::timeLabel(yearAgo).startsWith("今天"));
    const QString older = QXIMMessageAction::timeLabel(now - 3 * 86400);
    EXPECT_FALSE(older.startsWith("今天") || older.startsWith("昨天")) << older.toStdString();
    // An afternoon reads on the 24-hour clock.
    const QDateTime afternoon(QDate(2024, 3, 5), QTime(15, 7));
    EXPECT_EQ(QXIMMessageAction::dayLabel(afternoon.toSecsSinceEpoch(),
                                          afternoon.toSecsSinceEpoch() + 60, "M-d HH:mm"),
              "今天 15:07");
    EXPECT_EQ(QXIMMessageAction::dayLabel(afternoon.toSecsSinceEpoch(),
                                          afternoon.addDays(2).toSecsSinceEpoch(), "M-d HH:mm"),
              "3-5 15:07");
}

TEST_F(QXIMMessageActionTest, OnlyAFullFirstLoadLeavesOlderMessagesToFetch) {
    const auto fill = [](int first, int rows) {
        QXIMDatabase::shared().queue().inTransaction([&](JSSQLite& db, bool&) {
            for (int n = first; n < first + rows; ++n) {
                db.executeUpdate(
                    "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, "
                    "u_time) VALUES (?, ?, '880001', ?, ?, '[\"hi\"]', ?)",
                    {kActionUserText, kActionTalk, 100000 + n, kActionUserText, 1780000000 + n});
            }
        });
    };
    fill(0, 999);
    action->refreshMessagesData();
    EXPECT_EQ(action->messageData().size(), 999);
    EXPECT_FALSE(action->isMore());
    fill(999, 2);
    action->refreshMessagesData();
    EXPECT_EQ(action->messageData().size(), 1000);
    EXPECT_TRUE(action->isMore());
    // The newest are kept, oldest first: the very first message is left out.
    EXPECT_EQ(action->messageData().first().uTime, 1780000000 + 1);
    EXPECT_EQ(action->messageData().last().uTime, 1780000000 + 1000);
}

}  // namespace
