#include "IMChat/qximlib/QXIMOfflineReceiver.h"
#include "IMChat/qximlib/QXIMOnlineReceiver.h"
#include "IMChat/qximlib/QXIMSender.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMessageAck.h"

#include "LoopbackServer.h"
#include "MessagingStandin.h"

#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "util/categories/Tolerant.h"

#include "standin/Endpoints.h"
#include "standin/Gzip.h"

#include <QScopeGuard>
#include <QUrlQuery>

#include <atomic>
#include <map>

namespace {

constexpr qint64 kWireUser = 9000000000042;

class QXIMWireCallsTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        MessagingStandin::signIn(kWireUser);
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
    QXIMOfflineReceiver receiver(
        [&](const QVariant&, const QXIMOfflineReceiver::Refused&) { ++replies; });
    receiver.getNotRecvMsgs(QXIMUser::getDefaultUserid());
    receiver.getNotRecvMsgs(0);
    receiver.getNotRecvMsgs(kWireUser, 0, QXIMOfflineReceiver::kEndOfTime, 100);
    receiver.getNotRecvMsgs(kWireUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return replies == 2; }));
    const auto fetches = calls("getnotrecvmsgs");
    ASSERT_EQ(fetches.size(), 2);  // nobody and the guest asked nothing
    QList<QString> counts;
    for (const auto& fetch : fetches) {
        EXPECT_EQ(fetch.queryItemValue("userId"), QString::number(kWireUser));
        counts.append(fetch.queryItemValue("maxTalkNum"));
    }
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(counts, (QList<QString>{"30", "50"}));
}

TEST_F(QXIMWireCallsTest, AnAcknowledgementIsBusyUntilItsReplyAndJoinsItsIds) {
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    QXIMessageAck ack;
    std::optional<bool> outcome;
    ack.ackRecvMess("880001-9000000000042", {"5", "6", "7"}, [&](bool done) { outcome = done; });
    EXPECT_TRUE(ack.isAcking());
    ASSERT_TRUE(runMainLoopUntil([&] { return !calls("ackrecvmsg").isEmpty(); }));
    EXPECT_TRUE(ack.isAcking()) << "at the server, not answered yet";
    server().clearFaultsAndReleaseHeld();
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

TEST_F(QXIMWireCallsTest, TheShortCallsNameTheirInterfacesOnTheWire) {
    std::optional<bool> acknowledged;
    QXIMessageAck ack;
    ack.ackRecvMess("880001-9000000000042", {"5"}, [&](bool done) { acknowledged = done; });
    std::optional<QVariant> sent;
    auto sender = std::make_shared<QXIMSender>(
        [&](QXIMSender&, const QVariant& reply) { sent = reply; },
        [&](QXIMSender&, const QVariantMap& failure) { sent = failure; });
    ASSERT_TRUE(sender->sendMessage(
        R"({"fromUser":{"id":"9000000000042"},"toUser":{"id":"880001"},"msgs":[]})"));
    int fetched = 0;
    QXIMOfflineReceiver receiver(
        [&](const QVariant&, const QXIMOfflineReceiver::Refused&) { ++fetched; });
    receiver.getNotRecvMsgs(kWireUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return acknowledged && sent && fetched == 1; }));
    std::map<QString, QByteArray> interfaces;
    for (const auto& request : server().requests(standin::paths::kMessageApi)) {
        const QUrlQuery query(QString::fromLatin1(request.query));
        interfaces[query.queryItemValue("op")] = request.header("interface");
        EXPECT_EQ(request.header("QxData-Version"),
                  QXIMConstantManager::share().qximdataVersion().toUtf8());
    }
    // Each of the three calls came, the fetch without an interface name.
    EXPECT_EQ(interfaces, (std::map<QString, QByteArray>{{"ackrecvmsg", "im-ackrecvmsg"},
                                                         {"getnotrecvmsgs", ""},
                                                         {"sendmsg", "im-sendmsg"}}));
}

TEST_F(QXIMWireCallsTest, AnAcknowledgementReplacedByTheSameOneLeavesNeitherBusy) {
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    QXIMessageAck first;
    QXIMessageAck second;
    std::optional<bool> firstDone;
    std::optional<bool> secondDone;
    first.ackRecvMess("880001-9000000000042", {"5", "6"}, [&](bool done) { firstDone = done; });
    second.ackRecvMess("880001-9000000000042", {"5", "6"}, [&](bool done) { secondDone = done; });
    server().clearFaultsAndReleaseHeld();
    // The replaced one answers too (as not done, unless it went out already), so that
    // neither stays busy and the service can use both again.
    ASSERT_TRUE(runMainLoopUntil([&] { return firstDone && secondDone; }));
    EXPECT_TRUE(*secondDone);
    EXPECT_FALSE(first.isAcking());
    EXPECT_FALSE(second.isAcking());
    EXPECT_GE(calls("ackrecvmsg").size(), 1);
}

// A packet of the messaging server's shape, message `id` from the sample broker.
QByteArray brokerPacket(qint64 id, const QByteArray& contents = R"(["你好"])") {
    return R"({"fromUser":{"id":"880001"},"toUser":{"id":")" + QByteArray::number(kWireUser) +
           R"("},"post":{"id":"p1"},"talk":{"toTalkId":"9000000000042-880001","fromTalkId":)"
           R"("880001-9000000000042"},"msgs":[{"id":)" +
           QByteArray::number(id) + R"(,"fromUserId":"880001","updateTime":1,"contents":)" +
           contents + "}]}";
}

// The fetch reads its reply as it comes: it hands the reply over once and reads nothing after
// its value; it gives up (and stops its connection) a reply that reads 64 MB, or keeps more
// than 8 MB after cutting, or that ends or breaks off inside its value, handing over the
// packets read whole before; and it reads nothing of a reply of an error status.
TEST_F(QXIMWireCallsTest, TheFetchIsReadAsItComesAndGivenUpAtItsBounds) {
    QList<QVariantMap> replies;
    QXIMOfflineReceiver receiver([&](const QVariant& reply, const QXIMOfflineReceiver::Refused&) {
        replies.append(reply.toMap());
    });
    const auto client = QXIMRequest::shared().httpClient();
    const auto fetchedWith = [&](const standin::FaultRule& fault) {
        replies.clear();
        server().setFault(fault);
        receiver.getNotRecvMsgs(kWireUser);
        // Ended only when the fetch stops its connection: an endless reply never ends.
        EXPECT_TRUE(runMainLoopUntil(
            [&] { return !replies.isEmpty() && client->operationQueue()->operations().empty(); }));
        drainMainLoop();
        return replies;
    };
    const QByteArray reply = R"({"requestTime":1,"data":[)" + brokerPacket(7) + "]}";
    auto handed =
        fetchedWith({.prefix = standin::paths::kMessageApi, .body = reply, .endless = true});
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed[0].value("data").toList().size(), 1);

    // A string without end: 64 MB are read.
    handed = fetchedWith({.prefix = standin::paths::kMessageApi,
                          .body = R"({"requestTime":1,"data":[{"msgs":[{"contents":[")",
                          .endless = true});
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed[0], (QVariantMap{{"requestTime", 1LL}, {"data", QVariantList()}}));

    // 64 MB read: a packet that ends 1 MB before the mark is handed over, one that ends 1 MB
    // after it is not read whole (their long texts are cut, and keep 16 KB). The reply comes
    // from a server of the test's own, which makes its 66 MB as they go.
    constexpr qint64 kMark = 64 * 1024 * 1024;
    constexpr qint64 kMegabyte = 1024 * 1024;
    const QByteArray head = R"({"requestTime":1,"data":[)" + brokerPacket(4) + ",";
    const QByteArrayList five = brokerPacket(5, R"(["@"])").split('@');
    const QByteArrayList six = brokerPacket(6, R"(["@"])").split('@');
    // Texts, each followed by so many bytes of a long text.
    const std::vector<std::pair<QByteArray, qint64>> parts{
        {head + five[0], kMark - kMegabyte - head.size() - five[0].size() - five[1].size()},
        {five[1] + "," + six[0], 2 * kMegabyte},
        {six[1] + "]}", 0}};
    LoopbackServer loopback;
    loopback.server().Get("/im/index.php", [&](const httplib::Request&, httplib::Response& reply) {
        reply.set_chunked_content_provider(
            "application/json", [&](size_t, httplib::DataSink& sink) {
                const QByteArray text(64 * 1024, 'x');
                for (const auto& [part, textBytes] : parts) {
                    if (!sink.write(part.constData(), size_t(part.size()))) return false;
                    for (qint64 left = textBytes; left > 0; left -= text.size()) {
                        if (!sink.write(text.constData(), size_t(std::min(left, text.size()))))
                            return false;
                    }
                }
                sink.done();
                return true;
            });
    });
    loopback.start();
    QXIMConstantManager::share().setQximwebimServer(loopback.url("/im/index.php").toString());
    replies.clear();
    receiver.getNotRecvMsgs(kWireUser);
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return !replies.isEmpty() && client->operationQueue()->operations().empty(); }));
    QXIMConstantManager::share().setQximwebimServer(QString());
    ASSERT_EQ(replies.size(), 1);
    QList<qint64> ids;
    for (const QVariant& packet : replies[0].value("data").toList())
        ids.append(Tolerant(packet)["msgs"][0]["id"].value().toLongLong());
    EXPECT_EQ(ids, (QList<qint64>{4, 5}));

    // Three packets of 3 MB of texts each within 16 KB: the third passes 8 MB.
    QByteArray fields = "[\"\"";
    while (fields.size() < 3 * 1024 * 1024) fields += ",\"" + QByteArray(8 * 1024, 'x') + "\"";
    const QByteArray large = R"({"requestTime":1,"data":[)" + brokerPacket(1, fields + "]") + "," +
                             brokerPacket(2, fields + "]") + "," + brokerPacket(3, fields + "]") +
                             "]}";
    handed = fetchedWith({.prefix = standin::paths::kMessageApi, .body = large});
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed[0].value("data").toList().size(), 2);

    // A reply that ends, or breaks off, inside its value: what was read whole is handed over.
    const QByteArray unfinished = R"({"requestTime":1,"data":[)" + brokerPacket(8) + ",";
    for (const bool breaksOff : {false, true}) {
        handed = fetchedWith({.prefix = standin::paths::kMessageApi,
                              .body = breaksOff ? unfinished + unfinished : unfinished,
                              .truncate = breaksOff});
        ASSERT_EQ(handed.size(), 1);
        EXPECT_EQ(handed[0].value("data").toList().size(), 1) << breaksOff;
    }

    // The fetch's failure comes before the next fetch is sent, and so is handled before it.
    replies.clear();
    server().setFault(
        {.prefix = standin::paths::kMessageApi, .status = 500, .body = reply, .times = 1});
    receiver.getNotRecvMsgs(kWireUser);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return calls("getnotrecvmsgs").size() == 6 &&
               client->operationQueue()->operations().empty();
    }));
    receiver.getNotRecvMsgs(kWireUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return !replies.isEmpty(); }));
    ASSERT_EQ(replies.size(), 1);
    EXPECT_TRUE(replies[0].value("data").toList().isEmpty()) << "the stand-in's own reply";
}

// A type of reply that a loopback server does not gzip on its own for a client that takes
// gzip, as it does JSON: what it sends goes out as it is sent.
constexpr const char* kUncompressedType = "application/octet-stream";

// Has the fetch ask `loopback` until the answer goes.
[[nodiscard]] auto fetchFrom(const LoopbackServer& loopback) {
    QXIMConstantManager::share().setQximwebimServer(loopback.url("/im/index.php").toString());
    return qScopeGuard([] { QXIMConstantManager::share().setQximwebimServer(QString()); });
}

// A packet of the broker's of exactly `size` bytes, its contents strings of 8 KB at most, so
// that it keeps every byte.
QByteArray brokerPacketOfSize(qint64 id, qint64 size) {
    constexpr qint64 kField = 8 * 1024;
    QByteArray contents = "[\"";
    qint64 left = size - brokerPacket(id, R"([""])").size();
    for (; left > kField + 3; left -= kField + 3) contents += QByteArray(kField, 'x') + "\",\"";
    contents += QByteArray(left, 'x') + "\"]";
    return brokerPacket(id, contents);
}

// The connection may hand megabytes of the reply over at once (here a gzipped body decoded):
// they are read 64 KB at a time, the bounds looked at after each slice. Of packets that end at
// 8 MB kept and 64 KB and a byte later, the first is handed over and the second not; of 64 MB
// read, a packet that ends at the last byte is handed over, one that ends a byte past it is not.
TEST_F(QXIMWireCallsTest, MegabytesHandedOverAtOnceAreReadASliceAtATimeToTheFetchsBounds) {
    constexpr qint64 kMegabyte = 1024 * 1024;
    constexpr qint64 kSlice = 64 * 1024;
    QList<QVariantMap> replies;
    QXIMOfflineReceiver receiver([&](const QVariant& reply, const QXIMOfflineReceiver::Refused&) {
        replies.append(reply.toMap());
    });
    QByteArray packed;  // the reply's body, gzipped
    LoopbackServer loopback;
    loopback.server().Get("/im/index.php", [&](const httplib::Request&, httplib::Response& reply) {
        reply.set_header("Content-Encoding", "gzip");
        reply.set_content(packed.toStdString(), kUncompressedType);
    });
    loopback.start();
    const auto fetching = fetchFrom(loopback);
    const auto client = QXIMRequest::shared().httpClient();
    // The ids of the packets handed over of the reply `text`.
    const auto idsFetched = [&](const QByteArray& text) {
        packed = standin::gzipCompress(text);
        replies.clear();
        receiver.getNotRecvMsgs(kWireUser);
        EXPECT_TRUE(runMainLoopUntil(
            [&] { return !replies.isEmpty() && client->operationQueue()->operations().empty(); }));
        drainMainLoop();
        EXPECT_EQ(replies.size(), 1);
        QList<qint64> ids;
        for (const QVariant& packet : replies.value(0).value("data").toList())
            ids.append(Tolerant(packet)["msgs"][0]["id"].value().toLongLong());
        return ids;
    };
    const QByteArray head = R"({"requestTime":1,"data":[)";

    constexpr qint64 kMostKept = 8 * kMegabyte;
    const QByteArray first = brokerPacketOfSize(1, 3 * kMegabyte);
    const QByteArray second = brokerPacketOfSize(2, 3 * kMegabyte);
    const qint64 third = kMostKept - head.size() - first.size() - 1 - second.size() - 1;
    const QByteArray kept = head + first + "," + second + "," + brokerPacketOfSize(3, third);
    ASSERT_EQ(kept.size(), kMostKept);
    const QByteArray past = "," + brokerPacketOfSize(4, kSlice);
    EXPECT_EQ(idsFetched(kept + past + "," + brokerPacket(5) + "]}"), (QList<qint64>{1, 2, 3}));

    // A text cut to 16 KB: the reply keeps little of what is read.
    constexpr qint64 kMostRead = 64 * kMegabyte;
    for (const qint64 end : {kMostRead, kMostRead + 1}) {
        const QByteArray before = head + brokerPacket(6) + ",";
        const qint64 text = end - before.size() - brokerPacket(7, R"([""])").size();
        const QByteArray read =
            before + brokerPacket(7, "[\"" + QByteArray(text, 'x') + "\"]") + ",";
        ASSERT_EQ(read.size(), end + 1);
        EXPECT_EQ(idsFetched(read + brokerPacket(8) + "]}"),
                  end == kMostRead ? (QList<qint64>{6, 7}) : (QList<qint64>{6}))
            << end;
    }
}

// A reply that does not decode is handed over as it stands at once, with the packets read
// whole before, while the server still holds the rest back; what comes after is not read, and
// the connection is stopped.
TEST_F(QXIMWireCallsTest, AReplyThatDoesNotDecodeIsHandedOverAtOnce) {
    QList<QVariantMap> replies;
    QXIMOfflineReceiver receiver([&](const QVariant& reply, const QXIMOfflineReceiver::Refused&) {
        replies.append(reply.toMap());
    });
    const QByteArray broken = R"({"requestTime":1,"data":[)" + brokerPacket(7) + ",}";
    Gate goOn;
    std::atomic<bool> wentOn{false};
    LoopbackServer loopback;
    loopback.server().Get("/im/index.php", [&](const httplib::Request&, httplib::Response& reply) {
        reply.set_chunked_content_provider(kUncompressedType, [&](size_t, httplib::DataSink& sink) {
            if (!sink.write(broken.constData(), size_t(broken.size()))) return false;
            const bool open = goOn.pass();
            wentOn = true;
            // Then spaces until the client goes: 128 MB at most.
            const QByteArray spaces(64 * 1024, ' ');
            for (int n = 0; open && n < 2048; ++n) {
                if (!sink.write(spaces.constData(), size_t(spaces.size()))) return false;
            }
            sink.done();
            return true;
        });
    });
    loopback.start();
    const auto fetching = fetchFrom(loopback);
    receiver.getNotRecvMsgs(kWireUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return !replies.isEmpty(); }));
    EXPECT_FALSE(wentOn) << "handed over only once the server sent on";
    goOn.openForGood();
    const auto client = QXIMRequest::shared().httpClient();
    EXPECT_TRUE(runMainLoopUntil([&] { return client->operationQueue()->operations().empty(); }));
    drainMainLoop();
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0].value("data").toList().size(), 1);
    EXPECT_EQ(Tolerant(replies[0])["data"][0]["msgs"][0]["id"].value().toLongLong(), 7);
}

TEST_F(QXIMWireCallsTest, TheGuestNeitherSendsNorListens) {
    int answers = 0;
    const auto counting = [&](QXIMSender&, const auto&) { ++answers; };
    auto sender = std::make_shared<QXIMSender>(counting, counting);
    QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
    EXPECT_FALSE(sender->sendMessage("{}"));
    EXPECT_EQ(sender->postString(), "{}");
    QXIMOnlineReceiver stream([](const QByteArray&, qint64) {});
    stream.createReceiveConnection(QXIMUser::getDefaultUserid(), ns::DispatchQueue::main());
    stream.createReceiveConnection(0, ns::DispatchQueue::main());
    EXPECT_FALSE(stream.isConnected());
    // A fetch issued afterwards marks the point by which a send would have arrived.
    int replies = 0;
    QXIMOfflineReceiver receiver(
        [&](const QVariant&, const QXIMOfflineReceiver::Refused&) { ++replies; });
    receiver.getNotRecvMsgs(kWireUser);
    ASSERT_TRUE(runMainLoopUntil([&] { return replies == 1; }));
    EXPECT_TRUE(calls("sendmsg").isEmpty());
    EXPECT_TRUE(server().requests(standin::paths::kStreamReceive).empty());
    EXPECT_EQ(answers, 0);
}

}  // namespace
