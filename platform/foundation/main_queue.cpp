#include "platform/foundation/main_queue.h"

#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/process_end.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <memory>

namespace ns {

DispatchQueue::~DispatchQueue() = default;

void DispatchQueue::asyncAfter(Duration delay, Work work) {
    // The clock fires on the main thread; hop to this queue from there.
    Clock::shared().schedule(delay, [self = shared_from_this(), work = std::move(work)]() mutable {
        if (self.get() == &MainQueue::shared()) {
            work();
        } else {
            self->async(std::move(work));
        }
    });
}

std::shared_ptr<DispatchQueue> DispatchQueue::main() { return MainQueue::shared().shared_from_this(); }

std::shared_ptr<DispatchQueue> DispatchQueue::global() {
    static const auto queue = std::make_shared<ConcurrentQueue>(QStringLiteral("global"));
    return queue;
}

MainQueue& MainQueue::shared() {
    // Owned by a shared pointer so that asyncAfter() can hold it like any queue; never freed.
    static const std::shared_ptr<MainQueue> queue = [] {
        // A sync's waiter looks for the end, which must come for it before the main loop goes.
        ProcessEnd::watch();
        return std::shared_ptr<MainQueue>(new MainQueue, [](MainQueue*) {});
    }();
    return *queue;
}

bool MainQueue::isMainThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void MainQueue::async(Work work) {
    auto* app = QCoreApplication::instance();
    if (!app) return;  // no main loop: nothing could ever run it
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void MainQueue::sync(const Work& work) {
    // Once the process has come to its end the main loop runs nothing more: the work runs in
    // place, as a wait for any queue does then.
    if (isMainThread() || ProcessEnd::hasCome()) {
        work();
        return;
    }
    auto* app = QCoreApplication::instance();
    if (!app) return;
    // The main thread runs the work unless the end comes first; then this thread takes it back.
    struct Handover {
        std::atomic<bool> taken{false};
        std::atomic<bool> done{false};
    };
    const auto handover = std::make_shared<Handover>();
    QMetaObject::invokeMethod(
        app,
        [handover, &work] {
            if (handover->taken.exchange(true)) return;
            work();
            handover->done = true;
            ProcessEnd::wake();
        },
        Qt::QueuedConnection);
    ProcessEnd::waitUntil([&] { return handover->done || ProcessEnd::hasCome(); });
    if (!handover->taken.exchange(true)) {
        work();
        return;
    }
    // The main thread took it before the end came and finishes it.
    ProcessEnd::waitUntil([&] { return handover->done.load(); });
}

}  // namespace ns
