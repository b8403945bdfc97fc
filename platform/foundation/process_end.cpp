#include "platform/foundation/process_end.h"

#include "platform/foundation/clock.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace ns {

namespace {

// Counted without a lock, since every block of every queue passes here: a start counts itself
// and then looks for the end, the end marks itself and then looks at the count, so that one of
// the two always sees the other.
struct EndState {
    std::atomic<int> runningWork{0};
    std::atomic<bool> come{false};
    // For the end's wait, for the last piece of work to wake it, and for waitUntil().
    std::mutex mutex;
    std::condition_variable changed;
    // The clock the end waits on and until when, from its first coming: a second (at exit,
    // after the application object went) waits no longer than the first.
    std::shared_ptr<Clock> clock;
    Duration deadline{};
};

// Never destroyed: threads may still look at it while statics go.
EndState& endState() {
    static auto* const state = new EndState;
    return *state;
}

void comeToTheEnd() {
    ProcessEnd::come();
}

}  // namespace

void ProcessEnd::watch() {
    static std::once_flag watching;
    std::call_once(watching, [] {
        qAddPostRoutine(comeToTheEnd);
        std::atexit(comeToTheEnd);
    });
}

bool ProcessEnd::startWork() {
    EndState& state = endState();
    state.runningWork.fetch_add(1);
    if (!state.come.load()) return true;
    endWork();
    return false;
}

void ProcessEnd::endWork() {
    EndState& state = endState();
    if (state.runningWork.fetch_sub(1) != 1 || !state.come.load()) return;
    // Under the lock, so that the end cannot miss it between its look at the count and its wait.
    const std::lock_guard lock(state.mutex);
    state.changed.notify_all();
}

bool ProcessEnd::hasCome() {
    return endState().come.load();
}

void ProcessEnd::come() {
    EndState& state = endState();
    std::unique_lock lock(state.mutex);
    if (!state.clock) {
        state.clock = Clock::sharedPtr();
        state.deadline = state.clock->uptime() + kLongestWait;
        state.come.store(true);
        state.changed.notify_all();  // those in waitUntil()
    }
    const std::shared_ptr<Clock> clock = state.clock;
    clock->waitFor(lock, state.changed, state.deadline - clock->uptime(),
                   [&] { return state.runningWork.load() == 0; });
}

bool ProcessEnd::waitNoLongerThanTheEnd(std::unique_lock<std::mutex>& lock,
                                        std::condition_variable& changed,
                                        const std::function<bool()>& done) {
    std::shared_ptr<Clock> clock;
    Duration deadline{};
    {
        EndState& state = endState();
        const std::lock_guard endLock(state.mutex);
        clock = state.clock;
        deadline = state.deadline;
    }
    if (!clock) return done();
    return clock->waitFor(lock, changed, deadline - clock->uptime(), done);
}

void ProcessEnd::waitUntil(const std::function<bool()>& holds) {
    EndState& state = endState();
    std::unique_lock lock(state.mutex);
    state.changed.wait(lock, holds);
}

void ProcessEnd::wake() {
    EndState& state = endState();
    const std::lock_guard lock(state.mutex);
    state.changed.notify_all();
}

}  // namespace ns
