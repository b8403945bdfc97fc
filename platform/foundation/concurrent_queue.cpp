#include "platform/foundation/concurrent_queue.h"

#include "platform/foundation/process_end.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>

namespace ns {

namespace {
thread_local ConcurrentQueue* tCurrentQueue = nullptr;
}  // namespace

struct ConcurrentQueue::State {
    struct Item {
        Work work;
        bool barrier;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Item> items;
    int running = 0;
    bool barrierRunning = false;
    bool stopping = false;

    // The head of the line may start when no barrier runs, and a barrier only once
    // everything before it has finished. Blocks never overtake one another.
    bool headMayStart() const {
        if (items.empty() || barrierRunning) return false;
        return !items.front().barrier || running == 0;
    }
};

ConcurrentQueue::ConcurrentQueue(QString label, int width)
    : label_(std::move(label)), width_(std::max(1, width)), state_(std::make_shared<State>()) {
    ProcessEnd::watch();
    threads_.reserve(width_);
    for (int i = 0; i < width_; ++i) {
        threads_.emplace_back([state = state_, self = this] {
            tCurrentQueue = self;
            std::unique_lock lock(state->mutex);
            for (;;) {
                state->changed.wait(lock, [&] {
                    return state->headMayStart() || (state->stopping && state->items.empty());
                });
                if (!state->headMayStart()) return;  // stopping, and nothing is left
                if (!ProcessEnd::startWork()) return;
                State::Item item = std::move(state->items.front());
                state->items.pop_front();
                ++state->running;
                state->barrierRunning = item.barrier;
                lock.unlock();
                item.work();
                item.work = nullptr;  // release what the block captured before reporting done
                ProcessEnd::endWork();
                lock.lock();
                --state->running;
                state->barrierRunning = false;
                state->changed.notify_all();
            }
        });
    }
}

ConcurrentQueue::~ConcurrentQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    for (auto& thread : threads_) {
        // The last owner may let go from one of this queue's own blocks.
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else {
            thread.join();
        }
    }
}

int ConcurrentQueue::defaultWidth() {
    return std::max(2u, std::thread::hardware_concurrency());
}

ConcurrentQueue* ConcurrentQueue::current() { return tCurrentQueue; }

bool ConcurrentQueue::isCurrent() const { return tCurrentQueue == this; }

void ConcurrentQueue::enqueue(Work work, bool barrier) {
    {
        std::lock_guard lock(state_->mutex);
        state_->items.push_back({std::move(work), barrier});
    }
    state_->changed.notify_all();
}

void ConcurrentQueue::waitFor(const Work& work, bool barrier) {
    // Waiting on our own serial line would never end; run in place instead. Once the process
    // has come to its end no block starts or runs: a static's destructor that waits for its
    // queue runs the work in place too.
    if ((isCurrent() && (width_ == 1 || barrier)) || ProcessEnd::hasCome()) {
        work();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    enqueue([&work, &done] {
        work();
        done.set_value();
    }, barrier);
    finished.wait();
}

void ConcurrentQueue::async(Work work) { enqueue(std::move(work), false); }
void ConcurrentQueue::sync(const Work& work) { waitFor(work, false); }
void ConcurrentQueue::barrierAsync(Work work) { enqueue(std::move(work), true); }
void ConcurrentQueue::barrierSync(const Work& work) { waitFor(work, true); }

}  // namespace ns
