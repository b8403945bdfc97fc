// The messaging server's messages file across restarts: the unacknowledged messages of answers
// it keeps, that they go out again, on the stream as by a fetch, at their times, and that
// each change is on file before anyone hears of it.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/KeptJournal.h"
#include "standin/MessagingServer.h"
#include "standin/StandinServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <functional>
#include <memory>
#include <thread>

namespace paths = standin::paths;

namespace {

// The user the broker writes to, and the broker.
constexpr qint64 kReader = 9000000000042;
constexpr qint64 kWriter = 880001;
// Far enough that no stall of a busy machine brings the moment.
constexpr int kFarMs = 10 * 60 * 1000;
// How long a test reads a stream for what it waits for, at most.
constexpr qint64 kStreamLimitMs = kStandinWaitSec * 1000;
// The slow disk's pause before each writing of the messages file.
constexpr int kFileDelayMs = 1000;

QJsonObject jsonOfReply(const httplib::Result& result) {
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

QList<qint64> idsOf(const QJsonArray& packets) {
    QList<qint64> ids;
    for (const QJsonValue packet : packets) ids.append(packet["msgs"][0]["id"].toInteger());
    return ids;
}

// The ids of the messages in the `recvMsg` segments of a stream's bytes, in order.
QList<qint64> idsInStream(const QByteArray& bytes) {
    static const QByteArray kStart = "cometMgr.recvMsg(";
    static const QByteArray kEnd = ");</script>";
    QList<qint64> ids;
    for (qsizetype at = bytes.indexOf(kStart); at >= 0; at = bytes.indexOf(kStart, at)) {
        at += kStart.size();
        const qsizetype end = bytes.indexOf(kEnd, at);
        if (end < 0) break;
        ids.append(QJsonDocument::fromJson(bytes.mid(at, end - at))["msgs"][0]["id"].toInteger());
    }
    return ids;
}

}  // namespace

class MessagingServerKeptTest : public SandboxTest {
protected:
    void TearDown() override {
        if (server_) server_->stop();
        server_.reset();
        SandboxTest::TearDown();
    }

    // Starts the stand-in (again) on the test's messages file; its port.
    int start() {
        if (server_) server_->stop();
        server_ = std::make_unique<standin::StandinServer>();
        if (!server_->messaging().keepIn(file())) {
            ADD_FAILURE() << "the messages file refused";
            return 0;
        }
        const int port = server_->start();
        EXPECT_GT(port, 0);
        return port;
    }
    void stop() {
        server_->stop();
        server_.reset();
    }
    [[nodiscard]] QString file() const { return sandboxPath() + QStringLiteral("/messages.json"); }
    [[nodiscard]] QByteArray journal() const {
        QFile journal(standin::KeptJournal::journalOf(file()));
        return journal.open(QIODevice::ReadOnly) ? journal.readAll() : QByteArray();
    }
    // Whether the journal holds the message `id` of an answer.
    [[nodiscard]] bool onFile(qint64 id) const {
        return journal().contains(R"("ids":[")" + QByteArray::number(id) + R"("])");
    }
    // Slows each writing of the file down by kFileDelayMs, as a slow disk does.
    void slowDiskDown() {
        ASSERT_TRUE(server_->messaging().control(
            "im/faults", "POST", {}, "{\"fileDelayMs\":" + QByteArray::number(kFileDelayMs) + "}"));
    }
    [[nodiscard]] int port() const { return server_->port(); }
    [[nodiscard]] standin::StandinServer& server() { return *server_; }

    // Has the broker write one message to the user: part of the answer `answer` (none when
    // empty), kept from the user for `delayMs`; its id.
    qint64 write(const QString& answer, int delayMs = 0) {
        QJsonObject order{{"to", kReader}, {"from", kWriter}, {"delayMs", delayMs}};
        if (!answer.isEmpty()) order.insert("answer", answer);
        const QList<qint64> ids = server_->messaging().write(order);
        return ids.value(0);
    }
    // The packets an offline fetch of the user's client gets now, at most `most`.
    QJsonArray fetch(int most = 50) {
        auto http = standinClient(port());
        return jsonOfReply(http.Get(std::string(paths::kMessageApi) +
                                    "?op=getnotrecvmsgs&maxTalkNum=" + std::to_string(most) +
                                    "&userId=" + std::to_string(kReader)))["data"]
            .toArray();
    }
    void acknowledge(const QList<qint64>& ids) {
        auto http = standinClient(port());
        for (const qint64 id : ids) {
            ASSERT_TRUE(http.Get(std::string(paths::kMessageApi) +
                                 "?op=ackrecvmsg&talkId=" + std::to_string(kWriter) + "-" +
                                 std::to_string(kReader) + "&msgIds=" + std::to_string(id)));
        }
    }
    // The ids of the user's messages not yet acknowledged, oldest first.
    QList<qint64> unacknowledged() {
        const auto listed = server_->messaging().control("im/messages", "GET",
                                                         "to=" + QByteArray::number(kReader), {});
        QList<qint64> ids;
        if (!listed) return ids;
        for (const QJsonValue id : listed->second["unacknowledged"].toArray())
            ids.append(id.toInteger());
        return ids;
    }
    // Reads the user's stream until `enough` holds of the ids it carried, or a minute has
    // passed; those ids.
    QList<qint64> streamUntil(const std::function<bool(const QList<qint64>&)>& enough) {
        QByteArray bytes;
        QList<qint64> ids;
        QElapsedTimer reading;
        reading.start();
        auto http = standinClient(port());
        http.Get(std::string(paths::kStreamReceive) + "?userid=" + std::to_string(kReader),
                 [&](const char* data, size_t length) {
                     bytes.append(data, qsizetype(length));
                     ids = idsInStream(bytes);
                     return !enough(ids) && reading.elapsed() < kStreamLimitMs;
                 });
        return ids;
    }

private:
    std::unique_ptr<standin::StandinServer> server_;
};

// One take of the stream may carry the first message of an answer and, after it, a message
// of no answer: a stop right then keeps the whole answer, and the message of no answer not.
// So does a fetch that carries such a pair.
TEST_F(MessagingServerKeptTest, AnAnswerCarriedAmongOtherMessagesOfOneTakeIsKept) {
    for (const bool byStream : {true, false}) {
        SCOPED_TRACE(byStream ? "by the stream" : "by a fetch");
        ASSERT_GT(start(), 0);
        const QString answer = byStream ? QStringLiteral("streamed") : QStringLiteral("fetched");
        const qint64 greeting = write(answer);
        const qint64 card = write(answer, kFarMs);
        const qint64 plain = write({});
        if (byStream) {
            const QList<qint64> carried =
                streamUntil([&](const QList<qint64>& ids) { return ids.contains(plain); });
            ASSERT_EQ(carried, (QList<qint64>{greeting, plain})) << "in one take";
        } else {
            ASSERT_EQ(idsOf(fetch()), (QList<qint64>{greeting, plain}));
        }
        stop();

        ASSERT_GT(start(), 0);
        EXPECT_EQ(unacknowledged(), (QList<qint64>{greeting, card}))
            << "the answer kept, the message of no answer not";
        acknowledge({greeting, card});
        stop();
    }
}

// Kept messages go out again on the stream, each when its time comes: the greeting that went
// before the stop at once, a card due a moment later once that moment has come, and one due
// in ten minutes not before then.
TEST_F(MessagingServerKeptTest, KeptMessagesGoOutOnTheStreamAtTheirTimes) {
    ASSERT_GT(start(), 0);
    const QString answer = QStringLiteral("timed");
    const qint64 greeting = write(answer);
    const qint64 soon = write(answer, 1500);
    const qint64 late = write(answer, kFarMs);
    ASSERT_EQ(idsOf(fetch(1)), QList<qint64>{greeting});
    stop();

    ASSERT_GT(start(), 0);
    const QList<qint64> carried =
        streamUntil([&](const QList<qint64>& ids) { return ids.contains(soon); });
    EXPECT_EQ(carried, (QList<qint64>{greeting, soon})) << "the later card when its time came";
    EXPECT_EQ(unacknowledged(), (QList<qint64>{greeting, soon, late}));
    EXPECT_TRUE(idsOf(fetch()) == (QList<qint64>{greeting, soon}))
        << "the card due in ten minutes is not yet";
}

// The messages read back from the file are kept as they were: a second restart, after a run
// that wrote to the file (a new message, an acknowledgement) without carrying them, still
// sends them.
TEST_F(MessagingServerKeptTest, KeptMessagesOutliveASecondRestart) {
    ASSERT_GT(start(), 0);
    const QString answer = QStringLiteral("twice");
    const qint64 greeting = write(answer);
    const qint64 card = write(answer, kFarMs);
    const QString other = QStringLiteral("other");
    const qint64 otherGreeting = write(other);
    ASSERT_EQ(idsOf(fetch()), (QList<qint64>{greeting, otherGreeting}));
    stop();

    ASSERT_GT(start(), 0);
    const qint64 plain = write({});
    acknowledge({otherGreeting});
    EXPECT_EQ(unacknowledged(), (QList<qint64>{greeting, card, plain}));
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), (QList<qint64>{greeting, card}));
    EXPECT_GT(write({}), plain) << "the ids go on";
}

// A message written between an answer's beginning and the stop, which gives a new id, keeps
// the begun answer with the id.
TEST_F(MessagingServerKeptTest, AMessageWrittenAfterAnAnswerBeganKeepsTheAnswer) {
    ASSERT_GT(start(), 0);
    const QString answer = QStringLiteral("begun");
    const qint64 greeting = write(answer);
    const qint64 card = write(answer, kFarMs);
    ASSERT_EQ(idsOf(fetch()), QList<qint64>{greeting});
    const qint64 plain = write({});
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), (QList<qint64>{greeting, card}));
    EXPECT_GT(write({}), plain);
}

// An answer none of whose messages went out before the stop is kept as one that had begun:
// the brokers answer whether or not the app ran in between.
TEST_F(MessagingServerKeptTest, AnAnswerNoneOfWhichWentOutIsKeptToo) {
    ASSERT_GT(start(), 0);
    const qint64 begun = write(QStringLiteral("begun"));
    const qint64 waiting = write(QStringLiteral("waiting"), kFarMs);
    ASSERT_EQ(idsOf(fetch()), QList<qint64>{begun});
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), (QList<qint64>{begun, waiting}));
}

// A reset forgets the kept answers in the file too; the ids still go on.
TEST_F(MessagingServerKeptTest, AResetEmptiesTheFileButTheIdsGoOn) {
    ASSERT_GT(start(), 0);
    const QString answer = QStringLiteral("reset");
    const qint64 greeting = write(answer);
    write(answer, kFarMs);
    ASSERT_EQ(idsOf(fetch()), QList<qint64>{greeting});
    auto http = standinClient(port());
    ASSERT_EQ(http.Post("/__control/reset", "", "application/json")->status, 200);
    EXPECT_TRUE(unacknowledged().isEmpty());
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_TRUE(unacknowledged().isEmpty());
    EXPECT_GT(write({}), greeting);
}

// An acknowledged message does not come back, the messages of its answer written after it
// do; so twice over.
TEST_F(MessagingServerKeptTest, AcknowledgedMessagesDoNotComeBack) {
    ASSERT_GT(start(), 0);
    const QString answer = QStringLiteral("again");
    const qint64 first = write(answer);
    ASSERT_EQ(idsOf(fetch()), QList<qint64>{first});
    acknowledge({first});
    const qint64 later = write(answer, kFarMs);
    const qint64 plain = write({});
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), QList<qint64>{later});
    const qint64 next = write({});
    EXPECT_GT(next, plain);
    const qint64 last = write(answer);
    ASSERT_EQ(idsOf(fetch()), (QList<qint64>{next, last}));
    acknowledge({next, last});
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), QList<qint64>{later});
}

// A long answer is kept through a journal that the file takes in whenever it has grown past
// it: the file stays about as large as what it keeps, and a restart finds what was left
// unacknowledged of the answer, in order.
TEST_F(MessagingServerKeptTest, ALongAnswerIsKeptThroughAJournalThatStaysShort) {
    ASSERT_GT(start(), 0);
    constexpr int kMessages = 400;
    const QList<qint64> ids = server().messaging().write(
        QJsonObject{{"to", kReader}, {"from", kWriter}, {"count", kMessages}, {"answer", "long"}});
    ASSERT_EQ(ids.size(), kMessages);
    QList<qint64> left;
    for (qsizetype n = 0; n < ids.size(); ++n) {
        if (n % 2 == 0) {
            acknowledge({ids[n]});
        } else {
            left.append(ids[n]);
        }
    }
    const qint64 whole = QFileInfo(file()).size();
    const qint64 journal = QFileInfo(standin::KeptJournal::journalOf(file())).size();
    EXPECT_GT(whole, 100 * 1024) << "the answer is in the file";
    EXPECT_LT(journal, 2 * whole) << "the journal taken in once it grew past the file";
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), left);
}

// A message goes out only once it is on file, and an acknowledgement is answered only then:
// on a slow disk a stream open while a message is written carries it no sooner, so a stop
// at any moment never gives its id again, nor sends again what the client acknowledged.
TEST_F(MessagingServerKeptTest, AMessageGoesOutOnlyOnceItIsOnFile) {
    ASSERT_GT(start(), 0);
    const qint64 before = write({});
    ASSERT_NO_FATAL_FAILURE(slowDiskDown());
    const qint64 id = before + 1;
    qint64 writingMs = 0;
    std::thread writer([&] {
        QElapsedTimer writing;
        writing.start();
        write(QStringLiteral("slow"));
        writingMs = writing.elapsed();
    });
    bool wasOnFile = false;
    const QList<qint64> carried = streamUntil([&](const QList<qint64>& ids) {
        if (!ids.contains(id)) return false;
        wasOnFile = onFile(id);
        return true;
    });
    writer.join();
    ASSERT_TRUE(carried.contains(id));
    EXPECT_TRUE(wasOnFile) << "carried before it was on file";
    EXPECT_GE(writingMs, kFileDelayMs) << "the slow disk";
    ASSERT_TRUE(server().messaging().control("im/faults", "DELETE", {}, {}));

    acknowledge({before, id});
    stop();
    ASSERT_GT(start(), 0);
    EXPECT_TRUE(unacknowledged().isEmpty());
    EXPECT_GT(write({}), id);
}

// So does a fetch made while the message is being written: it carries the message only once
// the file holds it.
TEST_F(MessagingServerKeptTest, AFetchCarriesAMessageOnlyOnceItIsOnFile) {
    ASSERT_GT(start(), 0);
    ASSERT_NO_FATAL_FAILURE(slowDiskDown());
    std::thread writer([&] { write(QStringLiteral("slow")); });
    // The server holds the message from the moment the writing begins.
    QList<qint64> held;
    EXPECT_TRUE(runMainLoopUntil([&] {
        held = unacknowledged();
        return !held.isEmpty();
    }));
    const qint64 id = held.value(0);
    bool wasOnFile = false;
    EXPECT_TRUE(runMainLoopUntil([&] {
        if (!idsOf(fetch()).contains(id)) return false;
        wasOnFile = onFile(id);
        return true;
    }));
    writer.join();
    EXPECT_TRUE(wasOnFile) << "fetched before it was on file";
}

// A sent message's id is on file before the sender hears of it: the server started again
// gives it to no other message. Sent to nobody, whom no broker answers: an answer written
// before the reply would put the id on file with its own.
TEST_F(MessagingServerKeptTest, ASentMessageIsAnsweredOnlyOnceItsIdIsOnFile) {
    ASSERT_GT(start(), 0);
    ASSERT_NO_FATAL_FAILURE(slowDiskDown());
    QElapsedTimer answering;
    answering.start();
    const auto sent = standinClient(port()).Post(
        std::string(paths::kMessageApi) + "?op=sendmsg&userId=" + std::to_string(kReader),
        R"({"fromUser":{"id":")" + std::to_string(kReader) + R"("},"toUser":{}})",
        "application/x-www-form-urlencoded");
    const qint64 answeredMs = answering.elapsed();
    const qint64 id = jsonOfReply(sent).value("data")["msg"]["id"].toInteger();
    ASSERT_GT(id, 0);
    EXPECT_TRUE(journal().contains(R"({"id":")" + QByteArray::number(id) + R"("})"));
    EXPECT_GE(answeredMs, kFileDelayMs) << "answered before the slow disk wrote the id";
    stop();

    ASSERT_GT(start(), 0);
    EXPECT_GT(write({}), id);
}

// A stop while the journal takes a write's lines may cut the last id given short after the
// line of its message: the message read back still keeps its id from every later one.
TEST_F(MessagingServerKeptTest, AMessageReadBackWithoutItsIdLineKeepsItsId) {
    ASSERT_GT(start(), 0);
    const qint64 id = write(QStringLiteral("cut"));
    stop();
    const QByteArray lines = journal();
    const qsizetype idLine = lines.lastIndexOf(R"({"id":")");
    ASSERT_GT(idLine, lines.indexOf(R"("ids":[")" + QByteArray::number(id)));
    QFile cut(standin::KeptJournal::journalOf(file()));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cut.write(lines.left(idLine + 7));
    cut.close();

    ASSERT_GT(start(), 0);
    EXPECT_EQ(unacknowledged(), QList<qint64>{id});
    EXPECT_GT(write({}), id);
}

// The temporary files that writes of the stand-in's kept files left when a kill stopped them
// go as it starts on the files; files of other names beside them stay.
TEST_F(MessagingServerKeptTest, TheWritersLeftoversGoAtTheStart) {
    const QString folder = sandboxPath();
    // A kept file may be hidden, and its leftovers with it.
    const QStringList kept{QStringLiteral("messages.json"), QStringLiteral("needs.json"),
                           QStringLiteral(".views.json")};
    QStringList leftovers, others;
    for (const QString& name : kept) {
        leftovers << name + ".Ab3dE9" << name + ".zzzzzz";
        // A dot of the name or before the six letters is that dot, no other character.
        others << name + ".bak" << name + ".Ab3dE9x" << name + ".Ab3-E9" << name + "Ab3dE9"
               << name + "-Ab3dE9" << QString(name).replace(".json", "-json") + ".Ab3dE9"
               << QStringLiteral("other-") + name + ".Ab3dE9";
    }
    others << QStringLiteral("needs.json.journal");
    for (const QString& name : leftovers + others) {
        QFile planted(folder + "/" + name);
        ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
        planted.write("{\"lastMessageId\":");
    }
    standin::StandinServer server;
    ASSERT_TRUE(server.endpoints().postedNeeds().keepIn(folder + "/needs.json"));
    ASSERT_TRUE(server.messaging().keepIn(folder + "/messages.json"));
    ASSERT_TRUE(server.endpoints().postViews().keepIn(folder + "/.views.json"));
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFile::exists(folder + "/" + name)) << name.toStdString();
    for (const QString& name : others)
        EXPECT_TRUE(QFile::exists(folder + "/" + name)) << name.toStdString();
}
