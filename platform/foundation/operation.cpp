#include "platform/foundation/operation.h"

#include "platform/foundation/worker_pool.h"

#include <algorithm>

namespace ns {

Operation::~Operation() {
    // Dependencies outlive us only through their own owners; stop listening to them.
    for (const auto& dependency : dependencies_) {
        dependency.operation->removeObserver(dependency.observer);
    }
}

void Operation::start() {
    {
        std::lock_guard lock(mutex_);
        if (executing_ || finished_) return;
    }
    if (!isCancelled()) {
        if (!isReady()) return;
        setExecuting(true);
        if (!isCancelled()) main();
        // Announce both changes only after both values are stored, so that no
        // observer sees an operation that is neither executing nor finished.
        {
            std::lock_guard lock(mutex_);
            executing_ = false;
            finished_ = true;
        }
        didChangeValue(Key::Executing);
        didChangeValue(Key::Finished);
        return;
    }
    setFinished(true);
}

void Operation::cancel() {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return;
        cancelled_ = true;
    }
    didChangeValue(Key::Cancelled);
    // Unfinished dependencies no longer hold a cancelled operation back.
    didChangeValue(Key::Ready);
}

bool Operation::isReady() const {
    std::vector<std::shared_ptr<Operation>> waitingFor;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return true;
        for (const auto& dependency : dependencies_) waitingFor.push_back(dependency.operation);
    }
    // Asked outside our lock: a dependency's reader may take locks of its own.
    return std::all_of(waitingFor.begin(), waitingFor.end(),
                       [](const auto& operation) { return operation->isFinished(); });
}

bool Operation::isExecuting() const {
    std::lock_guard lock(mutex_);
    return executing_;
}

bool Operation::isFinished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

bool Operation::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void Operation::addDependency(const std::shared_ptr<Operation>& operation) {
    if (!operation || operation.get() == this) return;
    {
        std::lock_guard lock(mutex_);
        const bool known = std::any_of(dependencies_.begin(), dependencies_.end(),
                                       [&](const auto& d) { return d.operation == operation; });
        if (known) return;
    }
    const auto observer =
        operation->addObserver([weakSelf = weak_from_this()](Operation&, Key key) {
            if (key != Key::Finished) return;
            if (auto self = weakSelf.lock()) self->didChangeValue(Key::Ready);
        });
    {
        std::lock_guard lock(mutex_);
        dependencies_.push_back({operation, observer});
    }
    didChangeValue(Key::Ready);
}

void Operation::removeDependency(const std::shared_ptr<Operation>& operation) {
    Dependency removed;
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(dependencies_.begin(), dependencies_.end(),
                                        [&](const auto& d) { return d.operation == operation; });
        if (found == dependencies_.end()) return;
        removed = std::move(*found);
        dependencies_.erase(found);
    }
    removed.operation->removeObserver(removed.observer);
    didChangeValue(Key::Ready);
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Operation>> result;
    for (const auto& dependency : dependencies_) result.push_back(dependency.operation);
    return result;
}

Operation::QueuePriority Operation::queuePriority() const {
    std::lock_guard lock(mutex_);
    return priority_;
}

void Operation::setQueuePriority(QueuePriority priority) {
    std::lock_guard lock(mutex_);
    priority_ = priority;
}

Operation::Block Operation::completionBlock() const {
    std::lock_guard lock(mutex_);
    return completionBlock_;
}

Operation::CompletionThread Operation::completionThread() const {
    std::lock_guard lock(mutex_);
    return completionThread_;
}

void Operation::setCompletionBlock(Block block, CompletionThread thread) {
    Block previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(completionBlock_, std::move(block));
        completionThread_ = thread;
    }
    // `previous`, and whatever it captured, is released outside the lock.
}

void Operation::waitUntilFinished() {
    // Waits for the announcement rather than the value: subclasses with a state of
    // their own answer isFinished() themselves, and every finish is announced.
    std::unique_lock lock(mutex_);
    finishedChanged_.wait(lock, [&] { return finishAnnounced_; });
}

Operation::ObserverId Operation::addObserver(Observer observer) {
    std::lock_guard lock(observersMutex_);
    const ObserverId id = nextObserverId_++;
    observers_.push_back({id, std::make_shared<Observer>(std::move(observer))});
    return id;
}

void Operation::removeObserver(ObserverId id) {
    std::lock_guard lock(observersMutex_);
    std::erase_if(observers_, [&](const Registration& r) { return r.id == id; });
}

void Operation::didChangeValue(Key key) {
    if (key == Key::Finished) finishedAnnounced();
    std::vector<std::shared_ptr<Observer>> observers;
    {
        std::lock_guard lock(observersMutex_);
        for (const auto& registration : observers_) observers.push_back(registration.observer);
    }
    for (const auto& observer : observers) (*observer)(*this, key);
}

void Operation::finishedAnnounced() {
    if (!isFinished()) return;
    Block completion;
    CompletionThread thread;
    {
        std::lock_guard lock(mutex_);
        if (finishAnnounced_) return;
        finishAnnounced_ = true;
        finishedChanged_.notify_all();
        completion = completionBlock_;
        thread = completionThread_;
    }
    if (!completion) return;
    if (thread == CompletionThread::Finishing) {
        completion();
    } else {
        // Off the announcing thread, whose work the block must not hold up.
        WorkerPool::shared().run(std::move(completion));
    }
}

void Operation::setExecuting(bool executing) {
    {
        std::lock_guard lock(mutex_);
        if (executing_ == executing) return;
        executing_ = executing;
    }
    didChangeValue(Key::Executing);
}

void Operation::setFinished(bool finished) {
    {
        std::lock_guard lock(mutex_);
        if (finished_ == finished) return;
        finished_ = finished;
    }
    didChangeValue(Key::Finished);
}

std::shared_ptr<BlockOperation> BlockOperation::blockOperationWithBlock(Block block) {
    auto operation = std::make_shared<BlockOperation>();
    operation->addExecutionBlock(std::move(block));
    return operation;
}

void BlockOperation::addExecutionBlock(Block block) {
    if (!block) return;
    std::lock_guard lock(blocksMutex_);
    blocks_.push_back(std::move(block));
}

std::vector<Operation::Block> BlockOperation::executionBlocks() const {
    std::lock_guard lock(blocksMutex_);
    return blocks_;
}

void BlockOperation::main() {
    for (const auto& block : executionBlocks()) {
        if (isCancelled()) return;
        block();
    }
}

}  // namespace ns
