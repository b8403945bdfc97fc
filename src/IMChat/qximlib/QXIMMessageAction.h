#pragma once

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessage.h"
#include "IMChat/qximlib/QXIMNotifications.h"

#include "platform/foundation/notification_center.h"

#include <QList>
#include <QVariantMap>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <vector>

class QXIMMessageAction;
class QXIMMessageContent;

// How a merge changed the listed messages: the positions of the messages that left, in the
// list as it was, and of those that came, in the list as it is, both ascending.
struct QXIMMessageListChange {
    std::vector<int> removed;
    std::vector<int> inserted;
};

// The screen that shows a conversation: it supplies the talk record (a msg_list row) and
// redraws what the list tells it.
class QXIMMessageActionDelegate {
public:
    virtual ~QXIMMessageActionDelegate() = default;
    [[nodiscard]] virtual QVariantMap talkInfoForMessageAction(QXIMMessageAction& action) = 0;
    [[nodiscard]] virtual bool isVisibleMessageAction(QXIMMessageAction& action) = 0;
    virtual void messageActionRefreshedMessageData(QXIMMessageAction&) {}
    // An outgoing message was appended; `count` is the list's new length.
    virtual void messageActionInsertDataAtIndex(QXIMMessageAction&, int /*count*/) {}
    virtual void messageActionReplaceDataAtIndex(QXIMMessageAction&, int /*index*/) {}
    // Received or confirmed messages were merged into the list; the whole list is redrawn
    // unless the screen redraws only what changed.
    virtual void messageActionMergedMessages(QXIMMessageAction& action,
                                             const QXIMMessageListChange& /*change*/) {
        messageActionRefreshedMessageData(action);
    }
    // Messages arrived while the screen shows (before they are listed) with the talk rows
    // they changed, or while it did not (nothing is listed then: the screen reloads when it
    // shows again).
    virtual void messageActionWillReceive(QXIMMessageAction&,
                                          const QXIMNotifications::ReceivedMessages& /*received*/) {
    }
    virtual void messageActionReceivedWhileHidden(QXIMMessageAction&) {}
};

// How a conversation list loads and labels its messages.
struct QXIMMessageActionOptions {
    // The most messages a load reads (the newest ones).
    unsigned loadLimit = 1000;
    // The messages' time labels (time in seconds since 1970); the library's own when none.
    std::function<QString(qint64 time)> timeLabel;
};

// One open conversation's messages, oldest first, with time labels: loaded from the store,
// stored and sent as the user writes, merged as messages arrive or are confirmed, marked when
// sends fail. Lives on the main thread; the notifications it listens to arrive there.
class QXIMMessageAction {
public:
    static constexpr int kNotFound = INT_MAX;
    static constexpr unsigned kLoadLimit = 1000;

    using Options = QXIMMessageActionOptions;

    explicit QXIMMessageAction(std::weak_ptr<QXIMMessageActionDelegate> delegate,
                               Options options = {});
    ~QXIMMessageAction();
    QXIMMessageAction(const QXIMMessageAction&) = delete;
    QXIMMessageAction& operator=(const QXIMMessageAction&) = delete;

    [[nodiscard]] const QList<QXIMMessage>& messageData() const { return messageData_; }
    // The last load hit its row limit: older messages were left out.
    [[nodiscard]] bool isMore() const { return more_; }

    void refreshMessagesData();
    void addDatabaseData(const QXIMDatabase::Rows& rows);
    // The same for messages read from the store, oldest first: each gets a time label when
    // more than an hour passed since the one before.
    void addMessages(QList<QXIMMessage> messages);
    // Stores an outgoing content (or updates its row for a resend) and lists it; the
    // complete message text to send.
    QString saveUnsendMessageContent(QXIMMessageContent& content, qint64* messageId = nullptr,
                                     int sendState = QXIMMessage::kSending);
    // Stores the contents and sends them as one message.
    void sendMessageContents2Server(const QList<QXIMMessageContent*>& contents);
    // The same for one content; nothing for none.
    void sendMessageContent2Server(QXIMMessageContent* content) {
        if (content) sendMessageContents2Server({content});
    }
    void replaceAtMessageId(qint64 localId, const QXIMMessage& message, bool insert);
    // The position of the listed message whose state changed, or kNotFound.
    int updateSendState(int state, qint64 localId);
    // A listed message was played once more (its stored count already rose): the listed copy
    // counts it too, so that a redraw does not show it unheard.
    void increaseListedReadCount(qint64 localId);
    // Lists a received or confirmed message in time order, in place of its listed row.
    void insertAndOrderMessage(QXIMMessage message) {
        static_cast<void>(place(std::move(message)));
    }
    // The same for several, and how the list changed.
    QXIMMessageListChange insertAndOrderMessages(const QList<QXIMMessage>& messages);
    void deleteMessageAtIndex(int index);
    void updateUnsendText(const QString& text);

    // "今天 HH:mm", "昨天 HH:mm" or "M-d HH:mm" (24-hour clock), on the device's time plus
    // the server time difference.
    [[nodiscard]] static QString timeLabel(qint64 time);
    // "今天 HH:mm" when `time` falls on the same date as `now`, "昨天 HH:mm" on the date before,
    // else `time` in `olderFormat`; local time, whole dates (the year counts).
    [[nodiscard]] static QString dayLabel(qint64 time, qint64 now, const QString& olderFormat);

private:
    [[nodiscard]] QVariantMap talkInfo() const;
    void imRecieveNotification(const ns::Notification& notification);
    void imRecieveErrorNotification(const ns::Notification& notification);

    [[nodiscard]] QString labelOf(qint64 time) const;
    // Where a merged message went: the position it took, and the position of the listed row
    // it replaced (-1: none), or none when it is not of this talk.
    struct Placement {
        qsizetype removedAt = -1;
        qsizetype insertedAt = -1;
    };
    Placement place(QXIMMessage message);
    void noteListed(qint64 localId) {
        largestListedLocalId_ = std::max(largestListedLocalId_, localId);
    }

    std::weak_ptr<QXIMMessageActionDelegate> delegate_;
    Options options_;
    QList<QXIMMessage> messageData_;
    // No listed message has a larger local id (one removed may have had it).
    qint64 largestListedLocalId_ = 0;
    bool more_ = false;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
};
