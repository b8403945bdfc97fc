#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/network_thread.h"
#include "platform/foundation/once.h"

#include "platform/foundation/operation_queue.h"
#include "platform/foundation/process_end.h"
#include "platform/foundation/worker_pool.h"

#include "ChildTestProcess.h"
#include "Gate.h"
#include "SandboxTest.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr char kEndLog[] = "HOUSING_TEST_PROCESS_END_LOG";

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
    const QString log = sandboxPath() + QStringLiteral("/end.log");
    QFile::remove(log);
    QProcess child;
    startChildTest(child, QStringLiteral("ProcessEndChild.") + QLatin1String(name),
                   {{QString::fromLatin1(kEndLog), log}});
    if (!child.waitForFinished(90000)) {
        ADD_FAILURE() << name << ": the child's end hangs";
        return {};
    }
    const std::string output = QString::fromLocal8Bit(child.readAll()).toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
    EXPECT_EQ(output.find("terminate called"), std::string::npos) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines.join(QStringLiteral(" | ")).toStdString();
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

// What the child's work writes, one line at a time with plain system calls, which work at any
// moment of a process's end.
std::string gEndLog;
void endLogLine(const std::string& line) {
    const int file = ::open(gEndLog.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (file < 0) return;
    const std::string text = line + '\n';
    [[maybe_unused]] const ssize_t written = ::write(file, text.data(), text.size());
    ::close(file);
}

std::atomic<bool> gStaticsGoing{false};
Gate gStarted;

std::string beforeOrAfterTheStatics() {
    return gStaticsGoing ? "after the statics went" : "before the statics went";
}

// The child's one clock, manual: the end waits on it, and only the child's own threads move it.
ns::ManualClock& childClock() {
    static auto* const clock = [] {
        auto* held = new std::shared_ptr<ns::ManualClock>(std::make_shared<ns::ManualClock>());
        ns::Clock::install(*held);
        return held;
    }();
    return **clock;
}

// False when this process is not a child of DispatchQueueTest.
bool startChild() {
    gEndLog = qEnvironmentVariable(kEndLog).toStdString();
    if (gEndLog.empty()) return false;
    childClock();
    return true;
}

// The first static to go, made after the queues: the end has returned by then.
struct StaticsSentinel {
    ~StaticsSentinel() {
        gStaticsGoing = true;
        const double at = ns::toSeconds(childClock().uptime());
        endLogLine("statics went at " + QString::number(at, 'g', 12).toStdString() + " s");
    }
};

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
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
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
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    leaveWorkRunningOnAndOn();
}

TEST(ProcessEndChild, LeavesWorkRunningOnAndOnTenSecondsIn) {
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
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
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
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
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
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

// Made before main() begins, so destroyed after every static made since: the shared queues',
// Qt's and the child's own. In the child that holds work for it, lets that work go on then and
// waits for it to be done.
Gate gLastStaticGoing;
Gate gLateWorkDone;
struct LastStatic {
    std::atomic<bool> holdsWork{false};
    ~LastStatic() {
        if (!holdsWork) return;
        gLastStaticGoing.open();
        if (!gLateWorkDone.pass()) endLogLine("the late work never finished");
    }
} gLastStatic;

TEST(ProcessEndChild, LeavesWorkRunningPastTheStatics) {
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    // The shared queues are in use before the end, as in the app, and so go with the statics.
    ns::DispatchQueue::main();
    ns::DispatchQueue::global()->sync([] {});
    ns::NetworkThread::shared().sync([] {});
    // Never destroyed: a queue's destructor would wait for its block.
    static auto* const queue = new ns::SerialQueue("test.end.late");
    static StaticsSentinel sentinel;
    gLastStatic.holdsWork = true;
    queue->async([] {
        gStarted.open();
        if (!gLastStaticGoing.pass()) return;
        ns::DispatchQueue::main()->async([] { endLogLine("a main-queue block ran at exit"); });
        ns::MainQueue::post([] { endLogLine("a main-queue post ran at exit"); });
        ns::DispatchQueue::global()->async([] { endLogLine("a global block ran at exit"); });
        ns::NetworkThread::shared().shared_from_this()->async(
            [] { endLogLine("a network-thread block ran at exit"); });
        ns::WorkerPool::shared().run([] { endLogLine("a worker ran at exit"); });
        endLogLine("asked for the shared queues " + beforeOrAfterTheStatics());
        gLateWorkDone.open();
    });
    ASSERT_TRUE(gStarted.pass());
    // The end gives up on the block at its limit; the block goes on.
    std::thread([] {
        ns::ManualClock& clock = childClock();
        if (clock.waitUntilScheduled(1)) clock.advance(ns::ProcessEnd::kLongestWait);
    }).detach();
}

TEST(ProcessEndChild, HandsWorkOnAfterTheEnd) {
    if (!startChild()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
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

}  // namespace
