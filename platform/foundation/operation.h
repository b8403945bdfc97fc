#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ns {

// A unit of work with a life of its own: ready, executing, finished, and possibly
// cancelled on the way. Queues start operations whose dependencies have finished.
//
// The base runs main() synchronously inside start(). An asynchronous operation
// overrides start() (and isConcurrent()) and finishes later, from any thread, either
// through setExecuting()/setFinished() or by keeping its own state, overriding the
// is...() readers and announcing every change with didChangeValue(). Queues and the
// completion block learn of a change only through that announcement.
//
// Operations are always held by std::shared_ptr.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    // The observable properties.
    enum class Key { Ready, Executing, Finished, Cancelled };

    enum class QueuePriority : int {
        VeryLow = -8,
        Low = -4,
        Normal = 0,
        High = 4,
        VeryHigh = 8,
    };

    using Block = std::function<void()>;
    // Called on the announcing thread, after the change, outside every lock the
    // base holds.
    using Observer = std::function<void(Operation& operation, Key key)>;
    using ObserverId = std::uint64_t;

    Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    virtual ~Operation();

    // Runs the operation on the calling thread. The base: a cancelled operation
    // finishes without running main(); a ready one executes main(), then finishes.
    // An operation that is not ready, already executing or finished is left alone.
    virtual void start();
    // The work of a synchronous operation; the base does nothing.
    virtual void main() {}
    // Marks the operation cancelled. It is up to the operation to stop early; a
    // cancelled operation counts as ready, so that a queue starts and ends it.
    virtual void cancel();

    // Ready when cancelled or when every dependency has finished.
    [[nodiscard]] virtual bool isReady() const;
    [[nodiscard]] virtual bool isExecuting() const;
    [[nodiscard]] virtual bool isFinished() const;
    [[nodiscard]] virtual bool isCancelled() const;
    // True for operations that keep running after start() returns.
    [[nodiscard]] virtual bool isConcurrent() const { return false; }
    [[nodiscard]] bool isAsynchronous() const { return isConcurrent(); }

    // Dependencies are held strongly until removed. Adding one after the operation
    // has started changes nothing for that run.
    void addDependency(const std::shared_ptr<Operation>& operation);
    void removeDependency(const std::shared_ptr<Operation>& operation);
    [[nodiscard]] std::vector<std::shared_ptr<Operation>> dependencies() const;

    [[nodiscard]] QueuePriority queuePriority() const;
    void setQueuePriority(QueuePriority priority);

    // Where a completion block runs: on a worker thread (the default), or right on
    // the thread that announces the finish, for blocks that only hand the result on
    // to another queue and would otherwise cost a thread hop per operation.
    enum class CompletionThread { Worker, Finishing };

    // Runs once, after the operation has announced that it finished. Setting a block
    // after that does not run it.
    [[nodiscard]] Block completionBlock() const;
    [[nodiscard]] CompletionThread completionThread() const;
    void setCompletionBlock(Block block) {
        setCompletionBlock(std::move(block), CompletionThread::Worker);
    }
    virtual void setCompletionBlock(Block block, CompletionThread thread);

    // Blocks the calling thread until the operation has finished.
    void waitUntilFinished();

    ObserverId addObserver(Observer observer);
    void removeObserver(ObserverId id);

protected:
    // Announces that the value behind `key` has changed; call it after storing the
    // new value, without holding a lock an observer could need.
    void didChangeValue(Key key);

    // The base's own state, for subclasses that keep no state of their own. Each
    // announces its change when the value actually changes.
    void setExecuting(bool executing);
    void setFinished(bool finished);

private:
    friend class OperationQueue;

    struct Dependency {
        std::shared_ptr<Operation> operation;
        ObserverId observer;
    };
    struct Registration {
        ObserverId id;
        std::shared_ptr<Observer> observer;
    };

    void finishedAnnounced();

    // Set once by the queue that takes the operation; no second queue may.
    std::atomic<bool> enqueued_{false};
    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool executing_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
    bool finishAnnounced_ = false;
    QueuePriority priority_ = QueuePriority::Normal;
    Block completionBlock_;
    CompletionThread completionThread_ = CompletionThread::Worker;
    std::vector<Dependency> dependencies_;

    mutable std::mutex observersMutex_;
    std::vector<Registration> observers_;
    ObserverId nextObserverId_ = 1;
};

// An operation that runs one or more blocks, one after the other, and finishes.
class BlockOperation final : public Operation {
public:
    static std::shared_ptr<BlockOperation> blockOperationWithBlock(Block block);

    // Blocks added after the operation has started are not run.
    void addExecutionBlock(Block block);
    [[nodiscard]] std::vector<Block> executionBlocks() const;

    void main() override;

private:
    mutable std::mutex blocksMutex_;
    std::vector<Block> blocks_;
};

}  // namespace ns
