// Small POSTs over loopback through the HTTP client and its request operations (queue,
// network thread, completion on the main queue), side by side with the same POSTs
// through a bare network access manager on the main thread: the cost of the operation
// layer. The ratio of the two throughputs is printed at the end.
#include "bench/support/loopback_echo_server.h"
#include "bench/support/side_by_side.h"
#include "net/transport/NKHTTPClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

bench::LoopbackEchoServer& server() {
    static bench::LoopbackEchoServer instance("application/json");
    return instance;
}

void ClientOperationPost(benchmark::State& state) {
    NKHTTPClient client(NKHTTPClient::Plain{});
    client.setStringEncoding(NKStringEncoding::utf8());
    client.setDefaultHeader("Content-Type", "application/x-www-form-urlencoded");
    ns::URLRequest request = client.requestWithMethod("POST", server().url().toString());
    request.setHTTPBody(bench::kSmallPostBody);
    QEventLoop loop;
    for (auto _ : state) {
        bool ok = false;
        client.enqueueHTTPRequestOperation(client.HTTPRequestOperationWithRequest(
            request,
            [&](const auto&, const QVariant& body) {
                ok = body.toByteArray() == bench::kSmallPostBody;
                loop.quit();
            },
            [&](const auto&, const ns::Error&) { loop.quit(); }));
        loop.exec();
        if (!ok) state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations());
}

void BareAccessManagerPost(benchmark::State& state) {
    QNetworkAccessManager manager;
    QNetworkRequest request(server().url());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QEventLoop loop;
    for (auto _ : state) {
        QNetworkReply* reply = manager.post(request, bench::kSmallPostBody);
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&loop, reply] {
            (void)reply->readAll();
            reply->deleteLater();
            loop.quit();
        });
        loop.exec();
    }
    state.SetItemsProcessed(state.iterations());
}

// Prints the throughput of the operations against the bare manager's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const double seconds = run.real_accumulated_time;
            if (seconds > 0) perSecond_[run.benchmark_name()] = run.iterations / seconds;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double operations = 0;
        double bare = 0;
        for (const auto& [name, rate] : perSecond_) {
            if (name.find("ClientOperationPost") != std::string::npos) operations = rate;
            if (name.find("BareAccessManagerPost") != std::string::npos) bare = rate;
        }
        if (operations > 0 && bare > 0) {
            std::printf("operations / bare manager throughput: %.2f (%.0f vs %.0f requests/s)\n",
                        operations / bare, operations, bare);
        }
    }

private:
    std::map<std::string, double> perSecond_;
};

BENCHMARK(ClientOperationPost)->Iterations(2000)->UseRealTime();
BENCHMARK(BareAccessManagerPost)->Iterations(2000)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RatioReporter reporter;
    return bench::runBenchmarks(argc, argv, reporter) ? 0 : 1;
}
