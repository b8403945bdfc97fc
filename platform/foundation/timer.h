#pragma once

#include "platform/foundation/clock.h"

#include <functional>
#include <memory>

namespace ns {

// A timer on the one clock, fired on the main thread. A scheduled timer keeps
// itself alive until it is invalidated (or, if it does not repeat, has fired), so
// owners may hold it weakly, as the platform's run loop holds its timers.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Block = std::function<void(Timer&)>;

    static std::shared_ptr<Timer> scheduledTimer(Duration interval, bool repeats, Block block);
    // A timer that is not yet scheduled; schedule() starts it.
    static std::shared_ptr<Timer> timer(Duration interval, bool repeats, Block block);

    ~Timer();

    void schedule();
    // Runs the block now; a repeating timer keeps its schedule, a one-shot one ends.
    void fire();
    void invalidate();

    [[nodiscard]] bool isValid() const { return valid_; }
    [[nodiscard]] bool repeats() const { return repeats_; }
    [[nodiscard]] Duration timeInterval() const { return interval_; }
    // The wall-clock time of the next firing; distantFuture() while held back.
    [[nodiscard]] TimePoint fireDate() const;
    // Moves the next firing to `date` (now if it has passed); distantFuture() holds
    // the timer back, still valid, until the date is moved again (meanwhile only its
    // owners keep it). An invalidated timer ignores it.
    void setFireDate(TimePoint date);
    [[nodiscard]] static TimePoint distantFuture() { return TimePoint::max(); }

private:
    Timer(Duration interval, bool repeats, Block block);
    void arm(Duration delay);
    void timerFired();

    Duration interval_;
    bool repeats_;
    Block block_;
    bool valid_ = true;
    bool heldBack_ = false;
    // The clock holds the pending timer, so the timer holds its clock weakly: a clock that
    // is replaced and let go (a test's clock) takes its pending timers with it.
    std::weak_ptr<Clock> clock_;
    TimerId pending_ = 0;
    Duration dueUptime_{0};
};

// A cancellable call after a delay, on the main thread (the platform's
// perform-after-delay and its cancel). An empty handle does nothing.
class DelayedCall {
public:
    DelayedCall() = default;
    static DelayedCall schedule(Duration delay, std::function<void()> action);

    void cancel();
    [[nodiscard]] bool isPending() const;

private:
    std::weak_ptr<Clock> clock_;
    TimerId id_ = 0;
};

}  // namespace ns
