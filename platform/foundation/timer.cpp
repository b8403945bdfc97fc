#include "platform/foundation/timer.h"

namespace ns {

namespace {
// A repeating timer with a zero interval would fire for ever without letting
// time move; the platform raises such timers to a small minimum as well.
constexpr Duration kMinimumInterval = std::chrono::microseconds(100);
}  // namespace

Timer::Timer(Duration interval, bool repeats, Block block)
    : interval_(repeats ? std::max(interval, kMinimumInterval) : std::max(interval, Duration::zero())),
      repeats_(repeats),
      block_(std::move(block)) {}

Timer::~Timer() {
    if (const auto clock = clock_.lock(); clock && pending_) clock->cancel(pending_);
}

std::shared_ptr<Timer> Timer::timer(Duration interval, bool repeats, Block block) {
    return std::shared_ptr<Timer>(new Timer(interval, repeats, std::move(block)));
}

std::shared_ptr<Timer> Timer::scheduledTimer(Duration interval, bool repeats, Block block) {
    auto timer = Timer::timer(interval, repeats, std::move(block));
    timer->schedule();
    return timer;
}

void Timer::schedule() {
    // A timer whose clock has gone is pending no more.
    if (!valid_ || (pending_ && !clock_.expired())) return;
    const auto clock = Clock::sharedPtr();
    clock_ = clock;
    dueUptime_ = clock->uptime();
    arm(interval_);
}

void Timer::arm(Duration delay) {
    const auto clock = clock_.lock();
    if (!clock) return;
    dueUptime_ += delay;
    // The pending action holds the timer: a scheduled timer lives until it is done.
    pending_ = clock->schedule(dueUptime_ - clock->uptime(),
                               [self = shared_from_this()] { self->timerFired(); });
}

void Timer::timerFired() {
    pending_ = 0;
    if (!valid_) return;
    // Keep the timer alive through its own block, which may drop the last owner.
    auto keepAlive = shared_from_this();
    if (repeats_) {
        arm(interval_);
    } else {
        valid_ = false;
    }
    // Run a copy: the block may invalidate the timer, which drops block_.
    if (auto block = block_) block(*this);
    if (!valid_) block_ = nullptr;
}

void Timer::fire() {
    if (!valid_) return;
    auto keepAlive = shared_from_this();
    auto block = block_;
    if (!repeats_) invalidate();
    if (block) block(*this);
}

void Timer::invalidate() {
    valid_ = false;
    if (const auto clock = clock_.lock(); clock && pending_) {
        const auto id = pending_;
        pending_ = 0;
        clock->cancel(id);  // releases the self-reference held by the clock
    }
    // The block may hold the timer's owner; break such cycles now, as the platform does.
    block_ = nullptr;
}

void Timer::setFireDate(TimePoint date) {
    if (!valid_) return;
    auto clock = clock_.lock();
    if (!clock) {
        clock = Clock::sharedPtr();
        clock_ = clock;
    }
    if (pending_) {
        clock->cancel(pending_);
        pending_ = 0;
    }
    heldBack_ = date >= distantFuture();
    if (heldBack_) return;
    const auto delay =
        std::max(Duration::zero(), std::chrono::duration_cast<Duration>(date - clock->now()));
    dueUptime_ = clock->uptime();
    arm(delay);
}

TimePoint Timer::fireDate() const {
    if (heldBack_) return distantFuture();
    const auto clock = clock_.lock();
    if (!clock) return Clock::shared().now();
    return clock->now() +
           std::chrono::duration_cast<TimePoint::duration>(dueUptime_ - clock->uptime());
}

DelayedCall DelayedCall::schedule(Duration delay, std::function<void()> action) {
    DelayedCall call;
    auto clock = Clock::sharedPtr();
    call.id_ = clock->schedule(delay, std::move(action));
    call.clock_ = clock;
    return call;
}

void DelayedCall::cancel() {
    if (auto clock = clock_.lock()) clock->cancel(id_);
    clock_.reset();
}

bool DelayedCall::isPending() const {
    auto clock = clock_.lock();
    return clock && clock->isScheduled(id_);
}

}  // namespace ns
