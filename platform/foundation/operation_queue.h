#pragma once

#include "platform/foundation/operation.h"

#include <QString>

#include <memory>
#include <vector>

namespace ns {

// Runs operations on worker threads as they become ready: the highest priority
// first, and among equals the one added first. At most
// maxConcurrentOperationCount run at once (no limit by default). An operation counts
// as running from its start() until it announces that it has finished, so an
// asynchronous operation holds its place while its work goes on elsewhere.
//
// All members may be called from any thread.
class OperationQueue {
public:
    static constexpr int kDefaultMaxConcurrentOperationCount = -1;

    explicit OperationQueue(QString name = {});
    // Operations not yet started are dropped; running ones finish on their own.
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // An operation that is already in a queue, executing or finished is refused.
    void addOperation(const std::shared_ptr<Operation>& operation);
    void addOperations(const std::vector<std::shared_ptr<Operation>>& operations,
                       bool waitUntilFinished);
    void addOperationWithBlock(Operation::Block block);

    // Operations waiting or running, in the order they were added.
    [[nodiscard]] std::vector<std::shared_ptr<Operation>> operations() const;
    [[nodiscard]] std::size_t operationCount() const;

    [[nodiscard]] int maxConcurrentOperationCount() const;
    // -1 (or any negative count) means no limit.
    void setMaxConcurrentOperationCount(int count);

    // A suspended queue starts nothing; running operations go on.
    [[nodiscard]] bool isSuspended() const;
    void setSuspended(bool suspended);

    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();

    [[nodiscard]] QString name() const;
    void setName(const QString& name);

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace ns
