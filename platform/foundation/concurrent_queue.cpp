#include "platform/foundation/concurrent_queue.h"

#include "platform/foundation/process_end.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace ns {

namespace {
thread_local ConcurrentQueue* tCurrentQueue = nullptr;
}  // namespace

struct ConcurrentQueue::State {
    // What became of a sync's block, for the thread waiting for it.
    enum class Fate { Waiting, Done, HandedBack };

    struct Item {
        Work work;
        bool barrier;
        Fate* fate = nullptr;  // a sync's, on its waiter's stack; under the mutex
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::condition_variable settled;  // a sync's fate was decided
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

    // The end has come and no block starts any more: the threads waiting for a sync's block
    // run it in place rather than wait for ever. Blocks of async() stay unrun.
    void handBackSyncs() {
        bool any = false;
        std::erase_if(items, [&](const Item& item) {
            if (!item.fate) return false;
            *item.fate = Fate::HandedBack;
            any = true;
            return true;
        });
        if (any) settled.notify_all();
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
                if (!ProcessEnd::startWork()) {
                    state->handBackSyncs();
                    return;
                }
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
                if (item.fate) {
                    *item.fate = State::Fate::Done;
                    state->settled.notify_all();
                }
            }
        });
    }
}

ConcurrentQueue::~ConcurrentQueue() {
    bool blocksRunOn = false;
    {
        std::unique_lock lock(state_->mutex);
        state_->stopping = true;
        state_->changed.notify_all();
        // Once the end has come, blocks still running are waited for as the end waits for its
        // work, and no longer: a queue going with the statics must not hold the exit past the
        // end's limit for a decode that outlasts it. Their threads finish them on their own.
        if (ProcessEnd::hasCome()) {
            const int ownBlock = isCurrent() ? 1 : 0;
            blocksRunOn = !ProcessEnd::waitNoLongerThanTheEnd(
                lock, state_->changed, [&] { return state_->running == ownBlock; });
        }
    }
    for (auto& thread : threads_) {
        // The last owner may let go from one of this queue's own blocks.
        if (blocksRunOn || thread.get_id() == std::this_thread::get_id()) {
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
    // Waiting on our own serial line would never end; run in place instead.
    if (isCurrent() && (width_ == 1 || barrier)) {
        work();
        return;
    }
    auto fate = State::Fate::Waiting;
    {
        std::unique_lock lock(state_->mutex);
        // Looked at under the lock that a worker holds when it finds the end: the block is
        // either queued before any worker of this queue has seen the end, and the first to see
        // it hands the block back, or the end has come and no block starts or runs any more (a
        // static's destructor that waits for its queue): it runs in place.
        if (ProcessEnd::hasCome()) {
            lock.unlock();
            work();
            return;
        }
        state_->items.push_back({[&work] { work(); }, barrier, &fate});
    }
    state_->changed.notify_all();
    syncQueued();
    std::unique_lock lock(state_->mutex);
    state_->settled.wait(lock, [&] { return fate != State::Fate::Waiting; });
    if (fate == State::Fate::HandedBack) {
        lock.unlock();
        work();
    }
}

void ConcurrentQueue::async(Work work) { enqueue(std::move(work), false); }
void ConcurrentQueue::sync(const Work& work) { waitFor(work, false); }
void ConcurrentQueue::barrierAsync(Work work) { enqueue(std::move(work), true); }
void ConcurrentQueue::barrierSync(const Work& work) { waitFor(work, true); }

}  // namespace ns
