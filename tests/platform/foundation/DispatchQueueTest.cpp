#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/network_thread.h"
#include "platform/foundation/once.h"

#include "platform/foundation/operation_queue.h"
#include "platform/foundation/process_end.h"
#include "platform/foundation/worker_pool.h"

#include "Gate.h"
#include "ProcessEndChild.h"
#include "SandboxTest.h"

#include <QCoreApplication>
#include <QEvent>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class DispatchQueueTest : public SandboxTest {
protected:
    // Runs one case of ProcessEndChild in a process of its own, and answers the lines that its
    // work wrote as the process ended, sorted.
    std::string endOfChild(const char* name);
};

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

std::string DispatchQueueTest::endOfChild(const char* name) {
    return endOfChildTest(sandboxPath(), name);
}

// The children below end with work running. The end comes when the application object goes,
// waits on the child's manual clock, which stands still unless a child's thread moves it, and
// returns before the statics go: no block starts after it, and a wait for a queue from then on
// runs in place. The end returns as soon as the work is done (at 0 s on the clock), and gives
// up on work that runs on once the clock has moved 5 s.
TEST_F(DispatchQueueTest, TheProcessEndsAsSoonAsTheRunningBlocksAreDoneAndStartsNoOther) {
    EXPECT_EQ(endOfChild("LeavesWorkRunning"),
              "block done before the statics went | operation done before the statics went | "
              "statics went at 0 s | synced at exit | synced with the main queue at exit");
}

TEST_F(DispatchQueueTest, TheProcessEndGivesUpOnWorkThatRunsOnAfterFiveSecondsOnTheClock) {
    EXPECT_EQ(endOfChild("LeavesWorkRunningOnAndOn"),
              "statics went at 5 s | the end still waited a moment before 5 s");
    // The 5 s count from the end's coming, not from the clock's start: a process whose clock
    // has moved on before its end still waits them whole.
    EXPECT_EQ(endOfChild("LeavesWorkRunningOnAndOnTenSecondsIn"),
              "statics went at 15 s | the end still waited a moment before 5 s");
}

// A sync whose block waits in its queue as the end comes would wait for ever: no worker starts
// the block any more. Its waiter runs the block in place instead.
TEST_F(DispatchQueueTest, ASyncWaitingForItsQueueAsTheProcessEndsRunsInPlace) {
    EXPECT_EQ(endOfChild("LeavesASyncQueuedBehindABlock"),
              "statics went at 0 s | synced in place before the statics went | "
              "the block before it done before the statics went");
    EXPECT_EQ(endOfChild("LeavesAMainQueueSyncUnrun"),
              "statics went at 0 s | synced with the main queue in place | "
              "the waiting block done before the statics went");
}

// Work that runs on past the end's limit, until the statics have gone (the process's shared
// queues and Qt's among them), then asks for the shared queues and posts to them: the process
// still ends normally, and what it posts is dropped.
TEST_F(DispatchQueueTest, WorkThatOutlivesTheStaticsStillFindsTheSharedQueues) {
    EXPECT_EQ(endOfChild("LeavesWorkRunningPastTheStatics"),
              "asked for the shared queues after the statics went | statics went at 5 s");
}

// Once the end has come the main loop runs nothing more, even where it still turns: a block
// posted to it then, or due on the clock, is dropped; nothing is scheduled on the clock and no
// worker thread starts for work that could never start.
TEST_F(DispatchQueueTest, WorkHandedOnAfterTheEndIsDropped) {
    EXPECT_EQ(endOfChild("HandsWorkOnAfterTheEnd"),
              "no worker started after the end | nothing scheduled on the clock after the end | "
              "statics went at 1 s | the main loop ran dry after the end");
}

// A queue destroyed once the end has come waits for its blocks as the end waits for its work,
// and no longer: a block that ends within the end's limit has ended when the destructor returns;
// one that outlasts it holds no exit past the limit, not even as its queue goes with the
// statics, and goes on once they have gone. Destroyed from its own block, it waits for none.
TEST_F(DispatchQueueTest, AQueueDestroyedAfterTheEndWaitsForItsBlocksNoLongerThanTheEnd) {
    EXPECT_EQ(endOfChild("DestroysQueuesAsTheEndWaits"),
              "a queue destroyed as the end waited left its block running at 5 s | "
              "a queue destroyed as the end waited returned once its block had ended | "
              "a queue destroyed by its own block as the end waited returned at 0 s | "
              "the block left running ended after its queue went");
    EXPECT_EQ(endOfChild("LeavesWorkRunningOnAStaticQueue"),
              "statics went at 5 s | the static queue's block ran on after the statics went");
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

// --- The child's side ---

Gate gStarted;

// Until the end waits (its limit is on the clock), then done: the work runs as the end comes.
void runPastTheTest(const char* what) {
    gStarted.open();
    if (!childClock().waitUntilScheduled(1)) return;
    endLogLine(std::string(what) + " done " + beforeOrAfterTheStatics());
}

// An asynchronous operation, which a queue may start on the thread that adds it.
class TellsItStarted final : public ns::Operation {
public:
    [[nodiscard]] bool isConcurrent() const override { return true; }
    void start() override { endLogLine("an asynchronous operation started after the end"); }
};

TEST(ProcessEndChild, LeavesWorkRunning) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    // Statics go in the reverse order of their making: the sentinel first, then the one that
    // waits for the queues, then the queues.
    static ns::SerialQueue queue("test.end");
    static ns::OperationQueue operations(QStringLiteral("test.end.operations"));
    static ns::OperationQueue idleOperations(QStringLiteral("test.end.idle"));
    static struct WaitsForTheQueues {
        ~WaitsForTheQueues() {
            queue.sync([] { endLogLine("synced at exit"); });
            ns::MainQueue::postSync([] { endLogLine("synced with the main queue at exit"); });
        }
    } waits;
    static StaticsSentinel sentinel;
    queue.async([] {
        runPastTheTest("block");
        queue.async([] { endLogLine("a block started after the end"); });
        idleOperations.addOperation(std::make_shared<TellsItStarted>());
    });
    operations.addOperationWithBlock([] {
        runPastTheTest("operation");
        operations.addOperationWithBlock([] { endLogLine("an operation started after the end"); });
    });
    // Both have started (one not started by the end never starts).
    ASSERT_TRUE(gStarted.pass());
    ASSERT_TRUE(gStarted.pass());
    EXPECT_EQ(childClock().scheduledCount(), 0u);
}

// Leaves a block running for ever as the child ends, and moves the clock, once the end waits
// on it, to just before the end's limit, then to it.
void leaveWorkRunningOnAndOn() {
    // Never destroyed: a queue's destructor would wait for its endless block.
    static auto* const queue = new ns::SerialQueue("test.end.endless");
    static StaticsSentinel sentinel;
    queue->async([] {
        gStarted.open();
        std::promise<void> never;
        never.get_future().wait();
    });
    ASSERT_TRUE(gStarted.pass());
    EXPECT_EQ(childClock().scheduledCount(), 0u);
    std::thread([] {
        ns::ManualClock& clock = childClock();
        if (!clock.waitUntilScheduled(1)) {
            endLogLine("the end set no limit");
            return;
        }
        clock.advance(5s - 1ns);
        endLogLine(clock.scheduledCount() == 1 ? "the end still waited a moment before 5 s"
                                               : "the end gave up before 5 s");
        clock.advance(1ns);
        if (clock.scheduledCount() == 0) return;
        endLogLine("the end still waited at 5 s");
        clock.advance(1h);
    }).detach();
}

TEST(ProcessEndChild, LeavesWorkRunningOnAndOn) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    leaveWorkRunningOnAndOn();
}

TEST(ProcessEndChild, LeavesWorkRunningOnAndOnTenSecondsIn) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    childClock().advance(10s);
    leaveWorkRunningOnAndOn();
}

// A serial queue that tells when a sync's block is queued.
class QueueThatTellsOfItsSyncs final : public ns::ConcurrentQueue {
public:
    QueueThatTellsOfItsSyncs() : ConcurrentQueue(QStringLiteral("test.end.sync"), 1) {}
    Gate queued;

protected:
    void syncQueued() override { queued.open(); }
};

TEST(ProcessEndChild, LeavesASyncQueuedBehindABlock) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    static QueueThatTellsOfItsSyncs queue;
    static ns::SerialQueue waiting("test.end.waiting");
    static StaticsSentinel sentinel;
    queue.async([] { runPastTheTest("the block before it"); });
    ASSERT_TRUE(gStarted.pass());
    waiting.async([] {
        queue.sync([] {
            endLogLine(
                std::string(queue.isCurrent() ? "synced on the queue " : "synced in place ") +
                beforeOrAfterTheStatics());
        });
    });
    // The sync's block waits behind the first block as the test ends and the end comes.
    ASSERT_TRUE(queue.queued.pass());
    EXPECT_EQ(childClock().scheduledCount(), 0u);
}

// Brings the end on the main thread as the first block posted to the main loop arrives, before
// the block runs.
class EndsAtTheFirstPost final : public QObject {
public:
    std::atomic<bool> ended{false};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::MetaCall &&
            !ended) {
            ns::ProcessEnd::come();
            ended = true;
        }
        return false;
    }
};

TEST(ProcessEndChild, LeavesAMainQueueSyncUnrun) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    static ns::SerialQueue queue("test.end.main");
    static StaticsSentinel sentinel;
    EndsAtTheFirstPost endsAtThePost;
    QCoreApplication::instance()->installEventFilter(&endsAtThePost);
    queue.async([] {
        ns::MainQueue::postSync([] {
            endLogLine(ns::MainQueue::isMainThread() ? "synced with the main queue on its thread"
                                                     : "synced with the main queue in place");
        });
        runPastTheTest("the waiting block");
    });
    while (!endsAtThePost.ended) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::instance()->removeEventFilter(&endsAtThePost);
}

TEST(ProcessEndChild, LeavesWorkRunningPastTheStatics) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    // The shared queues are in use before the end, as in the app, and so go with the statics.
    ns::DispatchQueue::main();
    ns::DispatchQueue::global()->sync([] {});
    ns::NetworkThread::shared().sync([] {});
    // Never destroyed: a queue's destructor would wait for its block.
    static auto* const queue = new ns::SerialQueue("test.end.late");
    static StaticsSentinel sentinel;
    holdWorkPastTheStatics();
    queue->async([] {
        gStarted.open();
        if (!passOnceTheStaticsHaveGone()) return;
        ns::DispatchQueue::main()->async([] { endLogLine("a main-queue block ran at exit"); });
        ns::MainQueue::post([] { endLogLine("a main-queue post ran at exit"); });
        ns::DispatchQueue::global()->async([] { endLogLine("a global block ran at exit"); });
        ns::NetworkThread::shared().shared_from_this()->async(
            [] { endLogLine("a network-thread block ran at exit"); });
        ns::WorkerPool::shared().run([] { endLogLine("a worker ran at exit"); });
        endLogLine("asked for the shared queues " + beforeOrAfterTheStatics());
        lateWorkDone();
    });
    ASSERT_TRUE(gStarted.pass());
    // The end gives up on the block at its limit; the block goes on.
    endTheWaitAtItsLimit();
}

TEST(ProcessEndChild, HandsWorkOnAfterTheEnd) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    static StaticsSentinel sentinel;
    ns::DispatchQueue::main()->asyncAfter(1s, [] { endLogLine("a block due after the end ran"); });
    ns::ProcessEnd::come();
    ns::MainQueue::post([] { endLogLine("a block posted after the end ran"); });
    ns::DispatchQueue::main()->asyncAfter(
        1s, [] { endLogLine("a block scheduled after the end ran"); });
    endLogLine(childClock().scheduledCount() == 1 ? "nothing scheduled on the clock after the end"
                                                  : "scheduled on the clock after the end");
    // The child has not used the pool yet: work that finds no idle thread would start one.
    ns::WorkerPool::shared().run([] { endLogLine("a worker ran after the end"); });
    endLogLine(ns::WorkerPool::shared().threadCount() == 0 ? "no worker started after the end"
                                                           : "a worker started after the end");
    childClock().advance(1s);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    endLogLine("the main loop ran dry after the end");
}

std::string onTheChildClock() {
    return "at " + QString::number(ns::toSeconds(childClock().uptime())).toStdString() + " s";
}

// Destroys three queues as the end waits on the clock, each with a block still running: one
// from its own block, one whose block ends while its destructor waits, and one whose block runs
// on past the end's limit.
TEST(ProcessEndChild, DestroysQueuesAsTheEndWaits) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    // Never destroyed: the blocks left running may still use them as the process ends.
    static auto* const goOn = new Gate[3];
    static auto* const done = new Gate;
    static auto* const ended = new std::atomic<bool>{false};
    static auto* const own =
        new std::shared_ptr<ns::SerialQueue>(std::make_shared<ns::SerialQueue>("test.end.own"));
    auto ending = std::make_unique<ns::SerialQueue>("test.end.ending");
    auto outlasting = std::make_unique<ns::SerialQueue>("test.end.outlasting");
    (*own)->async([] {
        gStarted.open();
        if (!goOn[0].pass()) return;
        own->reset();
        endLogLine("a queue destroyed by its own block as the end waited returned " +
                   onTheChildClock());
        done->open();
    });
    ending->async([] {
        gStarted.open();
        *ended = goOn[1].pass();
    });
    outlasting->async([] {
        gStarted.open();
        if (!goOn[2].pass()) return;
        endLogLine("the block left running ended after its queue went");
        done->open();
    });
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(gStarted.pass());
    std::thread end([] { ns::ProcessEnd::come(); });
    ns::ManualClock& clock = childClock();
    ASSERT_TRUE(clock.waitUntilScheduled(1));

    goOn[0].open();
    ASSERT_TRUE(done->pass());

    // The destructor waits on the clock beside the end; the block then ends.
    std::thread([&clock] {
        if (clock.waitUntilScheduled(2)) goOn[1].open();
    }).detach();
    ending.reset();
    endLogLine(*ended ? "a queue destroyed as the end waited returned once its block had ended"
                      : "a queue destroyed as the end waited did not wait for its block");

    std::thread([&clock] {
        if (clock.waitUntilScheduled(2)) clock.advance(ns::ProcessEnd::kLongestWait);
    }).detach();
    outlasting.reset();
    endLogLine("a queue destroyed as the end waited left its block running " + onTheChildClock());
    goOn[2].open();
    EXPECT_TRUE(done->pass());
    end.join();
}

// Leaves a block running on a queue that goes with the statics, until they have gone.
TEST(ProcessEndChild, LeavesWorkRunningOnAStaticQueue) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    static ns::SerialQueue queue("test.end.static");
    static StaticsSentinel sentinel;
    holdWorkPastTheStatics();
    queue.async([] {
        gStarted.open();
        endLogLine(passOnceTheStaticsHaveGone()
                       ? "the static queue's block ran on after the statics went"
                       : "the static queue's destructor waited for its block");
        lateWorkDone();
    });
    ASSERT_TRUE(gStarted.pass());
    endTheWaitAtItsLimit();
}

}  // namespace
