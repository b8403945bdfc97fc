#include "platform/foundation/operation_queue.h"

#include "platform/foundation/process_end.h"
#include "platform/foundation/worker_pool.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace ns {

// An operation may hold locks of its own while it announces a change, and the
// announcement reaches this state on that thread. So the queue never calls into an
// operation while it holds its own mutex, and it picks the operations to start on a
// worker thread of its own (requestSchedule()), never on the announcing thread:
// asking one operation whether it is ready while another's lock is held could
// otherwise deadlock. The one exception is an asynchronous operation that can start
// the moment it is added: the adding thread starts it.
struct OperationQueue::State : std::enable_shared_from_this<State> {
    struct Entry {
        std::shared_ptr<Operation> operation;
        Operation::ObserverId observer = 0;
        bool started = false;
    };

    mutable std::mutex mutex;
    std::condition_variable emptied;
    std::vector<Entry> entries;  // in the order added
    int running = 0;
    int width = kDefaultMaxConcurrentOperationCount;
    bool suspended = false;
    bool alive = true;
    bool schedulePending = false;
    QString name;

    [[nodiscard]] bool hasRoomLocked() const { return width < 0 || running < width; }
    [[nodiscard]] bool hasRoom() const {
        std::lock_guard lock(mutex);
        return alive && !suspended && hasRoomLocked();
    }

    void add(const std::shared_ptr<Operation>& operation) {
        // A queue on its way out takes nothing more. Its operations go as it goes, and one
        // whose end lets another start (a load leaving its place in a gate) may add that one
        // here then: it goes with the rest rather than into the entries being destroyed.
        {
            std::lock_guard lock(mutex);
            if (!alive) return;
        }
        const auto observer = operation->addObserver(
            [weakState = weak_from_this()](Operation& changed, Operation::Key key) {
                auto state = weakState.lock();
                if (!state) return;
                if (key == Operation::Key::Finished) {
                    if (changed.isFinished()) state->finished(changed);
                } else if (key == Operation::Key::Ready) {
                    state->requestSchedule();
                }
            });
        const bool asynchronous = operation->isConcurrent();
        bool mayStartHere = false;
        {
            std::lock_guard lock(mutex);
            const bool othersWaiting = std::any_of(entries.begin(), entries.end(),
                                                   [](const Entry& e) { return !e.started; });
            entries.push_back({operation, observer, false});
            mayStartHere = asynchronous && !othersWaiting && alive && !suspended && hasRoomLocked();
        }
        // An asynchronous operation returns from start() at once, having handed its work to
        // another thread; one that may run now starts on the adding thread, which saves a
        // thread hop per network request. Everything else is started by a worker. The start
        // counts as a worker's does: once the process has come to its end nothing starts.
        if (mayStartHere && operation->isReady() && ProcessEnd::startWork()) {
            const bool claimed = claim(operation);
            if (claimed) start(operation);
            ProcessEnd::endWork();
            if (claimed) return;
        }
        requestSchedule();
    }

    // Marks a waiting operation as started when there is room; false when there is none or
    // another thread took it first.
    bool claim(const std::shared_ptr<Operation>& operation) {
        std::lock_guard lock(mutex);
        if (!alive || suspended || !hasRoomLocked()) return false;
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
            return e.operation == operation && !e.started;
        });
        if (found == entries.end()) return false;
        found->started = true;
        ++running;
        return true;
    }

    void finished(Operation& operation) {
        std::shared_ptr<Operation> done;
        Operation::ObserverId observer = 0;
        {
            std::lock_guard lock(mutex);
            const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
                return e.operation.get() == &operation;
            });
            if (found == entries.end()) return;
            if (found->started) --running;
            done = std::move(found->operation);
            observer = found->observer;
            entries.erase(found);
            if (entries.empty()) emptied.notify_all();
        }
        done->removeObserver(observer);
        requestSchedule();
    }

    void requestSchedule() {
        {
            std::lock_guard lock(mutex);
            if (schedulePending || !alive) return;
            schedulePending = true;
        }
        WorkerPool::shared().run([weakState = weak_from_this()] {
            if (auto state = weakState.lock()) state->schedule();
        });
    }

    // Starts as many ready operations as there is room for, best priority first.
    void schedule() {
        std::vector<std::shared_ptr<Operation>> waiting;
        {
            std::lock_guard lock(mutex);
            schedulePending = false;  // changes from here on ask for another round
            if (!alive || suspended || !hasRoomLocked()) return;
            for (const auto& entry : entries) {
                if (!entry.started) waiting.push_back(entry.operation);
            }
        }
        std::vector<std::shared_ptr<Operation>> ready;
        for (auto& operation : waiting) {
            if (operation->isReady()) ready.push_back(std::move(operation));
        }
        if (ready.empty()) return;
        std::stable_sort(ready.begin(), ready.end(), [](const auto& a, const auto& b) {
            return a->queuePriority() > b->queuePriority();
        });

        std::vector<std::shared_ptr<Operation>> claimed;
        for (auto& operation : ready) {
            // One that another thread claimed meanwhile is skipped; no room ends the round.
            if (claim(operation)) {
                claimed.push_back(std::move(operation));
            } else if (!hasRoom()) {
                break;
            }
        }
        if (claimed.empty()) return;
        // This round already runs on a worker thread: the first operation starts right here
        // instead of paying one more thread hop; the others start on workers of their own.
        auto first = std::move(claimed.front());
        for (auto it = std::next(claimed.begin()); it != claimed.end(); ++it) {
            WorkerPool::shared().run([self = shared_from_this(), operation = std::move(*it)] {
                self->start(operation);
            });
        }
        start(first);
    }

    void start(const std::shared_ptr<Operation>& operation) {
        operation->start();
        // An operation that finished without announcing it would hold its place for ever.
        if (operation->isFinished()) finished(*operation);
    }
};

OperationQueue::OperationQueue(QString name) : state_(std::make_shared<State>()) {
    state_->name = std::move(name);
}

OperationQueue::~OperationQueue() {
    std::vector<State::Entry> dropped;
    {
        std::lock_guard lock(state_->mutex);
        state_->alive = false;
        dropped = std::move(state_->entries);
        state_->entries.clear();
        state_->emptied.notify_all();
    }
    for (const auto& entry : dropped) entry.operation->removeObserver(entry.observer);
}

void OperationQueue::addOperation(const std::shared_ptr<Operation>& operation) {
    if (!operation || operation->isExecuting() || operation->isFinished()) return;
    if (operation->enqueued_.exchange(true)) return;
    state_->add(operation);
}

void OperationQueue::addOperations(const std::vector<std::shared_ptr<Operation>>& operations,
                                   bool waitUntilFinished) {
    for (const auto& operation : operations) addOperation(operation);
    if (!waitUntilFinished) return;
    for (const auto& operation : operations) {
        if (operation) operation->waitUntilFinished();
    }
}

void OperationQueue::addOperationWithBlock(Operation::Block block) {
    addOperation(BlockOperation::blockOperationWithBlock(std::move(block)));
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const {
    std::lock_guard lock(state_->mutex);
    std::vector<std::shared_ptr<Operation>> result;
    result.reserve(state_->entries.size());
    for (const auto& entry : state_->entries) result.push_back(entry.operation);
    return result;
}

std::size_t OperationQueue::operationCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->entries.size();
}

int OperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->width;
}

void OperationQueue::setMaxConcurrentOperationCount(int count) {
    {
        std::lock_guard lock(state_->mutex);
        state_->width = count < 0 ? kDefaultMaxConcurrentOperationCount : count;
    }
    state_->requestSchedule();
}

bool OperationQueue::isSuspended() const {
    std::lock_guard lock(state_->mutex);
    return state_->suspended;
}

void OperationQueue::setSuspended(bool suspended) {
    {
        std::lock_guard lock(state_->mutex);
        state_->suspended = suspended;
    }
    state_->requestSchedule();
}

void OperationQueue::cancelAllOperations() {
    for (const auto& operation : operations()) operation->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(state_->mutex);
    state_->emptied.wait(lock, [&] { return state_->entries.empty(); });
}

QString OperationQueue::name() const {
    std::lock_guard lock(state_->mutex);
    return state_->name;
}

void OperationQueue::setName(const QString& name) {
    std::lock_guard lock(state_->mutex);
    state_->name = name;
}

}  // namespace ns
