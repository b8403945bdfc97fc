#include "IMChat/qximlib/QXIMOfflineReceiver.h"
#include "IMChat/qximlib/QXIMOnlineReceiver.h"
#include "IMChat/qximlib/QXIMSender.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMessageAck.h"

#include "MessagingStandin.h"

#include "standin/Endpoints.h"

#include <QUrlQuery>

namespace {

constexpr qint64 kUser = 9000000000042;

class QXIMWireCallsTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        MessagingStandin::signIn(kUser);
    }
    void TearDown() override {
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        StandinFixture::TearDown();
    }
    // The query values of the message calls of one operation, oldest first.
    QList<QUrlQuery> calls(const QString& op) {
        QList<QUrlQuery> found;
        for (const auto& request : server().requests(standin::paths::kMessageApi)) {
            const QUrlQuery query(QString::fromLatin1(request.query));
            if (query.queryItemValue("op") == op) found.append(query);
        }
        return found;
    }
};

TEST_F(QXIMWireCallsTest, TheOfflineFetchAsksForAtMostFiftyAndNeverForNobody) {
    int replies = 0;
    QXIMOfflineReceiver receiver([&](const QVariant&) { ++replies; });
    receiver.getNotRecvMsgs(QXIMUser::getDefaultUserid());
    receiver.getNotRecvMsgs(0);
    receiver.getNotRecvMsgs(kUser, 0, QXIMOfflineReceiver::kEndOfTime, 100);
    receiver.getNotRecvMsgs(kUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return replies == 2; }));
    const auto fetches = calls("getnotrecvmsgs");
    ASSERT_EQ(fetches.size(), 2);  // nobody and the guest asked nothing
    QList<QString> counts;
    for (const auto& fetch : fetches) {
        EXPECT_EQ(fetch.queryItemValue("userId"), QString::number(kUser));
        counts.append(fetch.queryItemValue("maxTalkNum"));
    }
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(counts, (QList<QString>{"30", "50"}));
}

TEST_F(QXIMWireCallsTest, AnAcknowledgementIsBusyUntilItsReplyAndJoinsItsIds) {
    MessagingStandin(server()).setFaults({{"ackDelayMs", 300}});
    QXIMessageAck ack;
    std::optional<bool> outcome;
    ack.ackRecvMess("880001-9000000000042", {"5", "6", "7"}, [&](bool done) { outcome = done; });
    EXPECT_TRUE(ack.isAcking());
    ASSERT_TRUE(runMainLoopUntil([&] { return outcome.has_value(); }));
    EXPECT_TRUE(*outcome);
    EXPECT_FALSE(ack.isAcking());
    const auto acks = calls("ackrecvmsg");
    ASSERT_EQ(acks.size(), 1);
    EXPECT_EQ(acks[0].queryItemValue("msgIds"), "5,6,7");
    // Nothing to acknowledge: no call, never busy.
    ack.ackRecvMess(QString(), {"8"});
    ack.ackRecvMess("880001-9000000000042", {});
    EXPECT_FALSE(ack.isAcking());
}

TEST_F(QXIMWireCallsTest, TheGuestNeitherSendsNorListens) {
    int answers = 0;
    const auto counting = [&](QXIMSender&, const auto&) { ++answers; };
    auto sender = std::make_shared<QXIMSender>(counting, counting);
    QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
    EXPECT_FALSE(sender->sendMessage("{}"));
    EXPECT_EQ(sender->postString(), "{}");
    QXIMOnlineReceiver stream([](const QByteArray&) {});
    stream.createReceiveConnection(QXIMUser::getDefaultUserid(), ns::DispatchQueue::main());
    stream.createReceiveConnection(0, ns::DispatchQueue::main());
    EXPECT_FALSE(stream.isConnected());
    // A fetch issued afterwards marks the point by which a send would have arrived.
    int replies = 0;
    QXIMOfflineReceiver receiver([&](const QVariant&) { ++replies; });
    receiver.getNotRecvMsgs(kUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return replies == 1; }));
    EXPECT_TRUE(calls("sendmsg").isEmpty());
    EXPECT_TRUE(server().requests(standin::paths::kStreamReceive).empty());
    EXPECT_EQ(answers, 0);
}

}  // namespace
