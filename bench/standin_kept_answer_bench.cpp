// Acknowledging a long answer on a stand-in that keeps its messages in a file: the sample
// broker writes one answer of 2,000 messages (--messages N) to a user, whose client fetches
// one of them and then acknowledges them all, one call a message, as a client that takes
// them one by one does. Against the same messages outside any answer, measured in the same
// run on a stand-in of their own: the wall time of the acknowledgements and the stand-in's
// CPU time meanwhile, the fastest of --repetitions R runs (default 1) of each. Target: the
// answer within twice the reference.

#include "bench/support/process_cpu.h"
#include "bench/support/standin_program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr qint64 kUser = 9000000000042;
constexpr qint64 kBroker = 880001;

struct Cost {
    double seconds = 0;
    double cpuSeconds = 0;
};

// One run: a fresh stand-in on a fresh file, `count` messages written (as one answer or as
// none), one fetched, then each acknowledged alone. Nothing when a step failed.
std::optional<Cost> acknowledgeOneByOne(int count, bool inAnswer) {
    QTemporaryDir folder;
    if (!folder.isValid()) return std::nullopt;
    const bench::StandinProgram standin({"--messages", folder.filePath("messages.json")});
    if (!standin.running()) return std::nullopt;
    QJsonObject order{{"to", kUser}, {"from", kBroker}, {"count", count}};
    if (inAnswer) order.insert("answer", "a long answer");
    httplib::Client http("127.0.0.1", QUrl(standin.root()).port());
    http.set_keep_alive(true);
    http.set_read_timeout(600);
    const auto written = http.Post("/__control/im/write",
                                   QJsonDocument(order).toJson().toStdString(), "application/json");
    if (!written || written->status != 200) return std::nullopt;
    const QJsonArray ids =
        QJsonDocument::fromJson(QByteArray::fromStdString(written->body))["ids"].toArray();
    if (ids.size() != count) return std::nullopt;
    // The client takes one: the answer has begun reaching it.
    const std::string talk = std::to_string(kBroker) + "-" + std::to_string(kUser);
    if (!http.Get("/im/index.php?op=getnotrecvmsgs&maxTalkNum=1&userId=" + std::to_string(kUser)))
        return std::nullopt;

    const double cpuBefore = bench::processCpuSeconds(standin.processId());
    QElapsedTimer timer;
    timer.start();
    for (const QJsonValue id : ids) {
        const auto acknowledged = http.Get("/im/index.php?op=ackrecvmsg&talkId=" + talk +
                                           "&msgIds=" + std::to_string(id.toInteger()));
        if (!acknowledged || acknowledged->status != 200) return std::nullopt;
    }
    const Cost cost{double(timer.nsecsElapsed()) / 1e9,
                    bench::processCpuSeconds(standin.processId()) - cpuBefore};
    const auto left = http.Get("/__control/im/messages?to=" + std::to_string(kUser));
    if (!left || !QJsonDocument::fromJson(QByteArray::fromStdString(left->body))["unacknowledged"]
                      .toArray()
                      .isEmpty()) {
        return std::nullopt;
    }
    return cost;
}

std::optional<Cost> fastestOf(int repetitions, int count, bool inAnswer) {
    std::optional<Cost> best;
    for (int n = 0; n < repetitions; ++n) {
        const auto cost = acknowledgeOneByOne(count, inAnswer);
        if (!cost) return std::nullopt;
        if (!best || cost->seconds < best->seconds) best = cost;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int count = 2000;
    int repetitions = 1;
    for (int n = 1; n + 1 < argc; ++n) {
        if (std::string(argv[n]) == "--messages") count = std::max(1, std::atoi(argv[n + 1]));
        if (std::string(argv[n]) == "--repetitions")
            repetitions = std::max(1, std::atoi(argv[n + 1]));
    }
    const auto answer = fastestOf(repetitions, count, true);
    const auto plain = fastestOf(repetitions, count, false);
    if (!answer || !plain) {
        std::fprintf(stderr, "a run failed: no stand-in, or a call not answered\n");
        return 1;
    }
    std::printf("%d messages acknowledged one by one on a stand-in that keeps a file:\n", count);
    std::printf("  in one answer       %8.2f s, stand-in CPU %7.2f s\n", answer->seconds,
                answer->cpuSeconds);
    std::printf("  outside any answer  %8.2f s, stand-in CPU %7.2f s\n", plain->seconds,
                plain->cpuSeconds);
    const double timeRatio = answer->seconds / plain->seconds;
    const double cpuRatio = answer->cpuSeconds / std::max(plain->cpuSeconds, 0.01);
    std::printf("  ratio: time %.2f, CPU %.2f (target: at most 2)%s\n", timeRatio, cpuRatio,
                timeRatio <= 2 && cpuRatio <= 2 ? "" : "  (over 2)");
    return 0;
}
