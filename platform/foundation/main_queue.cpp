#include "platform/foundation/main_queue.h"

#include "platform/foundation/concurrent_queue.h"

#include <QCoreApplication>
#include <QThread>

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
    static const std::shared_ptr<MainQueue> queue(new MainQueue, [](MainQueue*) {});
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
    if (isMainThread()) {
        work();
        return;
    }
    auto* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

}  // namespace ns
