// The store's schema (tables, upgrades of older files, welcome messages), its needs and
// favourites, and the back-fill of content kinds.
#include "IMChat/qximlib/QXIMDatabase.h"

#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "net/BodyJson.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/sandbox.h"

#include <cmath>

namespace {

const QString kCreateMsgs = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS msgs (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, f_id "
    "VARCHAR(20) NOT NULL, t_id VARCHAR(20) NOT NULL, to_id VARCHAR(20) NOT NULL, m_id "
    "VARCHAR(20) NOT NULL, m_content TEXT NOT NULL, u_time BIGINT NOT NULL, r_count INTEGER NOT "
    "NULL DEFAULT 0, m_type INTEGER NOT NULL DEFAULT 0, m_systype INTEGER NOT NULL DEFAULT 0, "
    "m_state INTEGER NOT NULL DEFAULT 0, c_type VARCHAR(20) NOT NULL DEFAULT '', r_id "
    "VARCHAR(20) NOT NULL DEFAULT '')");
const QString kCreateMsgList = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS msg_list (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, "
    "o_user TEXT NOT NULL, o_sign TEXT DEFAULT '', t_id VARCHAR(20) NOT NULL, r_id VARCHAR(20) "
    "NOT NULL, f_id VARCHAR(20) NOT NULL, l_read INTEGER, l_content TEXT NOT NULL, l_msg TEXT NOT "
    "NULL, u_time BIGINT NOT NULL, b_time BIGINT NOT NULL DEFAULT 0, u_system INTEGER NOT NULL "
    "DEFAULT 0, m_type INTEGER NOT NULL DEFAULT 0, o_importance INTEGER NOT NULL DEFAULT 0, "
    "t_draft TEXT DEFAULT '', m_state INTEGER NOT NULL DEFAULT 0, m_id INTEGER NOT NULL DEFAULT "
    "0)");
const QString kCreateNeedList = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS need_list (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, "
    "n_id VARCHAR(20) NOT NULL, cityScriptIndex TEXT NOT NULL, districtId TEXT NOT NULL, "
    "streetId TEXT NOT NULL, latlng TEXT NOT NULL, huxing TEXT NOT NULL, voiceUrl TEXT NOT NULL, "
    "price TEXT NOT NULL, priceType TEXT NOT NULL, location TEXT NOT NULL, time TEXT NOT "
    "NULL,rentOrBuy TEXT NOT NULL,priceName TEXT, v_len INTEGER NOT NULL DEFAULT 0, subscribeId "
    "VARCHAR(20) NOT NULL DEFAULT '')");
const QString kCreateHistory = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS history (_id INTEGER PRIMARY KEY, u_id VARCHAR(20) NOT NULL, "
    "puid VARCHAR(20) NOT NULL, content TEXT NOT NULL, u_sign TEXT, t_time BIGINT NOT NULL, "
    "b_time BIGINT NOT NULL, c_id INTEGER NOT NULL)");

// Columns older files lack: the probe (table, column) and the statements that add them.
struct ColumnMigration {
    QString table;
    QString column;
    QStringList statements;
};

const QList<ColumnMigration>& columnMigrations() {
    static const QList<ColumnMigration> migrations = {
        {"msgs",
         "c_type",
         {"ALTER TABLE msgs ADD c_type VARCHAR(20) NOT NULL DEFAULT ''",
          "ALTER TABLE msgs ADD r_id VARCHAR(20) NOT NULL DEFAULT ''"}},
        {"need_list", "v_len", {"ALTER TABLE need_list ADD v_len INTEGER NOT NULL DEFAULT 0"}},
        {"need_list",
         "subscribeId",
         {"ALTER TABLE need_list ADD subscribeId VARCHAR(20) NOT NULL DEFAULT ''"}},
        {"msgs",
         "m_type",
         {"ALTER TABLE msgs ADD m_state INTEGER NOT NULL DEFAULT 0",
          "ALTER TABLE msgs ADD m_type INTEGER NOT NULL DEFAULT 0",
          "ALTER TABLE msgs ADD m_systype INTEGER NOT NULL DEFAULT 0",
          "ALTER TABLE msg_list ADD t_draft TEXT DEFAULT ''"}},
        {"msg_list",
         "m_type",
         {"ALTER TABLE msg_list ADD u_system INTEGER NOT NULL DEFAULT 0",
          "ALTER TABLE msg_list ADD m_id INTEGER NOT NULL DEFAULT 0",
          "ALTER TABLE msg_list ADD m_state INTEGER NOT NULL DEFAULT 0",
          "ALTER TABLE msg_list ADD m_type INTEGER NOT NULL DEFAULT 0"}},
        {"msg_list",
         "o_importance",
         {"ALTER TABLE msg_list ADD o_importance INTEGER NOT NULL DEFAULT 0"}},
        {"need_list", "sentence", {"ALTER TABLE need_list ADD sentence TEXT NOT NULL DEFAULT ''"}},
    };
    return migrations;
}

// The lists of a talk and the duplicate test read through these.
const QStringList kIndexes = {
    "CREATE INDEX IF NOT EXISTS msgs_talk_time ON msgs (t_id, u_id, u_time, _id)",
    "CREATE INDEX IF NOT EXISTS msgs_talk_server_id ON msgs (t_id, m_id)",
};

constexpr int kBackfillBatch = 100;
constexpr int kBackfillBatches = 200;
constexpr double kBackfillDelay = 1.0;
constexpr double kBackfillPause = 0.2;

const QString kWelcomeName = QStringLiteral("Nevoru找房团队");
const QString kWelcomePicture = QStringLiteral("Nevoru官方2.2.1@2x.png");
const QString kFirstWelcomeText = QStringLiteral(
    "欢迎亲使用TovikNevoru找房！同经纪人在线沟通，不暴露手机号码，保护隐私，还能获取真实房源！");
const QString kSecondWelcomeText =
    QStringLiteral("如果您在使用过程中有任何的问题或建议，记得给我发消息反馈哦！");

// A user's needs that have their id, newest first.
const QString kUserNeeds = QStringLiteral(
    "SELECT * FROM need_list WHERE u_id = ? AND n_id != '' ORDER BY time DESC LIMIT ?");

int countOfRows(const std::optional<JSSQLite::Rows>& rows) {
    if (!rows || rows->size() != 1) return 0;
    return rows->first().value(QStringLiteral("cnt")).toInt();
}

bool updateExtensionInTransaction(JSSQLiteQueue& queue, const QString& sql,
                                  const QVariantList& values) {
    return queue.inTransaction(
        [&](JSSQLite& db, bool& rollback) { rollback = !db.executeUpdate(sql, values); });
}

// The talks that hold messages about a need, and the post cards about it.
void countAnswers(JSSQLite& db, const QString& userId, const QString& needId,
                  unsigned* responseUserCount, unsigned* housesCount) {
    if (responseUserCount) {
        *responseUserCount = static_cast<unsigned>(countOfRows(db.executeQuery(
            QStringLiteral("SELECT COUNT(*) cnt FROM (SELECT t_id FROM msgs WHERE r_id = ? AND "
                           "u_id = ? GROUP BY t_id)"),
            {needId, userId})));
    }
    if (housesCount) {
        *housesCount = static_cast<unsigned>(countOfRows(db.executeQuery(
            QStringLiteral(
                "SELECT COUNT(*) AS cnt FROM msgs WHERE r_id = ? AND u_id = ? AND c_type = ?"),
            {needId, userId, QStringLiteral("url")})));
    }
}

void runBackfillBatch(std::weak_ptr<JSSQLiteQueue> weakQueue, qint64 last, int batch);

void scheduleBackfillBatch(std::weak_ptr<JSSQLiteQueue> queue, qint64 last, int batch,
                           double delay) {
    ns::DispatchQueue::global()->asyncAfter(
        ns::seconds(delay), [queue, last, batch] { runBackfillBatch(queue, last, batch); });
}

// One batch of the back-fill: the content kind from the first contents element and the
// post id from the talk row, for the newest rows at or below `last` that have no kind.
void runBackfillBatch(std::weak_ptr<JSSQLiteQueue> weakQueue, qint64 last, int batch) {
    const auto queue = weakQueue.lock();
    if (!queue || batch >= kBackfillBatches) return;
    qint64 lowest = last;
    bool more = false;
    queue->inTransaction([&](JSSQLite& db, bool&) {
        const auto rows = db.executeQuery(
            QStringLiteral("SELECT u_id, t_id, m_content, _id FROM msgs WHERE _id <= ? AND c_type "
                           "= '' ORDER BY _id DESC LIMIT ?"),
            {last, kBackfillBatch});
        if (!rows || rows->isEmpty()) return;
        more = rows->size() == kBackfillBatch;
        for (const QVariantMap& row : *rows) {
            const qint64 id = row.value(QStringLiteral("_id")).toLongLong();
            lowest = std::min(lowest, id - 1);
            const auto talk = db.executeQuery(
                QStringLiteral("SELECT r_id FROM msg_list WHERE t_id = ? AND u_id = ?"),
                {row.value(QStringLiteral("t_id")), row.value(QStringLiteral("u_id"))});
            if (!talk || talk->isEmpty()) continue;  // no talk row: the kind stays unknown
            QXIMMessage message;
            message.setContents(row.value(QStringLiteral("m_content")).toString());
            db.executeUpdate(QStringLiteral("UPDATE msgs SET c_type = ?, r_id = ? WHERE _id = ?"),
                             {QXIMDatabase::typeByInfo(Tolerant(message.contentsJson())[0].value()),
                              talk->first().value(QStringLiteral("r_id")), id});
        }
    });
    if (more && lowest > 0) scheduleBackfillBatch(weakQueue, lowest, batch + 1, kBackfillPause);
}

}  // namespace

QString QXIMDatabase::getUserimdb(const QString& userId, bool* nonexistent) {
    const QString folder = ns::Sandbox::documents() + QLatin1Char('/') + userId;
    bool isDirectory = false;
    if (!ns::FileManager::fileExistsAtPath(folder, &isDirectory) || !isDirectory) {
        ns::FileManager::createDirectoryAtPath(folder, false);
    }
    const QString file = folder + QStringLiteral("/im.db");
    const bool exists = ns::FileManager::fileExistsAtPath(file);
    if (!exists) {
        const QString seed =
            ns::Bundle::pathForResource(QStringLiteral("im"), QStringLiteral("db"));
        if (!seed.isEmpty()) ns::FileManager::copyItemAtPath(seed, file);
    }
    if (nonexistent) *nonexistent = !exists;
    return file;
}

bool QXIMDatabase::openDatabase(const QString& userId, bool* isCreates) {
    queue_->changeDatabaseWithPath(getUserimdb(userId, isCreates));
    const bool backfill = queue_->inDatabase([](JSSQLite& db) {
        // A write-ahead log makes each stored packet one sync of the disk instead of three,
        // and every commit stays durable (a packet is acknowledged only after its commit).
        static_cast<void>(db.executeFormattedQuery(QStringLiteral("PRAGMA journal_mode = WAL")));
        db.executeFormattedUpdate(QStringLiteral("PRAGMA synchronous = FULL"));
        return upgradeSchema(db);
    });
    if (backfill) updateTableColumnMsgType();
    // Needs earlier runs left being sent that no answer has claimed for a day: the server
    // most likely never had them. A user's go together, once the newest is that old.
    updateExtensionInTransaction(
        *queue_,
        QStringLiteral("DELETE FROM need_list WHERE n_id = '' AND u_id IN (SELECT u_id FROM "
                       "need_list WHERE n_id = '' GROUP BY u_id HAVING MAX(CAST(time AS REAL)) "
                       "< ?)"),
        {currentTime() - kSendingNeedLifetime});
    // The welcome check and the welcome messages are for the user whose file this is.
    const qint64 user = userId.toLongLong();
    const QString former = QXIMMessage::makeTalkId(kFormerOfficialUserId.toLongLong(), user);
    const QString service =
        QXIMMessage::makeTalkId(QXIMMessage::serviceUserId().toLongLong(), user);
    if (!messageExist(kFirstWelcomeId, former, userId) && !welcomeTalkComplete(userId)) {
        autoInsertSystemMessages(userId);
    }
    return true;
}

bool QXIMDatabase::welcomeTalkComplete(const QString& userId) {
    const QString talk =
        QXIMMessage::makeTalkId(QXIMMessage::serviceUserId().toLongLong(), userId.toLongLong());
    return messageExist(kFirstWelcomeId, talk, userId) &&
           messageExist(kSecondWelcomeId, talk, userId) && talkExist(talk, userId);
}

bool QXIMDatabase::upgradeSchema(JSSQLite& db) {
    const auto version = db.executeQuery(QStringLiteral("PRAGMA user_version"));
    if (!version || version->isEmpty()) return false;  // not a readable database
    if (version->first().value(QStringLiteral("user_version")).toInt() >= kSchemaVersion) {
        return false;
    }
    // One transaction: a file is either upgraded whole or left as it was.
    if (!db.beginTransaction()) return false;
    const QList<std::pair<QString, QString>> tables = {{"msgs", kCreateMsgs},
                                                       {"msg_list", kCreateMsgList},
                                                       {"need_list", kCreateNeedList},
                                                       {"history", kCreateHistory}};
    for (const auto& [name, create] : tables) {
        if (!db.tableExists(name)) db.executeFormattedUpdate(create);
    }
    bool backfill = false;
    for (const ColumnMigration& migration : columnMigrations()) {
        if (db.columnExists(migration.column, migration.table)) continue;
        for (const QString& statement : migration.statements) db.executeFormattedUpdate(statement);
        if (migration.column == QLatin1String("c_type")) backfill = true;
    }
    for (const QString& index : kIndexes) db.executeFormattedUpdate(index);
    db.executeFormattedUpdate(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    if (!db.commit()) {
        db.rollback();
        return false;
    }
    return backfill;
}

void QXIMDatabase::autoInsertSystemMessages(const QString& userId) {
    const qint64 now = currentTime();
    // The service user's picture lies in the picture cache, where the talk's file address
    // points; a copy already there is kept.
    const QString cachedPicture =
        QXIMUtil::getPicCacheDirectory() + QLatin1Char('/') + kWelcomePicture;
    if (!ns::FileManager::fileExistsAtPath(cachedPicture)) {
        const QString bundled = ns::Bundle::pathForResource(kWelcomePicture);
        if (!bundled.isEmpty()) (void)ns::FileManager::copyItemAtPath(bundled, cachedPicture);
    }
    const QString service = QXIMMessage::serviceUserId();
    const QString otherUser = BodyJson::object(
        {{"id", BodyJson::string(service)},
         {"name", BodyJson::string(kWelcomeName)},
         {"picUrl", BodyJson::string(QStringLiteral("file://") + kWelcomePicture)}});
    const QString post = BodyJson::object({{"id", BodyJson::string(kNoPostNeedId)},
                                           {"title", BodyJson::string(QStringLiteral(" "))}});
    const QString talk = QXIMMessage::makeTalkId(service.toLongLong(), userId.toLongLong());

    QXIMMessage first;
    first.messageId = kFirstWelcomeId;
    first.setContents(BodyJson::array({BodyJson::string(kFirstWelcomeText)}));
    first.uTime = now;
    first.userId = userId;
    first.talkId = talk;
    first.fromId = service;
    first.toId = userId;
    first.needId = kNoPostNeedId;
    first.otherUser = otherUser;

    QXIMMessage second = first.copy();
    second.messageId = kSecondWelcomeId;
    const QString secondContents = BodyJson::array({BodyJson::string(kSecondWelcomeText)});
    second.setContents(secondContents);
    const QString nowText = QString::number(now);
    const QString completeMessage = BodyJson::object(
        {{"toUser", BodyJson::object({{"id", BodyJson::string(userId)},
                                      {"name", BodyJson::string(QXIMUser::shared().userName())}})},
         {"fromUser", otherUser},
         {"post", post},
         {"talk", BodyJson::object({{"id", BodyJson::string(talk)},
                                    {"updateTime", BodyJson::string(nowText)},
                                    {"channel", BodyJson::string(QStringLiteral("0"))}})},
         {"msgs",
          BodyJson::array({BodyJson::object({{"talkId", BodyJson::string(talk)},
                                             {"contents", secondContents},
                                             {"updateTime", BodyJson::string(nowText)}})})}});
    QList<QXIMMessage> messages{first, second};
    bool wrote = false;
    saveMissingMessagesAndTalk(messages, completeMessage, &wrote);
    if (!wrote) return;
    ns::NotificationCenter::defaultCenter().postOnMainQueue(
        ns::Notification{.name = QXIMNotifications::kIMRecieveNotification});
}

// --- Needs

namespace {

// The row id of the need written, 0 when it was not.
qint64 insertNeed(JSSQLiteQueue& queue, const QXIMDatabase::NeedInfo& need) {
    qint64 row = 0;
    queue.inTransaction([&](JSSQLite& db, bool& rollback) {
        rollback = !db.executeUpdate(
            QStringLiteral("INSERT INTO need_list (u_id, n_id, cityScriptIndex, districtId, "
                           "streetId, latlng, huxing, voiceUrl, price, priceType, location, time, "
                           "rentOrBuy, priceName, v_len, sentence) VALUES "
                           "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
            {need.userId, need.needId, need.cityScriptIndex, need.districtId, need.streetId,
             need.latlng, need.huxing, need.voiceUrl, need.price, need.priceType, need.location,
             need.time, need.rentOrBuy, need.priceName, need.voiceLength,
             need.sentence.isNull() ? QLatin1String("") : need.sentence});
        if (!rollback) row = db.lastInsertRowId();
    });
    return row;
}

}  // namespace

bool QXIMDatabase::saveNeedInfo(const NeedInfo& need) {
    return insertNeed(*queue_, need) > 0;
}

qint64 QXIMDatabase::saveSendingNeed(NeedInfo need) {
    need.needId = QLatin1String("");
    return insertNeed(*queue_, need);
}

bool QXIMDatabase::settleSendingNeed(qint64 rowId, const QString& needId) {
    if (needId.isEmpty()) return false;
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("UPDATE need_list SET n_id = ? WHERE _id = ?"), {needId, rowId});
}

bool QXIMDatabase::removeSendingNeed(qint64 rowId) {
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("DELETE FROM need_list WHERE _id = ? AND n_id = ''"), {rowId});
}

std::optional<QVariantMap> QXIMDatabase::adoptSendingNeed(const QString& userId,
                                                          const QString& needId) {
    if (needId.isEmpty() || needId == kNoPostNeedId) return std::nullopt;
    std::optional<QVariantMap> need;
    queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        const auto known =
            db.executeQuery(QStringLiteral("SELECT * FROM need_list WHERE u_id = ? AND n_id = ?"),
                            {userId, needId});
        if (!known || !known->isEmpty()) {
            if (known) need = known->first();
            return;
        }
        // Two are enough to know the answer could be either's.
        const auto sending = db.executeQuery(
            QStringLiteral("SELECT _id FROM need_list WHERE u_id = ? AND n_id = '' LIMIT 2"),
            {userId});
        if (!sending || sending->size() != 1) return;
        const QVariant row = sending->first().value(QStringLiteral("_id"));
        rollback = !db.executeUpdate(QStringLiteral("UPDATE need_list SET n_id = ? WHERE _id = ?"),
                                     {needId, row});
        if (rollback) return;
        const auto adopted =
            db.executeQuery(QStringLiteral("SELECT * FROM need_list WHERE _id = ?"), {row});
        if (adopted && !adopted->isEmpty()) need = adopted->first();
    });
    return need;
}

bool QXIMDatabase::deleteNeedListByUserId(const QString& userId, const QString& needId) {
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("DELETE FROM need_list WHERE u_id = ? AND n_id = ?"),
        {userId, needId});
}

QXIMDatabase::Rows QXIMDatabase::loadNeedInfoWithUserID(const QString& userId, qint64 limit) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return db.executeQuery(kUserNeeds, {userId, limit}).value_or(Rows());
    });
}

QXIMDatabase::Rows QXIMDatabase::getNeedInfoWithUserID(const QString& userId,
                                                       const QString& needId) {
    if (needId.isEmpty()) return {};  // needs being sent have no id yet
    return queue_->inDatabase([&](JSSQLite& db) {
        return db
            .executeQuery(QStringLiteral("SELECT * FROM need_list WHERE u_id = ? AND n_id = ?"),
                          {userId, needId})
            .value_or(Rows());
    });
}

bool QXIMDatabase::updateSubscribeId(const QString& subscribeId, const QString& needId) {
    if (needId.isEmpty()) return false;
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("UPDATE need_list SET subscribeId = ? WHERE n_id = ?"),
        {subscribeId.isNull() ? QLatin1String("") : subscribeId, needId});
}

QString QXIMDatabase::getSubscribeIdWithPostId(const QString& needId) {
    if (needId.isEmpty()) return {};
    const Rows rows = queue_->inDatabase([&](JSSQLite& db) {
        return db.executeQuery(QStringLiteral("SELECT * FROM need_list WHERE n_id = ?"), {needId})
            .value_or(Rows());
    });
    return rows.isEmpty() ? QString() : rows.last().value(QStringLiteral("subscribeId")).toString();
}

void QXIMDatabase::messagesByUserId(const QString& userId, const QString& needId,
                                    unsigned* responseUserCount, unsigned* housesCount) {
    queue_->inDatabase(
        [&](JSSQLite& db) { countAnswers(db, userId, needId, responseUserCount, housesCount); });
}

void QXIMDatabase::getNeedInfoAsyncWithUserID(const QString& userId, qint64 limit,
                                              std::function<void(const Rows& needs)> finished) {
    std::weak_ptr<JSSQLiteQueue> weakQueue = queue_;
    ns::DispatchQueue::global()->async([weakQueue, userId, limit, finished] {
        Rows needs;
        if (const auto queue = weakQueue.lock()) {
            queue->inDatabase([&](JSSQLite& db) {
                const auto rows = db.executeQuery(kUserNeeds, {userId, limit});
                for (QVariantMap need : rows.value_or(Rows())) {
                    unsigned users = 0;
                    unsigned houses = 0;
                    countAnswers(db, userId, need.value(QStringLiteral("n_id")).toString(), &users,
                                 &houses);
                    need.insert(QStringLiteral("u_count"), users);
                    need.insert(QStringLiteral("h_count"), houses);
                    needs.append(need);
                }
            });
        }
        ns::MainQueue::post([finished, needs] { finished(needs); });
    });
}

void QXIMDatabase::needResponseInfoAsyncByUser(
    const QString& userId, const QString& needId,
    std::function<void(const Rows& talks, const Rows& cards)> finished) {
    std::weak_ptr<JSSQLiteQueue> weakQueue = queue_;
    ns::DispatchQueue::global()->async([weakQueue, userId, needId, finished] {
        Rows talks;
        Rows cards;
        if (const auto queue = weakQueue.lock()) {
            queue->inDatabase([&](JSSQLite& db) {
                talks = db.executeQuery(QStringLiteral("SELECT * FROM msg_list WHERE t_id IN "
                                                       "(SELECT t_id FROM msgs WHERE r_id = ? AND "
                                                       "u_id = ? GROUP BY t_id)"),
                                        {needId, userId})
                            .value_or(Rows());
                cards = db.executeQuery(QStringLiteral("SELECT * FROM msgs WHERE r_id = ? AND u_id "
                                                       "= ? AND c_type = ?"),
                                        {needId, userId, QStringLiteral("url")})
                            .value_or(Rows());
            });
        }
        ns::MainQueue::post([finished, talks, cards] { finished(talks, cards); });
    });
}

// --- Favourites

bool QXIMDatabase::historyExist(const QString& postId, const QString& userId) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return countOfRows(
                   db.executeQuery(QStringLiteral("SELECT COUNT(*) as cnt FROM history WHERE "
                                                  "u_id = ? AND puid = ?"),
                                   {userId, postId})) != 0;
    });
}

bool QXIMDatabase::saveHistoryContent(const QString& content, const QString& userId,
                                      const QString& postId, int majorId) {
    // The test and the insert are one transaction: two savers never make two rows.
    return queue_->inTransaction([&](JSSQLite& db, bool& rollback) {
        const auto rows = db.executeQuery(
            QStringLiteral("SELECT COUNT(*) as cnt FROM history WHERE u_id = ? AND puid = ?"),
            {userId, postId});
        if (!rows) {
            rollback = true;
            return;
        }
        if (countOfRows(rows) != 0) return;
        rollback = !db.executeUpdate(
            QStringLiteral("INSERT INTO history (u_id, puid, content, u_sign, t_time, b_time, "
                           "c_id) VALUES (?, ?, ?, '', ?, '0', ?)"),
            {userId, postId, content, currentTime(), majorId});
    });
}

int QXIMDatabase::historyCountByUserId(const QString& userId) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return countOfRows(db.executeQuery(
            QStringLiteral("SELECT COUNT(*) as cnt FROM history WHERE u_id = ?"), {userId}));
    });
}

QXIMDatabase::Rows QXIMDatabase::historyListByUserId(const QString& userId) {
    return queue_->inDatabase([&](JSSQLite& db) {
        return db
            .executeQuery(
                QStringLiteral("SELECT * FROM history WHERE u_id = ? ORDER BY t_time DESC LIMIT ?"),
                {userId, 50})
            .value_or(Rows());
    });
}

bool QXIMDatabase::updateHistorySign(const QString& sign, const QString& userId,
                                     const QString& postId) {
    if (userId.isNull() || postId.isNull()) return false;
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("UPDATE history SET u_sign = ? WHERE puid = ? AND u_id = ?"),
        {sign.isNull() ? QLatin1String("") : sign, postId, userId});
}

std::optional<QString> QXIMDatabase::historySignByUserId(const QString& userId,
                                                         const QString& postId) {
    if (userId.isNull() || postId.isNull()) return std::nullopt;
    const Rows rows = queue_->inDatabase([&](JSSQLite& db) {
        return db
            .executeQuery(QStringLiteral("SELECT u_sign FROM history WHERE puid = ? AND u_id = ?"),
                          {postId, userId})
            .value_or(Rows());
    });
    if (rows.size() != 1) return std::nullopt;
    return rows.first().value(QStringLiteral("u_sign")).toString();
}

bool QXIMDatabase::markHistory(bool mark, qint64 rowId) {
    const qint64 now = currentTime();
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("UPDATE history SET b_time = ? WHERE _id = ?"),
        {mark ? now : -now, rowId});
}

bool QXIMDatabase::deleteHistoryById(qint64 rowId) {
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("DELETE FROM history WHERE _id = ?"), {rowId});
}

bool QXIMDatabase::deleteHistoryByUser(const QString& userId, const QString& postId) {
    return updateExtensionInTransaction(
        *queue_, QStringLiteral("DELETE FROM history WHERE u_id = ? AND puid = ?"),
        {userId, postId});
}

// --- Back-fill

qint64 QXIMDatabase::messagesLatestId() {
    const Rows rows = queue_->inDatabase([&](JSSQLite& db) {
        return db.executeQuery(QStringLiteral("SELECT _id FROM msgs ORDER BY _id DESC LIMIT 1"))
            .value_or(Rows());
    });
    return rows.isEmpty() ? 0 : rows.first().value(QStringLiteral("_id")).toLongLong();
}

void QXIMDatabase::updateTableColumnMsgType() {
    const qint64 last = messagesLatestId();
    if (last <= 0) return;
    scheduleBackfillBatch(queue_, last, 0, kBackfillDelay);
}

qint64 QXIMDatabase::currentTime() {
    return static_cast<qint64>(std::floor(ns::Clock::shared().timeIntervalSince1970()));
}
