#include "IMChat/qximlib/QXIMDatabase.h"

#include "util/categories/Tolerant.h"

#include "platform/foundation/dispatch_queue.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

namespace {

const QString kInsertMessage = QStringLiteral(
    "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, m_type, m_systype, "
    "m_state, r_id, c_type) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
// The same insert made only when the server message is not stored yet: the check and the
// insert are one statement, so no other writer can slip in between.
const QString kInsertNewMessage = QStringLiteral(
    "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, m_type, m_systype, "
    "m_state, r_id, c_type) SELECT ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? WHERE NOT EXISTS "
    "(SELECT 1 FROM msgs WHERE m_id = ? AND u_id = ? AND t_id = ?)");
const QString kSelectTalk = QStringLiteral("SELECT * FROM msg_list WHERE t_id = ? AND u_id = ?");

QVariantList messageValues(const QXIMMessage& message) {
    return {
        message.userId,     message.talkId,
        message.fromId,     message.messageId,
        message.toId,       message.contents(),
        message.uTime,      message.type,
        message.systemType, message.sendingState,
        message.needId,     QXIMDatabase::typeByInfo(Tolerant(message.contentsJson())[0].value())};
}

// Inserts the message on `db`; with `checkExist` and a server id only when it is not
// stored yet (`exists` tells). The local id is set only by an insert that succeeded.
bool insertMessage(JSSQLite& db, QXIMMessage& message, bool checkExist, bool* exists) {
    if (exists) *exists = false;
    if (checkExist && message.messageId > 0) {
        QVariantList values = messageValues(message);
        values << message.messageId << message.userId << message.talkId;
        if (!db.executeUpdate(kInsertNewMessage, values)) return false;
        if (db.changes() == 0) {
            if (exists) *exists = true;
            return true;
        }
    } else if (!db.executeUpdate(kInsertMessage, messageValues(message))) {
        return false;
    }
    message.m_sid = db.lastInsertRowId();
    return true;
}

// What a talk row keeps that its next message does not bring.
struct TalkRow {
    qint64 id = 0;
    QString postId;
    int unread = 0;
    QString sign;
    int importance = 0;
    int system = 0;
};

// The talk's row when there is one; false when the query failed. Only the columns a write
// needs are read: the last message's texts may be long.
bool readTalkRow(JSSQLite& db, const QString& talkId, const QString& userId,
                 std::optional<TalkRow>& talk) {
    talk.reset();
    return db.forEachRow(
        QStringLiteral("SELECT _id, r_id, l_read, o_sign, o_importance, u_system FROM msg_list "
                       "WHERE t_id = ? AND u_id = ?"),
        {talkId, userId}, [&](const JSSQLite::Cursor& row) {
            if (talk) return;  // the first row, as before
            talk = TalkRow{row.int64(0),
                           row.text(1),
                           static_cast<int>(row.int64(2)),
                           row.text(3),
                           static_cast<int>(row.int64(4)),
                           static_cast<int>(row.int64(5))};
        });
}

bool writeTalk(JSSQLite& db, QXIMMessage& message, bool* autoInsertNeed, bool exceptTime) {
    std::optional<TalkRow> row;
    if (!readTalkRow(db, message.talkId, message.userId, row)) return false;
    const bool exists = row.has_value();
    if (autoInsertNeed) *autoInsertNeed = !exists || message.needId != row->postId;
    const QString service = QXIMMessage::serviceUserId();
    message.bTime = (message.fromId == service || message.toId == service) ? message.uTime : 0;
    if (!exists) {
        const bool inserted = db.executeUpdate(
            QStringLiteral("INSERT INTO msg_list (u_id, t_id, o_user, l_msg, l_content, l_read, "
                           "u_time, f_id, r_id, b_time, m_type, m_id, m_state) VALUES (?, ?, ?, "
                           "?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {message.userId, message.talkId, message.otherUser, message.completeMessage,
             message.contents(), message.unread, message.uTime, message.fromId, message.needId,
             message.bTime, message.type, message.m_sid, message.sendingState});
        if (inserted) message.t_sid = db.lastInsertRowId();
        return inserted;
    }
    message.unread += row->unread;
    message.t_sid = row->id;
    message.nickname = row->sign;
    message.userImportance = row->importance;
    // The user's own message keeps the talk's blocking mark; the other side's sets it.
    const bool own = message.fromId.toLongLong() == message.userId.toLongLong();
    const int system = own ? row->system : QXIMDatabase::cellNameByInfo(message.contentsJson());
    if (exceptTime) {
        // A confirmation rewrites the row only while the row still shows the confirmed
        // message: an answer that arrived meanwhile stays the talk's last message.
        return db.executeUpdate(
            QStringLiteral("UPDATE msg_list SET l_msg = ?, l_read = ?, l_content = ?, o_user = ?, "
                           "f_id = ?, r_id = ?, u_system = ?, m_type = ?, m_state = ?, m_id = ? "
                           "WHERE t_id = ? AND u_id = ? AND m_id = ?"),
            {message.completeMessage, message.unread, message.contents(), message.otherUser,
             message.fromId, message.needId, system, message.type, message.sendingState,
             message.m_sid, message.talkId, message.userId, message.m_sid});
    }
    return db.executeUpdate(
        QStringLiteral("UPDATE msg_list SET l_msg = ?, l_read = ?, l_content = ?, u_time = ?, "
                       "o_user = ?, f_id = ?, b_time = ?, r_id = ?, u_system = ?, m_type = ?, "
                       "m_state = ?, m_id = ? WHERE t_id = ? AND u_id = ?"),
        {message.completeMessage, message.unread, message.contents(), message.uTime,
         message.otherUser, message.fromId, message.bTime, message.needId, system, message.type,
         message.sendingState, message.m_sid, message.talkId, message.userId});
}

// Whether the talk has a row whose server id lies in the range of `ids` (all above 0), read
// with one descent of the server id index where a lookup of the list takes one per id; none
// when the query failed. The column holds the ids as decimal text: ids of as many digits
// order alike as numbers and as text, so their range, less the texts of other lengths that
// sort inside it ("1201" between "12000" and "12019"), holds every row equal to one of them.
// For ids of differing lengths the answer is yes without a query.
std::optional<bool> anyRowInRange(JSSQLite& db, const QString& talkId, const QString& userId,
                                  const QList<qint64>& ids) {
    const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
    const qsizetype digits = QString::number(*low).size();
    if (QString::number(*high).size() != digits) return true;
    bool any = false;
    if (!db.forEachRow(QStringLiteral("SELECT 1 FROM msgs WHERE t_id = ? AND m_id BETWEEN ? AND ? "
                                      "AND length(m_id) = ? AND +u_id = ? LIMIT 1"),
                       {talkId, *low, *high, digits, userId},
                       [&](const JSSQLite::Cursor&) { any = true; })) {
        return std::nullopt;
    }
    return any;
}

// The server ids among `ids` (all above 0) that the talk holds already, read with one query;
// none when it failed. New messages, whose range holds no row, need no lookup of the list.
// The list is padded to a power of two with its last id, so that few statement texts are
// kept. The user is compared after the lookup ("+u_id"): matched in the index it would make
// SQLite walk the talk's whole time index instead of looking the ids up.
std::optional<QSet<qint64>> storedServerIds(JSSQLite& db, const QString& talkId,
                                            const QString& userId, QList<qint64> ids) {
    QSet<qint64> stored;
    if (ids.isEmpty()) return stored;
    const std::optional<bool> anyInRange = anyRowInRange(db, talkId, userId, ids);
    if (!anyInRange) return std::nullopt;
    if (!*anyInRange) return stored;
    qsizetype padded = 1;
    while (padded < ids.size()) padded *= 2;
    while (ids.size() < padded) ids.append(ids.last());
    QString sql =
        QStringLiteral("SELECT m_id FROM msgs WHERE t_id = ? AND +u_id = ? AND m_id IN (?");
    sql += QStringLiteral(", ?").repeated(padded - 1) + QLatin1Char(')');
    QVariantList arguments{talkId, userId};
    for (const qint64 id : ids) arguments.append(id);
    if (!db.forEachRow(sql, arguments,
                       [&](const JSSQLite::Cursor& row) { stored.insert(row.int64(0)); })) {
        return std::nullopt;
    }
    return stored;
}

// The packet's new messages and its talk row; false when a statement failed.
bool storePacket(JSSQLite& db, const QXIMDatabase::ReceivedPacket& packet,
                 QXIMDatabase::ReceivedPacketSaved& saved) {
    // An item is stored already when its first message is. The packet's items are looked up
    // together (the transaction keeps other writers out until the inserts are done); an
    // item of another talk, should one come, is checked on its own.
    const QXIMMessage* first = nullptr;
    QList<qint64> ids;
    ids.reserve(packet.items.size());
    for (const QList<QXIMMessage>& item : packet.items) {
        if (item.isEmpty() || item.first().messageId <= 0) continue;
        if (!first) first = &item.first();
        if (item.first().talkId == first->talkId && item.first().userId == first->userId)
            ids.append(item.first().messageId);
    }
    std::optional<QSet<qint64>> known =
        first ? storedServerIds(db, first->talkId, first->userId, ids) : QSet<qint64>();
    if (!known) return false;
    saved.stored.reserve(ids.size());
    for (const QList<QXIMMessage>& item : packet.items) {
        for (qsizetype index = 0; index < item.size(); ++index) {
            const QXIMMessage& next = item[index];
            const bool decides = index == 0 && next.messageId > 0;
            const bool batched =
                decides && next.talkId == first->talkId && next.userId == first->userId;
            if (batched && known->contains(next.messageId)) break;
            // Copied once, where it is kept; taken back when it is not stored.
            QXIMMessage& message = saved.stored.emplace_back(next);
            bool exists = false;
            if (!insertMessage(db, message, decides && !batched, &exists)) return false;
            if (exists) {
                saved.stored.removeLast();
                break;
            }
            if (batched) known->insert(message.messageId);
        }
    }
    if (saved.stored.isEmpty()) return true;
    saved.talk = saved.stored.last();
    saved.talk.otherUser = packet.otherUser;
    saved.talk.completeMessage = packet.completeMessage;
    saved.talk.unread = static_cast<int>(saved.stored.size());
    return writeTalk(db, saved.talk, &saved.autoInsertNeed, false);
}

int countOf(const std::optional<JSSQLite::Rows>& rows, const QString& column) {
    if (!rows || rows->size() != 1) return 0;
    return rows->first().value(column).toInt();
}

}  // namespace

QXIMDatabase::QXIMDatabase() : queue_(std::make_shared<JSSQLiteQueue>()) {}

QXIMDatabase::~QXIMDatabase() = default;

QXIMDatabase& QXIMDatabase::shared() {
    static QXIMDatabase database;
    return database;
}

void QXIMDatabase::forceRelease() {
    qInfo("Force release QXIMDatabase");
    shared().queue().close();
}

bool QXIMDatabase::messageExist(qint64 serverId, const QString& talkId, const QString& userId) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return countOf(db.executeQuery(QStringLiteral("SELECT COUNT(*) as cnt FROM msgs WHERE "
                                                      "m_id = ? AND u_id = ? AND t_id = ?"),
                                       {serverId, userId, talkId}),
                       QStringLiteral("cnt")) != 0;
    });
}

bool QXIMDatabase::messageExist(qint64 serverId, const QString& talkId, const QString& userId,
                                const QString& contents) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return countOf(db.executeQuery(QStringLiteral("SELECT COUNT(*) as cnt FROM msgs WHERE "
                                                      "m_id = ? AND u_id = ? AND t_id = ? AND "
                                                      "m_content = ?"),
                                       {serverId, userId, talkId, contents}),
                       QStringLiteral("cnt")) != 0;
    });
}

bool QXIMDatabase::saveMessage(QXIMMessage& message, bool checkExist, int* exist) {
    bool exists = false;
    bool inserted = false;
    const bool committed = queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        inserted = insertMessage(db, message, checkExist, &exists);
        rollback = !inserted;
    });
    if (exist && checkExist && message.messageId > 0) *exist = exists ? 1 : 0;
    if (!committed && inserted && !exists) message.m_sid = 0;  // the insert did not last
    return committed && inserted;
}

bool QXIMDatabase::saveMissingMessagesAndTalk(QList<QXIMMessage>& messages,
                                              const QString& completeMessage, bool* wrote) {
    if (wrote) *wrote = false;
    if (messages.isEmpty()) return false;
    bool anyWritten = false;
    const bool committed = queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = true;
        for (QXIMMessage& message : messages) {
            bool exists = false;
            if (!insertMessage(db, message, true, &exists)) return;
            anyWritten = anyWritten || !exists;
        }
        QXIMMessage talk = messages.last();
        std::optional<TalkRow> row;
        if (!readTalkRow(db, talk.talkId, talk.userId, row)) return;
        if (!row) {
            // The row names its last message by local id, also one stored before.
            if (talk.m_sid == 0 &&
                !db.forEachRow(
                    QStringLiteral("SELECT _id FROM msgs WHERE m_id = ? AND u_id = ? "
                                   "AND t_id = ?"),
                    {talk.messageId, talk.userId, talk.talkId},
                    [&](const JSSQLite::Cursor& stored) { talk.m_sid = stored.int64(0); })) {
                return;
            }
            talk.completeMessage = completeMessage;
            talk.unread = static_cast<int>(messages.size());
            if (!writeTalk(db, talk, nullptr, false)) return;
            anyWritten = true;
        }
        rollback = false;
    });
    if (wrote) *wrote = committed && anyWritten;
    return committed;
}

bool QXIMDatabase::updateMessage(const QXIMMessage& message) {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(
            QStringLiteral("UPDATE msgs SET m_id = ?, m_content = ?, u_time = ?, m_state = ? "
                           "WHERE _id = ?"),
            {message.messageId, message.contents(), message.uTime, message.sendingState,
             message.m_sid});
    });
}

bool QXIMDatabase::updateMessageExceptTime(QXIMMessage& message) {
    std::optional<qint64> storedTime;
    const bool committed = queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(
            QStringLiteral("UPDATE msgs SET m_id = ?, m_content = ?, m_state = ? WHERE _id = ?"),
            {message.messageId, message.contents(), message.sendingState, message.m_sid});
        if (rollback) return;
        const auto rows = db.executeQuery(QStringLiteral("SELECT u_time FROM msgs WHERE _id = ?"),
                                          {message.m_sid});
        if (rows && !rows->isEmpty()) storedTime = rows->first().value("u_time").toLongLong();
    });
    // A row deleted in between leaves the message's own time.
    if (committed && storedTime) message.uTime = *storedTime;
    return committed;
}

bool QXIMDatabase::updateMessageSendState(qint64 localId, int state) {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(QStringLiteral("UPDATE msgs SET m_state = ? WHERE _id = ?"),
                                     {state, localId});
        if (!rollback && localId > 0) {
            rollback = !db.executeUpdate(
                QStringLiteral("UPDATE msg_list SET m_state = ? WHERE m_id = ?"), {state, localId});
        }
    });
}

bool QXIMDatabase::updateMessageSendFaild() {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(
                       QStringLiteral("UPDATE msgs SET m_state = '-1' WHERE m_state = '1'")) ||
                   !db.executeUpdate(
                       QStringLiteral("UPDATE msg_list SET m_state = '-1' WHERE m_state = '1'"));
    });
}

bool QXIMDatabase::updateMessageIncreaseReadCount(qint64 localId, unsigned count) {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback =
            !db.executeUpdate(QStringLiteral("UPDATE msgs SET r_count = r_count + ? WHERE _id = ?"),
                              {count, localId});
    });
}

std::optional<QVariantMap> QXIMDatabase::getMessageByKey(qint64 localId, const QString& userId) {
    const auto rows = queue_->inDatabase([&](JSSQLite& db) {
        return db.executeQuery(QStringLiteral("SELECT * FROM msgs WHERE _id = ? AND u_id = ?"),
                               {localId, userId});
    });
    if (!rows || rows->size() != 1) return std::nullopt;
    return rows->first();
}

void QXIMDatabase::forEachLastMessageRow(
    const QString& talkId, const QString& userId, qint64 beforeTime, qint64 columnId,
    unsigned count, const std::function<void(const JSSQLite::Cursor& row)>& eachRow) {
    // The newest rows under the limit, read newest first along the talk's index.
    queue_->inDatabase([&](JSSQLite& db) {
        if (columnId <= 0) {
            db.forEachRow(QStringLiteral("SELECT * FROM msgs WHERE t_id = ? AND u_id = ? AND "
                                         "u_time < ? ORDER BY u_time DESC, _id DESC LIMIT ?"),
                          {talkId, userId, beforeTime, count}, eachRow);
            return;
        }
        db.forEachRow(QStringLiteral("SELECT * FROM msgs WHERE t_id = ? AND u_id = ? AND (u_time "
                                     "< ? OR (u_time = ? AND _id < ?)) ORDER BY u_time DESC, "
                                     "_id DESC LIMIT ?"),
                      {talkId, userId, beforeTime, beforeTime, columnId, count}, eachRow);
    });
}

QXIMDatabase::Rows QXIMDatabase::messagesListByTalkId(const QString& talkId, const QString& userId,
                                                      qint64 beforeTime, qint64 columnId,
                                                      unsigned count) {
    Rows rows;
    forEachLastMessageRow(talkId, userId, beforeTime, columnId, count,
                          [&](const JSSQLite::Cursor& row) { rows.append(row.row()); });
    std::reverse(rows.begin(), rows.end());
    return rows;
}

namespace {

// The cursor's current row as a message's row, its columns looked up once per query.
class CursorReader final : public QXIMMessage::RowReader {
public:
    explicit CursorReader(const JSSQLite::Cursor& cursor) : cursor_(cursor) {
        for (int column = 0; column < QXIMMessage::kRowColumnCount; ++column)
            positions_[column] = cursor.indexOf(QXIMMessage::rowColumnNames()[column]);
    }
    bool has(QXIMMessage::RowColumn column) const override { return positions_[column] >= 0; }
    QString text(QXIMMessage::RowColumn column) const override {
        return cursor_.text(positions_[column]);
    }
    qint64 number(QXIMMessage::RowColumn column) const override {
        return cursor_.int64(positions_[column]);
    }

private:
    const JSSQLite::Cursor& cursor_;
    std::array<int, QXIMMessage::kRowColumnCount> positions_{};
};

}  // namespace

QList<QXIMMessage> QXIMDatabase::messagesByTalkId(const QString& talkId, const QString& userId,
                                                  qint64 beforeTime, qint64 columnId,
                                                  unsigned count) {
    QList<QXIMMessage> messages;
    messages.reserve(count);
    std::optional<CursorReader> reader;
    forEachLastMessageRow(talkId, userId, beforeTime, columnId, count,
                          [&](const JSSQLite::Cursor& row) {
                              if (!reader) reader.emplace(row);
                              messages.append(QXIMMessage::messageFromRow(*reader));
                          });
    std::reverse(messages.begin(), messages.end());
    return messages;
}

bool QXIMDatabase::deleteMsgById(qint64 localId) {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(QStringLiteral("DELETE FROM msgs WHERE _id = ?"), {localId});
    });
}

bool QXIMDatabase::deleteMsgInfo(const QString& userId, const QString& talkId) {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(QStringLiteral("DELETE FROM msgs WHERE u_id = ? AND t_id = ?"),
                                     {userId, talkId});
    });
}

QString QXIMDatabase::typeByInfo(const QVariant& firstElement) {
    if (firstElement.typeId() == QMetaType::QString) return QStringLiteral("d_string");
    if (firstElement.typeId() == QMetaType::QVariantList) {
        return Tolerant(firstElement)[0].toString();
    }
    return QLatin1String("");
}

bool QXIMDatabase::saveMessageIntoTalkTable(QXIMMessage& message, bool* autoInsertNeed,
                                            bool exceptTime) {
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !writeTalk(db, message, autoInsertNeed, exceptTime);
    });
}

QXIMDatabase::Rows QXIMDatabase::talkInfoExist(const QString& talkId, const QString& userId) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return db.executeQuery(kSelectTalk, {talkId, userId}).value_or(Rows());
    });
}

bool QXIMDatabase::talkExist(const QString& talkId, const QString& userId) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return countOf(db.executeQuery(QStringLiteral("SELECT COUNT(*) as cnt FROM msg_list WHERE "
                                                      "t_id = ? AND u_id = ?"),
                                       {talkId, userId}),
                       QStringLiteral("cnt")) != 0;
    });
}

QXIMDatabase::Rows QXIMDatabase::talksListByUserId(const QString& userId, qint64 beforeTime,
                                                   qint64 talkRowId, int importance, unsigned limit,
                                                   bool needSystemInfo) {
    return queue_->inDatabase([&](JSSQLite& db) {
        if (needSystemInfo) {
            return db
                .executeQuery(QStringLiteral("SELECT * FROM msg_list WHERE u_id = ? AND "
                                             "o_importance = ? AND (u_time < ? OR (u_time = ? AND "
                                             "_id < ?)) ORDER BY b_time DESC, u_time DESC, _id ASC "
                                             "LIMIT ?"),
                              {userId, importance, beforeTime, beforeTime, talkRowId, limit})
                .value_or(Rows());
        }
        return db
            .executeQuery(
                QStringLiteral("SELECT * FROM msg_list WHERE u_id = ? AND o_importance = "
                               "? AND t_id != ? AND (u_time < ? OR (u_time = ? AND _id "
                               "< ?)) ORDER BY b_time DESC, u_time DESC, _id ASC LIMIT ?"),
                {userId, importance, QStringLiteral("0-") + userId, beforeTime, beforeTime,
                 talkRowId, limit})
            .value_or(Rows());
    });
}

QXIMDatabase::Rows QXIMDatabase::talksListByUserId(const QString& userId, qint64 beforeTime,
                                                   qint64 talkRowId, unsigned limit) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return db
            .executeQuery(QStringLiteral("SELECT * FROM msg_list WHERE u_id = ? AND u_time <= ? "
                                         "AND _id > ? ORDER BY b_time DESC, u_time DESC, _id ASC "
                                         "LIMIT ?"),
                          {userId, beforeTime, talkRowId, limit})
            .value_or(Rows());
    });
}

int QXIMDatabase::talkUnReadCountWithUserId(const QString& userId, bool needSystemInfo) {
    return queue_->inDatabase([&](JSSQLite& db) {
        if (needSystemInfo) {
            return countOf(
                db.executeQuery(QStringLiteral("SELECT SUM(l_read) FROM msg_list WHERE u_id = ?"),
                                {userId}),
                QStringLiteral("SUM(l_read)"));
        }
        return countOf(db.executeQuery(QStringLiteral("SELECT SUM(l_read) FROM msg_list WHERE "
                                                      "u_id = ? AND t_id != ?"),
                                       {userId, QStringLiteral("0-") + userId}),
                       QStringLiteral("SUM(l_read)"));
    });
}

namespace {

bool updateInTransaction(JSSQLiteQueue& queue, const QString& sql, const QVariantList& values) {
    return queue.inTransaction(
        [&](JSSQLite& db, bool& rollback) { rollback = !db.executeUpdate(sql, values); });
}

bool clearTalkUnread(JSSQLiteQueue& queue, qint64 talkRowId) {
    return updateInTransaction(
        queue, QStringLiteral("UPDATE msg_list SET l_read = ? WHERE _id = ?"), {0, talkRowId});
}

}  // namespace

bool QXIMDatabase::saveTalkInfoAndClearRead(qint64 talkRowId) {
    return clearTalkUnread(*queue_, talkRowId);
}

void QXIMDatabase::clearTalkUnreadLater(qint64 talkRowId) {
    ns::DispatchQueue::global()->async(
        [weakQueue = std::weak_ptr<JSSQLiteQueue>(queue_), talkRowId] {
            if (const auto queue = weakQueue.lock()) clearTalkUnread(*queue, talkRowId);
        });
}

bool QXIMDatabase::saveTalkInfoAndClearReadByTalkId(const QString& talkId) {
    return updateInTransaction(
        *queue_, QStringLiteral("UPDATE msg_list SET l_read = ? WHERE t_id = ?"), {0, talkId});
}

bool QXIMDatabase::updateTalkUnsendText(qint64 talkRowId, const QString& text) {
    return updateInTransaction(*queue_,
                               QStringLiteral("UPDATE msg_list SET t_draft = ? WHERE _id = ?"),
                               {text, talkRowId});
}

bool QXIMDatabase::saveTalkInfoWithoUser(qint64 talkRowId, const QString& remark) {
    return updateInTransaction(*queue_,
                               QStringLiteral("UPDATE msg_list SET o_sign = ? WHERE _id = ?"),
                               {remark, talkRowId});
}

bool QXIMDatabase::updateTalkUserSign(qint64 talkRowId, const QString& remark,
                                      unsigned importance) {
    return updateInTransaction(
        *queue_, QStringLiteral("UPDATE msg_list SET o_sign = ?, o_importance = ? WHERE _id = ?"),
        {remark, importance, talkRowId});
}

bool QXIMDatabase::deleteTalksInfo(const QString& userId, const QString& talkId) {
    return updateInTransaction(*queue_,
                               QStringLiteral("DELETE FROM msg_list WHERE u_id = ? AND t_id = ?"),
                               {userId, talkId});
}

int QXIMDatabase::cellNameByInfo(const QVariant& contents) {
    const Tolerant first = Tolerant(contents)[0];
    if (first.value().typeId() != QMetaType::QVariantList) return 0;
    return first[0].isEqualToString(QStringLiteral("notice")) &&
                   first[1][QStringLiteral("type")].isEqualToString(QStringLiteral("block"))
               ? 1
               : 0;
}

QXIMDatabase::ReceivedPacketSaved QXIMDatabase::saveReceivedPacket(const ReceivedPacket& packet) {
    return saveReceivedPackets({packet}).first();
}

QList<QXIMDatabase::ReceivedPacketSaved> QXIMDatabase::saveReceivedPackets(
    const QList<ReceivedPacket>& packets) {
    QList<ReceivedPacketSaved> results(packets.size());
    const bool committed = queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        for (qsizetype n = 0; n < packets.size() && !rollback; ++n) {
            rollback = !storePacket(db, packets[n], results[n]);
        }
    });
    for (ReceivedPacketSaved& saved : results) {
        saved.committed = committed;
        if (!committed) saved.stored.clear();
    }
    return results;
}
