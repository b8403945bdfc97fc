#pragma once

#include "platform/foundation/clock.h"

#include <QString>

#include <functional>
#include <memory>

namespace ns {

// A place to run work: the main queue, a serial queue or a concurrent queue.
// APIs that deliver results "on the queue the caller passes in" take one of these.
class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    using Work = std::function<void()>;

    virtual ~DispatchQueue();

    virtual void async(Work work) = 0;
    // Runs `work` on the queue and waits for it. Called from the queue's own
    // serial thread it runs inline rather than deadlocking, and so it does once the
    // process has come to its end (ProcessEnd), when the queue starts nothing more.
    virtual void sync(const Work& work) = 0;
    [[nodiscard]] virtual bool isCurrent() const = 0;
    [[nodiscard]] virtual QString label() const = 0;

    // Runs `work` on this queue after `delay` on the one clock. The queue is kept
    // alive until then, as a pending block keeps its queue. Once the process has come to its
    // end (ProcessEnd) nothing is scheduled, and no queue starts the work.
    void asyncAfter(Duration delay, Work work);

    // The process's shared queues, never destroyed: work still running as the process's
    // statics go may ask for them.
    static std::shared_ptr<DispatchQueue> main();
    // The process-wide concurrent queue for background work.
    static std::shared_ptr<DispatchQueue> global();
};

}  // namespace ns
