#include "platform/foundation/main_queue.h"

#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/process_end.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <memory>

namespace ns {

DispatchQueue::~DispatchQueue() = default;

namespace {

// Never destroyed, nor the pointer that owns it: work running on past the end may ask for the
// main queue while the process's statics go, and a destroyed owner would answer with a throw.
const std::shared_ptr<MainQueue>& mainQueue() {
    static const auto* const queue = [] {
        // A sync's waiter looks for the end, which must come for it before the main loop goes.
        ProcessEnd::watch();
        return new std::shared_ptr<MainQueue>(std::make_shared<MainQueue>());
    }();
    return *queue;
}

// Hands `work` to the main loop, unless the end has come: the loop runs nothing more then.
void postToMainLoop(DispatchQueue::Work work) {
    ProcessEnd::runBeforeTheEnd([&] {
        auto* app = QCoreApplication::instance();
        if (!app) return;  // no main loop: nothing could ever run it
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
    });
}

}  // namespace

void DispatchQueue::asyncAfter(Duration delay, Work work) {
    // The clock fires on the main thread; hop to this queue from there. Once the end has come
    // no queue starts the work, and the clock is left alone.
    ProcessEnd::runBeforeTheEnd([&] {
        auto hop = [self = shared_from_this(), work = std::move(work)]() mutable {
            if (self != mainQueue()) {
                self->async(std::move(work));
            } else if (!ProcessEnd::hasCome()) {
                // The main loop runs nothing after the end, not even where a clock moved on by
                // another thread would run it.
                work();
            }
        };
        Clock::shared().schedule(delay, std::move(hop));
    });
}

std::shared_ptr<DispatchQueue> DispatchQueue::main() {
    return mainQueue();
}

std::shared_ptr<DispatchQueue> DispatchQueue::global() {
    // Never destroyed: its blocks may run on past the end and ask for it while the statics go,
    // and its destructor would hold the exit until they were done.
    static const auto* const queue = new std::shared_ptr<DispatchQueue>(
        std::make_shared<ConcurrentQueue>(QStringLiteral("global")));
    return *queue;
}

MainQueue& MainQueue::shared() {
    return *mainQueue();
}

bool MainQueue::isMainThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void MainQueue::async(Work work) {
    postToMainLoop(std::move(work));
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
    // Not handed on when the end comes first: the wait below then ends at once.
    postToMainLoop([handover, &work] {
        if (handover->taken.exchange(true)) return;
        work();
        handover->done = true;
        ProcessEnd::wake();
    });
    ProcessEnd::waitUntil([&] { return handover->done || ProcessEnd::hasCome(); });
    if (!handover->taken.exchange(true)) {
        work();
        return;
    }
    // The main thread took it before the end came and finishes it.
    ProcessEnd::waitUntil([&] { return handover->done.load(); });
}

}  // namespace ns
