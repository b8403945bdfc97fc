#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/once.h"

#include "Gate.h"
#include "SandboxTest.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class DispatchQueueTest : public SandboxTest {};

TEST_F(DispatchQueueTest, SerialQueueRunsInOrderOnOneThreadAndKnowsItIsCurrent) {
    ns::SerialQueue queue("test.serial");
    std::vector<int> order;
    std::vector<bool> current;
    for (int i = 0; i < 100; ++i) {
        queue.async([&, i] {
            order.push_back(i);
            current.push_back(queue.isCurrent() && ns::ConcurrentQueue::current() == &queue);
        });
    }
    queue.sync([] {});
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
    EXPECT_EQ(std::count(current.begin(), current.end(), true), 100);
    EXPECT_FALSE(queue.isCurrent());
}

TEST_F(DispatchQueueTest, SyncFromTheQueueItselfRunsInPlace) {
    ns::SerialQueue queue("test.reentrant");
    bool inner = false;
    queue.sync([&] { queue.sync([&] { inner = true; }); });
    EXPECT_TRUE(inner);
}

TEST_F(DispatchQueueTest, BarrierWaitsForEarlierWorkAndHoldsLaterWork) {
    ns::ConcurrentQueue queue("test.concurrent", 4);
    Gate gate;
    std::atomic<int> earlierDone{0};
    std::atomic<int> laterStarted{0};
    int earlierSeenByBarrier = -1;
    int laterSeenByBarrier = -1;

    for (int i = 0; i < 3; ++i) {
        queue.async([&] {
            gate.pass();
            ++earlierDone;
        });
    }
    queue.barrierAsync([&] {
        earlierSeenByBarrier = earlierDone.load();
        laterSeenByBarrier = laterStarted.load();
    });
    for (int i = 0; i < 3; ++i) queue.async([&] { ++laterStarted; });

    gate.openForGood();
    queue.barrierSync([] {});
    EXPECT_EQ(earlierSeenByBarrier, 3);
    EXPECT_EQ(laterSeenByBarrier, 0);
    EXPECT_EQ(laterStarted.load(), 3);
}

TEST_F(DispatchQueueTest, ConcurrentQueueRunsBlocksAtTheSameTime) {
    ns::ConcurrentQueue queue("test.parallel", 3);
    std::mutex mutex;
    std::condition_variable allIn;
    int inside = 0;
    for (int i = 0; i < 3; ++i) {
        queue.async([&] {
            std::unique_lock lock(mutex);
            ++inside;
            allIn.notify_all();
            // Only returns once all three run at once; a serial run would hang here.
            allIn.wait(lock, [&] { return inside == 3; });
        });
    }
    queue.barrierSync([] {});
    EXPECT_EQ(inside, 3);
}

TEST_F(DispatchQueueTest, MainQueueSyncFromAWorkerDoesNotDeadlock) {
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        ns::MainQueue::postSync([&] { ranOnMain = ns::MainQueue::isMainThread(); });
        workerDone = true;
    });
    EXPECT_TRUE(runMainLoopUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST_F(DispatchQueueTest, MainQueueAsyncRunsLaterInOrder) {
    std::vector<int> order;
    ns::MainQueue::post([&] { order.push_back(1); });
    ns::MainQueue::post([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());
    drainMainLoop();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(DispatchQueueTest, AsyncAfterRunsOnTheQueueWhenTheClockGetsThere) {
    auto queue = std::make_shared<ns::SerialQueue>("test.after");
    std::atomic<bool> ran{false};
    std::atomic<bool> onQueue{false};
    queue->asyncAfter(2s, [&] {
        onQueue = queue->isCurrent();
        ran = true;
    });
    clock().advance(1s);
    queue->sync([] {});
    EXPECT_FALSE(ran);
    clock().advance(1s);
    queue->sync([] {});
    EXPECT_TRUE(ran);
    EXPECT_TRUE(onQueue);
}

TEST_F(DispatchQueueTest, DestroyingAQueueFinishesItsWork) {
    std::atomic<int> done{0};
    {
        ns::ConcurrentQueue queue("test.drain", 2);
        for (int i = 0; i < 50; ++i) queue.async([&] { ++done; });
    }
    EXPECT_EQ(done.load(), 50);
}

TEST_F(DispatchQueueTest, OnceRunsTheFirstCallOnly) {
    ns::Once once;
    std::atomic<int> runs{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([&] { once([&] { ++runs; }); });
    for (auto& thread : threads) thread.join();
    once([&] { ++runs; });
    EXPECT_EQ(runs.load(), 1);
}

}  // namespace
