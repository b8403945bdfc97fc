#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/once.h"

#include "platform/foundation/operation_queue.h"

#include "ChildTestProcess.h"
#include "Gate.h"
#include "SandboxTest.h"

#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr char kEndLog[] = "HOUSING_TEST_PROCESS_END_LOG";

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

// The child below leaves a queue block and an operation running as its test ends, each adding
// one more when it finishes, and a static whose destructor waits for the queue. The process's
// end waits for the running ones, before any static goes, starts neither late one, and the
// static's wait runs in place rather than for ever.
TEST_F(DispatchQueueTest, TheProcessEndsOnlyOnceTheRunningBlocksAreDoneAndStartsNoOther) {
    const QString log = sandboxPath() + QStringLiteral("/end.log");
    QProcess child;
    startChildTest(child, QStringLiteral("ProcessEndChild.*"),
                   {{QString::fromLatin1(kEndLog), log}});
    ASSERT_TRUE(child.waitForFinished(30000)) << "the child's end hangs";
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines.join(" | ").toStdString(),
              "block done before the statics went | operation done before the statics went | "
              "synced at exit");
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
Gate gTestOver;

// Until the test is over, then a while longer: the work is still running as the process ends.
void runPastTheTest(const char* what) {
    gStarted.open();
    if (!gTestOver.pass()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    endLogLine(std::string(what) +
               (gStaticsGoing ? " done after the statics went" : " done before the statics went"));
}

TEST(ProcessEndChild, LeavesWorkRunning) {
    gEndLog = qEnvironmentVariable(kEndLog).toStdString();
    if (gEndLog.empty()) GTEST_SKIP() << "runs as the child of DispatchQueueTest only";
    // Statics go in the reverse order of their making: the sentinel first, then the one that
    // waits for the queue, then the queues.
    static ns::SerialQueue queue("test.end");
    static ns::OperationQueue operations(QStringLiteral("test.end.operations"));
    static struct WaitsForTheQueue {
        ~WaitsForTheQueue() {
            queue.sync([] { endLogLine("synced at exit"); });
        }
    } waits;
    static struct Sentinel {
        ~Sentinel() { gStaticsGoing = true; }
    } sentinel;
    queue.async([] {
        runPastTheTest("block");
        queue.async([] { endLogLine("a block started after the end"); });
    });
    operations.addOperationWithBlock([] {
        runPastTheTest("operation");
        operations.addOperationWithBlock([] { endLogLine("an operation started after the end"); });
    });
    // Both have started (one not started by the end never starts).
    ASSERT_TRUE(gStarted.pass());
    ASSERT_TRUE(gStarted.pass());
    gTestOver.openForGood();
}

}  // namespace
