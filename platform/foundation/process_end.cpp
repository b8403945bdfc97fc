#include "platform/foundation/process_end.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace ns {

namespace {

struct EndState {
    std::mutex mutex;
    std::condition_variable changed;
    int runningWork = 0;
    bool come = false;
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
    const std::lock_guard lock(state.mutex);
    if (state.come) return false;
    ++state.runningWork;
    return true;
}

void ProcessEnd::endWork() {
    EndState& state = endState();
    {
        const std::lock_guard lock(state.mutex);
        --state.runningWork;
    }
    state.changed.notify_all();
}

bool ProcessEnd::hasCome() {
    EndState& state = endState();
    const std::lock_guard lock(state.mutex);
    return state.come;
}

void ProcessEnd::come() {
    EndState& state = endState();
    std::unique_lock lock(state.mutex);
    state.come = true;
    state.changed.wait_for(lock, kLongestWait, [&] { return state.runningWork == 0; });
}

}  // namespace ns
