// Small POSTs over loopback through the HTTP client and its request operations (queue,
// network thread, completion on the main queue), side by side with the same POSTs
// through a bare network access manager on the main thread: the cost of the operation
// layer. The ratio of the two throughputs is printed at the end.
#include "bench/support/bare_post.h"
#include "bench/support/loopback_server.h"
#include "bench/support/side_by_side.h"
#include "net/transport/NKHTTPClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>

#include <benchmark/benchmark.h>

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
    for (auto _ : state) bench::postAndWait(manager, request, bench::kSmallPostBody, loop);
    state.SetItemsProcessed(state.iterations());
}

// Prints the throughput of the operations against the bare manager's.
class RatioReporter : public bench::BestThroughputs {
public:
    void Finalize() override {
        BestThroughputs::Finalize();
        printRatio("operations / bare manager throughput", "ClientOperationPost",
                   "BareAccessManagerPost", "requests/s");
    }
};

BENCHMARK(ClientOperationPost)->Iterations(2000)->UseRealTime();
BENCHMARK(BareAccessManagerPost)->Iterations(2000)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RatioReporter reporter;
    return bench::runBenchmarks(argc, argv, reporter) ? 0 : 1;
}
