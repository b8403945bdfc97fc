// What an offline fetch of packets that cannot be read costs the app's messaging service,
// against the stand-in server program. The fetch's reply is 63 MB (within the fetch's 64 MB
// read) of small packets that each hold a number past a double (`1e400`), then one ordinary
// packet from the broker. One run per case, each in a process of its own so that its peak is
// its own; name one case as argument (all three, one after the other, without a name):
//  - "repeated": packets of the same 1,000 message ids each;
//  - "unique": packets of 1,000 message ids each, no id twice in the reply;
//  - "single": packets of one message id each, no id twice (shorter ids: more packets).
// Prints when the ordinary packet was stored (counted from the service's start), the peak
// memory of the process from the start, the memory before the fetch and once its
// acknowledgements are done, the acknowledgement calls and ids the stand-in saw, and the log
// lines the service wrote (how many, their bytes, the longest). Targets: the ordinary packet
// stored, the peak under 100 MB, the memory back after the fetch, at most a few log lines.

#include "bench/support/messaging_user.h"
#include "bench/support/peak_memory.h"
#include "bench/support/standin_program.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

constexpr qint64 kUser = 9000000000042;
constexpr qint64 kOrdinaryId = 4242;
constexpr qint64 kReplyBytes = 63LL * 1024 * 1024;
constexpr qint64 kFirstUniqueId = 1000000000000;
constexpr auto kGiveUpAfter = std::chrono::seconds(120);

const QByteArray kTalk =
    R"("talk":{"fromTalkId":"880001-9000000000042","toTalkId":"9000000000042-880001"})";

// The log lines the process wrote: how many, their bytes, the longest and the first few.
struct Log {
    std::mutex mutex;
    qint64 lines = 0;
    qint64 bytes = 0;
    qint64 longest = 0;
    QStringList first;
};
Log logged;

void keepLine(QtMsgType, const QMessageLogContext&, const QString& line) {
    const std::lock_guard lock(logged.mutex);
    ++logged.lines;
    logged.bytes += line.toUtf8().size();
    logged.longest = std::max<qint64>(logged.longest, line.toUtf8().size());
    if (logged.first.size() < 4) logged.first.append(line.left(400));
}

// A packet that cannot be read, naming the messages `firstId` to `firstId + count - 1`.
QByteArray refusedPacket(qint64 firstId, int count) {
    QByteArray packet =
        R"({"msgs":[{"id":)" + QByteArray::number(firstId) + R"(,"contents":[1e400]})";
    for (int n = 1; n < count; ++n) packet += R"(,{"id":)" + QByteArray::number(firstId + n) + "}";
    return packet + "]," + kTalk + "}";
}

QByteArray ordinaryPacket() {
    return R"({"fromUser":{"id":"880001","name":"王先生"},"toUser":{"id":"9000000000042"},)"
           R"("post":{"id":"10086_1_1009_1"},)" +
           kTalk.chopped(1) + R"(,"postId":"10086_1_1009_1"},"msgs":[{"id":)" +
           QByteArray::number(kOrdinaryId) +
           R"(,"fromUserId":"880001","updateTime":1700000000,"contents":["您好"],)"
           R"("type":0,"sysMsgType":0}]})";
}

// The fault rule that answers the first fetch with the case's reply, as JSON text: the reply
// is never held as a Qt string or JSON tree, which would cost this process a few times its
// size before the measuring starts.
std::string faultRule(const QString& kind, qint64* packets) {
    std::string rule = std::string(R"({"prefix":"/im/index.php","times":1,"body":")") +
                       R"({\"requestTime\":)" + std::to_string(QDateTime::currentSecsSinceEpoch()) +
                       R"(,\"data\":[)";
    const qsizetype start = qsizetype(rule.size());
    *packets = 0;
    while (qint64(rule.size()) - start < kReplyBytes) {
        QByteArray packet;
        if (kind == QLatin1String("repeated")) packet = refusedPacket(1, 1000);
        if (kind == QLatin1String("unique"))
            packet = refusedPacket(kFirstUniqueId + *packets * 1000, 1000);
        if (kind == QLatin1String("single")) packet = refusedPacket(1 + *packets, 1);
        packet.replace("\"", "\\\"");
        rule += packet.toStdString() + ",";
        ++*packets;
    }
    QByteArray last = ordinaryPacket();
    last.replace("\"", "\\\"");
    return rule + last.toStdString() + R"(]}"})";
}

bool stored(qint64 messageId) {
    return QXIMDatabase::shared().queue().inDatabase([&](JSSQLite& db) {
        const auto rows = db.executeQuery("SELECT COUNT(*) AS c FROM msgs WHERE m_id = ?",
                                          {QString::number(messageId)});
        return rows && rows->value(0).value("c").toInt() > 0;
    });
}

QJsonObject counters() {
    return QJsonDocument::fromJson(bench::standin().controlReply("im/counters")).object();
}

void measure(QCoreApplication& app, const QString& kind) {
    qint64 packets = 0;
    if (!bench::standin().control("faults", faultRule(kind, &packets))) {
        std::printf("the stand-in refused the reply\n");
        return;
    }
    qInstallMessageHandler(keepLine);
    const double before = bench::residentMegabytes();
    bench::resetPeakResident();
    QElapsedTimer sinceStart;
    sinceStart.start();
    (void)QXIMService::shared();
    double storedAfter = -1;
    while (sinceStart.elapsed() < std::chrono::milliseconds(kGiveUpAfter).count()) {
        app.processEvents(QEventLoop::AllEvents, 50);
        if (stored(kOrdinaryId)) {
            storedAfter = double(sinceStart.elapsed()) / 1000;
            break;
        }
    }
    // The acknowledgements are done once the stand-in has seen no call for 2 s.
    int calls = -1;
    QElapsedTimer still;
    still.start();
    while (still.elapsed() < 2000 &&
           sinceStart.elapsed() < std::chrono::milliseconds(kGiveUpAfter).count()) {
        app.processEvents(QEventLoop::AllEvents, 50);
        const int now = counters()["acknowledgeCalls"].toInt();
        if (now != calls) still.restart();
        calls = now;
    }
    const QJsonObject seen = counters();
    std::printf("%lld packets that cannot be read (%s ids), then an ordinary one: %.0f MB\n",
                packets, qPrintable(kind), double(kReplyBytes) / (1024 * 1024));
    if (storedAfter >= 0) {
        std::printf("  the ordinary packet stored after %7.2f s\n", storedAfter);
    } else {
        std::printf("  the ordinary packet not stored after %lld s\n",
                    qint64(std::chrono::seconds(kGiveUpAfter).count()));
    }
    std::printf("  peak memory                      %7.0f MB (target under 100)\n",
                bench::peakResidentMegabytes());
    std::printf("  memory before the fetch, after   %7.0f MB, %.0f MB\n", before,
                bench::residentMegabytes());
    std::printf("  acknowledgement calls, ids       %7d, %d\n", seen["acknowledgeCalls"].toInt(),
                seen["acknowledgedIds"].toInt());
    const std::lock_guard lock(logged.mutex);
    std::printf("  log lines, bytes, longest        %7lld, %lld, %lld\n", logged.lines,
                logged.bytes, logged.longest);
    for (const QString& line : logged.first) std::printf("    %s\n", qPrintable(line.left(200)));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString kind = app.arguments().value(1);
    if (kind.isEmpty()) {
        for (const char* each : {"repeated", "unique", "single"}) {
            QProcess run;
            run.setProcessChannelMode(QProcess::ForwardedChannels);
            run.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(each)});
            run.waitForFinished(-1);
        }
        return 0;
    }
    if (!bench::standin().running()) {
        std::printf("the stand-in server did not start\n");
        return 1;
    }
    QTemporaryDir folder;
    bench::signInMessagingUser(bench::standin().root(), folder.path(), kUser);
    measure(app, kind);
    QXIMService::forceRelease();
    return 0;
}
