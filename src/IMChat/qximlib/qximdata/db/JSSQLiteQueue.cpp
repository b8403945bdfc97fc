#include "IMChat/qximlib/qximdata/db/JSSQLiteQueue.h"

#include <atomic>

namespace {

QString nextLabel() {
    static std::atomic<quint64> counter{0};
    return QStringLiteral("JSSQLite.queue-%1").arg(++counter);
}

QString nextSavePointName() {
    static std::atomic<long> counter{0};
    return QStringLiteral("savePoint%1").arg(counter++);
}

}  // namespace

JSSQLiteQueue::JSSQLiteQueue()
    : queue_(std::make_unique<ns::SerialQueue>(nextLabel())), db_(std::make_unique<JSSQLite>()) {}

JSSQLiteQueue::JSSQLiteQueue(const QString& path) : JSSQLiteQueue() {
    changeDatabaseWithPath(path);
}

JSSQLiteQueue::~JSSQLiteQueue() {
    close();
}

void JSSQLiteQueue::changeDatabaseWithPath(const QString& path) {
    queue_->sync([&] { db_ = std::make_unique<JSSQLite>(path); });
    const std::lock_guard lock(pathMutex_);
    path_ = path;
}

void JSSQLiteQueue::close() {
    queue_->sync([&] { db_ = std::make_unique<JSSQLite>(); });
    const std::lock_guard lock(pathMutex_);
    path_.clear();
}

QString JSSQLiteQueue::path() const {
    const std::lock_guard lock(pathMutex_);
    return path_;
}

bool JSSQLiteQueue::inTransaction(const TransactionBlock& block) {
    return transaction(false, block);
}

bool JSSQLiteQueue::inDeferredTransaction(const TransactionBlock& block) {
    return transaction(true, block);
}

bool JSSQLiteQueue::transaction(bool deferred, const TransactionBlock& block) {
    bool committed = false;
    queue_->sync([&] {
        JSSQLite& db = *db_;
        if (!(deferred ? db.beginDeferredTransaction() : db.beginTransaction())) return;
        bool rollback = false;
        block(db, rollback);
        if (!rollback && db.commit()) {
            committed = true;
            return;
        }
        db.rollback();
    });
    return committed;
}

bool JSSQLiteQueue::inSavePoint(const TransactionBlock& block) {
    bool kept = false;
    queue_->sync([&] {
        JSSQLite& db = *db_;
        const QString name = nextSavePointName();
        if (!db.startSavePointWithName(name)) return;
        bool rollback = false;
        block(db, rollback);
        if (rollback) db.rollbackToSavePointWithName(name);
        db.releaseSavePointWithName(name);
        kept = !rollback;
    });
    return kept;
}
