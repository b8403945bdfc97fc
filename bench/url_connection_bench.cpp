// Small POSTs over loopback through URLConnection, side by side with the same
// POSTs through a bare network access manager on a thread of its own: the cost of
// the connection layer (delegate calls, time-out bookkeeping, decoding checks).
#include "platform/foundation/url_connection.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

const QByteArray kBody = "jsonArgs={\"cityScriptIndex\":101,\"pageIndex\":1,\"pageSize\":20}";

class Server {
public:
    Server() {
        server_.Post("/data", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.body, "application/octet-stream");
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

class Waiter {
public:
    void done() {
        std::lock_guard lock(mutex_);
        done_ = true;
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_; });
        done_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
};

class Collector final : public ns::URLConnectionDelegate {
public:
    explicit Collector(Waiter& waiter) : waiter_(waiter) {}
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override {
        bytes += data.size();
    }
    void didFinishLoading(ns::URLConnection&) override { waiter_.done(); }
    void didFailWithError(ns::URLConnection&, const ns::Error&) override {
        failed = true;
        waiter_.done();
    }
    qint64 bytes = 0;
    bool failed = false;

private:
    Waiter& waiter_;
};

void URLConnectionPost(benchmark::State& state) {
    Waiter waiter;
    ns::URLRequest request(server().url());
    request.setHTTPMethod("POST");
    request.setHTTPBody(kBody);
    for (auto _ : state) {
        auto collector = std::make_shared<Collector>(waiter);
        auto connection = ns::URLConnection::connectionWithRequest(request, collector);
        waiter.wait();
        if (collector->failed || collector->bytes != kBody.size())
            state.SkipWithError("load failed");
    }
    state.SetItemsProcessed(state.iterations());
}

void BareAccessManagerPost(benchmark::State& state) {
    QThread thread;
    thread.start();
    auto* manager = new QNetworkAccessManager;
    manager->moveToThread(&thread);
    Waiter waiter;
    QNetworkRequest request(server().url());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    for (auto _ : state) {
        QMetaObject::invokeMethod(manager, [&] {
            QNetworkReply* reply = manager->post(request, kBody);
            QObject::connect(reply, &QNetworkReply::readyRead, reply,
                             [reply] { (void)reply->readAll(); });
            QObject::connect(reply, &QNetworkReply::finished, reply, [reply, &waiter] {
                reply->deleteLater();
                waiter.done();
            });
        });
        waiter.wait();
    }
    state.SetItemsProcessed(state.iterations());
    QMetaObject::invokeMethod(
        manager, [manager] { delete manager; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

BENCHMARK(URLConnectionPost)->Iterations(2000)->UseRealTime();
BENCHMARK(BareAccessManagerPost)->Iterations(2000)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
