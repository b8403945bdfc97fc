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

JSSQLiteQueue::JSSQLiteQueue() : label_(nextLabel()), db_(std::make_unique<JSSQLite>()) {}

JSSQLiteQueue::JSSQLiteQueue(const QString& path) : JSSQLiteQueue() {
    changeDatabaseWithPath(path);
}

JSSQLiteQueue::~JSSQLiteQueue() {
    close();
}

void JSSQLiteQueue::changeDatabaseWithPath(const QString& path) {
    sync([&] { db_ = std::make_unique<JSSQLite>(path); });
    const std::lock_guard lock(pathMutex_);
    path_ = path;
}

void JSSQLiteQueue::close() {
    sync([&] { db_ = std::make_unique<JSSQLite>(); });
    const std::lock_guard lock(pathMutex_);
    path_.clear();
}

QString JSSQLiteQueue::path() const {
    const std::lock_guard lock(pathMutex_);
    return path_;
}

void JSSQLiteQueue::sync(const std::function<void()>& work) {
    if (holder_.load() == std::this_thread::get_id()) {
        work();  // already holding the queue
        return;
    }
    const std::lock_guard lock(queueMutex_);
    holder_ = std::this_thread::get_id();
    work();
    holder_ = std::thread::id();
}

bool JSSQLiteQueue::inTransaction(const TransactionBlock& block) {
    return transaction(false, block);
}

bool JSSQLiteQueue::inDeferredTransaction(const TransactionBlock& block) {
    return transaction(true, block);
}

bool JSSQLiteQueue::transaction(bool deferred, const TransactionBlock& block) {
    bool committed = false;
    sync([&] {
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
    sync([&] {
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
