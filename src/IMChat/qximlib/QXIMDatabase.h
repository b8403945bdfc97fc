#pragma once

#include "IMChat/qximlib/QXIMMessage.h"
#include "IMChat/qximlib/qximdata/db/JSSQLiteQueue.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// The signed-in user's message store, Documents/<user id>/im.db: messages (`msgs`), talks
// (`msg_list`), published needs (`need_list`) and favourites (`history`), all through one
// serial database queue. Operations answer true/false, rows (column name to value) or
// nothing, and never raise or log: callers go on with an empty result.
//
// Opening brings any older file up to the current schema in one transaction and marks it
// with the schema version (PRAGMA user_version); a current file is only read. A new store
// gets two welcome messages from the service account and their talk, written together.
class QXIMDatabase {
public:
    using Rows = JSSQLite::Rows;

    // The schema version of files this store writes.
    static constexpr int kSchemaVersion = 2;
    // The former official account: a user who has its welcome message gets none again.
    static inline const QString kFormerOfficialUserId = QStringLiteral("123332345");
    // The post id of talks without a post of their own (welcome and need messages).
    static inline const QString kNoPostNeedId = QStringLiteral("0_0_1009_0");
    static constexpr qint64 kFirstWelcomeId = 201;
    static constexpr qint64 kSecondWelcomeId = 202;
    // A time after every stored one: the upper bound of "the latest rows" queries.
    static constexpr qint64 kEndOfTime = 4999999999;

    QXIMDatabase();
    ~QXIMDatabase();
    QXIMDatabase(const QXIMDatabase&) = delete;
    QXIMDatabase& operator=(const QXIMDatabase&) = delete;

    // The process's store, made on first use.
    static QXIMDatabase& shared();
    // Closes the shared store's file; it stays closed until the next openDatabase().
    static void forceRelease();

    // Documents/<user>/im.db, creating the folder and copying the bundle's seed "im.db"
    // when there is no file yet; `nonexistent` tells whether there was none.
    static QString getUserimdb(const QString& userId, bool* nonexistent = nullptr);
    // Switches the store to the user's file, upgrading it when older and adding what the
    // welcome talk lacks (unless the user has the former official account's welcome).
    bool openDatabase(const QString& userId, bool* isCreates = nullptr);
    [[nodiscard]] QString path() const { return queue_->path(); }
    [[nodiscard]] JSSQLiteQueue& queue() { return *queue_; }

    // --- Messages (`msgs`)
    [[nodiscard]] bool messageExist(qint64 serverId, const QString& talkId, const QString& userId);
    // Whether the talk holds a message with this server id and exactly these contents.
    [[nodiscard]] bool messageExist(qint64 serverId, const QString& talkId, const QString& userId,
                                    const QString& contents);
    // Inserts the message and sets its local id (only from an insert that succeeded).
    // With `checkExist` and a server id, a message already stored is not inserted again:
    // the answer is true and `exist` (when given) is 1; otherwise `exist` gets 0.
    bool saveMessage(QXIMMessage& message, bool checkExist = true, int* exist = nullptr);
    bool updateMessage(const QXIMMessage& message);
    // Server id, contents and state; the message's time becomes the stored one.
    bool updateMessageExceptTime(QXIMMessage& message);
    // The row's state, and the talk row's when that names the message (local id > 0).
    bool updateMessageSendState(qint64 localId, int state);
    // Every message still sending becomes failed (a send the process's end interrupted).
    bool updateMessageSendFaild();
    bool updateMessageIncreaseReadCount(qint64 localId, unsigned count);
    // The row when exactly one matched.
    [[nodiscard]] std::optional<QVariantMap> getMessageByKey(qint64 localId, const QString& userId);
    // The talk's newest `count` messages before `beforeTime` (and, with a local id > 0,
    // before that message at the same time), oldest first.
    [[nodiscard]] Rows messagesListByTalkId(const QString& talkId, const QString& userId,
                                            qint64 beforeTime, qint64 columnId, unsigned count);
    [[nodiscard]] Rows messagesListByTalkId(const QString& talkId, const QString& userId,
                                            qint64 beforeTime, unsigned count) {
        return messagesListByTalkId(talkId, userId, beforeTime, 0, count);
    }
    // The same messages as such (contents parsed on first read), read straight from the
    // columns: what a conversation shows.
    [[nodiscard]] QList<QXIMMessage> messagesByTalkId(const QString& talkId, const QString& userId,
                                                      qint64 beforeTime, qint64 columnId,
                                                      unsigned count);
    bool deleteMsgById(qint64 localId);
    bool deleteMsgInfo(const QString& userId, const QString& talkId);
    // The content kind of a first contents element: "d_string" for text, the kind word of
    // a typed item, "" otherwise.
    [[nodiscard]] static QString typeByInfo(const QVariant& firstElement);

    // --- Talks (`msg_list`)
    // Writes the message as its talk's last message (inserting the talk row when new) in
    // one transaction. `autoInsertNeed` (when given) is true when the talk is new or its
    // post id differs from the message's. With `exceptTime` the talk keeps its times.
    bool saveMessageIntoTalkTable(QXIMMessage& message, bool* autoInsertNeed = nullptr,
                                  bool exceptTime = false);
    [[nodiscard]] Rows talkInfoExist(const QString& talkId, const QString& userId);
    [[nodiscard]] bool talkExist(const QString& talkId, const QString& userId);
    // Talks before a time (and row id), pinned service talk first, then newest first.
    [[nodiscard]] Rows talksListByUserId(const QString& userId, qint64 beforeTime, qint64 talkRowId,
                                         int importance, unsigned limit,
                                         bool needSystemInfo = true);
    // Talks up to a time after a row id, pinned service talk first, then newest first.
    [[nodiscard]] Rows talksListByUserId(const QString& userId, qint64 beforeTime, qint64 talkRowId,
                                         unsigned limit);
    [[nodiscard]] int talkUnReadCountWithUserId(const QString& userId, bool needSystemInfo = true);
    bool saveTalkInfoAndClearRead(qint64 talkRowId);
    // The same on a background queue: the caller does not wait while the store is busy.
    void clearTalkUnreadLater(qint64 talkRowId);
    bool saveTalkInfoAndClearReadByTalkId(const QString& talkId);
    bool updateTalkUnsendText(qint64 talkRowId, const QString& text);
    bool saveTalkInfoWithoUser(qint64 talkRowId, const QString& remark);
    bool updateTalkUserSign(qint64 talkRowId, const QString& remark, unsigned importance);
    bool deleteTalksInfo(const QString& userId, const QString& talkId);
    // The same, as the conversation list names it.
    bool deleteMsgListByTalkId(const QString& talkId, const QString& userId) {
        return deleteTalksInfo(userId, talkId);
    }
    // 1 when the contents' first item is a blocking notice, else 0.
    [[nodiscard]] static int cellNameByInfo(const QVariant& contents);

    // --- Received packets
    // One received packet: per item, one message per content element, in order.
    struct ReceivedPacket {
        QList<QList<QXIMMessage>> items;
        QString otherUser;        // the other party's user object as JSON text
        QString completeMessage;  // the whole packet as JSON text
    };
    struct ReceivedPacketSaved {
        bool committed = false;       // rows and talk row are stored (or nothing was new)
        QList<QXIMMessage> stored;    // the messages inserted, with their local ids
        QXIMMessage talk;             // the talk row written (when anything was stored)
        bool autoInsertNeed = false;  // the talk is new or about another post
    };
    // Stores the packet's new messages and its talk row in one transaction: an item whose
    // first message is stored already is skipped whole; if the talk row cannot be
    // written nothing of the packet stays.
    ReceivedPacketSaved saveReceivedPacket(const ReceivedPacket& packet);
    // Several packets in one transaction (one sync of the disk for all): each as above;
    // when the transaction fails none of them is committed.
    QList<ReceivedPacketSaved> saveReceivedPackets(const QList<ReceivedPacket>& packets);

    // --- Needs (`need_list`)
    //
    // A need is written before its publishing call, without the id the server gives it (an
    // empty `n_id`: being sent), and settled by the call's answer: it takes its id, or goes
    // when the server refused it. A call that failed, that the user gave up or that the
    // process did not live to see answered may still have reached the server, so its need
    // stays being sent: the first broker's answer about a need the store does not know gives
    // it its id (adoptSendingNeed), but only while it is the user's one need being sent.
    // Nothing an answer carries but the need's id tells one need from another, and that id
    // comes only with the call's answer: with two needs being sent, an answer could be
    // either's, and neither takes it until one of them has its id. The user's needs being sent
    // go together when the store is opened after the newest of them has waited
    // kSendingNeedLifetime: one going alone would leave the other to take an answer that may
    // be the first's. The lists and the reads by need id see only needs with their id.
    struct NeedInfo {
        QString userId, needId, cityScriptIndex, districtId, streetId, latlng, huxing, voiceUrl;
        double voiceLength = 0;  // seconds as recorded, fraction kept
        QString price, priceType, location, time, rentOrBuy, priceName;
        QString sentence;  // as it was sent to the brokers; empty in rows of older files
    };
    static constexpr qint64 kSendingNeedLifetime = 24 * 3600;
    bool saveNeedInfo(const NeedInfo& need);
    // Writes a need being sent (its needId is not read); its row id, 0 when not written.
    [[nodiscard]] qint64 saveSendingNeed(NeedInfo need);
    // The need of the row takes the id the server gave it.
    bool settleSendingNeed(qint64 rowId, const QString& needId);
    // Removes the row while it is still being sent (a need that took its id stays): the
    // server refused it.
    bool removeSendingNeed(qint64 rowId);
    // A broker answered about `needId`: the user's need with that id, if the store lists one;
    // else the user's one need being sent, which takes the id. Nothing when the user has
    // several needs being sent (the answer could be any one's) or none.
    [[nodiscard]] std::optional<QVariantMap> adoptSendingNeed(const QString& userId,
                                                              const QString& needId);
    bool deleteNeedListByUserId(const QString& userId, const QString& needId);
    [[nodiscard]] Rows loadNeedInfoWithUserID(const QString& userId, qint64 limit);
    [[nodiscard]] Rows getNeedInfoWithUserID(const QString& userId, const QString& needId);
    bool updateSubscribeId(const QString& subscribeId, const QString& needId);
    [[nodiscard]] QString getSubscribeIdWithPostId(const QString& needId);
    // Talks answering the need ("u_count") and post cards about it ("h_count").
    void messagesByUserId(const QString& userId, const QString& needId, unsigned* responseUserCount,
                          unsigned* housesCount);
    // The needs with their counts, read in the background; `finished` runs on the main queue.
    void getNeedInfoAsyncWithUserID(const QString& userId, qint64 limit,
                                    std::function<void(const Rows& needs)> finished);
    // The talks and post cards about a need, read in the background; on the main queue.
    void needResponseInfoAsyncByUser(
        const QString& userId, const QString& needId,
        std::function<void(const Rows& talks, const Rows& cards)> finished);

    // --- Favourites (`history`)
    [[nodiscard]] bool historyExist(const QString& postId, const QString& userId);
    bool saveHistoryContent(const QString& content, const QString& userId, const QString& postId,
                            int majorId);
    [[nodiscard]] int historyCountByUserId(const QString& userId);
    [[nodiscard]] Rows historyListByUserId(const QString& userId);
    bool updateHistorySign(const QString& sign, const QString& userId, const QString& postId);
    [[nodiscard]] std::optional<QString> historySignByUserId(const QString& userId,
                                                             const QString& postId);
    bool markHistory(bool mark, qint64 rowId);
    bool deleteHistoryById(qint64 rowId);
    bool deleteHistoryByUser(const QString& userId, const QString& postId);

    // --- Back-fill of the content kind of messages from before it was stored
    [[nodiscard]] qint64 messagesLatestId();
    // Starts filling `c_type` and `r_id` of older messages, in batches, in the background.
    void updateTableColumnMsgType();

    // Seconds since 1970 on the one clock.
    [[nodiscard]] static qint64 currentTime();

private:
    // Creates missing tables, adds missing columns and the indexes, and sets the schema
    // version, in one transaction; nothing for a current file. True when the content kinds
    // of old messages must be filled in.
    static bool upgradeSchema(JSSQLite& db);
    // The rows of messagesListByTalkId, newest first.
    void forEachLastMessageRow(const QString& talkId, const QString& userId, qint64 beforeTime,
                               qint64 columnId, unsigned count,
                               const std::function<void(const JSSQLite::Cursor& row)>& eachRow);
    // Whether the user's welcome talk holds both welcome messages and its talk row.
    [[nodiscard]] bool welcomeTalkComplete(const QString& userId);
    // Writes what the user's welcome talk lacks (a store made by an earlier version may
    // have lost some of it to a kill), all in one transaction.
    void autoInsertSystemMessages(const QString& userId);
    // Inserts each message (all of one talk) that is not stored yet and, when the talk has
    // no row, its row: the last message with `completeMessage`, all messages unread; in one
    // transaction. `wrote` tells whether anything was written.
    bool saveMissingMessagesAndTalk(QList<QXIMMessage>& messages, const QString& completeMessage,
                                    bool* wrote);

    std::shared_ptr<JSSQLiteQueue> queue_;
};
