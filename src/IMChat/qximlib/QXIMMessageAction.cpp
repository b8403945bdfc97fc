#include "IMChat/qximlib/QXIMMessageAction.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessageContent.h"
#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "net/BodyJson.h"
#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"
#include "platform/uikit/application.h"

#include <QDateTime>

#include <cmath>
#include <numeric>

namespace {

constexpr qint64 kLabelGap = 3600;

qint64 serverNow() {
    return static_cast<qint64>(
        std::floor(ns::Clock::shared().timeIntervalSince1970() + QXIMUtil::qximTimeDifference()));
}

}  // namespace

QXIMMessageAction::QXIMMessageAction(std::weak_ptr<QXIMMessageActionDelegate> delegate,
                                     Options options)
    : delegate_(std::move(delegate)), options_(std::move(options)) {
    auto& center = ns::NotificationCenter::defaultCenter();
    observations_.push_back(center.addObserver(
        QXIMNotifications::kIMRecieveNotification,
        [this](const ns::Notification& notification) { imRecieveNotification(notification); }));
    observations_.push_back(center.addObserver(QXIMNotifications::kIMSendErrorNotification,
                                               [this](const ns::Notification& notification) {
                                                   imRecieveErrorNotification(notification);
                                               }));
    // Leaving for the background ends the stream.
    observations_.push_back(center.addObserver(
        ui::kApplicationDidEnterBackgroundNotification, [](const ns::Notification&) {
            if (const auto service = QXIMService::sharedIfStarted()) service->cancelRecConnect();
        }));
}

QXIMMessageAction::~QXIMMessageAction() = default;

QVariantMap QXIMMessageAction::talkInfo() const {
    const auto delegate = delegate_.lock();
    return delegate ? delegate->talkInfoForMessageAction(const_cast<QXIMMessageAction&>(*this))
                    : QVariantMap();
}

QString QXIMMessageAction::dayLabel(qint64 time, qint64 now, const QString& olderFormat) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(time).toLocalTime();
    const QDate today = QDateTime::fromSecsSinceEpoch(now).toLocalTime().date();
    const QString clock = when.toString(QStringLiteral("HH:mm"));
    if (when.date() == today) return QStringLiteral("今天 ") + clock;
    if (when.date() == today.addDays(-1)) return QStringLiteral("昨天 ") + clock;
    return when.toString(olderFormat);
}

QString QXIMMessageAction::timeLabel(qint64 time) {
    return dayLabel(time, serverNow(), QStringLiteral("M-d HH:mm"));
}

QString QXIMMessageAction::labelOf(qint64 time) const {
    return options_.timeLabel ? options_.timeLabel(time) : timeLabel(time);
}

void QXIMMessageAction::refreshMessagesData() {
    const QVariantMap talk = talkInfo();
    QList<QXIMMessage> messages = QXIMDatabase::shared().messagesByTalkId(
        talk.value(QStringLiteral("t_id")).toString(), QString::number(QXIMUser::shared().userId()),
        QXIMDatabase::kEndOfTime, 0, options_.loadLimit);
    messageData_.clear();
    largestListedLocalId_ = 0;
    more_ = messages.size() >= static_cast<qsizetype>(options_.loadLimit);
    if (!messages.isEmpty()) addMessages(std::move(messages));
    if (const auto delegate = delegate_.lock()) delegate->messageActionRefreshedMessageData(*this);
}

void QXIMMessageAction::addDatabaseData(const QXIMDatabase::Rows& rows) {
    QList<QXIMMessage> messages;
    messages.reserve(rows.size());
    for (const QVariantMap& row : rows) messages.append(QXIMMessage::messageFromDictionary(row));
    addMessages(messages);
}

void QXIMMessageAction::addMessages(QList<QXIMMessage> messages) {
    qint64 previous = 0;
    messageData_.reserve(messageData_.size() + messages.size());
    for (QXIMMessage& message : messages) {
        if (message.uTime - previous > kLabelGap) message.showTime = labelOf(message.uTime);
        previous = message.uTime;
        noteListed(message.m_sid);
        messageData_.append(std::move(message));
    }
}

QString QXIMMessageAction::saveUnsendMessageContent(QXIMMessageContent& content, qint64* messageId,
                                                    int sendState) {
    const QVariantMap talk = talkInfo();
    const QString otherUser = talk.value(QStringLiteral("o_user")).toString();
    const QString talkId = talk.value(QStringLiteral("t_id")).toString();
    QString post = talk.value(QStringLiteral("p_post")).toString();
    if (post.isEmpty()) {
        post = json_JSONString(
            Tolerant(json_JSON(talk.value(QStringLiteral("l_msg"))))[QStringLiteral("post")]
                .value());
    }
    if (post.isEmpty()) post = QStringLiteral("null");
    const qint64 now = serverNow();
    const qint64 me = QXIMUser::shared().userId();

    QXIMMessage message;
    message.userId = talk.value(QStringLiteral("u_id")).toString();
    message.talkId = talkId;
    message.fromId = QString::number(me);
    message.needId = talk.value(QStringLiteral("r_id")).toString();
    message.otherUser = otherUser;
    message.setContents(content.contentJSONString());
    message.sendingState = sendState;
    message.toId = Tolerant(json_JSON(QVariant(otherUser)))[QStringLiteral("id")].toString();
    message.uTime = now;
    QXIMDatabase& store = QXIMDatabase::shared();
    const bool resend = !content.messageInfo.isEmpty();
    if (resend) {
        message.m_sid = content.messageInfo.value(QStringLiteral("m_sid")).toLongLong();
        store.updateMessageExceptTime(message);  // a resend keeps its time
    } else {
        store.saveMessage(message, false);
    }
    if (messageId) *messageId = message.m_sid;
    if (content.m_sid <= 0) content.m_sid = message.m_sid;
    const QString nowText = QString::number(now);
    message.completeMessage = BodyJson::object(
        {{"fromUser",
          BodyJson::object({{"id", BodyJson::string(QString::number(me))},
                            {"name", BodyJson::string(QXIMUser::shared().userName())}})},
         {"toUser", otherUser.isEmpty() ? QStringLiteral("null") : otherUser},
         {"post", post},
         {"talk", BodyJson::object({{"id", BodyJson::string(talkId)},
                                    {"updateTime", BodyJson::string(nowText)},
                                    {"channel", BodyJson::string(QStringLiteral("0"))}})},
         {"msgs", BodyJson::array({BodyJson::object({{"talkId", BodyJson::string(talkId)},
                                                     {"updateTime", BodyJson::string(nowText)},
                                                     {"contents", message.contents()}})})}});
    store.saveMessageIntoTalkTable(message);
    replaceAtMessageId(message.m_sid, message, !resend);
    return message.completeMessage;
}

void QXIMMessageAction::sendMessageContents2Server(const QList<QXIMMessageContent*>& contents) {
    QString merged;
    QList<qint64> localIds;
    for (QXIMMessageContent* content : contents) {
        if (!content) continue;
        const QString json = content->contentJSONString();
        if (json.isEmpty() || !json.startsWith(QLatin1Char('[')) ||
            !json.endsWith(QLatin1Char(']'))) {
            continue;
        }
        if (content->m_sid > 0)
            content->messageInfo.insert(QStringLiteral("m_sid"), content->m_sid);
        qint64 localId = 0;
        const QString complete = saveUnsendMessageContent(*content, &localId);
        localIds.append(localId);
        if (merged.isEmpty()) {
            merged = complete;
        } else {
            // Every content's items end up in the one message's contents array.
            merged.chop(4);
            merged += QLatin1Char(',') + json.mid(1) + QStringLiteral("}]}");
        }
    }
    if (!localIds.isEmpty()) QXIMService::shared()->sendTextMessage(merged, localIds);
}

void QXIMMessageAction::replaceAtMessageId(qint64 localId, const QXIMMessage& message,
                                           bool insert) {
    const auto delegate = delegate_.lock();
    if (insert) {
        QXIMMessage listed = message;
        const qint64 last = messageData_.isEmpty() ? 0 : messageData_.last().uTime;
        if (listed.uTime - last > kLabelGap) listed.showTime = labelOf(listed.uTime);
        noteListed(listed.m_sid);
        messageData_.append(listed);
        if (delegate) {
            delegate->messageActionInsertDataAtIndex(*this, static_cast<int>(messageData_.size()));
        }
        return;
    }
    for (qsizetype index = messageData_.size() - 1; index >= 0; --index) {
        if (messageData_[index].m_sid != localId) continue;
        QXIMMessage listed = message;
        listed.showTime = messageData_[index].showTime;
        noteListed(listed.m_sid);
        messageData_[index] = listed;
        if (delegate) delegate->messageActionReplaceDataAtIndex(*this, static_cast<int>(index));
        return;
    }
}

int QXIMMessageAction::updateSendState(int state, qint64 localId) {
    QXIMDatabase::shared().updateMessageSendState(localId, state);
    for (qsizetype index = messageData_.size() - 1; index >= 0; --index) {
        if (messageData_[index].m_sid != localId) continue;
        messageData_[index].messageId = 0;
        messageData_[index].sendingState = state;
        return static_cast<int>(index);
    }
    return kNotFound;
}

void QXIMMessageAction::increaseListedReadCount(qint64 localId) {
    for (QXIMMessage& message : messageData_) {
        if (message.m_sid == localId) ++message.messageReadCount;
    }
}

QXIMMessageAction::Placement QXIMMessageAction::place(QXIMMessage message) {
    Placement placement;
    if (message.talkId != talkInfo().value(QStringLiteral("t_id")).toString()) return placement;
    message.sendingState = QXIMMessage::kSent;
    // The listed row of the same message (the local one of a confirmed send, or one a reload
    // read from the store meanwhile) gives way, keeping its label: no message is listed twice.
    // A message newer than every listed one cannot be listed: a burst is not searched for.
    if (message.m_sid > 0 && message.m_sid <= largestListedLocalId_) {
        for (qsizetype index = messageData_.size() - 1; index >= 0; --index) {
            if (messageData_[index].m_sid != message.m_sid) continue;
            message.showTime = messageData_[index].showTime;
            messageData_.removeAt(index);
            placement.removedAt = index;
            break;
        }
    }
    const bool wasEmpty = messageData_.isEmpty();
    const qint64 last = wasEmpty ? 0 : messageData_.last().uTime;
    if (wasEmpty || message.uTime - last > kLabelGap) {
        message.showTime = labelOf(message.uTime);
    }
    qsizetype at = messageData_.size();
    while (at > 0 && messageData_[at - 1].uTime > message.uTime) --at;
    noteListed(message.m_sid);
    messageData_.insert(at, std::move(message));
    placement.insertedAt = at;
    return placement;
}

QXIMMessageListChange QXIMMessageAction::insertAndOrderMessages(
    const QList<QXIMMessage>& messages) {
    // Each listed row's position before the merge (-1: merged now), kept in step with the list.
    std::vector<int> before(std::size_t(messageData_.size()));
    std::iota(before.begin(), before.end(), 0);
    std::vector<bool> stayed(before.size(), false);
    for (const QXIMMessage& message : messages) {
        const Placement placement = place(message);
        if (placement.removedAt >= 0) before.erase(before.begin() + placement.removedAt);
        if (placement.insertedAt >= 0) before.insert(before.begin() + placement.insertedAt, -1);
    }
    QXIMMessageListChange change;
    for (std::size_t position = 0; position < before.size(); ++position) {
        if (before[position] < 0) {
            change.inserted.push_back(int(position));
        } else {
            stayed[std::size_t(before[position])] = true;
        }
    }
    for (std::size_t position = 0; position < stayed.size(); ++position) {
        if (!stayed[position]) change.removed.push_back(int(position));
    }
    return change;
}

void QXIMMessageAction::deleteMessageAtIndex(int index) {
    if (index < 0 || index >= messageData_.size()) return;
    QXIMDatabase& store = QXIMDatabase::shared();
    const bool wasLast = index == messageData_.size() - 1;
    if (!store.deleteMsgById(messageData_[index].m_sid)) return;
    messageData_.removeAt(index);
    if (!wasLast) return;
    const QVariantMap talk = talkInfo();
    while (messageData_.isEmpty()) {
        if (!more_) {
            store.deleteTalksInfo(talk.value(QStringLiteral("u_id")).toString(),
                                  talk.value(QStringLiteral("t_id")).toString());
            return;
        }
        refreshMessagesData();
    }
    // The talk row shows the new last message.
    const QXIMMessage& last = messageData_.last();
    QVariantMap complete = json_JSON(talk.value(QStringLiteral("l_msg"))).toMap();
    QVariantMap item = Tolerant(complete)[QStringLiteral("msgs")][0].toMap();
    item.insert(QStringLiteral("updateTime"), last.uTime);
    item.insert(QStringLiteral("contents"), last.contentsJson());
    complete.insert(QStringLiteral("msgs"), QVariantList{item});
    QVariantMap talkObject = complete.value(QStringLiteral("talk")).toMap();
    talkObject.insert(QStringLiteral("updateTime"), last.uTime);
    complete.insert(QStringLiteral("talk"), talkObject);
    QXIMMessage row;
    row.userId = talk.value(QStringLiteral("u_id")).toString();
    row.talkId = talk.value(QStringLiteral("t_id")).toString();
    row.fromId = last.fromId;
    row.needId = talk.value(QStringLiteral("r_id")).toString();
    row.otherUser = talk.value(QStringLiteral("o_user")).toString();
    row.setContents(last.contents());
    row.completeMessage = json_JSONString(complete);
    row.toId = last.toId;
    row.type = last.type;
    row.systemType = last.systemType;
    row.uTime = last.uTime;
    row.m_sid = last.m_sid;
    row.sendingState = last.sendingState;
    store.saveMessageIntoTalkTable(row);
}

void QXIMMessageAction::updateUnsendText(const QString& text) {
    const QVariantMap talk = talkInfo();
    if (talk.contains(QStringLiteral("_id"))) {
        QXIMDatabase::shared().updateTalkUnsendText(talk.value(QStringLiteral("_id")).toLongLong(),
                                                    text);
    }
}

void QXIMMessageAction::imRecieveErrorNotification(const ns::Notification& notification) {
    const auto delegate = delegate_.lock();
    if (!delegate || !delegate->isVisibleMessageAction(*this)) return;
    QVariantList ids = notification.userInfo.value(QStringLiteral("m_sids")).toList();
    if (ids.isEmpty() && notification.userInfo.contains(QStringLiteral("m_sid"))) {
        ids = {notification.userInfo.value(QStringLiteral("m_sid"))};
    }
    for (const QVariant& id : ids) {
        if (id.toLongLong() <= 0) continue;
        const int position = updateSendState(QXIMMessage::kFailed, id.toLongLong());
        if (position != kNotFound) delegate->messageActionReplaceDataAtIndex(*this, position);
    }
}

void QXIMMessageAction::imRecieveNotification(const ns::Notification& notification) {
    const auto delegate = delegate_.lock();
    if (!delegate) return;
    if (!delegate->isVisibleMessageAction(*this)) {
        delegate->messageActionReceivedWhileHidden(*this);
        return;
    }
    const auto received = notification.objectAs<QXIMNotifications::ReceivedMessages>();
    delegate->messageActionWillReceive(*this, received);
    const QVariantMap talk = talkInfo();
    if (received.messages.isEmpty()) {
        if (talk.contains(QStringLiteral("_id"))) {
            QXIMDatabase::shared().saveTalkInfoAndClearRead(
                talk.value(QStringLiteral("_id")).toLongLong());
        }
        refreshMessagesData();
        return;
    }
    // Messages keep coming while the service stores more: the screen does not wait for the
    // store to clear the count.
    if (talk.contains(QStringLiteral("_id")))
        QXIMDatabase::shared().clearTalkUnreadLater(talk.value(QStringLiteral("_id")).toLongLong());
    delegate->messageActionMergedMessages(*this, insertAndOrderMessages(received.messages));
}
