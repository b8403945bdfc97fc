#include "platform/foundation/process_end.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace ns {

namespace {

// Counted without a lock, since every block of every queue passes here: a start counts itself
// and then looks for the end, the end marks itself and then looks at the count, so that one of
// the two always sees the other.
struct EndState {
    std::atomic<int> runningWork{0};
    std::atomic<bool> come{false};
    // Only for the end's wait, and for the last piece of work to wake it.
    std::mutex mutex;
    std::condition_variable changed;
};

// Never destroyed: threads may still look at it while statics go.
EndState& endState() {
    static auto* const state = new EndState;
    return *state;
}

// How long the end waits for running work: a block that waits for the main thread, which is
// ending, would otherwise hold the process for ever.
constexpr std::chrono::seconds kLongestWait{5};

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
    state.come.store(true);
    state.changed.wait_for(lock, kLongestWait, [&] { return state.runningWork.load() == 0; });
}

}  // namespace ns
