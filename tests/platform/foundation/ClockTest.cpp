#include "platform/foundation/clock.h"
#include "platform/foundation/timer.h"

#include "SandboxTest.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class ClockTest : public SandboxTest {};

TEST_F(ClockTest, RepeatingTimerFiresOncePerIntervalAdvanced) {
    int fired = 0;
    auto timer = ns::Timer::scheduledTimer(60s, true, [&](ns::Timer&) { ++fired; });
    clock().advance(59s);
    EXPECT_EQ(fired, 0);
    clock().advance(1s);
    EXPECT_EQ(fired, 1);
    clock().advance(60s);
    EXPECT_EQ(fired, 2);
    clock().advance(600s);
    EXPECT_EQ(fired, 12);
    timer->invalidate();
    clock().advance(600s);
    EXPECT_EQ(fired, 12);
    EXPECT_EQ(clock().scheduledCount(), 0u);
}

TEST_F(ClockTest, TimersFireInDueOrderWithNowAtTheirDueTime) {
    std::vector<int> order;
    std::vector<double> seenAt;
    const double start = clock().timeIntervalSince1970();
    auto record = [&](int tag) {
        return [&, tag](ns::Timer&) {
            order.push_back(tag);
            seenAt.push_back(clock().timeIntervalSince1970() - start);
        };
    };
    auto late = ns::Timer::scheduledTimer(3s, false, record(3));
    auto early = ns::Timer::scheduledTimer(1s, false, record(1));
    auto middle = ns::Timer::scheduledTimer(2s, false, record(2));
    auto sameAsMiddle = ns::Timer::scheduledTimer(2s, false, record(4));
    clock().advance(10s);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 4, 3}));
    EXPECT_EQ(seenAt, (std::vector<double>{1, 2, 2, 3}));
    EXPECT_DOUBLE_EQ(clock().timeIntervalSince1970() - start, 10);
}

TEST_F(ClockTest, AFireDateMovesTheNextFiringAndTheDistantFutureHoldsItBack) {
    int fired = 0;
    auto timer = ns::Timer::scheduledTimer(4s, true, [&](ns::Timer&) { ++fired; });
    timer->setFireDate(ns::Timer::distantFuture());
    EXPECT_EQ(timer->fireDate(), ns::Timer::distantFuture());
    clock().advance(1h);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(timer->isValid());

    timer->setFireDate(clock().now() + 1s);
    clock().advance(1s);
    EXPECT_EQ(fired, 1);
    clock().advance(4s);
    EXPECT_EQ(fired, 2);
    // A date already passed fires at once; the interval goes on from there.
    timer->setFireDate(clock().now() - 10s);
    clock().advance(0s);
    EXPECT_EQ(fired, 3);

    timer->invalidate();
    timer->setFireDate(clock().now());
    clock().advance(10s);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(ClockTest, CancelledDelayedCallNeverRuns) {
    bool ran = false;
    auto call = ns::DelayedCall::schedule(5s, [&] { ran = true; });
    EXPECT_TRUE(call.isPending());
    call.cancel();
    EXPECT_FALSE(call.isPending());
    clock().advance(1h);
    EXPECT_FALSE(ran);
}

TEST_F(ClockTest, ActionsScheduledWhileAdvancingRunInTheSameAdvance) {
    std::vector<int> order;
    clock().schedule(1s, [&] {
        order.push_back(1);
        clock().schedule(1s, [&] { order.push_back(2); });
        clock().schedule(10s, [&] { order.push_back(3); });
    });
    clock().advance(5s);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    clock().advance(6s);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(ClockTest, ScheduledTimerLivesWithoutAnOwnerUntilInvalidated) {
    int fired = 0;
    std::weak_ptr<ns::Timer> weak = ns::Timer::scheduledTimer(1s, true, [&](ns::Timer& timer) {
        if (++fired == 3) timer.invalidate();
    });
    EXPECT_FALSE(weak.expired());
    clock().advance(10s);
    EXPECT_EQ(fired, 3);
    EXPECT_TRUE(weak.expired());
}

TEST_F(ClockTest, AClockThatIsReplacedAndLetGoTakesItsPendingTimersWithIt) {
    // One test's clock, with a repeating timer still pending, must not outlive the test
    // nor keep what the timer's block holds.
    const std::shared_ptr<ns::Clock> testClock = ns::Clock::sharedPtr();
    auto first = std::make_shared<ns::ManualClock>();
    ns::Clock::install(first);
    const auto held = std::make_shared<int>(0);
    std::weak_ptr<int> heldWeak = held;
    std::weak_ptr<ns::Timer> timer =
        ns::Timer::scheduledTimer(1s, true, [held](ns::Timer&) { ++*held; });
    std::weak_ptr<ns::ManualClock> firstWeak = first;
    ns::Clock::install(testClock);
    first.reset();
    EXPECT_TRUE(firstWeak.expired());
    EXPECT_TRUE(timer.expired());
    EXPECT_FALSE(heldWeak.expired()) << "the test's own reference";

    // A timer kept by its owner is scheduled afresh on the clock now in force.
    auto kept = ns::Timer::timer(1s, true, [held](ns::Timer&) { ++*held; });
    auto other = std::make_shared<ns::ManualClock>();
    ns::Clock::install(other);
    kept->schedule();
    ns::Clock::install(testClock);
    other.reset();
    kept->schedule();
    clock().advance(2s);
    EXPECT_EQ(*held, 2);
    kept->invalidate();
}

TEST_F(ClockTest, CancelAllDropsEveryActionUnrunWithWhatItHolds) {
    auto held = std::make_shared<int>(0);
    const std::weak_ptr<int> heldWeak = held;
    std::weak_ptr<ns::Timer> timer =
        ns::Timer::scheduledTimer(1s, true, [held](ns::Timer&) { ++*held; });
    auto call = ns::DelayedCall::schedule(2s, [held] { ++*held; });
    held.reset();
    clock().cancelAll();
    EXPECT_TRUE(heldWeak.expired());
    EXPECT_TRUE(timer.expired());
    EXPECT_FALSE(call.isPending());
    EXPECT_EQ(clock().scheduledCount(), 0u);
    clock().advance(10s);  // nothing left to run
}

TEST_F(ClockTest, FireRunsAOneShotTimerOnceAndEndsIt) {
    int fired = 0;
    auto timer = ns::Timer::scheduledTimer(30s, false, [&](ns::Timer&) { ++fired; });
    timer->fire();
    EXPECT_FALSE(timer->isValid());
    clock().advance(60s);
    EXPECT_EQ(fired, 1);
}

TEST_F(ClockTest, ReferenceDateIsTheFirstOf2001) {
    clock().setNow(std::chrono::system_clock::time_point(std::chrono::seconds(978307200 + 42)));
    EXPECT_DOUBLE_EQ(clock().timeIntervalSinceReferenceDate(), 42);
    EXPECT_EQ(clock().currentDateTime().toSecsSinceEpoch(), 978307242);
}

TEST(RealClockTest, FiresFromTheMainLoop) {
    ns::RealClock clock;
    bool fired = false;
    clock.schedule(std::chrono::milliseconds(5), [&] { fired = true; });
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    clock.schedule(std::chrono::milliseconds(6), [&] { loop.quit(); });
    loop.exec();
    EXPECT_TRUE(fired);
}

TEST(RealClockTest, ADestroyedClockNeverRunsItsPendingActions) {
    // The last owner may let go on another thread while the main loop still has the
    // clock's wake-up armed.
    auto clock = std::make_shared<ns::RealClock>();
    bool fired = false;
    clock->schedule(std::chrono::milliseconds(1), [&] { fired = true; });
    std::thread releaser([owned = std::move(clock)]() mutable { owned.reset(); });
    releaser.join();
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(fired);
}

TEST_F(ClockTest, AThreadReadingTheTimeKeepsItsClockWhileAnotherIsInstalled) {
    // A queue's thread reads the time while tests (or the process's end) replace the clock:
    // the clock it was given must stay whole until it asks again.
    const std::shared_ptr<ns::Clock> testClock = ns::Clock::sharedPtr();
    std::atomic<bool> stop = false;
    std::atomic<int> reads = 0;
    std::thread reader([&] {
        while (!stop) {
            const QDateTime now = ns::Clock::shared().currentDateTime();
            if (now.isValid()) ++reads;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        ns::Clock::install(std::make_shared<ns::ManualClock>());
    }
    while (reads < 100) std::this_thread::yield();
    stop = true;
    reader.join();
    ns::Clock::install(testClock);
    EXPECT_GE(reads.load(), 100);
}

}  // namespace
