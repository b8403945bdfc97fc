#pragma once

#include "IMChat/qximlib/qximdata/db/JSSQLite.h"

#include "platform/foundation/concurrent_queue.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>

// One SQLite connection behind a serial queue of its own: every block runs on that queue,
// one at a time, while the caller waits. A block must not call back into the same queue.
//
// The queue always holds a connection object; before the first path and after close() it
// is closed, so blocks run and their statements fail.
class JSSQLiteQueue {
public:
    // A block of a transaction: set `rollback` to true to undo the block's statements.
    using TransactionBlock = std::function<void(JSSQLite& db, bool& rollback)>;

    JSSQLiteQueue();
    explicit JSSQLiteQueue(const QString& path);
    ~JSSQLiteQueue();
    JSSQLiteQueue(const JSSQLiteQueue&) = delete;
    JSSQLiteQueue& operator=(const JSSQLiteQueue&) = delete;

    // Closes the current file and opens `path`, on the queue.
    void changeDatabaseWithPath(const QString& path);
    void close();
    [[nodiscard]] QString path() const;
    // "JSSQLite.<distinct name>"; every queue has its own.
    [[nodiscard]] QString label() const { return queue_->label(); }

    // Runs `block` on the queue with the connection and hands back its result.
    template <class Block>
    auto inDatabase(Block&& block) -> std::invoke_result_t<Block, JSSQLite&> {
        using Result = std::invoke_result_t<Block, JSSQLite&>;
        if constexpr (std::is_void_v<Result>) {
            queue_->sync([&] { block(*db_); });
        } else {
            Result result{};
            queue_->sync([&] { result = block(*db_); });
            return result;
        }
    }

    // An exclusive transaction around `block` on the queue. True when it was committed:
    // false when it could not begin, the block asked for the rollback, or the commit
    // failed (the transaction is then rolled back, leaving nothing half written).
    bool inTransaction(const TransactionBlock& block);
    // The same with a deferred transaction.
    bool inDeferredTransaction(const TransactionBlock& block);
    // A savepoint around `block` (usable inside a transaction); false when the savepoint
    // could not start or the block asked for the rollback.
    bool inSavePoint(const TransactionBlock& block);

private:
    bool transaction(bool deferred, const TransactionBlock& block);

    std::unique_ptr<ns::SerialQueue> queue_;
    std::unique_ptr<JSSQLite> db_;
    mutable std::mutex pathMutex_;
    QString path_;
};
