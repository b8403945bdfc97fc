// The shared request object over loopback against the stand-in server program:
//  - small data-share POSTs through QXIMRequest side by side with the same POSTs (same
//    headers, same body) through a bare network access manager on the main thread; the
//    ratio of the two throughputs is printed;
//  - memory over 10,000 calls: resident set size after a warm-up, after 5,000 more calls
//    and after 5,000 more, and how many of the calls' operations are still alive;
//  - the messaging stream: segments per second received from a stand-in stream set to
//    5,000 a second, then from one that sends as fast as it can, each checked for a
//    missing or misplaced segment.
#include "bench/support/bare_post.h"
#include "bench/support/side_by_side.h"
#include "bench/support/standin_program.h"

#include "net/QXIMRequest.h"

#include "net/RequestHeaderSet.h"

#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/main_queue.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

const QString kBody = QStringLiteral("jsonArgs={\"cityScriptIndex\":101,\"pageIndex\":1}");

// Resident set size in kilobytes.
long residentKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// One data-share call through the request object, waited for.
bool postThroughRequest(QXIMRequest& request, const QString& url, QEventLoop& loop) {
    bool ok = false;
    request.addValuesFormDic(RequestHeaderSet::dataShare("ping"));
    request.requestWithUrl(
        url, "ping", kBody,
        [&](const QVariant& reply) {
            ok = reply.toMap().value("data").toString() == QLatin1String("pong");
            loop.quit();
        },
        [&](const QVariantMap&) { loop.quit(); });
    loop.exec();
    return ok;
}

void QXIMRequestPost(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    QXIMRequest request;
    const QString url = bench::standin().url("/datashare/");
    QEventLoop loop;
    for (auto _ : state) {
        if (!postThroughRequest(request, url, loop)) state.SkipWithError("call failed");
    }
    state.SetItemsProcessed(state.iterations());
}

// The same call through the HTTP client and its operations alone, without the request
// object: what the transport underneath costs.
void ClientOperationPost(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    NKHTTPClient client(NKHTTPClient::Plain{});
    const QString url = bench::standin().url("/datashare/");
    QEventLoop loop;
    for (auto _ : state) {
        ns::URLRequest request = client.requestWithMethod("POST", url);
        const RequestHeaderSet headers = RequestHeaderSet::dataShare("ping");
        for (const auto& [name, value] : headers.pairs()) request.setValue(value, name);
        request.setHTTPBody(kBody.toUtf8());
        client.enqueueHTTPRequestOperation(client.HTTPRequestOperationWithRequest(
            request, [&](const auto&, const QVariant&) { loop.quit(); },
            [&](const auto&, const ns::Error&) { loop.quit(); }));
        loop.exec();
    }
    state.SetItemsProcessed(state.iterations());
}

// The same headers as the request object sends, set by hand.
QNetworkRequest bareRequest(const QUrl& url) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("ping");
    for (const auto& [name, value] : headers.pairs()) {
        request.setRawHeader(name.toUtf8(), value.toUtf8());
    }
    return request;
}

void BareAccessManagerPost(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    QNetworkAccessManager manager;
    const QUrl url(bench::standin().url("/datashare/"));
    const QByteArray body = kBody.toUtf8();
    QEventLoop loop;
    for (auto _ : state) bench::postAndWait(manager, bareRequest(url), body, loop);
    state.SetItemsProcessed(state.iterations());
}

// Runs `total` calls with up to `inFlight` of them outstanding at once, as screens that do
// not wait for each other issue them. `issue(index, done)` starts one call; its reply calls
// done(ok).
bool runConcurrently(int total, int inFlight,
                     const std::function<void(int index, std::function<void(bool)> done)>& issue) {
    QEventLoop loop;
    int started = 0;
    int finished = 0;
    bool allOk = true;
    std::function<void()> startNext;
    startNext = [&] {
        const int index = started++;
        issue(index, [&](bool ok) {
            allOk = allOk && ok;
            if (++finished == total) {
                loop.quit();
            } else if (started < total) {
                startNext();
            }
        });
    };
    for (int i = 0; i < std::min(inFlight, total); ++i) startNext();
    loop.exec();
    return allOk;
}

constexpr int kConcurrentCalls = 2000;
constexpr int kInFlight = 6;  // the network access manager's connections per host

void QXIMRequestPostConcurrent(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    QXIMRequest request;
    const QString url = bench::standin().url("/datashare/");
    for (auto _ : state) {
        const bool ok = runConcurrently(kConcurrentCalls, kInFlight, [&](int index, auto done) {
            request.addValuesFormDic(RequestHeaderSet::dataShare("ping"));
            // Each call its own URL, so that none replaces another.
            request.requestWithUrl(
                url + QStringLiteral("?n=%1").arg(index), "ping", kBody,
                [done](const QVariant& reply) {
                    done(reply.toMap().value("data").toString() == QLatin1String("pong"));
                },
                [done](const QVariantMap&) { done(false); });
        });
        if (!ok) state.SkipWithError("call failed");
    }
    state.SetItemsProcessed(state.iterations() * kConcurrentCalls);
}

void BareAccessManagerPostConcurrent(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    QNetworkAccessManager manager;
    const QString url = bench::standin().url("/datashare/");
    const QByteArray body = kBody.toUtf8();
    for (auto _ : state) {
        const bool ok = runConcurrently(kConcurrentCalls, kInFlight, [&](int index, auto done) {
            QNetworkReply* reply =
                manager.post(bareRequest(QUrl(url + QStringLiteral("?n=%1").arg(index))), body);
            QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done] {
                const bool ok =
                    reply->error() == QNetworkReply::NoError && !reply->readAll().isEmpty();
                reply->deleteLater();
                done(ok);
            });
        });
        if (!ok) state.SkipWithError("call failed");
    }
    state.SetItemsProcessed(state.iterations() * kConcurrentCalls);
}

struct MemoryReport {
    long warmedUp = 0;
    long afterFirstHalf = 0;
    long afterSecondHalf = 0;
    int sampled = 0;
    int alive = 0;
    std::size_t queued = 0;
};
std::optional<MemoryReport> memoryReport;

void QXIMRequestMemoryOver10000Calls(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    QXIMRequest request;
    const QString url = bench::standin().url("/datashare/");
    QEventLoop loop;
    for (auto _ : state) {
        for (int call = 0; call < 2000; ++call) (void)postThroughRequest(request, url, loop);
        MemoryReport report;
        report.warmedUp = residentKilobytes();
        std::vector<std::weak_ptr<ns::Operation>> samples;
        for (int call = 0; call < 10000; ++call) {
            if (call == 5000) report.afterFirstHalf = residentKilobytes();
            bool ok = false;
            request.addValuesFormDic(RequestHeaderSet::dataShare("ping"));
            request.requestWithUrl(
                url, "ping", kBody,
                [&](const QVariant&) {
                    ok = true;
                    loop.quit();
                },
                [&](const QVariantMap&) { loop.quit(); });
            if (call % 500 == 0) {
                const auto queued = request.httpClient()->operationQueue()->operations();
                if (!queued.empty()) samples.push_back(queued.back());
            }
            loop.exec();
            if (!ok) state.SkipWithError("call failed");
        }
        // Let the last completions and queue bookkeeping settle.
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
        report.afterSecondHalf = residentKilobytes();
        report.sampled = static_cast<int>(samples.size());
        for (const auto& sample : samples) report.alive += sample.expired() ? 0 : 1;
        report.queued = request.httpClient()->operationQueue()->operationCount();
        memoryReport = report;
    }
}

struct StreamReport {
    int segments = 0;
    double seconds = 0;
    bool inOrder = false;
    bool complete = false;
};
std::map<std::string, StreamReport> streamReports;

// Receives one whole stream of `count` heartbeat segments, `pauseMs` apart.
StreamReport receiveStream(int count, double pauseMs) {
    StreamReport report;
    const std::string settings =
        "{\"count\":" + std::to_string(count) + ",\"heartbeatMs\":" + std::to_string(pauseMs) + "}";
    if (!bench::standin().control("stream", settings)) return report;

    struct Receiver {
        std::mutex mutex;
        QByteArray pending;
        int expected = 1;
        int received = 0;
        bool inOrder = true;
        std::atomic<bool> ended{false};
    };
    auto receiver = std::make_shared<Receiver>();
    const QByteArray opening = "recvHeartbeatMsg(";
    QXIMRequest request;
    request.addValuesFormDic(RequestHeaderSet::messagingStream());
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    const auto end = [receiver, &loop] {
        receiver->ended = true;
        ns::MainQueue::post([&loop] { loop.quit(); });
    };
    request.requsetWithImNetWork(
        bench::standin().url("/comet/recvmsg"), queue,
        [receiver, opening, end](const QByteArray& chunk) {
            if (chunk.isEmpty()) return end();
            std::lock_guard guard(receiver->mutex);
            // Segments may arrive split or several to a chunk: take the whole ones.
            receiver->pending += chunk;
            qsizetype close;
            while ((close = receiver->pending.indexOf("</script>")) >= 0) {
                const QByteArray segment = receiver->pending.left(close);
                receiver->pending.remove(0, close + 9);
                const qsizetype at = segment.indexOf(opening);
                const int number =
                    at < 0 ? -1 : segment.mid(at + opening.size()).split(')').first().toInt();
                if (number != receiver->expected) receiver->inOrder = false;
                receiver->expected = number + 1;
                ++receiver->received;
            }
        },
        [end](const QVariantMap&) { end(); });
    loop.exec();
    queue->sync([] {});
    report.seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    std::lock_guard guard(receiver->mutex);
    report.segments = receiver->received;
    report.inOrder = receiver->inOrder;
    report.complete = receiver->received == count && receiver->pending.isEmpty();
    return report;
}

void QXIMRequestStreamAt5000PerSecond(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    for (auto _ : state) streamReports["5000/s"] = receiveStream(10000, 0.2);
}

void QXIMRequestStreamAsFastAsSent(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    for (auto _ : state) streamReports["unpaced"] = receiveStream(50000, 0);
}

// Prints the request object's throughput against the bare manager's, then the memory and
// stream findings.
class Reporter : public bench::BestThroughputs {
public:
    void Finalize() override {
        BestThroughputs::Finalize();
        const auto ratio = [&](const char* what, const std::string& mine,
                               const std::string& theirs) {
            printRatio(what, mine, theirs, "calls/s");
        };
        ratio("QXIMRequest / bare manager throughput, one call at a time", "QXIMRequestPost",
              "BareAccessManagerPost");
        ratio("HTTP client operations / bare manager throughput, one call at a time",
              "ClientOperationPost", "BareAccessManagerPost");
        ratio("QXIMRequest / bare manager throughput, 6 calls in flight",
              "QXIMRequestPostConcurrent", "BareAccessManagerPostConcurrent");
        if (memoryReport) {
            const auto& m = *memoryReport;
            std::printf(
                "memory over 10,000 calls: RSS %ld kB after warm-up, %ld kB after 5,000, %ld kB "
                "after 10,000 (%+ld kB over the second 5,000); operations alive: %d of %d "
                "sampled, %zu still queued\n",
                m.warmedUp, m.afterFirstHalf, m.afterSecondHalf,
                m.afterSecondHalf - m.afterFirstHalf, m.alive, m.sampled, m.queued);
        }
        for (const auto& [name, s] : streamReports) {
            std::printf("stream %s: %d segments in %.2f s = %.0f segments/s, %s, %s\n",
                        name.c_str(), s.segments, s.seconds,
                        s.seconds > 0 ? s.segments / s.seconds : 0.0,
                        s.complete ? "none missing" : "SEGMENTS MISSING",
                        s.inOrder ? "in order" : "OUT OF ORDER");
        }
    }
};

BENCHMARK(QXIMRequestPost)->Iterations(2000)->Repetitions(3)->UseRealTime();
BENCHMARK(ClientOperationPost)->Iterations(2000)->Repetitions(3)->UseRealTime();
BENCHMARK(BareAccessManagerPost)->Iterations(2000)->Repetitions(3)->UseRealTime();
BENCHMARK(QXIMRequestPostConcurrent)->Iterations(3)->Repetitions(3)->UseRealTime();
BENCHMARK(BareAccessManagerPostConcurrent)->Iterations(3)->Repetitions(3)->UseRealTime();
BENCHMARK(QXIMRequestMemoryOver10000Calls)->Iterations(1)->UseRealTime();
BENCHMARK(QXIMRequestStreamAt5000PerSecond)->Iterations(1)->UseRealTime();
BENCHMARK(QXIMRequestStreamAsFastAsSent)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Reporter reporter;
    return bench::runBenchmarks(argc, argv, reporter) ? 0 : 1;
}
