#pragma once

#include "IMChat/qximlib/qximdata/db/JSSQLite.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

// One SQLite connection behind a serial queue of its own: blocks run one at a time, in the
// order they come, while their caller waits. As the platform's synchronous dispatch does,
// a block runs on the calling thread while it holds the queue, which spares two thread
// switches per statement (a block that calls into the same queue runs in place).
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
    [[nodiscard]] const QString& label() const { return label_; }

    // Runs `block` on the queue with the connection and hands back its result.
    template <class Block>
    auto inDatabase(Block&& block) -> std::invoke_result_t<Block, JSSQLite&> {
        using Result = std::invoke_result_t<Block, JSSQLite&>;
        if constexpr (std::is_void_v<Result>) {
            sync([&] { block(*db_); });
        } else {
            Result result{};
            sync([&] { result = block(*db_); });
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
    // Runs `work` holding the queue.
    void sync(const std::function<void()>& work);

    QString label_;
    std::mutex queueMutex_;
    std::atomic<std::thread::id> holder_{};
    std::unique_ptr<JSSQLite> db_;
    mutable std::mutex pathMutex_;
    QString path_;
};
