#pragma once

#include <QDateTime>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace ns {

using Duration = std::chrono::nanoseconds;
using TimePoint = std::chrono::system_clock::time_point;
using TimerId = std::uint64_t;

// Seconds as the platform counts them (a double) turned into a duration.
[[nodiscard]] constexpr Duration seconds(double value) {
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(value));
}
[[nodiscard]] constexpr double toSeconds(Duration value) {
    return std::chrono::duration<double>(value).count();
}

// The one clock. Every "now" and every timer of the app goes through it, so that
// tests can swap in a ManualClock and move time forward instead of sleeping.
//
// Scheduled actions run on the main thread, in due order; actions due at the same
// moment run in the order they were scheduled. schedule() and cancel() may be called
// from any thread; an action cancelled before it started never runs.
class Clock {
public:
    virtual ~Clock();

    // The clock in force; a RealClock unless a test installed another.
    static Clock& shared();
    static std::shared_ptr<Clock> sharedPtr();
    // Replaces the clock in force; nullptr brings back a fresh RealClock.
    static void install(std::shared_ptr<Clock> clock);

    // Wall-clock time.
    [[nodiscard]] virtual TimePoint now() const = 0;
    // Time that only moves forward, for intervals and timers.
    [[nodiscard]] virtual Duration uptime() const = 0;

    [[nodiscard]] QDateTime currentDateTime() const;
    [[nodiscard]] double timeIntervalSince1970() const;
    // Seconds since 2001-01-01 00:00 UTC, the platform's reference date.
    [[nodiscard]] double timeIntervalSinceReferenceDate() const;

    TimerId schedule(Duration delay, std::function<void()> action);
    // False when the action was no longer scheduled (it has run, or is running now).
    bool cancel(TimerId id);
    // Drops every scheduled action unrun (a test's clock at the test's end, so that nothing
    // its actions hold outlives the test while other threads still hold the clock).
    void cancelAll();
    [[nodiscard]] bool isScheduled(TimerId id) const;
    [[nodiscard]] std::size_t scheduledCount() const;
    // How many scheduled actions (timer firings, delayed calls) this clock has run, so that a
    // screen at rest can be seen to run none.
    [[nodiscard]] std::uint64_t actionsRun() const { return actionsRun_.load(); }

    // Blocks the calling thread until `done()` holds or `delay` has passed on this clock, and
    // answers `done()`. Whoever makes `done()` true notifies `changed` under `lock`'s mutex.
    // Needs no event loop (the process's end waits here once the main loop is over): a real
    // clock waits for real time, a manual clock until it is advanced past the delay.
    virtual bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                         Duration delay, const std::function<bool()>& done) = 0;

protected:
    // The earliest due time may have changed; real clocks re-arm their wake-up.
    virtual void scheduleChanged() {}
    [[nodiscard]] std::optional<Duration> nextDue() const;
    // Runs, one by one, every action due at or before `limit`, including actions
    // that earlier ones schedule inside that window. `beforeEach` sees each due time.
    void runDue(Duration limit, const std::function<void(Duration)>& beforeEach = {});

private:
    using Key = std::pair<Duration, std::uint64_t>;
    mutable std::mutex mutex_;
    std::map<Key, std::function<void()>> queue_;
    std::unordered_map<TimerId, Key> keys_;
    std::uint64_t nextSequence_ = 1;
    std::atomic<std::uint64_t> actionsRun_{0};
};

// Real time; actions fire from the main thread's event loop.
class RealClock final : public Clock {
public:
    RealClock();
    ~RealClock() override;

    [[nodiscard]] TimePoint now() const override;
    [[nodiscard]] Duration uptime() const override;

    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                 Duration delay, const std::function<bool()>& done) override;

protected:
    void scheduleChanged() override;

private:
    class Waker;
    std::once_flag wakerOnce_;
    std::unique_ptr<Waker> waker_;
    std::chrono::steady_clock::time_point start_;
};

// Time that stands still until a test advances it. Advancing fires every action
// that falls due, in order, with now() showing each action's due time.
class ManualClock final : public Clock {
public:
    // Starts at 2026-06-01 08:00:00 UTC unless told otherwise.
    explicit ManualClock(TimePoint start = defaultStart());

    [[nodiscard]] TimePoint now() const override;
    [[nodiscard]] Duration uptime() const override;

    void advance(Duration by);
    void setNow(TimePoint wallTime);  // moves the wall clock only; timers are untouched

    // A wait that ends when an advance reaches the delay (or `done()` holds first).
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                 Duration delay, const std::function<bool()>& done) override;
    // Blocks until at least `count` actions are scheduled, for a test whose other threads
    // schedule what it then advances to; false when they did not in a minute of real time (a
    // broken test).
    bool waitUntilScheduled(std::size_t count);

    [[nodiscard]] static TimePoint defaultStart();

protected:
    void scheduleChanged() override;

private:
    mutable std::mutex timeMutex_;
    TimePoint wallStart_;
    Duration elapsed_{0};
    std::mutex scheduledMutex_;
    std::condition_variable scheduled_;
};

}  // namespace ns
