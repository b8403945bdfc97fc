#pragma once

#include <QDateTime>

#include <chrono>
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
    void cancel(TimerId id);
    // Drops every scheduled action unrun (a test's clock at the test's end, so that nothing
    // its actions hold outlives the test while other threads still hold the clock).
    void cancelAll();
    [[nodiscard]] bool isScheduled(TimerId id) const;
    [[nodiscard]] std::size_t scheduledCount() const;

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
};

// Real time; actions fire from the main thread's event loop.
class RealClock final : public Clock {
public:
    RealClock();
    ~RealClock() override;

    [[nodiscard]] TimePoint now() const override;
    [[nodiscard]] Duration uptime() const override;

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

    [[nodiscard]] static TimePoint defaultStart();

private:
    mutable std::mutex timeMutex_;
    TimePoint wallStart_;
    Duration elapsed_{0};
};

}  // namespace ns
