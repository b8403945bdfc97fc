// A burst of messages into an open chat: the stand-in releases 20,000 broker messages at once
// to a user whose chat with that broker shows, and the app stores, acknowledges and shows them.
// One run, not a Google Benchmark loop: it prints the longest the main thread went without
// turning (a frame every 16 ms lays the window out and draws it), the peak memory beside the
// memory before the burst, the acknowledgement calls a message, the rows stored and how long
// until every message showed. Targets: no stall of 1 s or more, at most 2.5 calls a message,
// every message stored once.
//
// Memory is watched from another thread: past --memory-limit MB (default 2500) the run stops
// and prints what it saw so far, so that a run that grows without bound is cut short.

#include "bench/support/messaging_user.h"
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"
#include "bench/support/standin_program.h"

#include "chat/QXMessageController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"

#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr qint64 kUser = 9000000000042;
constexpr int kBroker = 880001;
constexpr int kMessages = 20000;
constexpr int kFrameMs = 16;
constexpr auto kGiveUpAfter = std::chrono::minutes(10);

std::atomic<qint64> lastFrameMs{0};
std::atomic<qint64> longestGapMs{0};
std::atomic<int> shownSoFar{0};
QElapsedTimer sinceStart;

QJsonObject control(const bench::StandinProgram& standin, const std::string& what) {
    httplib::Client client("127.0.0.1", QUrl(standin.root()).port());
    const auto result = client.Get("/__control/" + what);
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

void report(const char* how, qint64 before, double shownAfter, const QJsonObject& counters,
            int stored, int shown) {
    const qint64 running = sinceStart.elapsed() - lastFrameMs.load();
    std::printf("%s, %.1f s after the burst began\n", how, double(sinceStart.elapsed()) / 1000);
    std::printf("  longest main-thread stall  %8.2f s (target under 1 s)\n",
                double(std::max(longestGapMs.load(), running)) / 1000);
    std::printf("  memory before the burst    %8.0f MB\n", double(before) / 1e6);
    std::printf("  peak memory                %8.0f MB\n",
                bench::peakResidentMegabytes() * 1.048576);
    std::printf("  memory now                 %8.0f MB\n", double(bench::residentBytes()) / 1e6);
    std::printf("  acknowledgement calls      %8d (%.2f a message, target at most 2.5)\n",
                counters["acknowledgeCalls"].toInt(),
                double(counters["acknowledgeCalls"].toInt()) / kMessages);
    std::printf("  packets carried            %8d (sent again: %d)\n", counters["carried"].toInt(),
                counters["carried"].toInt() - kMessages);
    if (stored >= 0) std::printf("  rows stored                %8d\n", stored);
    std::printf("  messages shown             %8d of %d\n", shown, kMessages);
    if (shownAfter >= 0) std::printf("  all shown after            %8.2f s\n", shownAfter);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qint64 limitBytes = 2500LL * 1000 * 1000;
    for (int n = 1; n + 1 < argc; ++n) {
        if (std::string(argv[n]) == "--memory-limit")
            limitBytes = std::atoll(argv[n + 1]) * 1000000;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bench::StandinProgram& standin = bench::standin();
    if (!standin.running()) return 1;
    QTemporaryDir folder;
    bench::signInMessagingUser(standin.root(), folder.path(), kUser);
    const QString own = QString::number(kUser);
    const QString talkId = QStringLiteral("%1-%2").arg(kBroker).arg(kUser);

    auto window = std::make_shared<ui::Window>();
    auto stack = std::make_shared<ui::NavigationController>();
    window->setRootViewController(stack);
    auto chat = std::make_shared<QXMessageController>(
        QVariantMap{{"t_id", talkId},
                    {"u_id", own},
                    {"r_id", "10086_1_1009_1"},
                    {"o_user", QStringLiteral(R"({"id":"%1","name":"王先生"})").arg(kBroker)}});
    stack->pushViewController(chat, false);
    window->layoutIfNeeded();
    const auto service = QXIMService::shared();
    while (control(standin, "im/messages?to=" + std::to_string(kUser))["streams"].toInt() < 1)
        app.processEvents(QEventLoop::AllEvents, 50);

    sinceStart.start();
    std::atomic<bool> stop{false};
    const qint64 before = bench::residentBytes();
    std::thread watch([&] {
        while (!stop) {
            if (bench::residentBytes() > limitBytes) {
                report("stopped: memory passed the limit", before, -1,
                       control(standin, "im/counters"), -1, shownSoFar);
                std::_Exit(2);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, [&] {
        const qint64 now = sinceStart.elapsed();
        longestGapMs = std::max(longestGapMs.load(), now - lastFrameMs.load());
        lastFrameMs = now;
        shownSoFar = int(chat->chatData().size());
        bench::renderWindowFrame(*window, 320, 480, 2);
    });
    lastFrameMs = sinceStart.elapsed();
    frames.start(kFrameMs);

    // Written now, released to the stream two seconds later, all at once.
    standin.control(
        "im/write",
        QJsonDocument(
            QJsonObject{{"to", kUser}, {"from", kBroker}, {"count", kMessages}, {"delayMs", 2000}})
            .toJson()
            .toStdString());
    lastFrameMs = sinceStart.elapsed();
    longestGapMs = 0;
    const qint64 released = sinceStart.elapsed();
    std::atomic<bool> acknowledged{false};
    std::thread poll([&] {
        while (!stop) {
            const auto messages = control(standin, "im/messages?to=" + std::to_string(kUser));
            acknowledged = messages["sent"].toArray().size() == kMessages &&
                           messages["unacknowledged"].toArray().isEmpty();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
    double shownAfter = -1;
    while (!(shownAfter >= 0 && acknowledged)) {
        app.processEvents(QEventLoop::AllEvents, 50);
        if (shownAfter < 0 && chat->chatData().size() >= kMessages)
            shownAfter = double(sinceStart.elapsed() - released) / 1000 - 2;
        if (sinceStart.elapsed() > std::chrono::milliseconds(kGiveUpAfter).count()) break;
    }
    // A moment for copies still on their way.
    const qint64 settled = sinceStart.elapsed();
    while (sinceStart.elapsed() - settled < 3000) app.processEvents(QEventLoop::AllEvents, 50);
    stop = true;
    poll.join();
    watch.join();
    const int stored = QXIMDatabase::shared().queue().inDatabase([&](JSSQLite& db) {
        return db
            .executeQuery("SELECT COUNT(*) AS c FROM msgs WHERE f_id = ?",
                          {QString::number(kBroker)})
            ->value(0)
            .value("c")
            .toInt();
    });
    report(shownAfter >= 0 ? "a burst of 20,000 messages into an open chat"
                           : "gave up after 10 minutes",
           before, shownAfter, control(standin, "im/counters"), stored,
           int(chat->chatData().size()));
    frames.stop();
    QXIMService::forceRelease();
    return 0;
}
