#include "platform/foundation/clock.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace ns {

namespace {

// The clock in force. It is never destroyed: threads of queues may still read the time
// while the process exits, after static objects have gone.
struct ClockState {
    std::mutex mutex;
    std::shared_ptr<Clock> clock;
};

ClockState& state() {
    static auto* const instance = new ClockState;
    return *instance;
}

constexpr auto kReferenceDateOffset = std::chrono::seconds(978307200);  // 2001-01-01 in Unix time

}  // namespace

Clock::~Clock() = default;

std::shared_ptr<Clock> Clock::sharedPtr() {
    ClockState& current = state();
    std::lock_guard lock(current.mutex);
    if (!current.clock) current.clock = std::make_shared<RealClock>();
    return current.clock;
}

Clock& Clock::shared() {
    // Each thread keeps the clock it was last given until it asks again, so a clock that
    // another thread replaces meanwhile stays alive while this one still reads it.
    thread_local std::shared_ptr<Clock> held;
    held = sharedPtr();
    return *held;
}

void Clock::install(std::shared_ptr<Clock> clock) {
    std::shared_ptr<Clock> previous;
    {
        ClockState& current = state();
        std::lock_guard lock(current.mutex);
        previous = std::move(current.clock);
        current.clock = std::move(clock);
    }
    // `previous` (and the actions it still holds) is released outside the lock.
}

QDateTime Clock::currentDateTime() const {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now().time_since_epoch());
    return QDateTime::fromMSecsSinceEpoch(ms.count());
}

double Clock::timeIntervalSince1970() const {
    return std::chrono::duration<double>(now().time_since_epoch()).count();
}

double Clock::timeIntervalSinceReferenceDate() const {
    return std::chrono::duration<double>(now().time_since_epoch() - kReferenceDateOffset).count();
}

TimerId Clock::schedule(Duration delay, std::function<void()> action) {
    if (delay < Duration::zero()) delay = Duration::zero();
    TimerId id;
    {
        std::lock_guard lock(mutex_);
        id = nextSequence_++;
        const Key key{uptime() + delay, id};
        queue_.emplace(key, std::move(action));
        keys_.emplace(id, key);
    }
    scheduleChanged();
    return id;
}

bool Clock::cancel(TimerId id) {
    std::function<void()> dropped;
    {
        std::lock_guard lock(mutex_);
        const auto found = keys_.find(id);
        if (found == keys_.end()) return false;
        const auto entry = queue_.find(found->second);
        dropped = std::move(entry->second);
        queue_.erase(entry);
        keys_.erase(found);
    }
    // The action, and whatever it captured, dies here, outside the lock.
    return true;
}

void Clock::cancelAll() {
    std::map<Key, std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
        keys_.clear();
    }
    // The actions die here, outside the lock: what they hold may cancel its own timers.
}

bool Clock::isScheduled(TimerId id) const {
    std::lock_guard lock(mutex_);
    return keys_.contains(id);
}

std::size_t Clock::scheduledCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::optional<Duration> Clock::nextDue() const {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return std::nullopt;
    return queue_.begin()->first.first;
}

void Clock::runDue(Duration limit, const std::function<void(Duration)>& beforeEach) {
    for (;;) {
        std::function<void()> action;
        Duration due;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || queue_.begin()->first.first > limit) return;
            auto first = queue_.begin();
            due = first->first.first;
            action = std::move(first->second);
            keys_.erase(first->first.second);
            queue_.erase(first);
        }
        if (beforeEach) beforeEach(due);
        ++actionsRun_;
        action();
    }
}

// Lives on the main thread and keeps one single-shot QTimer armed for the
// earliest due action. A clock destroyed on another thread detaches first, so a
// timer that fires before the waker's deferred deletion finds no clock to run.
class RealClock::Waker : public QObject {
public:
    explicit Waker(RealClock& clock) : clock_(&clock) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
    }

    void rearmSoon() {
        if (QThread::currentThread() == thread()) {
            rearm();
        } else if (!pending_.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    pending_ = false;
                    rearm();
                },
                Qt::QueuedConnection);
        }
    }

    void detach() {
        std::lock_guard lock(mutex_);
        clock_ = nullptr;
    }

private:
    // Runs on the main thread only; actions may schedule (and so rearm) again.
    void rearm() {
        std::lock_guard lock(mutex_);
        if (!clock_) return;
        const auto due = clock_->nextDue();
        if (!due) {
            timer_.stop();
            return;
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - clock_->uptime());
        timer_.start(std::max<qint64>(0, wait.count()));
    }

    void fire() {
        std::lock_guard lock(mutex_);
        if (!clock_) return;
        clock_->runDue(clock_->uptime());
        rearm();
    }

    std::recursive_mutex mutex_;
    RealClock* clock_;
    QTimer timer_{this};  // a child, so that it moves to the main thread with the waker
    std::atomic<bool> pending_{false};
};

RealClock::RealClock() : start_(std::chrono::steady_clock::now()) {}

RealClock::~RealClock() {
    if (waker_ && QThread::currentThread() != waker_->thread()) {
        waker_->detach();
        waker_.release()->deleteLater();
    }
}

TimePoint RealClock::now() const {
    return std::chrono::system_clock::now();
}

Duration RealClock::uptime() const {
    return std::chrono::steady_clock::now() - start_;
}

bool RealClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                        Duration delay, const std::function<bool()>& done) {
    return changed.wait_for(lock, delay, done);
}

void RealClock::scheduleChanged() {
    auto* app = QCoreApplication::instance();
    if (!app) return;  // no event loop yet: actions wait for the first one made after it
    std::call_once(wakerOnce_, [&] {
        // The waker must live on the main thread, whoever schedules first.
        auto waker = std::make_unique<Waker>(*this);
        waker->moveToThread(app->thread());
        waker_ = std::move(waker);
    });
    waker_->rearmSoon();
}

ManualClock::ManualClock(TimePoint start) : wallStart_(start) {}

TimePoint ManualClock::defaultStart() {
    return std::chrono::system_clock::time_point(
        std::chrono::seconds(1780300800));  // 2026-06-01 08:00 UTC
}

TimePoint ManualClock::now() const {
    std::lock_guard lock(timeMutex_);
    return wallStart_ + std::chrono::duration_cast<TimePoint::duration>(elapsed_);
}

Duration ManualClock::uptime() const {
    std::lock_guard lock(timeMutex_);
    return elapsed_;
}

void ManualClock::advance(Duration by) {
    const Duration target = uptime() + std::max(by, Duration::zero());
    runDue(target, [this](Duration due) {
        std::lock_guard lock(timeMutex_);
        elapsed_ = std::max(elapsed_, due);
    });
    std::lock_guard lock(timeMutex_);
    elapsed_ = target;
}

bool ManualClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& changed,
                          Duration delay, const std::function<bool()>& done) {
    if (delay <= Duration::zero() || done()) return done();
    // The alarm runs on the thread that advances, under the waiter's lock; it must be over, or
    // never run, before this returns and what it points at goes.
    bool rang = false;
    std::mutex& mutex = *lock.mutex();
    const TimerId alarm = schedule(delay, [&] {
        const std::lock_guard alarmLock(mutex);
        rang = true;
        changed.notify_all();
    });
    changed.wait(lock, [&] { return rang || done(); });
    if (!rang && !cancel(alarm)) changed.wait(lock, [&] { return rang; });
    return done();
}

bool ManualClock::waitUntilScheduled(std::size_t count) {
    std::unique_lock lock(scheduledMutex_);
    return scheduled_.wait_for(lock, std::chrono::seconds(60),
                               [&] { return scheduledCount() >= count; });
}

void ManualClock::scheduleChanged() {
    const std::lock_guard lock(scheduledMutex_);
    scheduled_.notify_all();
}

void ManualClock::setNow(TimePoint wallTime) {
    std::lock_guard lock(timeMutex_);
    wallStart_ = wallTime - std::chrono::duration_cast<TimePoint::duration>(elapsed_);
}

}  // namespace ns
