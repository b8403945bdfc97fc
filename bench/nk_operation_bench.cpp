// Small POSTs over loopback through the HTTP client and its request operations (queue,
// network thread, completion on the main queue), side by side with the same POSTs
// through a bare network access manager on the main thread: the cost of the operation
// layer. The ratio of the two throughputs is printed at the end.
#include "net/transport/NKHTTPClient.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <thread>

namespace {

const QByteArray kBody = "jsonArgs={\"cityScriptIndex\":101,\"pageIndex\":1,\"pageSize\":20}";

class Server {
public:
    Server() {
        server_.Post("/data", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.body, "application/json");
        });
        server_.set_tcp_nodelay(true);  // else small replies wait for delayed acknowledgements
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~Server() {
        server_.stop();
        thread_.join();
    }
    [[nodiscard]] QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/data").arg(port_));
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

Server& server() {
    static Server instance;
    return instance;
}

void ClientOperationPost(benchmark::State& state) {
    NKHTTPClient client(NKHTTPClient::Plain{});
    client.setStringEncoding(NKStringEncoding::utf8());
    client.setDefaultHeader("Content-Type", "application/x-www-form-urlencoded");
    ns::URLRequest request = client.requestWithMethod("POST", server().url().toString());
    request.setHTTPBody(kBody);
    QEventLoop loop;
    for (auto _ : state) {
        bool ok = false;
        client.enqueueHTTPRequestOperation(client.HTTPRequestOperationWithRequest(
            request,
            [&](const auto&, const QVariant& body) {
                ok = body.toByteArray() == kBody;
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
        QNetworkReply* reply = manager.post(request, kBody);
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
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
