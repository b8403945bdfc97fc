#pragma once

#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/network_thread.h"
#include "platform/foundation/url_cache.h"

#include "StandinFixture.h"

#include <QUrl>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// What the success and failure blocks of one operation were told, and where.
struct Outcome {
    // An outcome that hears `operation`'s completion.
    static std::shared_ptr<Outcome> of(NKHTTPRequestOperation& operation) {
        auto outcome = std::make_shared<Outcome>();
        operation.setCompletionBlockWithSuccess(outcome->success(), outcome->failure());
        return outcome;
    }

    NKHTTPRequestOperation::SuccessBlock success() {
        return [this](const std::shared_ptr<NKHTTPRequestOperation>&, const QVariant& object) {
            std::lock_guard guard(mutex);
            ++successes;
            onMainThread = onMainThread && ns::MainQueue::isMainThread();
            responseObject = object;
        };
    }
    NKHTTPRequestOperation::FailureBlock failure() {
        return [this](const std::shared_ptr<NKHTTPRequestOperation>&, const ns::Error& e) {
            std::lock_guard guard(mutex);
            ++failures;
            onMainThread = onMainThread && ns::MainQueue::isMainThread();
            error = e;
        };
    }
    [[nodiscard]] int calls() {
        std::lock_guard guard(mutex);
        return successes + failures;
    }

    std::mutex mutex;
    int successes = 0;
    int failures = 0;
    bool onMainThread = true;
    QVariant responseObject;
    std::optional<ns::Error> error;
};

// A stand-in server per test, a fresh URL cache, and helpers to wait for operations.
class TransportFixture : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        ns::URLCache::setSharedURLCache(std::make_shared<ns::URLCache>());
    }

    [[nodiscard]] QUrl url(const QString& path) { return QUrl(server().url(path)); }
    [[nodiscard]] ns::URLRequest request(const QString& path) { return ns::URLRequest(url(path)); }

    // Runs the main loop until `outcome` has heard once, then a little longer, so that a
    // second call would be seen too.
    bool waitFor(const std::shared_ptr<Outcome>& outcome) {
        const bool heard = runMainLoopUntil([&] { return outcome->calls() > 0; });
        drainNetworkThread();
        drainMainLoop();
        return heard;
    }

    // Waits until everything already posted to "NetKit" has run.
    static void drainNetworkThread() {
        for (int round = 0; round < 3; ++round) ns::NetworkThread::shared().sync([] {});
    }
};
