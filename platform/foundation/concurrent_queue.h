#pragma once

#include "platform/foundation/dispatch_queue.h"

#include <memory>
#include <thread>
#include <vector>

namespace ns {

// A queue that runs up to `width` blocks at once on threads of its own, starting
// them in the order they were added. A barrier block waits until everything added
// before it has finished and runs alone; blocks added after it wait for it.
// Once the process has come to its end (ProcessEnd) no block starts; a sync's block then runs
// in place, also one queued before the end that no worker had started.
class ConcurrentQueue : public DispatchQueue {
public:
    explicit ConcurrentQueue(QString label, int width = defaultWidth());
    // Finishes the work already added, then stops the threads. Once the process has come to its
    // end, waits for the blocks running no longer than the end waits, and leaves those that
    // outlast it to their threads.
    ~ConcurrentQueue() override;

    void async(Work work) override;
    void sync(const Work& work) override;
    void barrierAsync(Work work);
    void barrierSync(const Work& work);

    [[nodiscard]] bool isCurrent() const override;
    [[nodiscard]] QString label() const override { return label_; }
    [[nodiscard]] int width() const { return width_; }

    // The queue whose block is running on this thread, or nullptr.
    static ConcurrentQueue* current();
    static int defaultWidth();

protected:
    // Called on the waiting thread once a sync's block is queued, before it waits for it: a
    // test's way to act at that instant.
    virtual void syncQueued() {}

private:
    struct State;
    void enqueue(Work work, bool barrier);
    void waitFor(const Work& work, bool barrier);

    QString label_;
    int width_;
    std::shared_ptr<State> state_;
    std::vector<std::thread> threads_;
};

// A queue of width one: its blocks run one at a time, in order, on one thread.
class SerialQueue final : public ConcurrentQueue {
public:
    explicit SerialQueue(QString label) : ConcurrentQueue(std::move(label), 1) {}
};

}  // namespace ns
