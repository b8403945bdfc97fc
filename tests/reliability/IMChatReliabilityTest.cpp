// The messaging library against a stand-in that loses, cuts and refuses, and a store that
// is killed in the middle of its writes.
#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"

#include "ChildTestProcess.h"
#include "HangWait.h"
#include "MessagingStandin.h"

#include "platform/foundation/sandbox.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSet>

#include <cstdio>
#include <random>
#include <tuple>

namespace {

constexpr qint64 kUser = 9000000000042;
constexpr int kMessages = 5000;
constexpr int kBatch = 500;
// The run fails when nothing moves (nothing written, stored or acknowledged) for this long:
// a stall, however slow the machine.
constexpr auto kStall = std::chrono::seconds(60);

class IMChatReliabilityTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        MessagingStandin::signIn(kUser);
    }
    void TearDown() override {
        QXIMService::forceRelease();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        StandinFixture::TearDown();
    }
    // The broker's messages in the store: every row, and the distinct server ids.
    std::pair<int, QSet<qint64>> stored() {
        return QXIMDatabase::shared().queue().inDatabase([](JSSQLite& db) {
            QSet<qint64> ids;
            const auto rows = db.executeQuery("SELECT m_id FROM msgs WHERE f_id = '880001'");
            for (const auto& row : rows.value_or(JSSQLite::Rows())) {
                ids.insert(row.value("m_id").toLongLong());
            }
            return std::pair{static_cast<int>(rows.value_or(JSSQLite::Rows()).size()), ids};
        });
    }
    // Lets the app run a moment, then moves the clock on by a twelfth of a heartbeat tick: a
    // stream that stopped bringing heartbeats is replaced within a few steps, while one
    // that brings them (every 100 ms of real time) never sits idle long enough to be taken
    // for dead.
    void runAWhile() {
        runMainLoopUntil([] { return false; }, 30ms);
        clock().advance(5s);
    }

    MessagingStandin messaging{server()};
};

TEST_F(IMChatReliabilityTest, EveryMessageIsStoredExactlyOnceThroughDropsSplitsAndRefusals) {
    server().setStream({.heartbeatMs = 100});
    messaging.setFaults({{"dropAfterSegments", QJsonArray{5, 400}},
                         {"splitSegments", true},
                         {"failPercent", 5},
                         {"redeliverMs", 1500},
                         {"seed", 7}});
    QXIMService::shared();
    QSet<qint64> written;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    std::tuple<qsizetype, int, int> progress;
    bool restarted = false;
    while (written.size() < kMessages || messaging.unacknowledged(kUser) > 0 ||
           stored().first < kMessages) {
        const std::tuple now{written.size(), stored().first, messaging.unacknowledged(kUser)};
        if (now != progress) {
            progress = now;
            sinceProgress.restart();
        }
        ASSERT_LT(sinceProgress.elapsed(), std::chrono::milliseconds(kStall).count())
            << written.size() << " written, " << stored().first << " stored, "
            << messaging.unacknowledged(kUser) << " not acknowledged";
        if (written.size() < kMessages) {
            for (const qint64 id : messaging.write({{"to", kUser}, {"count", kBatch}})) {
                written.insert(id);
            }
        }
        if (!restarted && stored().first >= kMessages / 2) {
            // The app ends and starts again halfway: its connections end with it, and a new
            // service reopens the store.
            restarted = true;
            messaging.control("POST", "im/drop");
            runMainLoopUntil([] { return false; }, 200ms);
            QXIMService::forceRelease();
            QXIMService::shared();
        }
        runAWhile();
    }
    EXPECT_TRUE(restarted);
    const auto [rows, ids] = stored();
    EXPECT_EQ(rows, kMessages);  // none twice
    EXPECT_EQ(ids, written);     // none lost, none made up
}

const char kBurstStore[] = "HOUSING_IM_BURST_STORE";
const char kBurstFirstId[] = "HOUSING_IM_BURST_FIRST_ID";
constexpr int kKills = 50;
constexpr int kPacketSize = 20;

TEST_F(IMChatReliabilityTest, AStoreKilledInTheMiddleOfItsWritesKeepsEveryStoredPacket) {
    std::mt19937 random(11);
    QSet<qint64> acknowledged;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE(kill);
        QProcess child;
        startChildTest(
            child, QStringLiteral("IMStoreBurstChild.*"),
            {{kBurstStore, sandboxPath()}, {kBurstFirstId, QString::number(1000000 * (kill + 1))}});
        ASSERT_TRUE(child.waitForStarted(kHangWaitMs));
        // Killed after a random number of stored packets, while it is writing the next.
        const int packets = std::uniform_int_distribution<int>(1, 8)(random);
        QByteArray output;
        while (output.count("stored ") < packets) {
            ASSERT_TRUE(child.waitForReadyRead(kHangWaitMs)) << output.toStdString();
            output += child.readAll();
        }
        child.kill();
        ASSERT_TRUE(child.waitForFinished(kHangWaitMs));
        output += child.readAll();
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("stored ")) acknowledged.insert(line.mid(7).toLongLong());
        }

        JSSQLite db;
        ASSERT_TRUE(db.open(QXIMDatabase::getUserimdb(QString::number(kUser))));
        EXPECT_EQ(db.executeQuery("PRAGMA integrity_check")->value(0).value("integrity_check"),
                  QVariant("ok"));
        QSet<qint64> present;
        const auto rows = db.executeQuery("SELECT m_id FROM msgs");
        ASSERT_TRUE(rows);
        for (const auto& row : *rows) {
            present.insert(row.value("m_id").toLongLong());
        }
        for (const qint64 id : acknowledged) ASSERT_TRUE(present.contains(id)) << id;
    }
}

// --- The killed process's side ---

TEST(IMStoreBurstChild, StoresPacketsUntilKilled) {
    const QString root = qEnvironmentVariable(kBurstStore);
    if (root.isEmpty()) GTEST_SKIP() << "runs as the child of IMChatReliabilityTest only";
    ns::Sandbox::setRoot(root);
    const QString user = QString::number(kUser);
    QXIMDatabase store;
    ASSERT_TRUE(store.openDatabase(user));
    qint64 next = qEnvironmentVariable(kBurstFirstId).toLongLong();
    for (;;) {
        QXIMDatabase::ReceivedPacket packet;
        for (int n = 0; n < kPacketSize; ++n) {
            QXIMMessage message;
            message.userId = user;
            message.talkId = "880001-" + user;
            message.fromId = "880001";
            message.toId = user;
            message.needId = "10086_1_1009_1";
            message.messageId = next++;
            message.uTime = next;
            message.setContents(R"(["一条消息"])");
            packet.items.append({message});
        }
        packet.otherUser = R"({"id":"880001"})";
        packet.completeMessage = "{}";
        ASSERT_TRUE(store.saveReceivedPacket(packet).committed);
        // Committed: what an acknowledgement would now confirm to the server.
        for (const auto& item : packet.items) {
            std::printf("stored %lld\n", static_cast<long long>(item.first().messageId));
        }
        std::fflush(stdout);
    }
}

}  // namespace
