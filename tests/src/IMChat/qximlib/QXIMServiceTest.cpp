#include "IMChat/qximlib/QXIMService.h"

#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMUser.h"

#include "MessagingStandin.h"

#include "app/QXAppMessagingPlugIns.h"

#include "standin/Endpoints.h"
#include "standin/StreamSettings.h"

#include "net/NKHTTPClient+QXClient.h"
#include "net/QXIMRequest.h"
#include "net/transport/Json.h"

#include "platform/foundation/network_thread.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/sandbox.h"

#include "Gate.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrlQuery>

#include <algorithm>
#include <limits>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>

namespace {

constexpr qint64 kServiceUser = 9000000000042;
const QString kServiceUserText = QString::number(kServiceUser);
const QString kBrokerTalk = "880001-" + kServiceUserText;
// The offline fetch alone: the acknowledgements on its path may reach the server before it.
const QByteArray kFetch = QByteArray(standin::paths::kMessageApi) + "?op=getnotrecvmsgs";

class QXIMServiceTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        MessagingStandin::signIn(kServiceUser);
        for (const QString& name :
             {QXIMNotifications::kIMRecieveNotification,
              QXIMNotifications::kIMSendErrorNotification, QXIMNotifications::kTalkInfoChange}) {
            observations.push_back(ns::NotificationCenter::defaultCenter().addObserver(
                name,
                [this](const ns::Notification& notification) { posted.append(notification); }));
        }
    }
    void TearDown() override {
        QXIMService::forceRelease();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        observations.clear();
        StandinFixture::TearDown();
    }

    QList<qint64> write(const QJsonObject& order) { return messaging.write(order); }
    int unacknowledged(qint64 user = kServiceUser) { return messaging.unacknowledged(user); }
    int requestsFor(const QByteArray& path, const QByteArray& op = {}) {
        int count = 0;
        for (const auto& request : server().requests(path)) {
            if (op.isEmpty() || request.query.contains("op=" + op)) ++count;
        }
        return count;
    }
    int storedFromBroker() {
        return QXIMDatabase::shared().queue().inDatabase([](JSSQLite& db) {
            return db.executeQuery("SELECT COUNT(*) AS c FROM msgs WHERE f_id = '880001'")
                ->value(0)
                .value("c")
                .toInt();
        });
    }
    int postedCount(const QString& name) {
        return static_cast<int>(std::count_if(posted.begin(), posted.end(),
                                              [&](const auto& n) { return n.name == name; }));
    }
    // The stream's operation, while one is open.
    static std::shared_ptr<NKHTTPRequestOperation> streamOperation() {
        for (const auto& queued :
             QXIMRequest::shared().httpClient()->operationQueue()->operations()) {
            auto operation = std::dynamic_pointer_cast<NKHTTPRequestOperation>(queued);
            if (operation && QXClient::isForIM(*operation) && !operation->isCancelled())
                return operation;
        }
        return nullptr;
    }
    // Whether the stream's reading is held, once what was asked of "NetKit" has run; from
    // the service's queue too.
    static bool streamHeld() {
        for (int round = 0; round < 3; ++round) ns::NetworkThread::shared().sync([] {});
        const auto stream = streamOperation();
        return stream && stream->isReadingHeld();
    }
    // The stand-in's stream brings commands, without a heartbeat.
    void streamCommandsOnly() {
        server().setStream({.segments = {standin::StreamSettings::segment("command", "{}")},
                            .intervalMs = 50,
                            .repeat = true});
    }
    // Moves the clock on, step by step, each once the stream read again after the step: the
    // stream does not time out, and the heartbeat hears nothing of it. What the network thread
    // read before the step is handed over first: a count of bytes grown by it would be a read
    // made at the earlier time, and the stream would time out at a later step.
    void advanceWhileCommandsCome(std::initializer_list<ns::Duration> steps) {
        for (const ns::Duration step : steps) {
            clock().advance(step);
            ns::NetworkThread::shared().sync([] {});
            drainMainLoop();
            const auto stream = streamOperation();
            ASSERT_NE(stream, nullptr);
            const qint64 read = stream->totalBytesRead();
            ASSERT_TRUE(runMainLoopUntil([&] { return stream->totalBytesRead() > read; }));
        }
    }
    // `streams` streams opened, each after its fetch.
    bool openedStreams(int streams) {
        return requestsFor(standin::paths::kStreamReceive) == streams &&
               requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == streams;
    }
    // The stream closed, and the service done with closing it.
    static bool streamClosed(QXIMService& service) {
        if (streamOperation()) return false;
        service.queue()->sync([] {});
        return true;
    }
    // The stream opens again after `pause` of the clock, not a millisecond sooner, nor by a
    // tick of the heartbeat.
    void reopensAfter(QXIMService& service, ns::Duration pause) {
        clock().advance(pause - 1ms);
        service.heartbeat();
        service.queue()->sync([] {});
        EXPECT_EQ(streamOperation(), nullptr);
        clock().advance(1ms);
        service.queue()->sync([] {});
        EXPECT_NE(streamOperation(), nullptr);
    }
    // Reads `stored`, the segment of a packet that stores one message, on a held stream, then
    // `copy` of 1 MB again and again, each stored before the next is read: 31 leave the stream
    // open, the 32nd gives it up, and nothing more was stored.
    void copiesGiveTheStreamUp(const QByteArray& stored, const QByteArray& copy) {
        server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
        auto service = QXIMService::shared();
        ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
        service->queue()->sync([&] { service->onlineMessage(stored); });
        ASSERT_TRUE(runMainLoopUntil([&] {
            return storedFromBroker() == 1 && messaging.counters()["acknowledgedIds"].toInt() == 2;
        }));
        for (int n = 0; n < 31; ++n) {
            service->queue()->sync([&] { service->onlineMessage(copy); });
            service->queue()->sync([] {});
        }
        EXPECT_NE(streamOperation(), nullptr);
        service->queue()->sync([&] { service->onlineMessage(copy); });
        EXPECT_EQ(streamOperation(), nullptr);
        EXPECT_EQ(storedFromBroker(), 1);
    }
    // Starts the service and waits until its stream and its first offline fetch went out
    // and the stream's first heartbeat was handled.
    std::shared_ptr<QXIMService> start() {
        auto service = QXIMService::shared();
        EXPECT_TRUE(runMainLoopUntil([&] {
            return requestsFor(standin::paths::kStreamReceive) == 1 &&
                   requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == 1 &&
                   postedCount(QXIMNotifications::kTalkInfoChange) >= 1;
        }));
        return service;
    }

    MessagingStandin messaging{server()};
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations;
    QList<ns::Notification> posted;
};

TEST_F(QXIMServiceTest, TheHeartbeatReconnectsOnlyAfter65SilentSeconds) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const ns::Duration started = service->lastHeartbeatTime();

    clock().advance(64s);  // the timer's tick at 60 s finds 60 s of silence
    service->heartbeat();
    EXPECT_EQ(service->lastHeartbeatTime(), started);

    clock().advance(2s);
    service->heartbeat();
    EXPECT_EQ(service->lastHeartbeatTime(), started + 66s);
    EXPECT_TRUE(runMainLoopUntil([&] {
        return requestsFor(standin::paths::kStreamReceive) == 2 &&
               requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == 2;
    })) << requestsFor(standin::paths::kStreamReceive)
        << " " << requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs");
    service->heartbeat();  // just reconnected: nothing more
    EXPECT_EQ(service->lastHeartbeatTime(), started + 66s);
}

TEST_F(QXIMServiceTest, AfterForceOffTheHeartbeatNeverReconnects) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    write({{"to", kServiceUser}, {"kind", "forceoff"}});
    // The command stops keeping the connection at once and cancels the stream on the
    // service's queue right after.
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return service->noKeepOnline() && service->curListenUserid() == 0; }));
    const ns::Duration last = service->lastHeartbeatTime();
    clock().advance(600s);
    service->heartbeat();
    EXPECT_EQ(service->lastHeartbeatTime(), last);
    EXPECT_EQ(service->curListenUserid(), 0);
    // A fetch asked for now goes out after anything the tick would have sent.
    service->receiveOfflineMessages();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == 2; }));
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
}

// A FORCEOFF handled after the tick found the heartbeat missing, but before the reconnection
// it queued has run: the reconnection does nothing, neither the fetch nor the stream, and no
// later tick reconnects.
TEST_F(QXIMServiceTest, AForceOffBetweenTheTicksCheckAndItsReconnectionKeepsTheAppOff) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    ASSERT_NE(streamOperation(), nullptr);
    const QByteArray forceOff =
        standin::StreamSettings::segment("command", R"({ "command" : "FORCEOFF" })");
    Gate queueGoesOn;
    service->queue()->async([&] {
        EXPECT_TRUE(queueGoesOn.pass());
        service->onlineMessage(forceOff);
    });
    clock().advance(66s);
    service->heartbeat();  // finds the app kept online; its reconnection waits behind the gate
    queueGoesOn.open();
    service->queue()->sync([] {});
    EXPECT_TRUE(service->noKeepOnline());
    EXPECT_EQ(service->curListenUserid(), 0);
    EXPECT_EQ(streamOperation(), nullptr);
    clock().advance(66s);
    service->heartbeat();
    service->queue()->sync([] {});
    // A fetch asked for now goes out after anything the reconnection would have sent.
    service->receiveOfflineMessages();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == 2; }));
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
    EXPECT_EQ(streamOperation(), nullptr);
}

TEST_F(QXIMServiceTest, ReceivedMessagesAreStoredThenAcknowledgedAndTold) {
    auto service = start();
    QList<qint64> ids = write({{"to", kServiceUser}, {"count", 3}, {"kind", "text"}});
    ids += write({{"to", kServiceUser}, {"kind", "picture"}});
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() >= 4 && unacknowledged() == 0; }));
    EXPECT_EQ(storedFromBroker(), 4);
    const auto talk = QXIMDatabase::shared().talkInfoExist(kBrokerTalk, kServiceUserText);
    ASSERT_EQ(talk.size(), 1);
    EXPECT_EQ(talk[0].value("l_read").toInt(), 4);
    EXPECT_EQ(talk[0].value("r_id").toString(), "10086_1_1009_1");
    // Told in order, each storing batch at once with a talk row for each of its packets (the
    // welcome messages' notification has none).
    const auto told = [&] {
        QList<qint64> messages;
        for (const auto& notification : posted) {
            if (notification.name != QXIMNotifications::kIMRecieveNotification) continue;
            const auto received = notification.objectAs<QXIMNotifications::ReceivedMessages>();
            EXPECT_EQ(received.talks.size(), received.messages.size());
            for (const auto& message : received.messages) messages << message.messageId;
        }
        return messages;
    };
    ASSERT_TRUE(runMainLoopUntil([&] { return told().size() >= 4; }));
    EXPECT_EQ(told(), ids);
}

// The server sends every packet again while its acknowledgement is held: the copies are
// neither stored nor acknowledged again, and the ids that wait go together in few calls.
TEST_F(QXIMServiceTest, PacketsSentAgainWhileTheirAcknowledgementWaitsAreKeptAndAcknowledgedOnce) {
    messaging.setFaults({{"redeliverMs", 50}});
    auto service = start();
    // A copy is let go before it is read: the plug-ins are asked about each message once.
    auto asked = std::make_shared<QHash<qint64, int>>();  // on the service's queue
    auto plugIn = std::make_shared<QXIMServiceObserver>();
    plugIn->parseMessage = [asked](const QVariantMap& message) {
        ++(*asked)[message.value("id").toLongLong()];
        return false;
    };
    service->addObserver(plugIn);
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    constexpr int kMessages = 300;  // more ids than one call takes
    const int handled = postedCount(QXIMNotifications::kTalkInfoChange);
    write({{"to", kServiceUser}, {"count", kMessages}});
    const auto carried = [&] { return messaging.counters()["carried"].toInt(); };
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    // Every packet came at least twice, and every copy read was stored or found stored.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return carried() >= 2 * kMessages &&
               postedCount(QXIMNotifications::kTalkInfoChange) >= handled + 2 * kMessages;
    }));
    service->queue()->sync([] {});
    EXPECT_EQ(storedFromBroker(), kMessages);
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return unacknowledged() == 0 && acknowledgedIds() >= 2 * kMessages; }));
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kTalkInfoChange) >= handled + carried(); }));
    service->queue()->sync([] {});
    EXPECT_EQ(storedFromBroker(), kMessages);
    // Each id once for each of the packet's two talk ids: a held call for each talk id, then
    // the ids that waited behind it, at most 200 a call.
    EXPECT_EQ(acknowledgedIds(), 2 * kMessages);
    EXPECT_LE(messaging.counters()["acknowledgeCalls"].toInt(), 6);
    service->queue()->sync([&] {
        EXPECT_EQ(asked->size(), kMessages);
        EXPECT_EQ(std::count(asked->begin(), asked->end(), 1), kMessages);
    });
}

TEST_F(QXIMServiceTest, APacketThatCannotBeStoredIsNotAcknowledgedAndComesAgain) {
    messaging.setFaults({{"redeliverMs", 300}});
    auto service = start();
    JSSQLite blocker;
    ASSERT_TRUE(blocker.open(QXIMDatabase::shared().path()));
    ASSERT_TRUE(blocker.beginTransaction());  // the store's writes wait, then fail
    const int handled = postedCount(QXIMNotifications::kTalkInfoChange);
    write({{"to", kServiceUser}});
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kTalkInfoChange) > handled + 1; }));
    EXPECT_EQ(requestsFor(standin::paths::kMessageApi, "ackrecvmsg"), 0);
    EXPECT_EQ(unacknowledged(), 1);
    ASSERT_TRUE(blocker.commit());
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 1 && unacknowledged() == 0; }));
}

// A packet too deep to read (its ids unknown) cannot be acknowledged; one the store cannot
// keep whole is acknowledged unstored. Neither crashes the app nor stops the talk, and every
// row that is stored reads back.
TEST_F(QXIMServiceTest, PacketsTooDeepToReadOrStoreAreSetAsideAndTheTalkGoesOn) {
    auto service = start();
    write({{"to", kServiceUser}, {"nestDepth", 87000}});
    write({{"to", kServiceUser}, {"nestDepth", 130}});
    write({{"to", kServiceUser}, {"nestDepth", 124}});  // the packet's own text 128 levels deep
    write({{"to", kServiceUser}, {"nestDepth", 100}});
    write({{"to", kServiceUser}, {"text", "后来的消息"}});
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 2 && unacknowledged() == 1; }))
        << storedFromBroker() << " " << unacknowledged();
    const auto rows = QXIMDatabase::shared().queue().inDatabase([](JSSQLite& db) {
        return db.executeQuery("SELECT m_content FROM msgs WHERE f_id = '880001'")
            .value_or(JSSQLite::Rows());
    });
    ASSERT_EQ(rows.size(), 2);
    for (const auto& row : rows) EXPECT_TRUE(json_JSON(row.value("m_content")).isValid());
    const auto talk = QXIMDatabase::shared().talkInfoExist(kBrokerTalk, kServiceUserText);
    ASSERT_EQ(talk.size(), 1);
    EXPECT_EQ(json_JSON(talk[0].value("l_msg")).toMap().value("msgs").toList().size(), 1);
    EXPECT_EQ(talk[0].value("l_read").toInt(), 2);
}

// A message past the bounds of its road (a fetch reply of 8 MB, a segment of 4 MB) is read
// with its long texts cut to 16 KB, stored and acknowledged, and the messages behind it come
// as ever: first through the offline fetch, then through the stream, which stays open.
TEST_F(QXIMServiceTest, AMessageTooLongToKeepWholeIsStoredCutAndTheOnesBehindItCome) {
    constexpr int kText = 9 * 1024 * 1024;  // past both bounds
    // 长 is 3 bytes: the first whole character from the 16,384th byte on ends the text.
    const QString cut = R"([")" + QString(5462, QChar(0x957F)) + R"("])";
    const auto contentsOf = [](qint64 id) {
        return QXIMDatabase::shared().queue().inDatabase([&](JSSQLite& db) {
            return db.executeQuery("SELECT m_content FROM msgs WHERE m_id = ?", {id})
                ->value(0)
                .value("m_content")
                .toString();
        });
    };
    server().setStream({.heartbeatMs = 50});
    // The first stream breaks off at once: the fetch alone brings what was written before.
    server().setFault({.prefix = standin::paths::kStreamReceive, .dropAfterChunks = 0, .times = 1});
    const QList<qint64> fetched = write({{"to", kServiceUser}, {"textBytes", kText}}) +
                                  write({{"to", kServiceUser}, {"count", 3}});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() >= 4 && unacknowledged() == 0; }))
        << storedFromBroker() << " " << unacknowledged();
    EXPECT_EQ(storedFromBroker(), 4);
    EXPECT_EQ(contentsOf(fetched[0]), cut);
    EXPECT_EQ(requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs"), 1);

    clock().advance(66s);
    service->heartbeat();
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(kServiceUser) == 1; }));
    const QList<qint64> streamed = write({{"to", kServiceUser}, {"textBytes", kText}}) +
                                   write({{"to", kServiceUser}, {"count", 3}});
    // A stream left would show as none open.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return (storedFromBroker() >= 8 && unacknowledged() == 0) ||
               messaging.openStreams(kServiceUser) == 0;
    }));
    EXPECT_EQ(storedFromBroker(), 8);
    EXPECT_EQ(contentsOf(streamed[0]), cut);
    EXPECT_EQ(contentsOf(streamed[3]), R"(["第3条消息"])");
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 2);
    EXPECT_EQ(messaging.openStreams(kServiceUser), 1);
}

// The lines logged while it lives that begin with `prefix`, from any thread.
class LoggedLines {
public:
    explicit LoggedLines(QString prefix) : prefix_(std::move(prefix)) {
        const std::lock_guard lock(mutex);
        current = this;
        previous_ = qInstallMessageHandler(keep);
    }
    ~LoggedLines() {
        const std::lock_guard lock(mutex);
        qInstallMessageHandler(previous_);
        current = nullptr;
    }
    LoggedLines(const LoggedLines&) = delete;
    LoggedLines& operator=(const LoggedLines&) = delete;

    [[nodiscard]] QStringList lines() const {
        const std::lock_guard lock(mutex);
        return lines_;
    }
    // Those of the lines that hold every one of `parts`.
    [[nodiscard]] QStringList holding(const QStringList& parts) const {
        QStringList found;
        for (const QString& line : lines()) {
            if (std::all_of(parts.begin(), parts.end(),
                            [&](const QString& part) { return line.contains(part); }))
                found.append(line);
        }
        return found;
    }

private:
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& line) {
        const std::lock_guard lock(mutex);
        if (!current) return;
        if (line.startsWith(current->prefix_)) current->lines_.append(line);
        if (current->previous_) current->previous_(type, context, line);
    }

    static inline std::mutex mutex;
    static inline LoggedLines* current = nullptr;
    QString prefix_;
    QtMessageHandler previous_ = nullptr;
    QStringList lines_;
};

// A packet from the broker to the service's user, as the fetch and the stream carry it.
QByteArray packetForTheUser(qint64 id) {
    const QByteArray user = kServiceUserText.toLatin1();
    return R"({"fromUser":{"id":"880001"},"toUser":{"id":")" + user +
           R"("},"post":{"id":"p1"},"talk":{"toTalkId":")" + user + R"(-880001","fromTalkId":")" +
           kBrokerTalk.toLatin1() + R"("},"msgs":[{"id":)" + QByteArray::number(id) +
           R"(,"fromUserId":"880001","updateTime":1,"contents":["您好"]}]})";
}

// A packet that cannot be read (a number past a double after its ids) naming the messages
// `first` to `last` and the talk `talk` (by default the broker's, by both its ids).
QByteArray unreadablePacket(qint64 first, qint64 last, const QByteArray& talk = {}) {
    QByteArray messages;
    for (qint64 id = first; id <= last; ++id)
        messages += R"({"id":)" + QByteArray::number(id) + "},";
    const QByteArray user = kServiceUserText.toLatin1();
    return R"({"msgs":[)" + messages + R"({"contents":[1e400]}],"talk":)" +
           (talk.isNull() ? R"({"toTalkId":")" + user + R"(-880001","fromTalkId":")" +
                                kBrokerTalk.toLatin1() + R"("})"
                          : talk) +
           "}";
}

QByteArray fetchReply(const QByteArrayList& packets) {
    return R"({"requestTime":1,"data":[)" + packets.join(',') + "]}";
}

QByteArray streamSegment(const QByteArray& packet) {
    return standin::StreamSettings::segment("recvMsg", packet);
}

// A packet that cannot be read (a number of 1,025 digits or past a double, 9 MB of small
// fields, each before the ids in its text) holds back neither the packets beside it nor
// itself: it is set aside and acknowledged once, from the fetch and from the stream alike,
// and the others are stored.
TEST_F(QXIMServiceTest, APacketThatCannotBeReadIsAcknowledgedOnceAndTheOthersAreStored) {
    QByteArray fields = "[1";
    while (fields.size() < 9 * 1024 * 1024) fields += ",1";
    const QString smallFields = QString::fromLatin1(fields + "]");
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    const LoggedLines logged("Received packet");
    const QString tooLong = "longer than 4194304 bytes with its strings cut to 16384 bytes";
    server().setStream({.heartbeatMs = 50});
    // The first stream breaks off at once: the fetch alone brings what was written before.
    server().setFault({.prefix = standin::paths::kStreamReceive, .dropAfterChunks = 0, .times = 1});
    write({{"to", kServiceUser}, {"contentsText", "[" + QString(1025, '1') + "]"}});
    write({{"to", kServiceUser}});
    write({{"to", kServiceUser}, {"contentsText", smallFields}});
    write({{"to", kServiceUser}, {"count", 2}});
    auto service = QXIMService::shared();
    // Each id for both talk ids; the server lets a packet go at the first.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return storedFromBroker() >= 3 && acknowledgedIds() >= 10;
    })) << storedFromBroker()
        << " " << unacknowledged();
    EXPECT_EQ(storedFromBroker(), 3);
    EXPECT_EQ(acknowledgedIds(), 2 * 5);
    EXPECT_EQ(unacknowledged(), 0);
    EXPECT_EQ(requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs"), 1);
    // The reader refused both, each for its own reason.
    service->queue()->sync([] {});
    EXPECT_EQ(logged
                  .holding({"acknowledged, not stored: 2 of 2 packets, 2 message ids",
                            "number longer than 1024 characters", tooLong})
                  .size(),
              1)
        << logged.lines().join('\n').toStdString();

    clock().advance(66s);
    service->heartbeat();
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(kServiceUser) == 1; }));
    write({{"to", kServiceUser}, {"contentsText", "[1e400]"}});    // a segment read whole
    write({{"to", kServiceUser}, {"contentsText", smallFields}});  // one read in pieces
    write({{"to", kServiceUser}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        return (storedFromBroker() >= 4 && acknowledgedIds() >= 16) ||
               messaging.openStreams(kServiceUser) == 0;
    }));
    EXPECT_EQ(storedFromBroker(), 4);
    EXPECT_EQ(acknowledgedIds(), 2 * 8);
    EXPECT_EQ(unacknowledged(), 0);
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 2);
    service->queue()->sync([] {});
    EXPECT_EQ(
        logged.holding({"1 of 1 packets, 1 message ids", "double overflow on '1e400'"}).size(), 1);
    EXPECT_EQ(logged.holding({"1 of 1 packets, 1 message ids", tooLong}).size(), 1);
    EXPECT_EQ(logged.lines().size(), 3) << logged.lines().join('\n').toStdString();
}

// Refused packets are acknowledged for each talk id they name and logged once however often
// they come, from the fetch and the stream alike; one that names no message is logged as
// unread, and nothing of it acknowledged.
TEST_F(QXIMServiceTest, RefusedPacketsAreAcknowledgedForTheTalkIdsTheyNameAndLoggedOnce) {
    const LoggedLines logged("Received packet");
    const QByteArray again = unreadablePacket(71, 71);
    server().setFault(
        {.prefix = kFetch, .body = fetchReply({again, again, packetForTheUser(70)}), .times = 1});
    server().setStream(
        {.segments = {streamSegment(again),
                      streamSegment(unreadablePacket(
                          72, 72, R"({"fromTalkId":")" + kBrokerTalk.toLatin1() + R"("})")),
                      streamSegment(unreadablePacket(1, 0)), streamSegment(again)},
         .heartbeatMs = 50});
    auto service = start();
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() >= 1 && acknowledgedIds() >= 5; }))
        << acknowledgedIds();
    service->queue()->sync([] {});
    EXPECT_EQ(storedFromBroker(), 1);
    EXPECT_EQ(acknowledgedIds(), 2 + 2 + 1);
    // 72 under the one talk id its packet names.
    QStringList talksOf72;
    for (const auto& request : server().requests(standin::paths::kMessageApi)) {
        const QUrlQuery query(QString::fromLatin1(request.query));
        if (query.queryItemValue("msgIds").split(',').contains("72"))
            talksOf72.append(query.queryItemValue("talkId"));
    }
    EXPECT_EQ(talksOf72, QStringList{kBrokerTalk});
    const QStringList lines = logged.lines();
    EXPECT_EQ(lines.size(), 3) << lines.join('\n').toStdString();
    EXPECT_EQ(logged.holding({"acknowledged, not stored", "messages 71"}).size(), 1);
    EXPECT_EQ(logged.holding({"acknowledged, not stored", "/, messages 72"}).size(), 1);
    EXPECT_EQ(logged.holding({"unread: 1 of 1 packets name no talk or no message"}).size(), 1);
}

// A packet the stream sets aside again spends none of the stream's three lines: set aside three
// times, then two others, each of the three is logged, and the closing line counts all five.
// Nothing was let go: no line says so.
TEST_F(QXIMServiceTest, APacketSetAsideAgainSpendsNoneOfTheStreamsLines) {
    const LoggedLines logged("");
    const QByteArray again = streamSegment(unreadablePacket(71, 71));
    server().setStream({.segments = {again, again, again, streamSegment(unreadablePacket(72, 72)),
                                     streamSegment(unreadablePacket(73, 73))},
                        .heartbeatMs = 50});
    auto service = start();  // the first heartbeat comes after the listed segments
    service->stop();
    EXPECT_EQ(logged.holding({"acknowledged, not stored"}).size(), 3)
        << logged.lines().join('\n').toStdString();
    for (const char* named : {"messages 71", "messages 72", "messages 73"})
        EXPECT_EQ(logged.holding({"acknowledged, not stored", named}).size(), 1) << named;
    EXPECT_EQ(logged
                  .holding({"Stream closed: 5 segments set aside (3 logged), 0 message ids let go "
                            "unacknowledged"})
                  .size(),
              1)
        << logged.lines().join('\n').toStdString();
    EXPECT_TRUE(logged.holding({"Acknowledgements let go"}).isEmpty());
}

// A refused packet is acknowledged for every message it names, 10,000 from the fetch and
// 10,000 from the stream, in calls of 200 ids; its log line stays short whatever its talk ids.
TEST_F(QXIMServiceTest, ARefusedPacketIsAcknowledgedForEveryMessageItNames) {
    const LoggedLines logged("Received packet");
    const QByteArray longTalk = QByteArray(2000, '7');
    server().setFault(
        {.prefix = kFetch, .body = fetchReply({unreadablePacket(1, 10000)}), .times = 1});
    server().setStream(
        {.segments = {streamSegment(unreadablePacket(
             10001, 20000,
             R"({"toTalkId":")" + longTalk + R"(","fromTalkId":")" + longTalk + "1\"}"))},
         .heartbeatMs = 50});
    auto service = start();
    const auto counted = [&](const char* name) { return messaging.counters()[name].toInt(); };
    ASSERT_TRUE(runMainLoopUntil([&] { return counted("acknowledgedIds") >= 4 * 10000; }))
        << counted("acknowledgedIds");
    service->queue()->sync([] {});
    EXPECT_EQ(counted("acknowledgedIds"), 4 * 10000);
    EXPECT_EQ(counted("acknowledgeCalls"), 4 * 10000 / QXIMAcknowledgements::kMaxIdsPerCall);
    const QStringList lines =
        logged.holding({"1 of 1 packets, 10000 message ids", "… 10000 in all"});
    EXPECT_EQ(lines.size(), 2) << logged.lines().join('\n').toStdString();
    for (const QString& line : lines) EXPECT_LT(line.size(), 500) << line.toStdString();
}

// The talk of its own that a refused packet names: T-n/n-T.
QByteArray talkOfItsOwn(qint64 n) {
    const QByteArray number = QByteArray::number(n);
    return R"({"toTalkId":"T-)" + number + R"(","fromTalkId":")" + number + R"(-T"})";
}

// A fetch logs what it sets aside in a line for each outcome, naming two talks and counting the
// rest, and its lines are not the stream's: the stream still logs three segments of its own. A
// stream that logged every segment it set aside closes without a line.
TEST_F(QXIMServiceTest, AFetchNamesTwoTalksInALineAndLeavesTheStreamItsThreeLines) {
    const LoggedLines logged("");
    QByteArrayList fetched;
    for (qint64 n = 1; n <= 5; ++n)
        fetched.append(unreadablePacket(200 + n, 200 + n, talkOfItsOwn(n)));
    server().setFault({.prefix = kFetch, .body = fetchReply(fetched), .times = 1});
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const QString fetchLine = "acknowledged, not stored: 5 of 5 packets, 5 message ids";
    ASSERT_TRUE(runMainLoopUntil([&] { return logged.holding({fetchLine}).size() == 1; }))
        << logged.lines().join('\n').toStdString();
    const QString line = logged.holding({fetchLine}).constFirst();
    EXPECT_EQ(line.count(", messages 20"), 2) << line.toStdString();
    EXPECT_TRUE(line.contains("and 3 talks more")) << line.toStdString();
    for (qint64 n = 6; n <= 8; ++n) {
        service->queue()->sync([&] {
            service->onlineMessage(
                streamSegment(unreadablePacket(200 + n, 200 + n, talkOfItsOwn(n))));
        });
    }
    service->stop();
    for (const char* named : {"messages 206", "messages 207", "messages 208"})
        EXPECT_EQ(logged.holding({"1 of 1 packets, 1 message ids", named}).size(), 1) << named;
    EXPECT_EQ(logged.holding({"acknowledged, not stored"}).size(), 4);
    EXPECT_TRUE(logged.holding({"Stream closed"}).isEmpty())
        << logged.lines().join('\n').toStdString();
}

// Every fetch logs what it sets aside, however many fetches one stream sees: four fetches, four
// lines.
TEST_F(QXIMServiceTest, EveryFetchLogsWhatItSetsAside) {
    const LoggedLines logged("Received packet");
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    server().setStream({.heartbeatMs = 600000});
    std::shared_ptr<QXIMService> service;
    for (qint64 n = 1; n <= 4; ++n) {
        // The fetch is the only call to the messaging server on its way: the last fetch's
        // acknowledgements have been answered.
        server().setFault(
            {.prefix = kFetch,
             .body = fetchReply({unreadablePacket(300 + n, 300 + n, talkOfItsOwn(n))}),
             .times = 1});
        if (service) {
            service->receiveOfflineMessages();
        } else {
            service = start();
        }
        // Acknowledged for both its talk ids once it has been handled.
        ASSERT_TRUE(runMainLoopUntil([&] { return acknowledgedIds() >= 2 * n; })) << n;
        service->queue()->sync([] {});
        EXPECT_EQ(logged.lines().size(), n) << logged.lines().join('\n').toStdString();
    }
    service->stop();
    EXPECT_EQ(logged.lines().size(), 4) << logged.lines().join('\n').toStdString();
    for (const char* named : {"messages 301", "messages 302", "messages 303", "messages 304"})
        EXPECT_EQ(logged.holding({"1 of 1 packets, 1 message ids", named}).size(), 1) << named;
}

// Neither a fetch nor a stream answered with an error status is read, whatever its body.
TEST_F(QXIMServiceTest, AFetchOrAStreamAnsweredWithAnErrorStatusIsNotReadAsMessages) {
    const QByteArray packet =
        R"({"fromUser":{"id":"880001"},"toUser":{"id":")" + kServiceUserText.toLatin1() +
        R"("},"post":{"id":"p1"},"talk":{"toTalkId":")" + kServiceUserText.toLatin1() +
        R"(-880001","fromTalkId":")" + kBrokerTalk.toLatin1() +
        R"("},"msgs":[{"id":77,"fromUserId":"880001","updateTime":1,)"
        R"("contents":["不该读到"]}]})";
    server().setFaults(
        {{.prefix = standin::paths::kStreamReceive,
          .status = 500,
          .body = "<script>window.parent.QX.webim.cometMgr.recvMsg(" + packet + ");</script>",
          .times = 1},
         {.prefix = kFetch,
          .status = 500,
          .body = R"({"requestTime":1,"data":[)" + packet + "]}",
          .times = 1}});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] {
        return requestsFor(standin::paths::kStreamReceive) == 1 &&
               requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == 1;
    }));
    // What the new stream and fetch bring comes after what the first ones brought.
    clock().advance(66s);
    service->heartbeat();
    write({{"to", kServiceUser}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        return storedFromBroker() >= 1 &&
               requestsFor(standin::paths::kMessageApi, "ackrecvmsg") >= 2;
    }));
    service->queue()->sync([] {});
    EXPECT_EQ(storedFromBroker(), 1);
    EXPECT_EQ(requestsFor(standin::paths::kMessageApi, "ackrecvmsg"), 2);
}

// A segment that never closes is read in pieces, keeps nothing, and is abandoned by the next
// segment; the stream stays open and goes on.
TEST_F(QXIMServiceTest, ASegmentThatNeverClosesIsAbandonedAndTheStreamGoesOn) {
    server().setStream({.segments = {"<script>window.parent.QX.webim.cometMgr.recvMsg(" +
                                     QByteArray(5 * 1024 * 1024, 'x')},
                        .heartbeatMs = 50});
    auto service = start();
    EXPECT_LT(service->subDataString().size(), 1024 * 1024);
    write({{"to", kServiceUser}, {"text", "后来的消息"}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        return (storedFromBroker() == 1 && unacknowledged() == 0) ||
               messaging.openStreams(kServiceUser) == 0;
    }));
    EXPECT_EQ(storedFromBroker(), 1);
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
}

TEST_F(QXIMServiceTest, APacketWithoutAPostIsKeptUnderTheNoPostIdAndAcknowledged) {
    auto service = start();
    write({{"to", kServiceUser}, {"noPost", true}});
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() >= 1 && unacknowledged() == 0; }));
    EXPECT_EQ(storedFromBroker(), 1);
    EXPECT_EQ(
        QXIMDatabase::shared().talkInfoExist(kBrokerTalk, kServiceUserText).value(0).value("r_id"),
        QVariant("0_0_1000_0"));
}

TEST_F(QXIMServiceTest, MissedMessagesComeWithTheOfflineFetch) {
    write({{"to", kServiceUser}, {"count", 2}});  // before the app runs
    server().setFault({.prefix = standin::paths::kStreamReceive, .dropAfterChunks = 0});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() >= 2 && unacknowledged() == 0; }));
    EXPECT_EQ(storedFromBroker(), 2);
    // One notification for the whole fetch.
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kIMRecieveNotification) >= 2; }));
    const auto fetched = std::find_if(posted.rbegin(), posted.rend(), [](const auto& n) {
        return n.name == QXIMNotifications::kIMRecieveNotification;
    });
    EXPECT_EQ(fetched->objectAs<QXIMNotifications::ReceivedMessages>().messages.size(), 2);
}

QXIMMessage outgoing(const QString& contents) {
    QXIMMessage message;
    message.userId = kServiceUserText;
    message.talkId = kBrokerTalk;
    message.fromId = kServiceUserText;
    message.toId = "880001";
    message.sendingState = QXIMMessage::kSending;
    message.uTime = 1000;
    message.setContents(contents);
    return message;
}

QString completeMessage(const QString& contents) {
    return R"({"fromUser":{"id":")" + kServiceUserText +
           R"(","name":"我"},"toUser":{"id":"880001","name":"经纪人"},"post":{"id":"p1"}, )"
           R"("talk":{"updateTime":"1000","channel":"0"},"msgs":[{"talkId":")" +
           kBrokerTalk + R"(","contents":)" + contents + R"(,"updateTime":"1000"}]})";
}

TEST_F(QXIMServiceTest, ASentMessageIsConfirmedWithItsServerIdAndKeepsItsTime) {
    auto service = start();
    QXIMMessage message = outgoing(R"(["你好"])");
    ASSERT_TRUE(QXIMDatabase::shared().saveMessage(message, false));
    service->sendTextMessage(completeMessage(R"(["你好"])"), message.m_sid);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return std::any_of(posted.begin(), posted.end(), [&](const auto& n) {
            return n.userInfo.value("m_sid").toLongLong() == message.m_sid;
        });
    }));
    const auto row = QXIMDatabase::shared().getMessageByKey(message.m_sid, kServiceUserText);
    EXPECT_EQ(row->value("m_state").toInt(), QXIMMessage::kSent);
    EXPECT_GT(row->value("m_id").toLongLong(), 0);
    EXPECT_EQ(row->value("u_time").toLongLong(), 1000);
    // The sample broker answers at once, so the talk's last message is the sent one or, when the
    // answer is already in, the answer stored after it.
    EXPECT_GE(QXIMDatabase::shared()
                  .talkInfoExist(kBrokerTalk, kServiceUserText)
                  .value(0)
                  .value("m_id")
                  .toLongLong(),
              message.m_sid);
}

TEST_F(QXIMServiceTest, RefusedAndImpossibleSendsFailTheirRows) {
    auto service = start();
    QXIMMessage refused = outgoing(R"(["x"])");
    QXIMMessage mismatched = outgoing(R"(["y"])");
    ASSERT_TRUE(QXIMDatabase::shared().saveMessage(refused, false));
    ASSERT_TRUE(QXIMDatabase::shared().saveMessage(mismatched, false));
    service->sendTextMessage("not a packet", refused.m_sid);  // answered with "error_msg"
    // Two rows for one content element cannot be confirmed.
    service->sendTextMessage(completeMessage(R"(["y"])"), {mismatched.m_sid, refused.m_sid});
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kIMSendErrorNotification) == 2; }));
    for (const qint64 id : {refused.m_sid, mismatched.m_sid}) {
        EXPECT_EQ(
            QXIMDatabase::shared().getMessageByKey(id, kServiceUserText)->value("m_state").toInt(),
            QXIMMessage::kFailed);
    }
    // Nobody signed in: failed at once, nothing sent.
    QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
    const int sends = requestsFor(standin::paths::kMessageApi, "sendmsg");
    service->sendTextMessage(completeMessage(R"(["z"])"), refused.m_sid);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kIMSendErrorNotification) == 3; }));
    EXPECT_EQ(requestsFor(standin::paths::kMessageApi, "sendmsg"), sends);
}

// A plug-in that stops the store at the messages it is asked about whose numbers (from 1) are
// listed, each time until the gate lets it go on.
struct StoreStops {
    StoreStops(QXIMService& service, std::set<int> at)
        : plugIn(std::make_shared<QXIMServiceObserver>()) {
        plugIn->parseMessage = [this, at = std::move(at)](const QVariantMap&) {
            const int number = ++asked;
            if (at.contains(number)) {
                stoppedAt = number;
                if (!goOn.pass()) wentOnAlone = true;
            }
            return false;
        };
        service.addObserver(plugIn);
    }
    std::shared_ptr<QXIMServiceObserver> plugIn;
    std::atomic<int> asked{0};
    std::atomic<int> stoppedAt{0};
    std::atomic<bool> wentOnAlone{false};  // the gate stayed shut for kHangWait
    Gate goOn;
};

// A packet as the server writes it, from `from` to `to`, with its items.
QVariantMap packet(qint64 from, qint64 to, const QString& items) {
    return json_JSON(QVariant(QString(R"({"fromUser":{"id":"%1","name":"x"},"toUser":{"id":"%2"},
        "post":{"id":"10086_1_1009_1"},"talk":{"postId":"10086_1_1009_1","toTalkId":"%1-%2",
        "fromTalkId":"%2-%1"},"msgs":%3})")
                                  .arg(from)
                                  .arg(to)
                                  .arg(items)))
        .toMap();
}

TEST_F(QXIMServiceTest, EachElementOfAnItemIsARowAndAnItemStoredBeforeIsSkippedSilently) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const auto save = [&](const QVariantMap& received) {
        QList<QXIMMessage> messages;
        service->queue()->sync([&] { service->saveMessages(received, true, &messages); });
        return messages;
    };
    const QVariantMap first = packet(880001, kServiceUser, R"([
        {"id":9000000000301,"fromUserId":880001,"updateTime":2000,"type":0,
         "contents":["a","b",["font",{"size":3},""],"c"]},
        {"id":9000000000302,"fromUserId":0,"updateTime":2001,"type":0,"contents":["系统"]}])");
    const auto stored = save(first);
    ASSERT_EQ(stored.size(), 4);  // the font element is dropped
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(stored[n].messageId, 9000000000301);
        EXPECT_EQ(stored[n].contents(), QString(R"(["%1"])").arg(QChar('a' + (n == 2 ? 2 : n))));
    }
    EXPECT_EQ(stored[3].type, 1);  // from nobody: a system message
    const auto talk = QXIMDatabase::shared().talkInfoExist(kBrokerTalk, kServiceUserText).value(0);
    EXPECT_EQ(talk.value("l_read").toInt(), 4);
    const int notified = postedCount(QXIMNotifications::kIMRecieveNotification);

    // The same items again: nothing stored, the talk row as it was, nobody told.
    EXPECT_TRUE(save(first).isEmpty());
    EXPECT_EQ(QXIMDatabase::shared().talkInfoExist(kBrokerTalk, kServiceUserText).value(0), talk);
    // Notifications come in order: the next one told is the next packet's.
    ASSERT_EQ(save(packet(880001, kServiceUser,
                          R"([{"id":9000000000303,"fromUserId":880001,"updateTime":2002,)"
                          R"("contents":["d"]}])"))
                  .size(),
              1);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kIMRecieveNotification) > notified; }));
    const auto told = std::find_if(posted.begin(), posted.end(), [&](const auto& n) {
        return n.name == QXIMNotifications::kIMRecieveNotification &&
               !n.template objectAs<QXIMNotifications::ReceivedMessages>().messages.isEmpty() &&
               n.template objectAs<QXIMNotifications::ReceivedMessages>().messages[0].messageId !=
                   9000000000301;
    });
    ASSERT_NE(told, posted.end());
    EXPECT_EQ(told->objectAs<QXIMNotifications::ReceivedMessages>().messages[0].messageId,
              9000000000303);
}

// The stream segment of a packet, of `size` bytes when given.
QByteArray segmentOf(const QVariantMap& received, qsizetype size = 0) {
    const auto written = [](const QVariantMap& packet) {
        return "<script>window.parent.QX.webim.cometMgr.recvMsg(" +
               json_JSONString(packet).toUtf8() + ");</script>";
    };
    if (size == 0) return written(received);
    // A field of the packet that the reader passes over makes up the size.
    QVariantMap padded = received;
    padded.insert("pad", QString());
    padded.insert("pad", QString(size - written(padded).size(), 'p'));
    return written(padded);
}

// A packet from the broker with one message.
QVariantMap brokersPacket(qint64 id) {
    return packet(880001, kServiceUser,
                  QString(R"([{"id":%1,"fromUserId":880001,"updateTime":3000,"contents":["%2"]}])")
                      .arg(id)
                      .arg(id % 10000));
}

// The segments of `count` packets from the broker, ids from `firstId` on.
QByteArray burst(int count, qint64 firstId) {
    QByteArray stream;
    for (int n = 0; n < count; ++n) stream += segmentOf(brokersPacket(firstId + n));
    return stream;
}

// A burst already read waits for storing in transactions of 500 packets, each told to the
// screens at once.
TEST_F(QXIMServiceTest, ABurstIsStoredAndToldFiveHundredPacketsAtATime) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const QByteArray stream = burst(1200, 9000000001000);
    const int before = postedCount(QXIMNotifications::kIMRecieveNotification);
    service->queue()->sync([&] { service->onlineMessage(stream); });
    // The talk rows told with each transaction, one a packet.
    const auto told = [&] {
        QList<qsizetype> talks;
        for (const auto& notification : posted) {
            if (notification.name == QXIMNotifications::kIMRecieveNotification)
                talks << notification.objectAs<QXIMNotifications::ReceivedMessages>().talks.size();
        }
        return talks.mid(before);
    };
    ASSERT_TRUE(runMainLoopUntil([&] {
        const QList<qsizetype> talks = told();
        return std::accumulate(talks.begin(), talks.end(), qsizetype(0)) >= 1200;
    }));
    EXPECT_EQ(told(), (QList<qsizetype>{500, 500, 200}));
    EXPECT_EQ(storedFromBroker(), 1200);
}

// The stream is held while 1,000 packets, or 16 MB of the segments they came in, wait to be
// stored (a segment read in pieces counting 4 MB), from exactly those figures on. Each stored
// batch gives its packets and their bytes back, and lets the stream go on once less waits; a
// stream reopened meanwhile is held from its start.
TEST_F(QXIMServiceTest, TheStreamIsHeldFromAThousandPacketsOrSixteenMegabytesWaitingToBeStored) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const auto firstStream = streamOperation();
    StoreStops stops(*service, {1, 501, 1001});
    bool held[3] = {};
    service->queue()->sync([&] {
        service->onlineMessage(burst(999, 9000000002000));
        held[0] = streamHeld();
        service->onlineMessage(burst(1, 9000000002999));
        held[1] = streamHeld();
        service->onlineMessage(burst(600, 9000000003000));
        held[2] = streamHeld();
    });
    EXPECT_FALSE(held[0]);
    EXPECT_TRUE(held[1]);
    EXPECT_TRUE(held[2]);

    // The first batch under way; a heartbeat tick after 66 silent seconds reconnects before
    // the second, while 1,100 packets still wait.
    ASSERT_TRUE(runMainLoopUntil([&] { return stops.stoppedAt == 1; }));
    clock().advance(66s);
    service->heartbeat();
    stops.goOn.open();
    ASSERT_TRUE(runMainLoopUntil([&] { return stops.stoppedAt == 501; }));
    EXPECT_TRUE(runMainLoopUntil([&] {
        const auto stream = streamOperation();
        return stream && stream != firstStream && stream->isReadingHeld();
    }));
    // Two batches stored, 600 wait: the stream goes on.
    stops.goOn.open();
    ASSERT_TRUE(runMainLoopUntil([&] { return stops.stoppedAt == 1001; }));
    EXPECT_FALSE(streamHeld());
    stops.goOn.openForGood();
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 1600; }));
    EXPECT_FALSE(stops.wentOnAlone);
    EXPECT_TRUE(runMainLoopUntil([&] { return requestsFor(standin::paths::kStreamReceive) == 2; }));

    // One segment read in pieces, first (after the small segments of the burst, then after
    // one of 4 MB), and three kept whole, the last of them 4 MB or a byte less.
    constexpr qsizetype kSegment = 4 * 1024 * 1024;
    for (const qsizetype third : {kSegment, kSegment - 1}) {
        const int stored = storedFromBroker();
        const qint64 id = 9000000004000 + stored;
        bool heldNow = false;
        service->queue()->sync([&] {
            service->onlineMessage(segmentOf(brokersPacket(id), kSegment + 100));
            service->onlineMessage(segmentOf(brokersPacket(id + 1), kSegment));
            service->onlineMessage(segmentOf(brokersPacket(id + 2), kSegment));
            service->onlineMessage(segmentOf(brokersPacket(id + 3), third));
            heldNow = streamHeld();
        });
        EXPECT_EQ(heldNow, third == kSegment) << third;
        ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == stored + 4; }));
        service->queue()->sync([] {});
        EXPECT_FALSE(streamHeld());
    }
}

// Quitting in the middle of a burst: the stream closes at once, the transaction under way is
// finished, and nothing is stored after the quit, neither the packets that waited nor a fetch
// answered later, and no tick reconnects. Reopened, the store holds every packet
// acknowledged.
TEST_F(QXIMServiceTest, QuittingInTheMiddleOfABurstStoresNothingMoreAndKeepsWhatWasAcknowledged) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();  // held on to, as the app's delegate holds it
    const auto stream = streamOperation();
    ASSERT_TRUE(stream);
    // The first transaction, once under way, goes on only when the stream has closed.
    StoreStops stops(*service, {1});
    const auto closed = stream->addObserver([&](ns::Operation&, ns::Operation::Key key) {
        if (key == ns::Operation::Key::Cancelled) stops.goOn.openForGood();
    });
    service->queue()->sync([&] { service->onlineMessage(burst(1700, 9000000005000)); });
    ASSERT_TRUE(runMainLoopUntil([&] { return stops.stoppedAt == 1; }));
    std::atomic<bool> quit{false};
    std::thread quitting([&] {
        QXIMService::forceRelease();
        quit = true;
    });
    EXPECT_TRUE(runMainLoopUntil([&] { return quit.load(); }));
    stops.goOn.openForGood();
    quitting.join();
    stream->removeObserver(closed);
    EXPECT_FALSE(stops.wentOnAlone);
    const int stored = storedFromBroker();
    EXPECT_TRUE(stored == 500 || stored == 1000) << stored;

    write({{"to", kServiceUser}, {"count", 2}});
    clock().advance(66s);
    service->heartbeat();
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    service->receiveOfflineMessages();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") >= 2; }));
    ASSERT_TRUE(letHeldRepliesArrive());
    for (int round = 0; round < 4; ++round) service->queue()->sync([] {});
    EXPECT_EQ(storedFromBroker(), stored);
    EXPECT_EQ(streamOperation(), nullptr);

    // Every packet stored is acknowledged in the end, and the store reopened holds each.
    const auto acknowledged = [&] {
        QSet<qint64> ids;
        for (const auto& request : server().requests(standin::paths::kMessageApi)) {
            const auto listed = QRegularExpression("msgIds=([0-9,]+)").match(request.query);
            for (const QString& id : listed.captured(1).split(',', Qt::SkipEmptyParts))
                ids.insert(id.toLongLong());
        }
        return ids;
    };
    EXPECT_TRUE(runMainLoopUntil([&] { return acknowledged().size() >= stored; }));
    QXIMDatabase::forceRelease();
    ASSERT_TRUE(QXIMDatabase::shared().openDatabase(kServiceUserText));
    EXPECT_EQ(storedFromBroker(), stored);
    for (const qint64 id : acknowledged())
        EXPECT_TRUE(QXIMDatabase::shared().messageExist(id, kBrokerTalk, kServiceUserText)) << id;
}

// A reconnection the heartbeat queued just before the stop does nothing once the stop came,
// and no later tick reconnects.
TEST_F(QXIMServiceTest, AReconnectionQueuedJustBeforeTheStopIsClosedByIt) {
    streamCommandsOnly();
    auto service = start();
    advanceWhileCommandsCome({30s, 30s, 6s});
    ASSERT_NE(streamOperation(), nullptr);
    Gate queueGoesOn;
    service->queue()->async([&] { EXPECT_TRUE(queueGoesOn.pass()); });
    service->heartbeat();  // its cancel, fetch and new stream wait behind the gate
    std::atomic<bool> stopped{false};
    std::thread stopping([&] {
        service->stop();
        stopped = true;
    });
    // The stop closed the stream at once, and waits for the queue.
    ASSERT_TRUE(runMainLoopUntil([&] { return streamOperation() == nullptr; }));
    queueGoesOn.open();
    EXPECT_TRUE(runMainLoopUntil([&] { return stopped.load(); }));
    stopping.join();
    EXPECT_EQ(streamOperation(), nullptr);
    // A fetch asked for now goes out after anything the reconnection would have sent.
    service->receiveOfflineMessages();
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return requestsFor(standin::paths::kMessageApi, "getnotrecvmsgs") == 2; }));
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
    clock().advance(66s);
    service->heartbeat();
    service->queue()->sync([] {});
    EXPECT_EQ(streamOperation(), nullptr);
}

// A segment read past its bound (set aside at once for a number of 1,025 digits, then "1,"
// without end) closes its stream, and what still comes of it is not read. The stream opens
// again, its fetch first, which brings what was missed, after 2 s; after 4 s when it happens
// again; after 2 s again when the stream had lasted 64 s (without a heartbeat: the heartbeat
// does not reconnect in the pause either); and not at all when the service stopped in it.
TEST_F(QXIMServiceTest, AStreamWhoseSegmentIsGivenUpOpensAgainAfterAPauseThatGrows) {
    constexpr auto kFirst = QXIMService::kFirstReopenPause;
    const QByteArray refused = R"(<script>window.parent.QX.webim.cometMgr.recvMsg({"talk":{)"
                               R"("toTalkId":")" +
                               kServiceUserText.toLatin1() + R"(-880001","fromTalkId":")" +
                               kBrokerTalk.toLatin1() + R"("},"msgs":[{"id":77,"contents":[)" +
                               QByteArray(1025, '1') + ",";
    standin::FaultRule endless{.prefix = standin::paths::kStreamReceive,
                               .body = refused,
                               .endless = true,
                               .endlessText = "1,",
                               .times = 1};
    standin::FaultRule heldEndless = endless;
    heldEndless.hold = true;
    // The third stream is the stand-in's own; a held one is read once released.
    server().setFaults({endless,
                        heldEndless,
                        {.prefix = standin::paths::kStreamReceive, .times = 1},
                        heldEndless,
                        {.prefix = standin::paths::kStreamReceive, .hold = true}});
    streamCommandsOnly();
    auto service = QXIMService::shared();
    const auto opened = [&](int streams) { return openedStreams(streams); };
    const auto closed = [&] { return streamClosed(*service); };
    const auto reopensAfter = [&](ns::Duration pause) { this->reopensAfter(*service, pause); };
    const auto releaseAndGiveUp = [&](int stream) {
        ASSERT_TRUE(waitForRequests(standin::paths::kStreamReceive, stream));
        server().releaseHeld();
        ASSERT_TRUE(runMainLoopUntil(closed));
    };
    ASSERT_TRUE(runMainLoopUntil([&] { return opened(1) && closed(); }));
    write({{"to", kServiceUser}, {"count", 3}});
    service->queue()->sync(
        [&] { service->onlineMessage(segmentOf(brokersPacket(9000000006000))); });
    reopensAfter(kFirst);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return opened(2) && storedFromBroker() == 3 && unacknowledged() == 0; }));
    releaseAndGiveUp(2);
    reopensAfter(2 * kFirst);

    advanceWhileCommandsCome({30s, 30s, 4s});
    service->queue()->sync(
        [&] { service->onlineMessage(refused + QByteArray("1,").repeated(16 * 1024 * 1024)); });
    ASSERT_TRUE(closed());
    reopensAfter(kFirst);  // the tick comes 65.999 s after the stream opened

    releaseAndGiveUp(4);
    service->stop();
    clock().advance(2 * kFirst);
    service->queue()->sync([] {});
    EXPECT_EQ(streamOperation(), nullptr);
    EXPECT_TRUE(opened(4));
    EXPECT_EQ(storedFromBroker(), 3);
}

// A broker's texts that hold the stream's own marks are stored by the stream that carries them,
// each once, with every packet split in two chunks at a byte of its own: the stream is not
// opened again for them, and nothing of it delivers nothing.
TEST_F(QXIMServiceTest, TextsHoldingTheStreamsMarksAreStoredByTheStreamOnce) {
    const QString begin = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QStringList texts{
        "a <script> tag",
        "ends with );</script> here",
        begin + " inside",
        R"(<script>document.domain = "kbw.example"; window.parent.QX.webim.cometMgr.recvMsg()",
        "看房",
        begin + " hi",
    };
    messaging.setFaults({{"splitSegments", true}, {"seed", 71}});
    server().setStream({.heartbeatMs = 600000});
    const LoggedLines logged("");
    auto service = start();
    for (const QString& text : texts) write({{"to", kServiceUser}, {"text", text}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        return storedFromBroker() == texts.size() && unacknowledged() == 0;
    })) << storedFromBroker();
    EXPECT_EQ(messaging.counters()["carried"].toInt(), texts.size());
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
    const QStringList stored = QXIMDatabase::shared().queue().inDatabase([](JSSQLite& db) {
        const auto rows =
            db.executeQuery("SELECT m_content FROM msgs WHERE f_id = '880001' ORDER BY m_id");
        QStringList contents;
        for (const QVariantMap& row : rows.value_or(QList<QVariantMap>()))
            contents.append(row.value("m_content").toString());
        return contents;
    });
    ASSERT_EQ(stored.size(), texts.size());
    for (qsizetype at = 0; at < texts.size(); ++at)
        EXPECT_TRUE(stored[at].contains(QString(json_JSONString(texts[at])).mid(1).chopped(1)))
            << stored[at].toStdString();
    service->queue()->sync([&] { EXPECT_EQ(service->subDataString(), QByteArray()); });
    EXPECT_TRUE(logged.holding({"set aside"}).isEmpty()) << logged.lines().join('\n').toStdString();
}

// Torn segments the server sends before two messages: one torn right after a text that ends
// with the segment start, one whose payload is a string torn inside it, one that is no JSON
// before a start whose own string runs into the next segment. Both messages after each are
// stored, once, whether the stream comes a byte at a time, in TCP segments or at once.
TEST_F(QXIMServiceTest, TheMessagesAfterATornSegmentAreStoredOnce) {
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray textEnd =
        json_JSONString(packet(880001, kServiceUser,
                               R"([{"id":9000000011000,"fromUserId":880001,"updateTime":3000,)"
                               R"("contents":["see )" +
                                   QString::fromLatin1(start) + R"("]}])"))
            .toUtf8();
    const QList<QByteArray> torn{start + textEnd.first(textEnd.lastIndexOf("\"]") + 1),
                                 start + "\"abc",
                                 start + R"({"a":"x" )" + start + "\"]});</script>\n"};
    qint64 id = 9000000011000;
    int stored = 0;
    for (const qsizetype chunk : {qsizetype(1), qsizetype(1448), qsizetype(1 << 20)}) {
        for (const QByteArray& tornOff : torn) {
            id += 2;
            const QByteArray stream = tornOff + segmentOf(brokersPacket(id - 1)) + "\n" +
                                      segmentOf(brokersPacket(id)) + "\n";
            service->queue()->sync([&] {
                for (qsizetype at = 0; at < stream.size(); at += chunk)
                    service->onlineMessage(stream.mid(at, chunk));
            });
            stored += 2;
            ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == stored; }))
                << storedFromBroker() << " of " << stored << ", chunks of " << chunk;
        }
    }
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return messaging.counters()["acknowledgedIds"].toInt() == 2 * stored; }));
    EXPECT_NE(streamOperation(), nullptr);
}

// Bytes that deliver no segment close the stream past 32 MB, however many heartbeats come
// between them (here one before every 8 MB of white space), and it opens again after the
// pause, its fetch bringing what was written meanwhile.
TEST_F(QXIMServiceTest, AStreamOfFillerIsGivenUpThoughHeartbeatsComeBetween) {
    const QByteArray heartbeat = standin::StreamSettings::segment("recvHeartbeatMsg", "1");
    server().setFaults({{.prefix = standin::paths::kStreamReceive,
                         .body = heartbeat,
                         .endless = true,
                         .endlessText = heartbeat,
                         .endlessSpaces = 8 * 1024 * 1024,
                         .times = 1}});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamClosed(*service); }));
    write({{"to", kServiceUser}, {"count", 3}});
    reopensAfter(*service, QXIMService::kFirstReopenPause);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return openedStreams(2) && storedFromBroker() == 3 && unacknowledged() == 0; }));
}

// White space a byte a chunk, each chunk its own send, is given up as filler in large chunks is,
// after as many chunks as bytes would take (each chunk counts at least
// CometScriptCutter::kLeastChunkBytes) rather than after 32 MB of them, and the stream opens
// again, its fetch bringing what was written meanwhile.
TEST_F(QXIMServiceTest, AStreamOfWhiteSpaceAByteAChunkIsGivenUpAfterAsManyChunksAsBytes) {
    server().setFaults(
        {{.prefix = standin::paths::kStreamReceive, .endless = true, .chunkBytes = 1, .times = 1}});
    auto service = QXIMService::shared();
    std::shared_ptr<NKHTTPRequestOperation> stream;
    ASSERT_TRUE(runMainLoopUntil([&] {
        if (!stream) stream = streamOperation();
        return stream && openedStreams(1) && streamClosed(*service);
    }));
    drainMainLoop();
    EXPECT_LT(stream->totalBytesRead(),
              CometScriptCutter::kMostUndeliveredBytes / CometScriptCutter::kLeastChunkBytes * 4);
    write({{"to", kServiceUser}, {"count", 3}});
    reopensAfter(*service, QXIMService::kFirstReopenPause);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return openedStreams(2) && storedFromBroker() == 3 && unacknowledged() == 0; }));
}

// A stream that carries its filler in segments that store nothing, or after them, is given up as
// one of filler is, and opens again after the pause, its fetch bringing what was written
// meanwhile: 4 MB of white space after each heartbeat or after each packet set aside (each in
// chunks of its own), and heartbeats, commands the app does not act on and visitor data of 4 MB
// each.
struct FillerCarrier {
    const char* name;
    QByteArray segment;
    qint64 spaces;
    // The service runs with the plug-ins the app's launch installs.
    bool appPlugIns = false;
    // The segment, each time with its own number for "@N@", then the white space: the stream
    // the stand-in sends round and round.
    bool numbered = false;
};

class QXIMServiceFillerCarrierTest : public QXIMServiceTest,
                                     public ::testing::WithParamInterface<FillerCarrier> {};

TEST_P(QXIMServiceFillerCarrierTest, TheStreamIsGivenUpAndItsMessagesComeWithTheNextFetch) {
    const FillerCarrier& carrier = GetParam();
    // Held until the plug-ins are in: every segment reaches them.
    if (carrier.numbered) {
        server().setStream(
            {.segments = {carrier.segment + QByteArray(carrier.spaces, ' ')}, .repeat = true});
        server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    } else {
        server().setFaults({{.prefix = standin::paths::kStreamReceive,
                             .hold = carrier.appPlugIns,
                             .body = carrier.segment,
                             .endless = true,
                             .endlessText = carrier.segment,
                             .endlessSpaces = carrier.spaces}});
    }
    auto service = QXIMService::shared();
    std::vector<std::shared_ptr<QXIMServiceObserver>> plugIns;
    if (carrier.appPlugIns) plugIns = QXAppMessagingPlugIns::install(*service);
    ASSERT_TRUE(runMainLoopUntil([&] {
        server().releaseHeld();
        return openedStreams(1) && streamClosed(*service);
    })) << carrier.name;
    write({{"to", kServiceUser}, {"count", 3}});
    reopensAfter(*service, QXIMService::kFirstReopenPause);
    ASSERT_TRUE(runMainLoopUntil([&] {
        server().releaseHeld();
        return openedStreams(2) && storedFromBroker() == 3 && unacknowledged() == 0;
    })) << carrier.name;
}

// A packet of the user's talk with the broker, with `messages`.
QByteArray talkPacket(const QByteArray& messages) {
    const QByteArray user = kServiceUserText.toLatin1();
    return R"({"fromUser":{"id":"880001"},"toUser":{"id":")" + user +
           R"("},"post":{"id":"p1"},"talk":{"toTalkId":")" + user + R"(-880001","fromTalkId":")" +
           kBrokerTalk.toLatin1() + R"("},"msgs":)" + messages + "}";
}

// Of 4 MB less a little, within a segment's bound.
QByteArray fourMegabytesOf(const QByteArray& key, const QByteArray& before, char filler,
                           const QByteArray& after) {
    const qsizetype around = standin::StreamSettings::segment(key, before + after).size();
    return standin::StreamSettings::segment(
        key, before + QByteArray(4 * 1024 * 1024 - 256 - around, filler) + after);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, QXIMServiceFillerCarrierTest,
    ::testing::Values(
        FillerCarrier{"a heartbeat, then white space",
                      standin::StreamSettings::segment("recvHeartbeatMsg", "1"),
                      4 * 1024 * 1024 - 64},
        FillerCarrier{"a packet set aside, then white space",
                      standin::StreamSettings::segment("recvMsg", R"({"n":1e400})"),
                      4 * 1024 * 1024},
        FillerCarrier{"a heartbeat of 4 MB", fourMegabytesOf("recvHeartbeatMsg", "", '7', ""), 0},
        FillerCarrier{"a command of 4 MB",
                      fourMegabytesOf("command", R"({"command":"NOTE","text":")", 'c', "\"}"), 0},
        FillerCarrier{"visitor data of 4 MB",
                      fourMegabytesOf("recvData", R"({"visitor":")", 'v', "\"}"), 0},
        FillerCarrier{"a packet of the user's talk without messages, then white space",
                      streamSegment(talkPacket("[]")), 16 * 1024},
        FillerCarrier{"a packet between two other users of 4 MB",
                      fourMegabytesOf("recvMsg",
                                      R"({"fromUser":{"id":"7001"},"toUser":{"id":"7002"},)"
                                      R"("post":{"id":"p"},"msgs":[{"id":1,"contents":[")",
                                      't', R"("]}]})"),
                      0},
        FillerCarrier{"a packet of a message with the id 0",
                      streamSegment(talkPacket(R"([{"id":0,"fromUserId":"880001","contents":[")" +
                                               QByteArray(1024, 'z') + R"("]}])")),
                      0},
        // Segments the app's plug-in reads itself, whole and in pieces.
        FillerCarrier{"a command of 4 MB, read by the app's plug-in",
                      fourMegabytesOf("command", R"({"command":"NOTE","text":")", 'c', "\"}"), 0,
                      true},
        FillerCarrier{"a test segment of 4 MB, read by the app's plug-in",
                      fourMegabytesOf("test", "", 't', ""), 0, true},
        FillerCarrier{
            "a command of 5 MB, read in pieces by the app's plug-in",
            standin::StreamSettings::segment("command", R"({"command":"NOTE","text":")" +
                                                            QByteArray(5 * 1024 * 1024, 'c') +
                                                            R"("})"),
            0, true},
        // Packets of fresh ids, each with a message the app's plug-in takes: with 16 KB of
        // white space after each, and without.
        FillerCarrier{"packets of messages the app's plug-in takes, then white space",
                      streamSegment(talkPacket(R"([{"id":700000@N@,"type":1,"fromUserId":"880001",)"
                                               R"("updateTime":1,"contents":["通知"]}])")),
                      16 * 1024, true, true},
        FillerCarrier{"packets of messages the app's plug-in takes",
                      streamSegment(talkPacket(R"([{"id":700000@N@,"type":1,"fromUserId":"880001",)"
                                               R"("updateTime":1,"contents":["通知"]}])")),
                      0, true, true}),
    [](const ::testing::TestParamInfo<FillerCarrier>& info) { return std::to_string(info.index); });

// A random stream of every kind of segment a server may write, part by part, each with what
// the service makes of it: whether it stores a message not stored before.
struct StreamPart {
    QByteArray bytes;
    bool stores = false;
    // White space right after a segment.
    bool space = false;
};

class RandomStreamWriter {
public:
    // An honest stream sends what a real server sends: mostly messages, now and then beside
    // one that the app's plug-in takes (of type 1), with heartbeats, commands and visitor data
    // of an honest size between them, padded with 4 KB of white space at most, a packet set
    // aside or sent again now and then. Any other stream also sends segments that store
    // nothing, of every kind and size (packets without messages, between other users, of
    // messages without contents or a positive id, of messages the plug-in takes, copies of
    // stored or taken ones), white space without end, filler, and segments torn off by the
    // next; past its first `storing` bytes it stores nothing at all.
    RandomStreamWriter(quint32 seed, bool honest) : random_(seed), honest_(honest) {
        // Past the part that stores, a few kinds only, so that a kind the bound passes over
        // makes up much of what comes.
        for (int n = 1 + random_.bounded(3); n > 0; --n) laterKinds_.append(random_.bounded(14));
    }

    QList<StreamPart> write(qsizetype bytes, qsizetype storingBytes) {
        QList<StreamPart> parts;
        qsizetype written = 0;
        bool afterTear = false;
        while (written < bytes) {
            const bool storing = written < storingBytes;
            // The segment after a torn one follows it at once, and holds a string, so that the
            // tear is found.
            StreamPart part = !afterTear ? next(storing)
                              : storing  ? storingPacket()
                                         : StreamPart{packetOf(880001, kServiceUser, "[]", 0)};
            afterTear = part.bytes.isEmpty();
            if (afterTear) part = torn();
            written += part.bytes.size();
            parts.append(std::move(part));
            if (afterTear) continue;
            if (const qsizetype space = spaceAfter(); space > 0) {
                parts.append({.bytes = whiteSpace(space), .space = true});
                written += space;
            }
        }
        return parts;
    }

private:
    qsizetype below(qsizetype most) { return qsizetype(random_.bounded(quint64(most))); }
    bool chance(int percent) { return random_.bounded(100) < percent; }
    // A size of a segment's filler: mostly small, now and then of megabytes.
    qsizetype fillerSize() {
        if (honest_ || chance(40)) return below(600);
        return chance(50) ? below(64 * 1024) : below(2 * 1024 * 1024);
    }
    qsizetype spaceAfter() {
        if (chance(50)) return 0;
        if (honest_ || chance(70)) return 1 + below(4096);
        return chance(80) ? 1 + below(24 * 1024) : 1 + below(1024 * 1024);
    }
    QByteArray whiteSpace(qsizetype size) {
        static constexpr char kSpaces[] = {' ', '\n', '\t', '\r'};
        QByteArray space(size, ' ');
        if (chance(50)) {
            for (char& c : space) c = kSpaces[random_.bounded(4)];
        }
        return space;
    }
    static QByteArray packetOf(qint64 from, qint64 to, const QByteArray& messages, qsizetype pad) {
        const QByteArray f = QByteArray::number(from);
        const QByteArray t = QByteArray::number(to);
        return streamSegment(R"({"fromUser":{"id":")" + f + R"("},"toUser":{"id":")" + t +
                             R"("},"post":{"id":"10086_1_1009_1"},"talk":{"toTalkId":")" + t + '-' +
                             f + R"(","fromTalkId":")" + f + '-' + t + R"("},"msgs":)" + messages +
                             R"(,"pad":")" + QByteArray(pad, 'p') + R"("})");
    }
    static QByteArray messageOf(qint64 id, bool contents = true) {
        return R"({"id":)" + QByteArray::number(id) +
               R"(,"fromUserId":"880001","updateTime":3000)" +
               (contents ? QByteArray(R"(,"contents":["您好"])") : QByteArray()) + "}";
    }
    // A message the app's plug-in takes, with its contents.
    QByteArray takenMessage(qint64 id) {
        taken_.append(id);
        return R"({"id":)" + QByteArray::number(id) +
               R"(,"type":1,"fromUserId":"880001","updateTime":3000,"contents":["通知"]})";
    }
    StreamPart storingPacket() {
        const qint64 id = nextId_++;
        stored_.append(id);
        const qsizetype pad = chance(70) ? below(600) : below(1024 * 1024);
        QByteArray messages = messageOf(id);
        if (chance(20)) messages = takenMessage(nextId_++) + ',' + messages;
        return {.bytes = packetOf(880001, kServiceUser, '[' + messages + ']', pad), .stores = true};
    }
    // A packet's segment cut off inside itself.
    StreamPart torn() {
        const QByteArray whole =
            packetOf(880001, kServiceUser, '[' + messageOf(nextId_++) + ']', below(2000));
        return {.bytes = whole.first(1 + below(whole.size() - 1))};
    }
    StreamPart filler() { return {.bytes = QByteArray(1 + fillerSize(), 'x')}; }
    QByteArray segment(const QByteArray& key, const QByteArray& payload) {
        return standin::StreamSettings::segment(key, payload);
    }
    StreamPart next(bool storing) {
        const int kinds = honest_ ? 5 : 14;
        for (;;) {
            const int kind = storing ? random_.bounded(kinds)
                                     : laterKinds_[random_.bounded(int(laterKinds_.size()))];
            switch (kind) {
                case 0:
                case 1:
                    return storing ? storingPacket() : filler();
                case 2:
                    return {.bytes = segment(
                                "recvHeartbeatMsg",
                                '1' + QByteArray(honest_ ? below(100) : fillerSize(), '7'))};
                case 3:
                    return {.bytes =
                                segment("command", R"({"command":"NOTE","text":")" +
                                                       QByteArray(fillerSize(), 'c') + R"("})")};
                case 4:
                    if (honest_ && (setAside_ >= 3 || !chance(2))) break;
                    ++setAside_;
                    return {.bytes = streamSegment(R"({"n":1e400,"msgs":[{"id":)" +
                                                   QByteArray::number(nextId_++) + "}]}")};
                case 5:
                    return {.bytes =
                                segment("recvData", R"({"visitor":")" +
                                                        QByteArray(fillerSize(), 'v') + R"("})")};
                case 6:
                    return {.bytes = packetOf(880001, kServiceUser, "[]", fillerSize())};
                case 7:
                    return {.bytes = packetOf(7001, 7002, '[' + messageOf(nextId_++) + ']',
                                              fillerSize())};
                case 8:
                    return {.bytes = packetOf(880001, kServiceUser,
                                              '[' + messageOf(chance(50) ? 0 : -1 - below(9)) + ']',
                                              fillerSize())};
                case 9:
                    if (stored_.isEmpty()) return filler();
                    return {.bytes = packetOf(880001, kServiceUser,
                                              '[' + messageOf(stored_[below(stored_.size())]) + ']',
                                              fillerSize())};
                case 10: {
                    QByteArray messages = "[";
                    for (qsizetype n = 1 + below(20); n > 0; --n)
                        messages += messageOf(nextId_++, false) + (n > 1 ? "," : "");
                    return {.bytes = packetOf(880001, kServiceUser, messages + ']', below(600))};
                }
                case 11:
                    return filler();
                case 12:
                    return {};  // torn
                case 13: {
                    // Messages the plug-in takes, fresh or sent again.
                    const qint64 id =
                        taken_.isEmpty() || chance(70) ? nextId_++ : taken_[below(taken_.size())];
                    return {.bytes = packetOf(880001, kServiceUser, '[' + takenMessage(id) + ']',
                                              fillerSize())};
                }
            }
        }
    }

    QRandomGenerator random_;
    bool honest_;
    qint64 nextId_ = 9000000020000;
    QList<qint64> stored_;
    QList<qint64> taken_;
    int setAside_ = 0;
    QList<int> laterKinds_;
};

// What the stream's bound allows, read up to some byte: the bytes since the last segment that
// stored a message not stored before (the white space that goes with that one left out), and the
// longest part among them.
struct SinceStored {
    qsizetype bytes = 0;
    qsizetype longest = 0;

    static SinceStored at(const QList<StreamPart>& parts, qsizetype fed) {
        SinceStored since;
        qsizetype spaceRoom = 0;
        for (const StreamPart& part : parts) {
            const qsizetype read = std::min(part.bytes.size(), fed);
            fed -= read;
            if (part.stores && read == part.bytes.size()) {
                since = {};
                spaceRoom = CometScriptCutter::kMostSpaceAfterSegment;
            } else {
                const qsizetype free = part.space ? std::min(read, spaceRoom) : 0;
                since.bytes += read - free;
                since.longest = std::max(since.longest, part.bytes.size());
                spaceRoom = 0;
            }
            if (fed == 0) break;
        }
        return since;
    }
};

struct RandomStreamCase {
    bool honest;
    quint32 seed;
};

class QXIMServiceRandomStreamTest : public QXIMServiceTest,
                                    public ::testing::WithParamInterface<RandomStreamCase> {};

// The stream's bound holds whatever a server sends: past it, counting from the last segment that
// stored a message not stored before, by one segment at most (and the white space that may wait
// to go with it), the stream is given up. An honest stream of many times the bound, read as the
// network hands it over (a few megabytes at a time, each stored before the next is read, as the
// stream's hold makes it), never is, and every message it brings is stored once. Nothing without
// a positive id is ever stored, nor anything the app's plug-in takes: the service runs with the
// plug-ins the app's launch installs.
TEST_P(QXIMServiceRandomStreamTest, TheBoundCountsFromTheLastSegmentThatStored) {
    const RandomStreamCase& param = GetParam();
    const LoggedLines givenUp("Stream given up");
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    const auto plugIns = QXAppMessagingPlugIns::install(*service);
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    RandomStreamWriter writer(param.seed, param.honest);
    // An honest stream stores all along; any other stores in its first 16 MB at most, and then
    // brings 40 MB more.
    const QList<StreamPart> parts =
        param.honest ? writer.write(48 << 20, 48 << 20) : writer.write(56 << 20, 16 << 20);
    QByteArray stream;
    for (const StreamPart& part : parts) stream += part.bytes;
    QRandomGenerator random(param.seed);
    qsizetype fed = 0;
    while (fed < stream.size() && givenUp.lines().isEmpty()) {
        // What the network hands over before the service stores what it read: chunks of a byte
        // to 64 KB, up to a few megabytes.
        const qsizetype block =
            std::min(stream.size() - fed, qsizetype(1 + random.bounded(4 << 20)));
        service->queue()->sync([&] {
            for (qsizetype end = fed + block; fed < end;) {
                const qsizetype chunk = std::min(end - fed, qsizetype(1) << random.bounded(17));
                service->onlineMessage(stream.sliced(fed, chunk));
                fed += chunk;
            }
        });
        service->queue()->sync([] {});
        const SinceStored since = SinceStored::at(parts, fed);
        if (givenUp.lines().isEmpty()) {
            ASSERT_LE(since.bytes, CometScriptCutter::kMostUndeliveredBytes + since.longest +
                                       CometScriptCutter::kMostSpaceAfterSegment)
                << "read " << fed << " of " << stream.size();
        }
    }
    const int stores = int(std::count_if(parts.begin(), parts.end(),
                                         [](const StreamPart& part) { return part.stores; }));
    const auto rows = [](const char* condition) {
        return QXIMDatabase::shared().queue().inDatabase([&](JSSQLite& db) {
            return db
                .executeQuery(QStringLiteral("SELECT COUNT(*) AS c FROM msgs WHERE %1")
                                  .arg(QLatin1String(condition)))
                ->value(0)
                .value("c")
                .toInt();
        });
    };
    if (param.honest) {
        EXPECT_TRUE(givenUp.lines().isEmpty()) << givenUp.lines().join('\n').toStdString();
        ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() >= stores; }));
        EXPECT_EQ(rows("f_id = '880001'"), stores);
        EXPECT_EQ(rows("f_id = '880001' GROUP BY m_id HAVING COUNT(*) > 1"), 0);
    } else {
        EXPECT_FALSE(givenUp.lines().isEmpty()) << "read all " << stream.size() << " bytes";
        service->queue()->sync([] {});
        EXPECT_LE(storedFromBroker(), stores);
    }
    EXPECT_EQ(rows("m_id <= 0"), 0);
    EXPECT_EQ(rows("m_type = 1"), 0);
}

// Three honest streams, and 24 others.
std::vector<RandomStreamCase> randomStreams() {
    std::vector<RandomStreamCase> streams;
    for (quint32 seed = 1; seed <= 3; ++seed) streams.push_back({true, seed});
    for (quint32 seed = 11; seed <= 34; ++seed) streams.push_back({false, seed});
    return streams;
}

INSTANTIATE_TEST_SUITE_P(Streams, QXIMServiceRandomStreamTest, ::testing::ValuesIn(randomStreams()),
                         [](const ::testing::TestParamInfo<RandomStreamCase>& info) {
                             return std::string(info.param.honest ? "Honest" : "Any") +
                                    std::to_string(info.param.seed);
                         });

// A packet the server sends again while its first copy is stored and acknowledged stores
// nothing: 32 copies of 1 MB give the stream up, where the packet once was stored.
TEST_F(QXIMServiceTest, CopiesOfAStoredPacketDeliverNothing) {
    const QVariantMap stored = brokersPacket(9000000009000);
    copiesGiveTheStreamUp(segmentOf(stored), segmentOf(stored, 1024 * 1024));
}

// A copy of a stored message beside one without a positive id is no copy as a whole: it reaches
// the store, stores nothing and delivers nothing.
TEST_F(QXIMServiceTest, ACopyBesideAMessageWithoutAnIdDeliversNothing) {
    copiesGiveTheStreamUp(
        segmentOf(brokersPacket(9000000009100)),
        segmentOf(packet(880001, kServiceUser,
                         R"([{"id":0,"fromUserId":880001,"updateTime":1,"contents":["零"]},
                             {"id":9000000009100,"fromUserId":880001,"updateTime":3000,
                              "contents":["9100"]}])"),
                  1024 * 1024));
}

// In one store batch, a packet that stores no row (its message has no contents) before one that
// does: each is acknowledged once, for both its talk ids.
TEST_F(QXIMServiceTest, EachPacketOfAStoreBatchIsAcknowledgedOnce) {
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    service->queue()->sync([&] {
        service->onlineMessage(segmentOf(packet(
            880001, kServiceUser, R"([{"id":9000000017001,"fromUserId":880001,"updateTime":1}])")));
        service->onlineMessage(segmentOf(brokersPacket(9000000017002)));
    });
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 1 && acknowledgedIds() >= 4; }))
        << acknowledgedIds();
    service->stop();
    QStringList named;
    for (const auto& request : server().requests(standin::paths::kMessageApi)) {
        const QUrlQuery query(QString::fromLatin1(request.query));
        if (query.queryItemValue("op") != "ackrecvmsg") continue;
        for (const QString& each : query.queryItemValue("msgIds").split(','))
            named.append(query.queryItemValue("talkId") + ' ' + each);
    }
    named.sort();
    const QString to = kServiceUserText + "-880001";
    EXPECT_EQ(named, QStringList({kBrokerTalk + " 9000000017001", kBrokerTalk + " 9000000017002",
                                  to + " 9000000017001", to + " 9000000017002"}));
}

// A packet's log line names the messages it set aside, each by its id as it came, and none it
// stored: an id 0 beside a stored message, a text, null (which the parser hands over as the empty
// text), none, and every id of a packet set aside whole.
TEST_F(QXIMServiceTest, ALineNamesTheMessagesSetAsideByTheirIdsAsTheyCame) {
    const LoggedLines logged("Received packet set aside");
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const auto save = [&](const QString& items) {
        service->queue()->sync(
            [&] { service->saveMessages(packet(880001, kServiceUser, items), false); });
    };
    save(R"([{"id":0,"fromUserId":880001,"updateTime":1,"contents":["零"]},
             {"id":701200018,"fromUserId":880001,"updateTime":2,"contents":["有"]}])");
    save(R"([{"id":"abc","fromUserId":880001,"contents":["字"]},
             {"id":null,"fromUserId":880001,"contents":["空"]},
             {"fromUserId":880001,"contents":["无"]}])");
    QString deep = R"("深")";
    for (int n = 0; n < JsonGen::kMaxDepth; ++n) deep = '[' + deep + ']';
    save(QString(R"([{"id":701200019,"fromUserId":880001,"contents":["有"]},
                     {"id":701200020,"fromUserId":880001,"contents":[%1]}])")
             .arg(deep));
    // An id as it came is named by its first 40 characters: one of 40 whole, a longer one cut.
    const QString fits(38, 'f');
    const QString tooLong(100, 'x');
    save(QString(R"([{"id":"%1","fromUserId":880001,"contents":["长"]},
                     {"id":"%2","fromUserId":880001,"contents":["长"]}])")
             .arg(fits, tooLong));
    EXPECT_EQ(storedFromBroker(), 1);
    const QString talk = "talk " + kServiceUserText + "-880001/880001-" + kServiceUserText;
    EXPECT_EQ(logged.lines(),
              QStringList({"Received packet set aside, acknowledged, not stored: a message without "
                           "a positive id (" +
                               talk + ", messages 0)",
                           "Received packet set aside, acknowledged, not stored: a message without "
                           R"(a positive id ()" +
                               talk + R"(, messages "abc","",(none)))",
                           QStringLiteral("Received packet set aside, acknowledged, not stored: a "
                                          "message's contents nests deeper than %1 levels (")
                                   .arg(JsonGen::kMaxDepth) +
                               talk + ", messages 701200019,701200020)",
                           "Received packet set aside, acknowledged, not stored: a message without "
                           "a positive id (" +
                               talk + ", messages \"" + fits + "\",\"" + tooLong.left(39) +
                               "… (102 characters))"}))
        << logged.lines().join('\n').toStdString();
}

// A message from the server without a positive id is never stored, however often it comes: it
// is set aside, logged once, and its packet delivers nothing (32 copies of 1 MB give the stream
// up). The messages with an id beside it are stored as ever.
TEST_F(QXIMServiceTest, MessagesWithoutAPositiveIdAreNeverStoredAndDeliverNothing) {
    const LoggedLines logged("Received packet set aside");
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    const QVariantMap mixed = packet(880001, kServiceUser, R"([
        {"id":0,"fromUserId":880001,"updateTime":1,"contents":["零"]},
        {"id":-7,"fromUserId":880001,"updateTime":2,"contents":["负"]},
        {"id":"x","fromUserId":880001,"updateTime":3,"contents":["字"]},
        {"id":9000000014001,"fromUserId":880001,"updateTime":4,"contents":["有"]}])");
    const QByteArray zero =
        segmentOf(packet(880001, kServiceUser,
                         R"([{"id":0,"fromUserId":880001,"updateTime":5,"contents":["您好"]}])"),
                  1024 * 1024);
    service->queue()->sync([&] {
        service->onlineMessage(segmentOf(mixed));
        for (int n = 0; n < 31; ++n) service->onlineMessage(zero);
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 1; }));
    service->queue()->sync([] {});
    EXPECT_NE(streamOperation(), nullptr);
    service->queue()->sync([&] { service->onlineMessage(zero); });
    service->queue()->sync([] {});
    EXPECT_EQ(streamOperation(), nullptr);
    EXPECT_EQ(storedFromBroker(), 1);
    EXPECT_EQ(logged.holding({"a message without a positive id"}).size(), 2)
        << logged.lines().join('\n').toStdString();
}

// Packets queued while a store is under way deliver as they are stored: 24 of 1 MB read at once,
// and 24 more once they are stored, leave the stream open.
TEST_F(QXIMServiceTest, PacketsQueuedBehindAStoreDeliverOnceStored) {
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    for (const qint64 first : {9000000015000, 9000000015100}) {
        service->queue()->sync([&] {
            for (qint64 id = first; id < first + 24; ++id)
                service->onlineMessage(segmentOf(brokersPacket(id), 1024 * 1024));
        });
        const int stored = first == 9000000015000 ? 24 : 48;
        ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == stored; }));
        service->queue()->sync([] {});
        EXPECT_NE(streamOperation(), nullptr);
    }
}

// The white space after a stored packet goes with it up to 16 KB, inside the packet's own chunk
// too: 3,000 packets each padded so (48 MB) leave the stream open, while 16 KB and 1 MB more
// after each give it up after 32 of them.
TEST_F(QXIMServiceTest, AStoredPacketsWhiteSpaceGoesWithItUpTo16KBInsideItsChunk) {
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    const QByteArray padding(CometScriptCutter::kMostSpaceAfterSegment, '\n');
    qint64 id = 9000000016000;
    for (int round = 0; round < 30; ++round) {
        // A hundred at a time, each stored before the next are read, as the stream's hold does.
        service->queue()->sync([&] {
            for (int n = 0; n < 100; ++n)
                service->onlineMessage(segmentOf(brokersPacket(id++)) + padding);
        });
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 3000; }));
    service->queue()->sync([] {});
    EXPECT_NE(streamOperation(), nullptr);
    const QByteArray past = padding + QByteArray(1024 * 1024, ' ');
    for (int n = 0; n < 31; ++n) {
        service->queue()->sync(
            [&] { service->onlineMessage(segmentOf(brokersPacket(id++)) + past); });
    }
    service->queue()->sync([] {});
    EXPECT_NE(streamOperation(), nullptr);
    service->queue()->sync([&] { service->onlineMessage(segmentOf(brokersPacket(id++)) + past); });
    service->queue()->sync([] {});
    EXPECT_EQ(streamOperation(), nullptr);
}

// A packet a plug-in takes stores nothing and delivers nothing. Packets that store a message
// beside one a plug-in takes deliver: 40 of 1 MB, stored ten at a time, leave the stream open,
// each message stored but the taken ones. Then packets without a post that a plug-in handles, and
// packets whose only message a plug-in takes, each stored before the next is read: 31 of 1 MB
// leave the stream open, the 32nd gives it up; each is acknowledged.
TEST_F(QXIMServiceTest, PacketsAPlugInTakesDeliverNothing) {
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    auto handled = std::make_shared<std::atomic<int>>(0);
    auto plugIn = std::make_shared<QXIMServiceObserver>();
    plugIn->parseMakeLoveMessage = [handled](const QVariantMap&) { ++*handled; };
    plugIn->parseMessage = [](const QVariantMap& message) {
        return message.value("type").toInt() == 1;
    };
    service->addObserver(plugIn);
    const auto taken = [](qint64 id) {
        return QString(R"({"id":%1,"type":1,"fromUserId":880001,"updateTime":3000,)"
                       R"("contents":["通知"]})")
            .arg(id);
    };
    qint64 id = 9000000010000;
    for (int round = 0; round < 4; ++round) {
        service->queue()->sync([&] {
            for (int n = 0; n < 10; ++n, id += 2) {
                const QVariantMap both =
                    packet(880001, kServiceUser,
                           QString(R"([%1,{"id":%2,"fromUserId":880001,"updateTime":3000,)"
                                   R"("contents":["您好"]}])")
                               .arg(taken(id))
                               .arg(id + 1));
                service->onlineMessage(segmentOf(both, 1024 * 1024));
            }
        });
        service->queue()->sync([] {});
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 40; }));
    EXPECT_NE(streamOperation(), nullptr);
    const auto takenSegment = [&](bool withoutPost) {
        QVariantMap only = packet(880001, kServiceUser, '[' + taken(id++) + ']');
        if (withoutPost) only.remove("post");
        return segmentOf(only, 1024 * 1024);
    };
    for (int n = 0; n < 31; ++n) {
        service->queue()->sync([&] { service->onlineMessage(takenSegment(n % 2 == 0)); });
        service->queue()->sync([] {});
    }
    EXPECT_NE(streamOperation(), nullptr);
    service->queue()->sync([&] { service->onlineMessage(takenSegment(false)); });
    EXPECT_EQ(streamOperation(), nullptr);
    EXPECT_EQ(*handled, 16);
    EXPECT_EQ(storedFromBroker(), 40);
    EXPECT_TRUE(runMainLoopUntil([&] {
        return messaging.counters()["acknowledgedIds"].toInt() == 2 * (80 + 32);
    })) << messaging.counters()["acknowledgedIds"].toInt();
}

// Short packets that store nothing count 1 KB each: 32,767 between two other users leave the
// stream open, the 32,768th gives it up.
TEST_F(QXIMServiceTest, ShortPacketsThatStoreNothingCountAKilobyteEach) {
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    const auto otherUsers = [](qint64 id) {
        return segmentOf(packet(
            7001, 7002, QString(R"([{"id":%1,"fromUserId":7001,"contents":["x"]}])").arg(id)));
    };
    ASSERT_LT(otherUsers(9000000018000).size(), 400);
    constexpr qint64 kFirst = 9000000018000;
    constexpr qint64 kPackets =
        CometScriptCutter::kMostUndeliveredBytes / QXIMService::kLongestQuietSegmentBytes;
    service->queue()->sync([&] {
        for (qint64 n = 0; n < kPackets - 1; ++n) service->onlineMessage(otherUsers(kFirst + n));
    });
    EXPECT_NE(streamOperation(), nullptr);
    service->queue()->sync([&] { service->onlineMessage(otherUsers(kFirst + kPackets)); });
    EXPECT_EQ(streamOperation(), nullptr);
}

// Honest streams beside them are never given up: a heartbeat every 30 s for an hour, each with
// 4 KB of white space as a chunk of its own, and with them a message a second for ten minutes,
// each padded so too, every one stored.
TEST_F(QXIMServiceTest, HonestHeartbeatsAndMessagesWithTheirWhiteSpaceKeepTheStreamForHours) {
    // The stand-in's stream delivers nothing: the test hands the service what an honest one
    // sends. (Its connection, idle for an hour of the clock, times out: the service is not told.)
    const LoggedLines givenUp("Stream given up");
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    const QByteArray heartbeat = standin::StreamSettings::segment("recvHeartbeatMsg", "1");
    const QByteArray padding(4096, ' ');
    int messages = 0;
    for (int second = 1; second <= 3600; ++second) {
        clock().advance(1s);
        service->queue()->sync([&] {
            if (second <= 600) {
                service->onlineMessage(segmentOf(brokersPacket(9000000008000 + ++messages)));
                service->onlineMessage(padding);
            }
            if (second % 30 == 0) {
                service->onlineMessage(heartbeat);
                service->onlineMessage(padding);
            }
        });
        if (second % 60 == 0) service->heartbeat();
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 600; }));
    service->queue()->sync([] {});
    EXPECT_TRUE(givenUp.lines().isEmpty()) << givenUp.lines().join('\n').toStdString();
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
}

// Segments set aside count against the same bound, whole (3 MB) or read in pieces (5 MB):
// four of each close the stream, however many heartbeats come after them.
TEST_F(QXIMServiceTest, SegmentsSetAsideCountAgainstTheStreamsBound) {
    const auto refusedSegment = [](qsizetype size, qint64 id) {
        const QByteArray begin = R"({"talk":{"toTalkId":"T","fromTalkId":"F"},"msgs":[{"id":)" +
                                 QByteArray::number(id) + R"(,"contents":[1e400,")";
        const QByteArray end = R"("]}]})";
        const qsizetype around = streamSegment(begin + end).size();
        return streamSegment(begin + QByteArray(size - around, 'x') + end);
    };
    QList<QByteArray> segments;
    for (qint64 round = 0; round < 4; ++round) {
        segments.append(refusedSegment(3 * 1024 * 1024, 2 * round + 1));
        segments.append(refusedSegment(5 * 1024 * 1024, 2 * round + 2));
    }
    ASSERT_EQ(segments[0].size() + segments[1].size(), 8 * 1024 * 1024);
    server().setStream({.segments = segments, .heartbeatMs = 50});
    auto service = QXIMService::shared();
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    // The last calls may still be on their way as the stream closes.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return openedStreams(1) && streamClosed(*service) && acknowledgedIds() >= 2 * 8;
    })) << acknowledgedIds();
    EXPECT_EQ(acknowledgedIds(), 2 * 8);
}

// A short segment set aside counts 16 KB: a flood of them, each of a talk of its own, gives the
// stream up after 2,048, every one acknowledged for both its talk ids, and nothing more is read.
TEST_F(QXIMServiceTest, AFloodOfShortSegmentsSetAsideGivesTheStreamUpAfter2048) {
    server().setStream({.segments = {streamSegment(
                            R"({"n":1e400,"talk":{"fromTalkId":"T-@N@","toTalkId":"@N@-T"},)"
                            R"("msgs":[{"id":@N@}]})")},
                        .repeat = true});
    auto service = QXIMService::shared();
    const auto acknowledgedIds = [&] { return messaging.counters()["acknowledgedIds"].toInt(); };
    ASSERT_TRUE(runMainLoopUntil([&] {
        return streamClosed(*service) && acknowledgedIds() >= 2 * 2048;
    })) << acknowledgedIds();
    ns::NetworkThread::shared().sync([] {});
    service->queue()->sync([] {});
    EXPECT_EQ(acknowledgedIds(), 2 * 2048);
    EXPECT_EQ(requestsFor(standin::paths::kStreamReceive), 1);
}

// A short segment set aside after one read in pieces counts its own bytes, not those of the
// long one before it: ten set aside after a message of 5 MB, stored, leave the stream open.
// Three of them are logged, and the closing line counts them all and the 16 KB each stands for,
// besides the 1 KB of the stream's one heartbeat, which stores nothing.
TEST_F(QXIMServiceTest, ShortSegmentsSetAsideAfterALongOneCountOnlyTheirOwnBytes) {
    const LoggedLines logged("");
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    // A text of 5 MB: its segment is read in pieces, the text stored cut.
    const QVariantMap longText = packet(
        880001, kServiceUser,
        QString(R"([{"id":9000000007000,"fromUserId":880001,"updateTime":3000,"contents":["%1"]}])")
            .arg(QString(5 * 1024 * 1024, 'x')));
    service->queue()->sync([&] {
        service->onlineMessage(segmentOf(longText));
        // Payloads that do not decode, and name no message.
        for (int n = 0; n < 10; ++n) {
            service->onlineMessage(standin::StreamSettings::segment(
                "recvData", R"({"n":)" + QByteArray::number(n) + ","));
        }
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 1; }));
    EXPECT_NE(streamOperation(), nullptr);
    service->stop();
    EXPECT_EQ(logged.holding({"Received recvData segment set aside, unread"}).size(), 3)
        << logged.lines().join('\n').toStdString();
    EXPECT_EQ(logged
                  .holding({QStringLiteral("Stream closed: 10 segments set aside (3 logged), 0 "
                                           "message ids let go unacknowledged, %1 bytes delivered "
                                           "no segment")
                                .arg(10 * QXIMService::kLeastSetAsideSegmentBytes +
                                     QXIMService::kLongestQuietSegmentBytes)})
                  .size(),
              1)
        << logged.lines().join('\n').toStdString();
    EXPECT_TRUE(logged.holding({"Stream given up"}).isEmpty());
}

// Ids of packets set aside past half the bound of what waits are let go, counted and logged
// once, however many packets they come in; the rest are acknowledged. The server holds the calls
// while the stream is read, so what waits is known to the byte: talks of 60,000 ids, less the
// two calls on their way, as many as half the bound leaves room for, the rest let go.
TEST_F(QXIMServiceTest, AcknowledgementsPastTheirBoundAreLetGoAndLoggedOnce) {
    using Acknowledgements = QXIMAcknowledgements;
    const LoggedLines logged("");
    constexpr qint64 kIds = 60000;
    const QString to = kServiceUserText + "-880001";
    server().setStream({.segments = {streamSegment(unreadablePacket(1, kIds)),
                                     streamSegment(unreadablePacket(
                                         1, kIds, R"({"toTalkId":"C","fromTalkId":"D"})")),
                                     streamSegment(unreadablePacket(
                                         1, 10, R"({"toTalkId":"E","fromTalkId":"F"})"))},
                        .heartbeatMs = 50});
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    auto service = start();
    const auto talkBytes = [](const QString& talk) {
        return Acknowledgements::kWaitingTalkBytes + 2 * talk.size();
    };
    // Talk by talk as they come, each taking what half the bound leaves room for; the first
    // talk's two calls go at once.
    qint64 room = Acknowledgements::kMostWaitingBytes / 2;
    qint64 letGo = 0;
    const std::vector<std::pair<QString, qint64>> talks{
        {to, kIds}, {kBrokerTalk, kIds}, {"C", kIds}, {"D", kIds}, {"E", 10}, {"F", 10}};
    for (const auto& [talk, ids] : talks) {
        const qint64 fits = std::clamp<qint64>(
            (room - talkBytes(talk)) / Acknowledgements::kWaitingIdBytes, 0, ids);
        letGo += ids - fits;
        if (fits > 0) room -= talkBytes(talk) + fits * Acknowledgements::kWaitingIdBytes;
        if (talk == to)
            room += 2 * Acknowledgements::kMaxIdsPerCall * Acknowledgements::kWaitingIdBytes;
    }
    ASSERT_GT(letGo, 2 * 10) << "a talk of 60,000 ids let go in part";
    ASSERT_LT(letGo, kIds + 2 * 10);
    ASSERT_TRUE(runMainLoopUntil([&] {
        server().releaseHeld();
        return messaging.counters()["acknowledgedIds"].toInt() >= 4 * kIds + 2 * 10 - letGo;
    })) << messaging.counters()["acknowledgedIds"].toInt();
    service->stop();
    EXPECT_EQ(messaging.counters()["acknowledgedIds"].toInt(), 4 * kIds + 2 * 10 - letGo);
    EXPECT_EQ(logged.holding({"Acknowledgements let go"}).size(), 1);
    EXPECT_EQ(
        logged.holding({QStringLiteral("%1 message ids let go unacknowledged").arg(letGo)}).size(),
        1)
        << logged.lines().join('\n').toStdString();
}

// Ids of stored packets let go past the whole bound are logged as those of packets set aside
// are: two packets of 120,000 messages each, one of them with a text, while the server holds the
// calls.
TEST_F(QXIMServiceTest, IdsOfStoredPacketsLetGoAreLogged) {
    const LoggedLines logged("");
    constexpr qint64 kIds = 120000;
    const auto storedPacket = [](qint64 first) {
        QByteArray packet = packetForTheUser(first);
        QByteArray rest;
        for (qint64 id = first + 1; id < first + kIds; ++id)
            rest += R"(,{"id":)" + QByteArray::number(id) + "}";
        return streamSegment(packet.insert(packet.lastIndexOf("]}"), rest));
    };
    server().setStream({.segments = {storedPacket(1), storedPacket(1 + kIds)}, .heartbeatMs = 50});
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    auto service = start();
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 2; }));
    // Both packets acknowledged (or let go) once stored.
    service->queue()->sync([] {});
    service->stop();
    EXPECT_EQ(logged.holding({"Acknowledgements let go"}).size(), 1)
        << logged.lines().join('\n').toStdString();
    // Closing, the stream tells of the ids let go: it set nothing aside.
    EXPECT_EQ(logged.holding({"Stream closed: 0 segments set aside (0 logged)"}).size(), 1)
        << logged.lines().join('\n').toStdString();
}

// Each stream logs what it sets aside afresh: the reconnection closes the old stream's log with
// its counts and bytes (its heartbeat's among them), and the next stream logs its own segments,
// tells again that ids are let go, and counts only what it let go itself. The server holds the
// calls, so that half the bound stays full: all 20 ids of the second stream's packet are let go.
TEST_F(QXIMServiceTest, EachStreamLogsWhatItSetsAsideAfreshAfterAReconnection) {
    const LoggedLines logged("");
    constexpr qint64 kIds = 60000;
    const QByteArray heartbeat = standin::StreamSettings::segment("recvHeartbeatMsg", "1");
    const QList<QByteArray> setAside{
        streamSegment(unreadablePacket(1, kIds)),
        streamSegment(unreadablePacket(1, kIds, R"({"toTalkId":"C","fromTalkId":"D"})")),
        streamSegment(unreadablePacket(1, 10, talkOfItsOwn(1))),
        streamSegment(unreadablePacket(11, 11, talkOfItsOwn(1)))};
    qsizetype bytes = QXIMService::kLongestQuietSegmentBytes;
    for (const QByteArray& segment : setAside)
        bytes += std::max(segment.size(), QXIMService::kLeastSetAsideSegmentBytes);
    server().setStream(
        {.segments = setAside + QList<QByteArray>{heartbeat}, .heartbeatMs = 600000});
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    auto service = start();  // the heartbeat after the segments set aside
    EXPECT_EQ(logged.holding({"Received packets set aside"}).size(), 3);
    EXPECT_EQ(logged.holding({"Acknowledgements let go"}).size(), 1);
    EXPECT_TRUE(logged.holding({"Stream closed"}).isEmpty());

    const QByteArray next = streamSegment(unreadablePacket(21, 30, talkOfItsOwn(2)));
    server().setStream({.segments = {next, heartbeat}, .heartbeatMs = 600000});
    const int handled = postedCount(QXIMNotifications::kTalkInfoChange);
    // Reconnected as when the app becomes active again: the clock stands still, and the held
    // calls do not time out.
    service->cancelRecConnect();
    service->userChanged();
    service->queue()->sync([] {});
    const QStringList closing = logged.holding({"Stream closed"});
    ASSERT_EQ(closing.size(), 1) << logged.lines().join('\n').toStdString();
    EXPECT_TRUE(closing[0].startsWith("Stream closed: 4 segments set aside (3 logged), "))
        << closing[0].toStdString();
    EXPECT_TRUE(closing[0].endsWith(
        QStringLiteral(" message ids let go unacknowledged, %1 bytes delivered no segment")
            .arg(bytes)))
        << closing[0].toStdString();
    ASSERT_TRUE(runMainLoopUntil([&] {
        return openedStreams(2) && postedCount(QXIMNotifications::kTalkInfoChange) > handled;
    }));
    service->stop();
    EXPECT_EQ(logged.holding({"Received packets set aside", "messages 21,"}).size(), 1)
        << logged.lines().join('\n').toStdString();
    EXPECT_EQ(logged.holding({"Acknowledgements let go"}).size(), 2);
    EXPECT_EQ(logged
                  .holding({QStringLiteral("Stream closed: 1 segments set aside (1 logged), 20 "
                                           "message ids let go unacknowledged, %1 bytes delivered "
                                           "no segment")
                                .arg(QXIMService::kLeastSetAsideSegmentBytes +
                                     QXIMService::kLongestQuietSegmentBytes)})
                  .size(),
              1)
        << logged.lines().join('\n').toStdString();
}

// Packets set aside, each of its own talk, wait for their acknowledgements behind calls the
// server holds; the broker's message after them is stored, and its acknowledgement goes at
// once. The stream logs three of those set aside, and when it closes a line counts them all.
TEST_F(QXIMServiceTest, AStoredMessageIsAcknowledgedAheadOfAFloodSetAsideThatLogsAFewLines) {
    const LoggedLines logged("");
    QList<QByteArray> segments;
    for (qint64 talk = 1; talk <= 10; ++talk) {
        const QByteArray id = QByteArray::number(talk);
        segments.append(streamSegment(
            unreadablePacket(100 + talk, 100 + talk,
                             R"({"toTalkId":"T-)" + id + R"(","fromTalkId":")" + id + R"(-T"})")));
    }
    segments.append(streamSegment(packetForTheUser(99)));
    server().setStream({.segments = segments, .heartbeatMs = 50});
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    auto service = start();
    const auto acknowledgementOf99Asked = [&] {
        for (const auto& request : server().requests(standin::paths::kMessageApi)) {
            if (request.query.contains("op=ackrecvmsg") && request.query.contains("msgIds=99"))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(runMainLoopUntil([&] { return storedFromBroker() == 1; }));
    EXPECT_TRUE(runMainLoopUntil(acknowledgementOf99Asked))
        << requestsFor(standin::paths::kMessageApi, "ackrecvmsg") << " calls asked";
    ASSERT_TRUE(runMainLoopUntil([&] {
        server().releaseHeld();
        return messaging.counters()["acknowledgedIds"].toInt() >= 2 * 11;
    }));
    EXPECT_EQ(messaging.counters()["acknowledgedIds"].toInt(), 2 * 11);
    service->stop();
    EXPECT_EQ(logged.holding({"Received packets set aside, acknowledged"}).size(), 3)
        << logged.lines().join('\n').toStdString();
    EXPECT_EQ(logged.holding({"Stream closed: 10 segments set aside (3 logged)"}).size(), 1)
        << logged.lines().join('\n').toStdString();
}

// On a clock that ran for minutes before the service started, the pause counts what each
// stream delivered from its own opening: streams given up at once pause 2 s, then 4 s.
TEST_F(QXIMServiceTest, TheReopenPauseGrowsOnAClockThatRanForMinutes) {
    server().setStream({.heartbeatMs = 600000});
    clock().advance(10min);
    auto service = start();
    const QByteArray endless = "<script>window.parent.QX.webim.cometMgr.recvMsg(\"" +
                               QByteArray(CometScriptCutter::kMostSegmentBytes, 'x');
    int streams = 1;
    for (const ns::Duration pause : {ns::Duration(2s), ns::Duration(4s)}) {
        service->queue()->sync([&] { service->onlineMessage(endless); });
        ASSERT_FALSE(streamOperation()) << "stream " << streams << " not closed";
        clock().advance(pause - 1ms);
        service->queue()->sync([] {});
        EXPECT_FALSE(streamOperation()) << "stream " << streams << " reopened before its pause";
        clock().advance(1ms);
        service->queue()->sync([] {});
        ASSERT_TRUE(streamOperation()) << "stream " << streams << " not reopened after its pause";
        ++streams;
        ASSERT_TRUE(waitForRequests(standin::paths::kStreamReceive, streams));
    }
}

// After a stream the server ended, which the heartbeat replaced, the next stream given up
// pauses 2 s again, not twice the pause before it. Two streams of white space pause 2 s and
// 4 s; the third delivers a message and a heartbeat and ends; the stream the heartbeat opens
// 66 s later and the ones after it are white space: they pause 2 s, then 4 s. Each stream is
// held until the test has seen it open: at loopback speed a stream of white space is given up,
// and the third one ends, within milliseconds.
TEST_F(QXIMServiceTest, TheReopenPauseStartsAgainAfterAStreamThatWasNotGivenUp) {
    const standin::FaultRule filler{
        .prefix = standin::paths::kStreamReceive, .hold = true, .endless = true, .times = 1};
    server().setFaults({filler,
                        filler,
                        {.prefix = standin::paths::kStreamReceive, .hold = true, .times = 1},
                        filler,
                        filler,
                        {.prefix = standin::paths::kStreamReceive, .hold = true}});
    write({{"to", kServiceUser}, {"count", 1}});
    server().setStream(
        {.segments = {standin::StreamSettings::segment("recvHeartbeatMsg", "1")}, .count = 1});
    auto service = QXIMService::shared();
    const auto releaseAndGiveUp = [&](int streams) {
        ASSERT_TRUE(waitForRequests(standin::paths::kStreamReceive, streams));
        ASSERT_NE(streamOperation(), nullptr) << "stream " << streams;
        server().releaseHeld();
        ASSERT_TRUE(runMainLoopUntil([&] {
            return openedStreams(streams) && streamClosed(*service);
        })) << "stream "
            << streams;
    };
    releaseAndGiveUp(1);
    reopensAfter(*service, 2s);
    releaseAndGiveUp(2);
    reopensAfter(*service, 4s);
    ASSERT_TRUE(waitForRequests(standin::paths::kStreamReceive, 3));
    server().releaseHeld();
    // The service has handled the third stream to its end: its heartbeat, read after the clock
    // moved on, would be a fresh one, and the tick would find no silence to reconnect after.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return openedStreams(3) && storedFromBroker() == 1 &&
               messaging.openStreams(kServiceUser) == 0 && streamClosed(*service);
    }));
    clock().advance(66s);
    service->heartbeat();
    releaseAndGiveUp(4);
    reopensAfter(*service, 2s);
    releaseAndGiveUp(5);
    reopensAfter(*service, 4s);
}

// What a stream given up delivered decides its pause, not how long it stayed open: a heartbeat
// when it opened and filler 61 s later makes the pause grow; a heartbeat at 61 s too brings the
// first pause again, and so does a command of an honest size, though the app does not act on it.
// A heartbeat longer than an honest one, or a packet set aside, at 61 s is none: the pause grows,
// and the long heartbeat does not reset the heartbeat's clock. One of exactly the honest size,
// or padded inside its chunk, is a heartbeat. A long packet, with a post or without, delivers
// only when it stores a message.
TEST_F(QXIMServiceTest, TheReopenPauseStartsAgainOnlyAfterAMinuteOfDeliveredSegments) {
    // The streams deliver only what the test hands the service: a heartbeat of the stand-in's
    // own that came after the clock moved would count as delivered 61 s after the opening.
    server().setFault({.prefix = standin::paths::kStreamReceive, .hold = true});
    auto service = QXIMService::shared();
    ASSERT_TRUE(runMainLoopUntil([&] { return openedStreams(1) && streamOperation(); }));
    const QByteArray heartbeat = standin::StreamSettings::segment("recvHeartbeatMsg", "1");
    const QByteArray longHeartbeat = standin::StreamSettings::segment(
        "recvHeartbeatMsg", QByteArray(QXIMService::kLongestQuietSegmentBytes, '1'));
    // Of exactly the longest honest size, and an honest one padded inside its own chunk with
    // white space of every kind, past what goes with it too.
    const QByteArray heartbeatOf1KB = standin::StreamSettings::segment(
        "recvHeartbeatMsg",
        QByteArray(QXIMService::kLongestQuietSegmentBytes - heartbeat.size() + 1, '1'));
    ASSERT_EQ(heartbeatOf1KB.size(), QXIMService::kLongestQuietSegmentBytes);
    const QByteArray paddedHeartbeat =
        heartbeat + QByteArray(" \n\t\r").repeated(CometScriptCutter::kMostSpaceAfterSegment);
    // Packets longer than an honest quiet segment deliver once they store a message.
    const QByteArray longEmptyPacket = segmentOf(packet(880001, kServiceUser, "[]"), 4096);
    const QByteArray longPacket = segmentOf(brokersPacket(9000000013000), 4096);
    // So do packets without a post, kept under the no-post id.
    const auto withoutPost = [](QVariantMap packet) {
        packet.remove("post");
        return segmentOf(packet, 4096);
    };
    const QByteArray longEmptyPacketWithoutPost = withoutPost(packet(880001, kServiceUser, "[]"));
    const QByteArray longPacketWithoutPost = withoutPost(brokersPacket(9000000013001));
    const QByteArray command = standin::StreamSettings::segment("command", R"({"command":"NOTE"})");
    const QByteArray setAside = streamSegment(R"({"n":1e400})");
    const QByteArray filler(CometScriptCutter::kMostUndeliveredBytes + 1, 'x');
    const auto giveUpAfter = [&](const QByteArray& later) {
        service->queue()->sync([&] { service->onlineMessage(heartbeat); });
        const ns::Duration heard = service->lastHeartbeatTime();
        clock().advance(61s);
        service->queue()->sync([&] { service->onlineMessage(later); });
        const bool honest =
            later == heartbeat || later == heartbeatOf1KB || later == paddedHeartbeat;
        EXPECT_EQ(service->lastHeartbeatTime(), honest ? heard + 61s : heard);
        service->queue()->sync([&] { service->onlineMessage(filler); });
        ASSERT_FALSE(streamOperation());
    };
    int streams = 1;
    for (const auto& [later, pause] :
         {std::pair(QByteArray(), 2s), std::pair(QByteArray(), 4s), std::pair(heartbeat, 2s),
          std::pair(QByteArray(), 4s), std::pair(longHeartbeat, 8s), std::pair(setAside, 16s),
          std::pair(command, 2s), std::pair(QByteArray(), 4s), std::pair(heartbeatOf1KB, 2s),
          std::pair(QByteArray(), 4s), std::pair(paddedHeartbeat, 2s), std::pair(QByteArray(), 4s),
          std::pair(longEmptyPacket, 8s), std::pair(longPacket, 2s), std::pair(QByteArray(), 4s),
          std::pair(longEmptyPacketWithoutPost, 8s), std::pair(longPacketWithoutPost, 2s)}) {
        giveUpAfter(later);
        reopensAfter(*service, pause);
        ASSERT_TRUE(waitForRequests(standin::paths::kStreamReceive, ++streams));
    }
}

TEST(QXIMReopenPauseTest, ThePauseDoublesUpToAMinuteAndStartsAgainAfterAMinuteOfSegments) {
    using namespace std::chrono;
    const auto next = [](seconds previous, milliseconds delivering) {
        return duration_cast<milliseconds>(QXIMService::nextReopenPause(previous, delivering));
    };
    EXPECT_EQ(next(0s, 0ms), 2s);
    EXPECT_EQ(next(2s, 59999ms), 4s);
    EXPECT_EQ(next(32s, 0ms), 60s);
    EXPECT_EQ(next(60s, 0ms), 60s);
    EXPECT_EQ(next(60s, 60000ms), 2s);
}

TEST(QXIMPacketReadingTest, UpdateTimesOutsideTheRangeReadAsItsEnds) {
    const auto reading = QXIMService::readPacket(packet(880001, kServiceUser, R"([
        {"id":1,"fromUserId":880001,"updateTime":1e20,"contents":["a"]},
        {"id":2,"fromUserId":880001,"updateTime":-9223372036854775808,"contents":["b"]},
        {"id":3,"fromUserId":880001,"updateTime":-1e300,"contents":["c"]},
        {"id":4,"fromUserId":880001,"updateTime":2000.5,"contents":["d"]}])"),
                                                 kServiceUser, {});
    ASSERT_TRUE(reading.rows);
    QList<qint64> times;
    for (const auto& item : reading.rows->items) times << item.first().uTime;
    EXPECT_EQ(times, (QList<qint64>{std::numeric_limits<qint64>::max(), 0, 0, 2000}));
}

TEST_F(QXIMServiceTest, APacketToNobodyIsKeptOnlyWhenTheUserSentIt) {
    server().setStream({.heartbeatMs = 600000});
    auto service = start();
    const QString items =
        R"([{"id":9000000000401,"fromUserId":%1,"updateTime":3000,"contents":["x"]}])";
    QList<QXIMMessage> mine;
    QList<QXIMMessage> others;
    service->queue()->sync([&] {
        service->saveMessages(packet(kServiceUser, 0, items.arg(kServiceUser)), false, &mine);
        service->saveMessages(packet(880001, 0, items.arg(880001)), false, &others);
    });
    ASSERT_EQ(mine.size(), 1);
    EXPECT_TRUE(QXIMDatabase::shared().talkExist("0-" + kServiceUserText, kServiceUserText));
    EXPECT_TRUE(others.isEmpty());
    EXPECT_EQ(storedFromBroker(), 0);
    // The other's packet is acknowledged all the same, so that it is not sent again.
    ASSERT_TRUE(runMainLoopUntil([&] {
        const auto requests = server().requests(standin::paths::kMessageApi);
        return std::any_of(requests.begin(), requests.end(), [](const auto& request) {
            return request.query.contains("op=ackrecvmsg") &&
                   request.query.contains("talkId=880001-0");
        });
    }));
}

TEST_F(QXIMServiceTest, TwoUserChangesInARowLeaveTheLastUsersStreamOpen) {
    auto service = start();
    constexpr qint64 kSecond = 9000000000077;
    constexpr qint64 kThird = 9000000000078;
    QXIMUser::shared().setUserId(kSecond);
    service->userChanged();
    QXIMUser::shared().setUserId(kThird);
    service->userChanged();  // the second user's stream may be cancelled before it went out
    write({{"to", kThird}});
    ASSERT_TRUE(runMainLoopUntil([&] { return unacknowledged(kThird) == 0; }));
    EXPECT_EQ(service->curListenUserid(), kThird);
    EXPECT_EQ(QXIMDatabase::shared().path(),
              ns::Sandbox::documents() + "/" + QString::number(kThird) + "/im.db");
}

TEST_F(QXIMServiceTest, ACancelBeforeAUserChangeLeavesTheNewUsersStreamOpen) {
    auto service = start();
    service->userChanged();  // the same user: nothing at all
    EXPECT_EQ(service->curListenUserid(), kServiceUser);
    constexpr qint64 kOther = 9000000000077;
    service->cancelRecConnect();
    QXIMUser::shared().setUserId(kOther);
    service->userChanged();
    EXPECT_EQ(service->curListenUserid(), kOther);
    ASSERT_TRUE(runMainLoopUntil([&] { return requestsFor(standin::paths::kStreamReceive) == 2; }));
    write({{"to", kOther}});
    ASSERT_TRUE(runMainLoopUntil([&] { return unacknowledged(kOther) == 0; }));
    EXPECT_EQ(QXIMDatabase::shared().path(),
              ns::Sandbox::documents() + "/" + QString::number(kOther) + "/im.db");
    EXPECT_EQ(service->curListenUserid(), kOther);
}

}  // namespace

namespace {

TEST_F(QXIMServiceTest, ASegmentThatDidNotParsePostsNothingAndOtherCommandsOnlyTheTalkChange) {
    server().setStream({.heartbeatMs = 600000});  // no heartbeat segment in between
    auto service = start();
    const int before = postedCount(QXIMNotifications::kTalkInfoChange);
    service->parserResult(QVariant(), QString(),
                          ns::Error(QXIMOnlineScriptParser::kErrorDomain, -1));
    service->parserResult(QVariant(QString(R"({ "command" : "RELOAD" })")), "command",
                          std::nullopt);
    // Posts arrive in order: had the failed segment posted, it would be counted first.
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return postedCount(QXIMNotifications::kTalkInfoChange) == before + 1; }));
    EXPECT_FALSE(service->noKeepOnline());
    EXPECT_EQ(postedCount(QXIMNotifications::kTalkInfoChange), before + 1);
}

}  // namespace
