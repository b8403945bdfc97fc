#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "SandboxTest.h"

#include "platform/foundation/sandbox.h"

#include <QCryptographicHash>
#include <QFile>

#include <thread>

namespace {

const QString kDatabaseUser = "9000000000042";
const QString kTalk = "9000000000007-9000000000042";

QXIMMessage received(qint64 serverId, qint64 time, const QString& contents = "[\"hi\"]") {
    QXIMMessage message;
    message.userId = kDatabaseUser;
    message.talkId = kTalk;
    message.fromId = "9000000000007";
    message.toId = kDatabaseUser;
    message.needId = "10086_1_1009_1";
    message.otherUser = R"({"id":"9000000000007"})";
    message.messageId = serverId;
    message.uTime = time;
    message.setContents(contents);
    return message;
}

QByteArray digestOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

class QXIMDatabaseTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    }
    int count(const QString& sql) {
        return store.queue().inDatabase([&](JSSQLite& db) {
            return db.executeQuery(sql).value_or(JSSQLite::Rows()).value(0).value("c").toInt();
        });
    }
    QXIMDatabase store;
};

TEST_F(QXIMDatabaseTest, ANewStoreHoldsTheWelcomeTalkOnceAndACurrentFileIsNotWritten) {
    EXPECT_EQ(store.path(), ns::Sandbox::documents() + "/" + kDatabaseUser + "/im.db");
    const auto talks = store.talksListByUserId(kDatabaseUser, 4999999999, 0, 1000);
    ASSERT_EQ(talks.size(), 1);
    EXPECT_EQ(talks[0].value("t_id").toString(), "233401603-" + kDatabaseUser);
    EXPECT_EQ(talks[0].value("l_read").toInt(), 2);
    EXPECT_EQ(talks[0].value("b_time").toLongLong(), talks[0].value("u_time").toLongLong());
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs"), 2);
    EXPECT_EQ(store.talkUnReadCountWithUserId(kDatabaseUser), 2);

    const QString path = store.path();
    store.queue().close();
    const QByteArray before = digestOf(path);
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs"), 2);
    store.queue().close();
    EXPECT_EQ(digestOf(path), before);
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs"), 2);
}

TEST_F(QXIMDatabaseTest, TheWelcomePictureIsCopiedIntoThePictureCacheAndAKeptCopyStays) {
    const QString cached = QXIMUtil::getPicCacheDirectory() + "/Nevoru官方2.2.1@2x.png";
    const QString bundled = ns::Bundle::pathForResource("Nevoru官方2.2.1@2x.png");
    ASSERT_FALSE(bundled.isEmpty());
    EXPECT_EQ(digestOf(cached), digestOf(bundled));
    const auto talks = store.talksListByUserId(kDatabaseUser, 4999999999, 0, 1000);
    ASSERT_EQ(talks.size(), 1);
    EXPECT_TRUE(talks[0].value("o_user").toString().contains("file://Nevoru官方2.2.1@2x.png"));

    // The talk's messages gone, the next open writes them again and keeps the picture there.
    {
        QFile file(cached);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("kept");
    }
    store.queue().inDatabase([](JSSQLite& db) { (void)db.executeUpdate("DELETE FROM msgs"); });
    store.queue().close();
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE m_id IN (201, 202)"), 2);
    QFile file(cached);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "kept");
}

TEST_F(QXIMDatabaseTest, AWelcomeTalkAKillLeftPartWayIsCompletedWhenTheStoreOpens) {
    const QString talk = "233401603-" + kDatabaseUser;
    const auto lastMessageOfTalk = [&] {
        return store.queue().inDatabase([&](JSSQLite& db) {
            return db
                .executeQuery(
                    "SELECT m.m_id AS c FROM msg_list t JOIN msgs m ON "
                    "m._id = t.m_id WHERE t.t_id = '" +
                    talk + "'")
                ->value(0)
                .value("c")
                .toInt();
        });
    };
    // What an earlier version could leave: the first message alone, or both without the
    // talk row.
    for (const QString& lost :
         {QStringLiteral("DELETE FROM msgs WHERE m_id = 202; DELETE FROM msg_list"),
          QStringLiteral("DELETE FROM msg_list")}) {
        store.queue().inDatabase([&](JSSQLite& db) {
            for (const QString& statement : lost.split("; ")) db.executeFormattedUpdate(statement);
            return true;
        });
        store.queue().close();
        ASSERT_TRUE(store.openDatabase(kDatabaseUser));
        EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE m_id IN (201, 202)"), 2);
        const auto rows = store.talkInfoExist(talk, kDatabaseUser);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0].value("l_read").toInt(), 2);
        EXPECT_EQ(lastMessageOfTalk(), 202) << "the row names the second message";
    }
}

TEST_F(QXIMDatabaseTest, TheWelcomeTalkIsWrittenWholeOrNotAtAll) {
    // A store whose talk rows cannot be written: the messages do not stay either.
    store.queue().inDatabase([&](JSSQLite& db) {
        db.executeFormattedUpdate("DELETE FROM msgs");
        db.executeFormattedUpdate("DELETE FROM msg_list");
        db.executeFormattedUpdate(
            "CREATE TRIGGER refuse BEFORE INSERT ON msg_list BEGIN "
            "SELECT RAISE(ABORT, 'full'); END");
        return true;
    });
    store.queue().close();
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msg_list"), 0);

    // Once it can, the next opening writes the whole talk.
    store.queue().inDatabase([&](JSSQLite& db) {
        db.executeFormattedUpdate("DROP TRIGGER refuse");
        return true;
    });
    store.queue().close();
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msg_list"), 1);
}

TEST_F(QXIMDatabaseTest, TheWelcomeMessagesBelongToTheStoresUserWhoeverTheMessagingUserIs) {
    QXIMUser::shared().setUserId(5);
    ASSERT_TRUE(store.openDatabase("77"));
    QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
    EXPECT_EQ(store.talkInfoExist("233401603-77", "77").size(), 1);
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE u_id = '77'"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE u_id != '77'"), 0);
}

TEST_F(QXIMDatabaseTest, TheSameServerMessageIsStoredOnce) {
    QXIMMessage first = received(9000000000100, 100);
    int exist = -1;
    ASSERT_TRUE(store.saveMessage(first, true, &exist));
    EXPECT_EQ(exist, 0);
    EXPECT_GT(first.m_sid, 0);
    QXIMMessage again = received(9000000000100, 100);
    ASSERT_TRUE(store.saveMessage(again, true, &exist));
    EXPECT_EQ(exist, 1);
    EXPECT_EQ(again.m_sid, 0);  // no row of its own
    // An outgoing message (no server id yet) is always a new row.
    QXIMMessage outgoing = received(0, 100);
    QXIMMessage outgoingAgain = received(0, 100);
    ASSERT_TRUE(store.saveMessage(outgoing, true));
    ASSERT_TRUE(store.saveMessage(outgoingAgain, true));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE t_id = '" + kTalk + "'"), 3);
    const auto row = store.getMessageByKey(first.m_sid, kDatabaseUser);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->value("m_id").toString(), "9000000000100");
    EXPECT_EQ(row->value("c_type").toString(), "d_string");
}

TEST_F(QXIMDatabaseTest, ConcurrentSaversNeverDuplicateARow) {
    constexpr int kMessages = 200;
    auto save = [&] {
        for (int n = 1; n <= kMessages; ++n) {
            QXIMMessage message = received(n, n);
            store.saveMessage(message, true);
        }
    };
    std::thread a(save);
    std::thread b(save);
    save();
    a.join();
    b.join();
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE t_id = '" + kTalk + "'"), kMessages);
}

TEST_F(QXIMDatabaseTest, ATalkListKeepsItsNewestRowsUnderALimit) {
    for (int n = 1; n <= 30; ++n) {
        QXIMMessage message = received(n, 1000 + n);
        ASSERT_TRUE(store.saveMessage(message));
    }
    const auto rows = store.messagesListByTalkId(kTalk, kDatabaseUser, 4999999999, 20);
    ASSERT_EQ(rows.size(), 20);
    EXPECT_EQ(rows.first().value("u_time").toLongLong(), 1011);
    EXPECT_EQ(rows.last().value("u_time").toLongLong(), 1030);
    // Paging further back from the oldest shown message.
    const auto older = store.messagesListByTalkId(kTalk, kDatabaseUser, 1011,
                                                  rows.first().value("_id").toLongLong(), 20);
    ASSERT_EQ(older.size(), 10);
    EXPECT_EQ(older.last().value("u_time").toLongLong(), 1010);
}

TEST_F(QXIMDatabaseTest, MessagesReadStraightFromColumnsEqualThoseMadeFromRows) {
    // Equal times are ordered by local id; a sending and a failed row among sent ones.
    for (int n = 1; n <= 12; ++n) {
        QXIMMessage message = received(9000000000000 + n, 1000 + n / 3, QString("[\"%1\"]").arg(n));
        message.sendingState = n % 5 == 0 ? QXIMMessage::kSending : QXIMMessage::kSent;
        if (n == 7) message.messageId = 0;
        ASSERT_TRUE(store.saveMessage(message, false));
    }
    ASSERT_TRUE(store.updateMessageSendState(3, QXIMMessage::kFailed));
    const auto same = [&](qint64 before, qint64 localId, unsigned count) {
        const auto rows = store.messagesListByTalkId(kTalk, kDatabaseUser, before, localId, count);
        const auto messages = store.messagesByTalkId(kTalk, kDatabaseUser, before, localId, count);
        ASSERT_EQ(messages.size(), rows.size());
        for (qsizetype n = 0; n < rows.size(); ++n) {
            const QXIMMessage expected = QXIMMessage::messageFromDictionary(rows[n]);
            EXPECT_EQ(messages[n].m_sid, expected.m_sid);
            EXPECT_EQ(messages[n].messageId, expected.messageId);
            EXPECT_EQ(messages[n].uTime, expected.uTime);
            EXPECT_EQ(messages[n].sendingState, expected.sendingState);
            EXPECT_EQ(messages[n].fromId, expected.fromId);
            EXPECT_EQ(messages[n].toId, expected.toId);
            EXPECT_EQ(messages[n].type, expected.type);
            EXPECT_EQ(messages[n].contentsJson(), expected.contentsJson());
        }
    };
    same(4999999999, 0, 5);
    same(1004, 0, 100);
    same(1002, 10, 4);  // paging back from a message among others of its time
    const auto newest = store.messagesByTalkId(kTalk, kDatabaseUser, 4999999999, 0, 5);
    ASSERT_EQ(newest.size(), 5);
    EXPECT_EQ(newest.first().contentsJson(), QVariant(QVariantList{"8"}));
    EXPECT_EQ(newest.last().contentsJson(), QVariant(QVariantList{"12"}));
    EXPECT_TRUE(store.messagesByTalkId("1-2", kDatabaseUser, 4999999999, 0, 5).isEmpty());
}

TEST_F(QXIMDatabaseTest, TalkRowsCountUnreadAndKeepMarks) {
    QXIMMessage first = received(1, 100, R"([["notice",{"type":"block"},"x"]])");
    first.unread = 3;
    bool autoInsert = false;
    ASSERT_TRUE(store.saveMessageIntoTalkTable(first, &autoInsert));
    EXPECT_TRUE(autoInsert);
    EXPECT_GT(first.t_sid, 0);
    QXIMMessage second = received(2, 200);
    second.unread = 1;
    ASSERT_TRUE(store.saveMessageIntoTalkTable(second, &autoInsert));
    EXPECT_FALSE(autoInsert);  // same post
    auto talk = store.talkInfoExist(kTalk, kDatabaseUser).value(0);
    EXPECT_EQ(talk.value("l_read").toInt(), 4);
    EXPECT_EQ(talk.value("u_system").toInt(), 0);  // the other side's plain text resets it

    QXIMMessage notice = received(3, 300, R"([["notice",{"type":"block"},"x"]])");
    ASSERT_TRUE(store.saveMessageIntoTalkTable(notice));
    QXIMMessage own = received(4, 400);
    own.fromId = kDatabaseUser;
    own.needId = "other";
    ASSERT_TRUE(store.saveMessageIntoTalkTable(own, &autoInsert));
    EXPECT_TRUE(autoInsert);  // another post
    talk = store.talkInfoExist(kTalk, kDatabaseUser).value(0);
    EXPECT_EQ(talk.value("u_system").toInt(), 1);  // the user's own message keeps the mark

    QXIMMessage confirmed = received(5, 999);
    ASSERT_TRUE(store.saveMessageIntoTalkTable(confirmed, nullptr, true));
    EXPECT_EQ(store.talkInfoExist(kTalk, kDatabaseUser).value(0).value("u_time").toLongLong(), 400);

    ASSERT_TRUE(store.saveTalkInfoAndClearRead(first.t_sid));
    EXPECT_EQ(store.talkUnReadCountWithUserId(kDatabaseUser, false), 2);  // the welcome talk's two
}

TEST_F(QXIMDatabaseTest, SendStatesMoveBetweenSendingSentAndFailed) {
    QXIMMessage outgoing = received(0, 500);
    outgoing.fromId = kDatabaseUser;
    outgoing.sendingState = QXIMMessage::kSending;
    ASSERT_TRUE(store.saveMessage(outgoing, false));
    ASSERT_TRUE(store.saveMessageIntoTalkTable(outgoing));
    ASSERT_TRUE(store.updateMessageSendFaild());
    EXPECT_EQ(store.getMessageByKey(outgoing.m_sid, kDatabaseUser)->value("m_state").toInt(), -1);
    EXPECT_EQ(store.talkInfoExist(kTalk, kDatabaseUser).value(0).value("m_state").toInt(), -1);

    outgoing.messageId = 9000000000777;
    outgoing.sendingState = QXIMMessage::kSent;
    outgoing.uTime = 12345;
    ASSERT_TRUE(store.updateMessageExceptTime(outgoing));
    EXPECT_EQ(outgoing.uTime, 500);  // the stored time stays
    EXPECT_EQ(store.getMessageByKey(outgoing.m_sid, kDatabaseUser)->value("m_id").toString(),
              "9000000000777");

    // The broker's answer arrives before the server confirms the user's next message: the
    // confirmation leaves the answer the talk's last message, unread count and all.
    QXIMMessage next = received(0, 600, R"(["再推荐几套房源"])");
    next.fromId = kDatabaseUser;
    next.sendingState = QXIMMessage::kSending;
    ASSERT_TRUE(store.saveMessage(next, false));
    ASSERT_TRUE(store.saveMessageIntoTalkTable(next));
    QXIMMessage card = received(9000000000779, 601, R"([["url",{"title":"北新泾"},"北新泾"]])");
    card.unread = 1;
    ASSERT_TRUE(store.saveMessage(card, false));
    ASSERT_TRUE(store.saveMessageIntoTalkTable(card));
    next.messageId = 9000000000778;
    next.sendingState = QXIMMessage::kSent;
    ASSERT_TRUE(store.updateMessageExceptTime(next));
    ASSERT_TRUE(store.saveMessageIntoTalkTable(next, nullptr, true));
    const QVariantMap talk = store.talkInfoExist(kTalk, kDatabaseUser).value(0);
    EXPECT_EQ(talk.value("l_content").toString(), card.contents());
    EXPECT_EQ(talk.value("l_read").toInt(), 1);
    EXPECT_EQ(talk.value("u_time").toLongLong(), 601);

    // Confirmed while still the last, the row takes the sent state.
    QXIMMessage last = received(0, 700, R"(["好的"])");
    last.fromId = kDatabaseUser;
    last.sendingState = QXIMMessage::kSending;
    ASSERT_TRUE(store.saveMessage(last, false));
    ASSERT_TRUE(store.saveMessageIntoTalkTable(last));
    last.sendingState = QXIMMessage::kSent;
    ASSERT_TRUE(store.saveMessageIntoTalkTable(last, nullptr, true));
    EXPECT_EQ(store.talkInfoExist(kTalk, kDatabaseUser).value(0).value("m_state").toInt(),
              QXIMMessage::kSent);
}

TEST_F(QXIMDatabaseTest, APacketIsStoredWholeOrNotAtAll) {
    QXIMDatabase::ReceivedPacket packet;
    packet.items = {{received(10, 100), received(10, 100, "[\"second\"]")}, {received(11, 101)}};
    packet.otherUser = R"({"id":"9000000000007"})";
    packet.completeMessage = "{}";
    auto saved = store.saveReceivedPacket(packet);
    ASSERT_TRUE(saved.committed);
    EXPECT_EQ(saved.stored.size(), 3);
    EXPECT_TRUE(saved.autoInsertNeed);
    EXPECT_EQ(store.talkInfoExist(kTalk, kDatabaseUser).value(0).value("l_read").toInt(), 3);

    // Again: nothing new, nothing written, nothing to tell.
    saved = store.saveReceivedPacket(packet);
    EXPECT_TRUE(saved.committed);
    EXPECT_TRUE(saved.stored.isEmpty());
    EXPECT_EQ(store.talkInfoExist(kTalk, kDatabaseUser).value(0).value("l_read").toInt(), 3);

    // Items already stored are skipped among new ones; an item repeated within the packet is
    // stored once; an item of another user's talk is checked against that talk.
    QXIMMessage elsewhere = received(10, 103);
    elsewhere.talkId = "9000000000008-" + kDatabaseUser;
    packet.items = {{received(13, 104)}, {received(10, 100)}, {received(13, 104)}, {elsewhere}};
    saved = store.saveReceivedPacket(packet);
    ASSERT_TRUE(saved.committed);
    ASSERT_EQ(saved.stored.size(), 2);
    EXPECT_EQ(saved.stored[0].messageId, 13);
    EXPECT_EQ(saved.stored[1].talkId, elsewhere.talkId);
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE m_id = '13'"), 1);

    // A talk row that cannot be written undoes the packet's messages too.
    store.queue().inDatabase([](JSSQLite& db) { db.executeUpdate("DROP TABLE msg_list"); });
    packet.items = {{received(12, 102)}};
    saved = store.saveReceivedPacket(packet);
    EXPECT_FALSE(saved.committed);
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM msgs WHERE m_id = '12'"), 0);
}

TEST_F(QXIMDatabaseTest, APacketSkipsExactlyItsStoredServerIdsWhateverTheirLengths) {
    const auto storeIds = [&](const QList<qint64>& ids) {
        QXIMDatabase::ReceivedPacket packet;
        for (const qint64 id : ids) packet.items.append({received(id, id)});
        packet.otherUser = R"({"id":"9000000000007"})";
        packet.completeMessage = "{}";
        const auto saved = store.saveReceivedPacket(packet);
        EXPECT_TRUE(saved.committed);
        QList<qint64> stored;
        for (const QXIMMessage& message : saved.stored) stored.append(message.messageId);
        return stored;
    };
    ASSERT_EQ(storeIds({999, 1201, 12005}), QList<qint64>({999, 1201, 12005}));
    // "1201" sorts as text between "12000" and "12019" but is none of them.
    EXPECT_EQ(storeIds({12000, 12005, 12019}), QList<qint64>({12000, 12019}));
    // A stored id at either end of the packet's range, none between.
    EXPECT_EQ(storeIds({12019, 12021, 12025}), QList<qint64>({12021, 12025}));
    EXPECT_EQ(storeIds({11990, 11995, 12000}), QList<qint64>({11990, 11995}));
    // Ids of differing lengths.
    EXPECT_EQ(storeIds({998, 999, 1000}), QList<qint64>({998, 1000}));
    // Another user's row with the same talk and server id is not this user's message.
    store.queue().inDatabase([](JSSQLite& db) {
        db.executeUpdate(
            "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time) "
            "VALUES ('9000000000099', ?, '1', 5000, '2', '[]', 1)",
            {kTalk});
    });
    EXPECT_EQ(storeIds({5000, 5001}), QList<qint64>({5000, 5001}));
    EXPECT_EQ(count("SELECT COUNT(*) AS c FROM (SELECT 1 FROM msgs GROUP BY u_id, t_id, m_id "
                    "HAVING COUNT(*) > 1)"),
              0);
}

TEST_F(QXIMDatabaseTest, FavouritesAndNeeds) {
    EXPECT_TRUE(store.saveHistoryContent("c", kDatabaseUser, "p1", 1));
    EXPECT_TRUE(store.saveHistoryContent("c", kDatabaseUser, "p1", 1));
    EXPECT_EQ(store.historyCountByUserId(kDatabaseUser), 1);
    const qint64 row = store.historyListByUserId(kDatabaseUser).value(0).value("_id").toLongLong();
    EXPECT_TRUE(store.markHistory(false, row));
    EXPECT_LT(store.historyListByUserId(kDatabaseUser).value(0).value("b_time").toLongLong(), 0);
    EXPECT_TRUE(store.updateHistorySign(QString(), kDatabaseUser, "p1"));
    EXPECT_EQ(store.historySignByUserId(kDatabaseUser, "p1"), QString(""));

    QXIMDatabase::NeedInfo need;
    need.userId = kDatabaseUser;
    need.needId = "n1";
    need.voiceLength = 7;
    EXPECT_TRUE(store.saveNeedInfo(need));
    EXPECT_EQ(store.getNeedInfoWithUserID(kDatabaseUser, "n1").value(0).value("v_len").toInt(), 7);
    EXPECT_FALSE(store.updateSubscribeId("5", ""));
    EXPECT_TRUE(store.updateSubscribeId(QString(), "n1"));
    EXPECT_EQ(store.getSubscribeIdWithPostId("n1"), "");
}

// A need is written before its publishing call and listed only once it has its id: from the
// answer, or from a broker's answer about it when the app did not see the call end.
TEST_F(QXIMDatabaseTest, ANeedBeingSentIsListedOnceItHasItsIdAndGoesWhenNothingClaimsIt) {
    QXIMDatabase::NeedInfo need;
    need.userId = kDatabaseUser;
    need.time = QString::asprintf("%f", clock().timeIntervalSince1970());
    need.sentence = QStringLiteral("我要求租一套房源,地点:【南山区】。额外条件:近地铁,");
    const auto rows = [&] { return count("SELECT COUNT(*) c FROM need_list"); };
    const qint64 refused = store.saveSendingNeed(need);
    ASSERT_GT(refused, 0);
    EXPECT_TRUE(store.loadNeedInfoWithUserID(kDatabaseUser, 10).isEmpty());
    EXPECT_TRUE(store.getNeedInfoWithUserID(kDatabaseUser, "").isEmpty());
    EXPECT_TRUE(store.removeSendingNeed(refused));
    EXPECT_EQ(rows(), 0);

    const qint64 answered = store.saveSendingNeed(need);
    EXPECT_TRUE(store.settleSendingNeed(answered, "n7"));
    EXPECT_TRUE(store.removeSendingNeed(answered));
    const auto listed = store.loadNeedInfoWithUserID(kDatabaseUser, 10);
    ASSERT_EQ(listed.size(), 1) << "a need with its id is not taken back";
    EXPECT_EQ(listed.front().value("sentence").toString(), need.sentence);

    const qint64 waiting = store.saveSendingNeed(need);
    EXPECT_FALSE(store.adoptSendingNeed(kDatabaseUser, QXIMDatabase::kNoPostNeedId));
    EXPECT_FALSE(store.adoptSendingNeed("9000000000043", "n8")) << "another user's answer";
    EXPECT_EQ(store.adoptSendingNeed(kDatabaseUser, "n7")->value("_id").toLongLong(), answered)
        << "an answer about a need the store knows";
    const auto adopted = store.adoptSendingNeed(kDatabaseUser, "n8");
    ASSERT_TRUE(adopted);
    EXPECT_EQ(adopted->value("_id").toLongLong(), waiting) << "the one need being sent";
    EXPECT_EQ(store.getNeedInfoWithUserID(kDatabaseUser, "n8").size(), 1);
    EXPECT_FALSE(store.adoptSendingNeed(kDatabaseUser, "n9")) << "no need left being sent";

    // Left by a run that ended: kept a day for its answers, then gone at the next opening;
    // another user's need being sent goes by its own time.
    const qint64 left = store.saveSendingNeed(need);
    clock().advance(std::chrono::hours(1));
    QXIMDatabase::NeedInfo others = need;
    others.userId = "9000000000043";
    others.time = QString::asprintf("%f", clock().timeIntervalSince1970());
    ASSERT_GT(store.saveSendingNeed(others), 0);
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(rows(), 4);
    clock().advance(std::chrono::seconds(24 * 3600 - 3600 + 1));
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) c FROM need_list WHERE _id = %1").arg(left)),
              0);
    clock().advance(std::chrono::hours(1));
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(rows(), 2) << "the needs with their ids stay";
}

// Nothing an answer carries tells two needs being sent apart: neither takes its id until the
// other is known (its publishing call's answer gave it its id, or the server refused it), and
// the user's needs being sent go together, so that none is left alone to take an answer that
// may be another's.
TEST_F(QXIMDatabaseTest, AnAnswerWhileSeveralNeedsAreBeingSentGoesToNoneUntilTheOthersAreKnown) {
    QXIMDatabase::NeedInfo need;
    need.userId = kDatabaseUser;
    const auto sendAt = [&](const QString& sentence) {
        need.sentence = sentence;
        need.time = QString::asprintf("%f", clock().timeIntervalSince1970());
        return store.saveSendingNeed(need);
    };
    const qint64 first = sendAt("first");
    const qint64 second = sendAt("second");
    clock().advance(std::chrono::hours(1));
    const qint64 third = sendAt("third");
    // The need's id, "" while it is being sent, "gone" once its row is.
    const auto idOf = [&](qint64 row) {
        const auto rows = store.queue().inDatabase([&](JSSQLite& db) {
            return db.executeQuery("SELECT n_id FROM need_list WHERE _id = ?", {row})
                .value_or(JSSQLite::Rows());
        });
        return rows.isEmpty() ? QStringLiteral("gone") : rows.front().value("n_id").toString();
    };
    const auto ids = [&] { return QStringList{idOf(first), idOf(second), idOf(third)}; };

    EXPECT_FALSE(store.adoptSendingNeed(kDatabaseUser, "n2"));
    EXPECT_FALSE(store.adoptSendingNeed(kDatabaseUser, "n1"));
    EXPECT_EQ(ids(), (QStringList{"", "", ""}));

    // The third's call answers after its brokers did: it is known, two are left.
    ASSERT_TRUE(store.settleSendingNeed(third, "n3"));
    EXPECT_EQ(store.adoptSendingNeed(kDatabaseUser, "n3")->value("_id").toLongLong(), third);
    EXPECT_FALSE(store.adoptSendingNeed(kDatabaseUser, "n1"));
    EXPECT_EQ(ids(), (QStringList{"", "", "n3"}));

    // The server refused the second: the first is the one need the answer can be about.
    ASSERT_TRUE(store.removeSendingNeed(second));
    EXPECT_EQ(store.adoptSendingNeed(kDatabaseUser, "n1")->value("_id").toLongLong(), first);
    EXPECT_EQ(idOf(first), "n1");

    // Two left by runs that ended, an hour apart: the older one waits for the newer, then
    // they go together.
    const qint64 older = sendAt("older");
    clock().advance(std::chrono::hours(1));
    const qint64 newer = sendAt("newer");
    clock().advance(std::chrono::seconds(24 * 3600 - 3600 + 1));
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_FALSE(store.adoptSendingNeed(kDatabaseUser, "n4"));
    EXPECT_EQ(ids(), (QStringList{"n1", "gone", "n3"}));
    EXPECT_EQ(idOf(older), "") << "still being sent: not gone alone";
    EXPECT_EQ(idOf(newer), "");
    clock().advance(std::chrono::hours(1));
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(idOf(older), "gone");
    EXPECT_EQ(idOf(newer), "gone");

    // A need settled after one was left being sent keeps it no longer than its day.
    const qint64 left = sendAt("left");
    clock().advance(std::chrono::hours(1));
    const qint64 settled = sendAt("settled");
    ASSERT_TRUE(store.settleSendingNeed(settled, "n5"));
    clock().advance(std::chrono::seconds(24 * 3600 - 3600 + 1));
    ASSERT_TRUE(store.openDatabase(kDatabaseUser));
    EXPECT_EQ(idOf(left), "gone");
    EXPECT_EQ(idOf(settled), "n5");
    EXPECT_EQ(store.loadNeedInfoWithUserID(kDatabaseUser, 10).size(), 3);
}

// Files written by earlier versions of the app, newest last.
const QList<QStringList> kOlderSchemas = {
    // The first: messages without kinds, states or types; talks without marks.
    {"CREATE TABLE msgs (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, f_id VARCHAR(20) NOT "
     "NULL, t_id VARCHAR(20) NOT NULL, to_id VARCHAR(20) NOT NULL, m_id VARCHAR(20) NOT NULL, "
     "m_content TEXT NOT NULL, u_time BIGINT NOT NULL, r_count INTEGER NOT NULL DEFAULT 0)",
     "CREATE TABLE msg_list (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, o_user TEXT NOT "
     "NULL, o_sign TEXT DEFAULT '', t_id VARCHAR(20) NOT NULL, r_id VARCHAR(20) NOT NULL, f_id "
     "VARCHAR(20) NOT NULL, l_read INTEGER, l_content TEXT NOT NULL, l_msg TEXT NOT NULL, u_time "
     "BIGINT NOT NULL, b_time BIGINT NOT NULL DEFAULT 0)",
     "CREATE TABLE need_list (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, n_id "
     "VARCHAR(20) NOT NULL, cityScriptIndex TEXT NOT NULL, districtId TEXT NOT NULL, streetId "
     "TEXT NOT NULL, latlng TEXT NOT NULL, huxing TEXT NOT NULL, voiceUrl TEXT NOT NULL, price "
     "TEXT NOT NULL, priceType TEXT NOT NULL, location TEXT NOT NULL, time TEXT NOT NULL,rentOrBuy "
     "TEXT NOT NULL,priceName TEXT)"},
    // Kinds and voice lengths, but no types yet.
    {"CREATE TABLE msgs (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, f_id VARCHAR(20) NOT "
     "NULL, t_id VARCHAR(20) NOT NULL, to_id VARCHAR(20) NOT NULL, m_id VARCHAR(20) NOT NULL, "
     "m_content TEXT NOT NULL, u_time BIGINT NOT NULL, r_count INTEGER NOT NULL DEFAULT 0, c_type "
     "VARCHAR(20) NOT NULL DEFAULT '', r_id VARCHAR(20) NOT NULL DEFAULT '')",
     "CREATE TABLE msg_list (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, o_user TEXT NOT "
     "NULL, o_sign TEXT DEFAULT '', t_id VARCHAR(20) NOT NULL, r_id VARCHAR(20) NOT NULL, f_id "
     "VARCHAR(20) NOT NULL, l_read INTEGER, l_content TEXT NOT NULL, l_msg TEXT NOT NULL, u_time "
     "BIGINT NOT NULL, b_time BIGINT NOT NULL DEFAULT 0)"},
    // Every column but the importance mark, and no favourites.
    {"CREATE TABLE msgs (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, f_id VARCHAR(20) NOT "
     "NULL, t_id VARCHAR(20) NOT NULL, to_id VARCHAR(20) NOT NULL, m_id VARCHAR(20) NOT NULL, "
     "m_content TEXT NOT NULL, u_time BIGINT NOT NULL, r_count INTEGER NOT NULL DEFAULT 0, m_type "
     "INTEGER NOT NULL DEFAULT 0, m_systype INTEGER NOT NULL DEFAULT 0, m_state INTEGER NOT NULL "
     "DEFAULT 0, c_type VARCHAR(20) NOT NULL DEFAULT '', r_id VARCHAR(20) NOT NULL DEFAULT '')",
     "CREATE TABLE msg_list (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, o_user TEXT NOT "
     "NULL, o_sign TEXT DEFAULT '', t_id VARCHAR(20) NOT NULL, r_id VARCHAR(20) NOT NULL, f_id "
     "VARCHAR(20) NOT NULL, l_read INTEGER, l_content TEXT NOT NULL, l_msg TEXT NOT NULL, u_time "
     "BIGINT NOT NULL, b_time BIGINT NOT NULL DEFAULT 0, u_system INTEGER NOT NULL DEFAULT 0, "
     "m_type INTEGER NOT NULL DEFAULT 0, t_draft TEXT DEFAULT '', m_state INTEGER NOT NULL DEFAULT "
     "0, m_id INTEGER NOT NULL DEFAULT 0)"},
};

class QXIMDatabaseMigrationTest : public SandboxTest, public ::testing::WithParamInterface<int> {};

TEST_F(QXIMDatabaseTest, ANeedCountsTheBrokersWhoAnsweredAndThePostCardsTheySent) {
    QXIMDatabase::NeedInfo need;
    need.userId = kDatabaseUser;
    need.needId = "n1";
    need.time = "2026-06-01";
    ASSERT_TRUE(store.saveNeedInfo(need));
    const QString card = R"([["url",{"title":"两室"},"x"]])";
    int serverId = 0;
    for (const auto& [broker, contents] :
         {std::pair{"7", card}, {"7", card}, {"8", card}, {"8", QString(R"(["您好"])")}}) {
        ++serverId;
        QXIMMessage message = received(serverId, 100 + serverId, contents);
        message.talkId = QString(broker) + "-" + kDatabaseUser;
        message.fromId = broker;
        message.needId = "n1";
        ASSERT_TRUE(store.saveMessage(message));
        ASSERT_TRUE(store.saveMessageIntoTalkTable(message));
    }
    unsigned users = 0;
    unsigned houses = 0;
    store.messagesByUserId(kDatabaseUser, "n1", &users, &houses);
    EXPECT_EQ(users, 2u);
    EXPECT_EQ(houses, 3u);
    store.messagesByUserId(kDatabaseUser, "other", &users, &houses);
    EXPECT_EQ(users, 0u);
    EXPECT_EQ(houses, 0u);

    // The same counts with each need, and the answers themselves, read in the background.
    std::optional<JSSQLite::Rows> needs;
    store.getNeedInfoAsyncWithUserID(kDatabaseUser, 10,
                                     [&](const JSSQLite::Rows& rows) { needs = rows; });
    std::optional<std::pair<JSSQLite::Rows, JSSQLite::Rows>> answers;
    store.needResponseInfoAsyncByUser(
        kDatabaseUser, "n1", [&](const JSSQLite::Rows& talks, const JSSQLite::Rows& cards) {
            answers = {talks, cards};
        });
    ASSERT_TRUE(runMainLoopUntil([&] { return needs && answers; }));
    ASSERT_EQ(needs->size(), 1);
    EXPECT_EQ(needs->first().value("u_count").toInt(), 2);
    EXPECT_EQ(needs->first().value("h_count").toInt(), 3);
    EXPECT_EQ(answers->first.size(), 2);
    EXPECT_EQ(answers->second.size(), 3);
}

TEST_P(QXIMDatabaseMigrationTest, OlderFilesAreBroughtUpToDateKeepingTheirRows) {
    const QString path = QXIMDatabase::getUserimdb("31");
    {
        JSSQLite db;
        ASSERT_TRUE(db.open(path));
        for (const QString& statement : kOlderSchemas[GetParam()]) {
            ASSERT_TRUE(db.executeUpdate(statement)) << qPrintable(db.lastErrorMessage());
        }
        ASSERT_TRUE(db.executeUpdate(
            "INSERT INTO msgs (u_id, f_id, t_id, to_id, m_id, m_content, u_time) VALUES "
            "('31', '8', '8-31', '31', '900', '[[\"pic\",{},\"\"]]', 50)"));
        ASSERT_TRUE(db.executeUpdate(
            "INSERT INTO msg_list (u_id, o_user, t_id, r_id, f_id, l_read, l_content, l_msg, "
            "u_time) VALUES ('31', '{}', '8-31', 'post9', '8', 1, '[]', '{}', 50)"));
        if (GetParam() == 0) {
            ASSERT_TRUE(db.executeUpdate(
                "INSERT INTO need_list (u_id, n_id, cityScriptIndex, districtId, streetId, "
                "latlng, huxing, voiceUrl, price, priceType, location, time, rentOrBuy, "
                "priceName) VALUES ('31', '77', '0', '310104', '-1', '', '[2]', '', '-1', '1', "
                "'徐汇区', '1700000000', '1', '不限')"));
        }
    }
    QXIMDatabase store;
    ASSERT_TRUE(store.openDatabase("31"));
    const bool current = store.queue().inDatabase([](JSSQLite& db) {
        for (const auto& [table, column] :
             QList<std::pair<QString, QString>>{{"msgs", "c_type"},
                                                {"msgs", "r_id"},
                                                {"msgs", "m_state"},
                                                {"msgs", "m_type"},
                                                {"msgs", "m_systype"},
                                                {"msg_list", "t_draft"},
                                                {"msg_list", "u_system"},
                                                {"msg_list", "m_id"},
                                                {"msg_list", "m_state"},
                                                {"msg_list", "m_type"},
                                                {"msg_list", "o_importance"},
                                                {"need_list", "v_len"},
                                                {"need_list", "subscribeId"},
                                                {"need_list", "sentence"},
                                                {"history", "c_id"}}) {
            if (!db.columnExists(column, table)) return false;
        }
        return db.executeQuery("PRAGMA user_version")->value(0).value("user_version").toInt() ==
               QXIMDatabase::kSchemaVersion;
    });
    EXPECT_TRUE(current);
    EXPECT_EQ(store.getMessageByKey(1, "31")->value("m_content").toString(), "[[\"pic\",{},\"\"]]");
    EXPECT_EQ(store.talkInfoExist("8-31", "31").size(), 1);
    if (GetParam() != 0) return;
    // The need the first version kept still reads, with the columns added since.
    const auto needs = store.loadNeedInfoWithUserID("31", 10);
    ASSERT_EQ(needs.size(), 1);
    EXPECT_EQ(needs.front().value("n_id").toString(), "77");
    EXPECT_EQ(needs.front().value("sentence").toString(), "");
    // Kinds were not stored at first: they are filled in, in the background, a moment after
    // opening.
    clock().advance(1100ms);
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return store.getMessageByKey(1, "31")->value("c_type").toString() == "pic"; }));
    EXPECT_EQ(store.getMessageByKey(1, "31")->value("r_id").toString(), "post9");
}

INSTANTIATE_TEST_SUITE_P(EachOlderSchema, QXIMDatabaseMigrationTest,
                         ::testing::Range(0, static_cast<int>(kOlderSchemas.size())));

}  // namespace
