#include "platform/foundation/worker_pool.h"

#include "platform/foundation/process_end.h"

#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace ns {

struct WorkerPool::State {
    std::mutex mutex;
    std::condition_variable workArrived;
    std::deque<std::function<void()>> work;
    int threads = 0;
    int idle = 0;

    void serve() {
        std::unique_lock lock(mutex);
        for (;;) {
            ++idle;
            workArrived.wait(lock, [&] { return !work.empty(); });
            --idle;
            // The process is ending: the thread stops serving, and the work stays undone.
            if (!ProcessEnd::startWork()) return;
            auto next = std::move(work.front());
            work.pop_front();
            lock.unlock();
            next();
            next = nullptr;  // release what the work captured before waiting again
            ProcessEnd::endWork();
            lock.lock();
        }
    }
};

WorkerPool& WorkerPool::shared() {
    // Never destroyed: its threads serve until the process ends.
    static WorkerPool* const pool = [] {
        ProcessEnd::watch();
        return new WorkerPool;
    }();
    return *pool;
}

WorkerPool::State& WorkerPool::state() const {
    static State* const state = new State;
    return *state;
}

void WorkerPool::run(std::function<void()> work) {
    // Once the end has come no work starts, and a thread started for it would meet Qt's
    // objects as they go.
    if (ProcessEnd::hasCome()) return;
    State& s = state();
    bool spawn = false;
    {
        std::lock_guard lock(s.mutex);
        s.work.push_back(std::move(work));
        if (static_cast<int>(s.work.size()) > s.idle && s.threads < kMaximumThreads) {
            ++s.threads;
            spawn = true;
        }
    }
    if (spawn) {
        std::thread([&s] {
            QThread::currentThread()->setObjectName(QStringLiteral("ns.worker"));
            s.serve();
        }).detach();
    }
    s.workArrived.notify_one();
}

int WorkerPool::threadCount() const {
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.threads;
}

}  // namespace ns
