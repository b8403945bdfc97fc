#include "platform/foundation/operation_queue.h"

#include "LoopbackServer.h"  // Gate
#include "SandboxTest.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace {

class OperationQueueTest : public SandboxTest {};

// Records the order in which operations ran.
class Journal {
public:
    void add(int entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
    }
    [[nodiscard]] std::vector<int> entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<int> entries_;
};

// Starts its work elsewhere and finishes when the test says so, as a network
// operation does.
class LaterOperation final : public ns::Operation {
public:
    void start() override {
        if (isCancelled()) {
            setFinished(true);
            return;
        }
        setExecuting(true);
        started = true;
    }
    [[nodiscard]] bool isConcurrent() const override { return true; }

    void complete() {
        setExecuting(false);
        setFinished(true);
    }

    std::atomic<bool> started{false};
};

TEST_F(OperationQueueTest, DependenciesRunFirstEvenAcrossQueues) {
    ns::OperationQueue first("first");
    ns::OperationQueue second("second");
    Journal journal;
    auto a = ns::BlockOperation::blockOperationWithBlock([&] { journal.add(1); });
    auto b = ns::BlockOperation::blockOperationWithBlock([&] { journal.add(2); });
    auto c = ns::BlockOperation::blockOperationWithBlock([&] { journal.add(3); });
    c->addDependency(b);
    b->addDependency(a);
    EXPECT_FALSE(c->isReady());

    first.setSuspended(true);
    second.addOperation(c);
    first.addOperation(b);
    first.addOperation(a);
    EXPECT_EQ(second.operationCount(), 1u);
    first.setSuspended(false);
    c->waitUntilFinished();
    EXPECT_EQ(journal.entries(), (std::vector<int>{1, 2, 3}));
    second.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(second.operationCount(), 0u);
}

TEST_F(OperationQueueTest, RemovedDependencyNoLongerHoldsBack) {
    auto blocker = std::make_shared<LaterOperation>();
    auto waiting = ns::BlockOperation::blockOperationWithBlock([] {});
    waiting->addDependency(blocker);
    EXPECT_FALSE(waiting->isReady());
    waiting->removeDependency(blocker);
    EXPECT_TRUE(waiting->isReady());
    EXPECT_TRUE(waiting->dependencies().empty());
}

TEST_F(OperationQueueTest, HigherPrioritiesStartFirstAndEqualOnesInOrder) {
    ns::OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.setSuspended(true);
    Journal journal;
    const std::vector<std::pair<int, ns::Operation::QueuePriority>> plan{
        {1, ns::Operation::QueuePriority::Low},    {2, ns::Operation::QueuePriority::VeryHigh},
        {3, ns::Operation::QueuePriority::Normal}, {4, ns::Operation::QueuePriority::VeryLow},
        {5, ns::Operation::QueuePriority::High},   {6, ns::Operation::QueuePriority::Normal},
    };
    for (const auto& [tag, priority] : plan) {
        auto operation = ns::BlockOperation::blockOperationWithBlock(
            [&journal, tag = tag] { journal.add(tag); });
        operation->setQueuePriority(priority);
        queue.addOperation(operation);
    }
    EXPECT_EQ(queue.operationCount(), 6u);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(journal.entries(), (std::vector<int>{2, 5, 3, 6, 1, 4}));
}

TEST_F(OperationQueueTest, WidthOneRunsOneAtATimeInOrder) {
    ns::OperationQueue queue("serial");
    queue.setMaxConcurrentOperationCount(1);
    Journal journal;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::vector<std::shared_ptr<ns::Operation>> operations;
    for (int i = 0; i < 40; ++i) {
        operations.push_back(ns::BlockOperation::blockOperationWithBlock([&, i] {
            mostAtOnce = std::max(mostAtOnce.load(), ++running);
            journal.add(i);
            --running;
        }));
    }
    queue.addOperations(operations, true);
    std::vector<int> expected(40);
    for (int i = 0; i < 40; ++i) expected[i] = i;
    EXPECT_EQ(journal.entries(), expected);
    EXPECT_EQ(mostAtOnce.load(), 1);
}

TEST_F(OperationQueueTest, UnlimitedQueueRunsBlockingOperationsSideBySide) {
    ns::OperationQueue queue;
    EXPECT_EQ(queue.maxConcurrentOperationCount(), -1);
    Gate allStarted;
    Gate release;
    std::atomic<int> started{0};
    constexpr int kCount = 12;
    for (int i = 0; i < kCount; ++i) {
        queue.addOperationWithBlock([&] {
            if (++started == kCount) allStarted.open();
            release.pass();
        });
    }
    // All twelve must be waiting at once for this gate to open.
    EXPECT_TRUE(allStarted.pass());
    release.open(kCount);
    queue.waitUntilAllOperationsAreFinished();
}

TEST_F(OperationQueueTest, SuspendedQueueStartsNothingUntilResumed) {
    ns::OperationQueue queue;
    queue.setSuspended(true);
    std::atomic<bool> ran{false};
    auto operation = ns::BlockOperation::blockOperationWithBlock([&] { ran = true; });
    queue.addOperation(operation);
    EXPECT_TRUE(queue.isSuspended());
    EXPECT_EQ(queue.operations(), std::vector<std::shared_ptr<ns::Operation>>{operation});
    EXPECT_FALSE(ran.load());
    EXPECT_FALSE(operation->isExecuting());
    queue.setSuspended(false);
    operation->waitUntilFinished();
    EXPECT_TRUE(ran.load());
}

TEST_F(OperationQueueTest, CancelledBeforeStartFinishesWithoutRunningAndCompletes) {
    ns::OperationQueue queue;
    queue.setSuspended(true);
    std::atomic<bool> ran{false};
    std::atomic<int> completions{0};
    auto blocker = std::make_shared<LaterOperation>();
    auto operation = ns::BlockOperation::blockOperationWithBlock([&] { ran = true; });
    operation->addDependency(blocker);  // a cancelled operation does not wait for it
    operation->setCompletionBlock([&] { ++completions; });
    queue.addOperation(operation);
    queue.cancelAllOperations();
    EXPECT_TRUE(operation->isCancelled());
    EXPECT_TRUE(operation->isReady());
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(operation->isFinished());
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(runMainLoopUntil([&] { return completions.load() == 1; }));
}

TEST_F(OperationQueueTest, CompletionRunsOnceAfterTheOperationFinished) {
    ns::OperationQueue queue;
    std::atomic<int> completions{0};
    std::atomic<bool> sawFinished{false};
    auto operation = std::make_shared<LaterOperation>();
    operation->setCompletionBlock([&] {
        sawFinished = operation->isFinished();
        ++completions;
    });
    queue.addOperation(operation);
    ASSERT_TRUE(runMainLoopUntil([&] { return operation->started.load(); }));
    EXPECT_EQ(completions.load(), 0);
    operation->complete();
    operation->complete();  // a second announcement changes nothing
    ASSERT_TRUE(runMainLoopUntil([&] { return completions.load() == 1; }));
    EXPECT_TRUE(sawFinished.load());

    // A block set after the end is kept but never run.
    operation->setCompletionBlock([&] { ++completions; });
    queue.waitUntilAllOperationsAreFinished();
    drainMainLoop();
    EXPECT_EQ(completions.load(), 1);
}

TEST_F(OperationQueueTest, AsynchronousOperationHoldsItsPlaceUntilItReportsFinished) {
    ns::OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    auto network = std::make_shared<LaterOperation>();
    std::atomic<bool> nextRan{false};
    auto next = ns::BlockOperation::blockOperationWithBlock([&] { nextRan = true; });
    queue.addOperation(network);
    queue.addOperation(next);
    ASSERT_TRUE(runMainLoopUntil([&] { return network->started.load(); }));
    EXPECT_TRUE(network->isExecuting());
    EXPECT_EQ(queue.operationCount(), 2u);
    EXPECT_FALSE(nextRan.load());

    network->complete();  // from another thread than the one that started it
    next->waitUntilFinished();
    EXPECT_TRUE(nextRan.load());
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST_F(OperationQueueTest, AnOperationJoinsOneQueueOnce) {
    ns::OperationQueue first;
    ns::OperationQueue second;
    first.setSuspended(true);
    auto operation = ns::BlockOperation::blockOperationWithBlock([] {});
    first.addOperation(operation);
    second.addOperation(operation);
    first.addOperation(operation);
    EXPECT_EQ(first.operationCount(), 1u);
    EXPECT_EQ(second.operationCount(), 0u);
    first.setSuspended(false);
    first.waitUntilAllOperationsAreFinished();
}

// An operation whose end adds the next of a chain to the queue, as a load leaving its place in a
// gate starts the next load, `left` more after it.
class ChainLink {
public:
    ChainLink(ns::OperationQueue* queue, int left, std::vector<std::weak_ptr<ns::Operation>>* made)
        : queue_(queue), left_(left), made_(made) {}
    ChainLink(const ChainLink&) = delete;
    ChainLink& operator=(const ChainLink&) = delete;
    ~ChainLink() {
        if (left_ == 0) return;
        queue_->addOperation(operationOf(queue_, left_ - 1, made_));
    }

    // An operation holding a link of the chain, noted in `made`.
    static std::shared_ptr<ns::Operation> operationOf(
        ns::OperationQueue* queue, int left, std::vector<std::weak_ptr<ns::Operation>>* made) {
        auto link = std::make_shared<ChainLink>(queue, left, made);
        auto operation = ns::BlockOperation::blockOperationWithBlock([link] {});
        made->push_back(operation);
        return operation;
    }

private:
    ns::OperationQueue* queue_;
    int left_;
    std::vector<std::weak_ptr<ns::Operation>>* made_;
};

// Operations that the end of a queue's own operations adds to it as it goes go with it, each
// of a chain in turn: none is left behind or added into what the queue is destroying.
TEST_F(OperationQueueTest, OperationsAddedAsTheQueueGoesGoWithIt) {
    std::vector<std::weak_ptr<ns::Operation>> made;
    auto queue = std::make_unique<ns::OperationQueue>();
    queue->setSuspended(true);
    for (int chain = 0; chain < 4; ++chain)
        queue->addOperation(ChainLink::operationOf(queue.get(), 8, &made));
    EXPECT_EQ(queue->operationCount(), 4u);
    queue.reset();
    EXPECT_EQ(made.size(), 4u * 9);
    for (const auto& operation : made) EXPECT_TRUE(operation.expired());
}

}  // namespace
