// Small POSTs over loopback through URLConnection, side by side with the same
// POSTs through a bare network access manager on a thread of its own: the cost of
// the connection layer (delegate calls, time-out bookkeeping, decoding checks).
#include "bench/support/loopback_server.h"
#include "platform/foundation/url_connection.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace {

bench::LoopbackEchoServer& server() {
    static bench::LoopbackEchoServer instance("application/octet-stream");
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
    request.setHTTPBody(bench::kSmallPostBody);
    for (auto _ : state) {
        auto collector = std::make_shared<Collector>(waiter);
        auto connection = ns::URLConnection::connectionWithRequest(request, collector);
        waiter.wait();
        if (collector->failed || collector->bytes != bench::kSmallPostBody.size())
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
            QNetworkReply* reply = manager->post(request, bench::kSmallPostBody);
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
