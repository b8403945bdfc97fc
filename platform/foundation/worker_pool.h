#pragma once

#include <functional>

namespace ns {

// The threads that operation queues run their operations on, shared by every queue
// of the process. A thread is added whenever work arrives and none is idle, up to a
// limit, so that operations that block do not hold up the others; idle threads stay
// for later work. Once the process has come to its end (ProcessEnd) no work starts.
class WorkerPool {
public:
    static constexpr int kMaximumThreads = 64;

    static WorkerPool& shared();

    void run(std::function<void()> work);

    [[nodiscard]] int threadCount() const;

private:
    WorkerPool() = default;
    struct State;
    State& state() const;
};

}  // namespace ns
