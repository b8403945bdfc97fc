// The service's storing of received packets and its sending and confirming of messages.
#include "IMChat/qximlib/QXIMService.h"

#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMOnlineReceiver.h"
#include "IMChat/qximlib/QXIMSender.h"
#include "IMChat/qximlib/QXIMUser.h"

#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/notification_center.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

const QString kFont = QStringLiteral("font");

std::optional<qint64> idOf(const Tolerant& user) {
    const Tolerant id = user[QStringLiteral("id")];
    if (id.isNil() || id.value().isNull()) return std::nullopt;
    return id.value().toLongLong();
}

// A received update time: milliseconds since 1970 as the server counts them. A time before
// 1970 reads as 1970 and one beyond 64 bits as the last time there is, so that the times
// filed before and after it and the gaps between times never overflow.
qint64 updateTimeOf(const Tolerant& time) {
    const QVariant value = time.value();
    if (value.typeId() == QMetaType::Double) {
        const double real = value.toDouble();
        if (!(real > 0)) return 0;
        if (real >= 0x1p63) return std::numeric_limits<qint64>::max();
        return qint64(real);
    }
    return std::max<qint64>(0, value.toLongLong());
}

QString jsonText(const QVariant& value) {
    return json_JSONString(value);
}

// A message's id as the packet holds it, for a log line.
QString idAsItCame(const QVariantMap& message) {
    const auto id = message.constFind(QStringLiteral("id"));
    if (id == message.cend()) return QXIMService::kNoMessageId;
    const QString text = jsonText(*id);
    return text.isNull() ? QXIMService::kNoMessageId : text;
}

void postReceived(QXIMNotifications::ReceivedMessages received, const QVariantMap& userInfo = {}) {
    ns::NotificationCenter::defaultCenter().postOnMainQueue(
        ns::Notification{.name = QXIMNotifications::kIMRecieveNotification,
                         .object = std::move(received),
                         .userInfo = userInfo});
}

}  // namespace

void QXIMService::saveMessages(const QVariantMap& packet, bool notify,
                               QList<QXIMMessage>* messagesContainer,
                               QVariantList* talksContainer) {
    savePackets({packet}, notify, messagesContainer, talksContainer);
}

bool QXIMService::queueStreamPacket(const QVariantMap& packet) {
    const QList<qint64> ids = messageIdsOf(packet);
    const Tolerant talk = Tolerant(packet)[QStringLiteral("talk")];
    const QString toTalk = talk[QStringLiteral("toTalkId")].toString();
    const QString fromTalk = talk[QStringLiteral("fromTalkId")].toString();
    const bool copy = !ids.isEmpty() && std::all_of(ids.begin(), ids.end(), [&](qint64 id) {
        return id > 0 && (idsToStore_.contains(id) || (acknowledgements_.knows(toTalk, id) &&
                                                       acknowledgements_.knows(fromTalk, id)));
    });
    if (copy) return false;
    for (const qint64 id : ids) ++idsToStore_[id];
    // Whether it delivers is known once it is stored: until then it counts as a segment that
    // stores nothing does.
    streamPackets_.append(
        {packet, segmentBytes_, cutter_.charge(std::max(segmentRead_, kLongestQuietSegmentBytes))});
    streamPacketBytes_ += segmentBytes_;
    holdStreamWhileFull();
    if (std::exchange(storeQueued_, true)) return true;
    queue_->async([weak = weak_from_this()] {
        if (const auto self = weak.lock()) self->storeStreamPackets();
    });
    return true;
}

void QXIMService::holdStreamWhileFull() {
    const bool full = streamPackets_.size() >= kMostPacketsWaiting ||
                      streamPacketBytes_ >= kMostPacketBytesWaiting;
    if (full == std::exchange(streamHeld_, full)) return;
    receiver_->setReadingHeld(full);
}

void QXIMService::storeStreamPackets() {
    QList<QVariantMap> packets;
    QList<CometScriptCutter::Charge> charges;
    for (const WaitingPacket& waiting :
         streamPackets_.first(std::min(kStoreBatch, streamPackets_.size()))) {
        packets.append(waiting.packet);
        charges.append(waiting.charge);
        streamPacketBytes_ -= waiting.bytes;
    }
    streamPackets_.remove(0, packets.size());
    const std::vector<bool> delivered = savePackets(packets, true, nullptr, nullptr);
    for (qsizetype n = 0; n < charges.size(); ++n) {
        // A charge of a stream closed since is no longer the cutter's.
        cutter_.settle(charges[n], delivered[n]);
        if (delivered[n]) lastDeliveredAt_ = ns::Clock::shared().uptime();
    }
    holdStreamWhileFull();
    // Stored, or to be stored from a copy: the server sends what was not acknowledged again.
    for (const QVariantMap& packet : packets) {
        for (const qint64 id : messageIdsOf(packet)) {
            const auto waiting = idsToStore_.find(id);
            if (waiting != idsToStore_.end() && --*waiting <= 0) idsToStore_.erase(waiting);
        }
    }
    if (streamPackets_.isEmpty()) {
        storeQueued_ = false;
        return;
    }
    // The rest after the chunks that came meanwhile.
    queue_->async([weak = weak_from_this()] {
        if (const auto self = weak.lock()) self->storeStreamPackets();
    });
}

std::optional<QXIMDatabase::ReceivedPacket> QXIMService::preparePacket(
    const QVariantMap& packetMap) {
    PacketReading reading = readPacket(packetMap, QXIMUser::shared().userId(), observers());
    if (!reading.setAsideReason.isEmpty())
        setAside(reading.setAsideReason, packetMap, reading.setAsideIds);
    if (!reading.rows && reading.acknowledgeAnyway) acknowledge(packetMap);
    return std::move(reading.rows);
}

QXIMService::PacketReading QXIMService::readPacket(
    const QVariantMap& packetMap, qint64 me,
    const std::vector<std::shared_ptr<QXIMServiceObserver>>& plugIns) {
    const Tolerant packet(packetMap);
    const std::optional<qint64> from = idOf(packet[QStringLiteral("fromUser")]);
    const qint64 to = idOf(packet[QStringLiteral("toUser")]).value_or(0);
    if (!from || (to == 0 && me != *from))
        return {.acknowledgeAnyway = true};  // no talk it could belong to: nothing to keep
    if (me != *from && me != to) return {};  // not this user's: neither kept nor acknowledged
    const QString talkId = QXIMMessage::talkIdOfPacket(from, to, me).value_or(QString());

    const QVariantList items = packet[QStringLiteral("msgs")].toList();
    // What the store cannot keep whole is kept not at all: a row whose text does not read
    // back would spoil the talk. Such a packet would never be stored, so it is acknowledged.
    const auto unstorable = [&items](const QString& part) {
        QStringList ids;
        for (const QVariant& item : items) {
            if (item.typeId() == QMetaType::QVariantMap) ids.append(idAsItCame(item.toMap()));
        }
        return PacketReading{
            .acknowledgeAnyway = true,
            .setAsideReason =
                QStringLiteral("%1 nests deeper than %2 levels").arg(part).arg(JsonGen::kMaxDepth),
            .setAsideIds = ids};
    };
    const Tolerant post = packet[QStringLiteral("post")];
    const QString postId =
        post[QStringLiteral("id")].isNil() ? kNoPostId : post[QStringLiteral("id")].toString();
    QXIMDatabase::ReceivedPacket received;
    QStringList withoutId;
    for (const QVariant& itemValue : items) {
        if (itemValue.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap item = itemValue.toMap();
        const Tolerant message(item);
        const qint64 messageId = message[QStringLiteral("id")].value().toLongLong();
        if (messageId <= 0) {
            withoutId.append(idAsItCame(item));
            continue;
        }
        // Taken, it stores nothing: the packet delivers only by the messages it stores.
        if (std::any_of(plugIns.begin(), plugIns.end(), [&](const auto& observer) {
                return observer->parseMessage && observer->parseMessage(item);
            })) {
            continue;
        }
        const QVariantList contents = message[QStringLiteral("contents")].toList();
        if (message[QStringLiteral("contents")].value().typeId() != QMetaType::QVariantList ||
            contents.isEmpty()) {
            continue;
        }
        const qint64 sender = message[QStringLiteral("fromUserId")].value().toLongLong();
        const qint64 receiver = sender == *from ? to : *from;
        QList<QXIMMessage> elements;
        for (const QVariant& element : contents) {
            if (Tolerant(element)[0].isEqualToString(kFont)) continue;
            QXIMMessage stored;
            stored.userId = QString::number(me);
            stored.messageId = messageId;
            stored.systemType = message[QStringLiteral("sysMsgType")].intValue();
            stored.type = sender != 0 ? message[QStringLiteral("type")].intValue() : 1;
            stored.talkId = talkId;
            stored.fromId = QString::number(sender);
            stored.toId = QString::number(receiver);
            stored.needId = postId;
            const QVariantList elementContents{element};
            const QString contentsText = jsonText(elementContents);
            if (contentsText.isNull()) return unstorable(QStringLiteral("a message's contents"));
            stored.setContents(contentsText, elementContents);
            stored.uTime = updateTimeOf(message[QStringLiteral("updateTime")]);
            elements.append(stored);
        }
        if (!elements.isEmpty()) received.items.append(elements);
    }
    const QString withoutIdReason =
        withoutId.isEmpty() ? QString() : QStringLiteral("a message without a positive id");
    if (received.items.isEmpty()) {
        return {
            .acknowledgeAnyway = true, .setAsideReason = withoutIdReason, .setAsideIds = withoutId};
    }
    received.otherUser = jsonText(
        packet[me != *from ? QStringLiteral("fromUser") : QStringLiteral("toUser")].value());
    if (received.otherUser.isNull()) return unstorable(QStringLiteral("the other user"));
    received.completeMessage = jsonText(packetMap);
    if (received.completeMessage.isNull()) return unstorable(QStringLiteral("the packet"));
    return {
        .rows = std::move(received), .setAsideReason = withoutIdReason, .setAsideIds = withoutId};
}

std::vector<bool> QXIMService::savePackets(const QList<QVariantMap>& packets, bool notify,
                                           QList<QXIMMessage>* messagesContainer,
                                           QVariantList* talksContainer) {
    std::vector<bool> delivered(packets.size(), false);
    // Of each packet with rows to store: where it stands in `packets`.
    QList<qsizetype> kept;
    QList<QXIMDatabase::ReceivedPacket> received;
    for (qsizetype n = 0; n < packets.size(); ++n) {
        if (auto prepared = preparePacket(packets[n])) {
            kept.append(n);
            received.append(std::move(*prepared));
        }
    }
    if (received.isEmpty()) return delivered;
    const QList<QXIMDatabase::ReceivedPacketSaved> results =
        database_.saveReceivedPackets(received);
    const auto plugIns = observers();
    // The screens hear of the whole batch at once: each of them re-reads or redraws once.
    QXIMNotifications::ReceivedMessages told;
    for (qsizetype n = 0; n < results.size(); ++n) {
        const QXIMDatabase::ReceivedPacketSaved& saved = results[n];
        // Acknowledged only once the rows are stored for good; otherwise the server sends
        // the packet again.
        if (!saved.committed) return delivered;
        acknowledge(packets[kept[n]]);
        if (saved.stored.isEmpty()) continue;
        delivered[kept[n]] = true;
        QList<QXIMMessage> stored = saved.stored;
        if (saved.autoInsertNeed) {
            for (const auto& observer : plugIns) {
                if (observer->receivedDifferentPostMessage) {
                    observer->receivedDifferentPostMessage(saved.talk.copy(), stored);
                }
            }
        }
        const QVariantMap talk = saved.talk.dictionary();
        if (messagesContainer) messagesContainer->append(stored);
        if (talksContainer) talksContainer->append(talk);
        told.messages.append(stored);
        told.talks.append(talk);
    }
    if (notify && !told.messages.isEmpty()) postReceived(std::move(told));
    return delivered;
}

void QXIMService::offlineMessage(const QVariant& replyValue,
                                 const QXIMPacketReader::Refused& refused) {
    // A fetch answered after the stop finds the store closing.
    if (stopped_) return;
    if (!refused.isEmpty()) setAsideUnread(refused, Road::Fetch);
    const Tolerant reply(replyValue);
    QVariant list = reply[QStringLiteral("data")].value();
    if (!list.isValid()) {
        const Tolerant params = reply[QStringLiteral("params")];
        if (params.isNil() || params[QStringLiteral("errorno")].intValue() != 0) return;
        list = params[QStringLiteral("data")].value();
    }
    if (list.typeId() != QMetaType::QVariantList) return;
    QList<QVariantMap> packets;
    for (const QVariant& packet : list.toList()) {
        if (packet.typeId() == QMetaType::QVariantMap) packets.append(packet.toMap());
    }
    QList<QXIMMessage> messages;
    QVariantList talks;
    savePackets(packets, false, &messages, &talks);
    if (!messages.isEmpty()) postReceived({messages, talks});
}

void QXIMService::sendTextMessage(const QString& completeMessage, qint64 localId) {
    sendTextMessage(completeMessage, QList<qint64>{localId});
}

void QXIMService::sendTextMessage(const QString& completeMessage, const QList<qint64>& localIds) {
    onQueue([this, completeMessage, localIds] {
        const std::weak_ptr<QXIMService> weak = weak_from_this();
        auto sender = std::make_shared<QXIMSender>(
            [weak](QXIMSender& sender, const QVariant& reply) {
                if (const auto self = weak.lock()) self->sendSuccess(sender, reply);
            },
            [weak](QXIMSender& sender, const QVariantMap&) {
                if (const auto self = weak.lock()) self->sendFail(sender);
            });
        QVariantList ids;
        for (const qint64 id : localIds) ids.append(id);
        sender->setUserInfo({{QStringLiteral("m_sids"), ids}});
        if (!sender->sendMessage(completeMessage)) sendFail(*sender);
    });
}

void QXIMService::sendSuccess(QXIMSender& sender, const QVariant& replyValue) {
    const QVariant bodyValue = json_JSON(QVariant(sender.postString()));
    const Tolerant reply(replyValue);
    const Tolerant body(bodyValue);
    const Tolerant data = reply[QStringLiteral("data")];
    if (bodyValue.typeId() != QMetaType::QVariantMap ||
        !reply[QStringLiteral("error_msg")].isNil() ||
        data[QStringLiteral("msg")][QStringLiteral("id")].isNil()) {
        sendFail(sender);
        return;
    }
    const qint64 from = idOf(body[QStringLiteral("fromUser")]).value_or(0);
    const qint64 to = idOf(body[QStringLiteral("toUser")]).value_or(0);
    const Tolerant firstItem = body[QStringLiteral("msgs")][0];
    qint64 time = data[QStringLiteral("msg")][QStringLiteral("updateTime")].value().toLongLong();
    if (time <= 0) time = firstItem[QStringLiteral("updateTime")].value().toLongLong();
    const QVariantList contents = firstItem[QStringLiteral("contents")].toList();
    const qint64 me = QXIMUser::shared().userId();
    const QString talkId = from != 0 && to != 0 ? (me == to ? QXIMMessage::makeTalkId(from, to)
                                                            : QXIMMessage::makeTalkId(to, from))
                                                : QString();

    QVariantMap stored = bodyValue.toMap();
    const QVariant replyTo = data[QStringLiteral("toUser")].value();
    const QVariant replyFrom = data[QStringLiteral("fromUser")].value();
    // When the message went to this user, the parties swap: this user's object is the
    // reply's "toUser" and is stored as the sender.
    const bool toMe = me == to;
    const QVariant otherUser =
        body[toMe ? QStringLiteral("fromUser") : QStringLiteral("toUser")].value();
    const QVariant& ownUser = toMe ? replyTo : replyFrom;
    if (!Tolerant(ownUser)[QStringLiteral("picUrl")].isNil()) {
        QXIMUser::shared().setUserHeadPic(Tolerant(ownUser)[QStringLiteral("picUrl")].toString());
    }
    stored.insert(QStringLiteral("fromUser"), toMe ? replyTo : replyFrom);
    stored.insert(QStringLiteral("toUser"), toMe ? replyFrom : replyTo);
    const QVariantList localIds = sender.userInfo().value(QStringLiteral("m_sids")).toList();
    if (localIds.size() != contents.size()) {
        sendFail(sender);
        return;
    }
    // The reply's user objects may nest deeper than the writer goes: the body as it was sent
    // is kept then, which always reads back.
    QString completeMessage = jsonText(stored);
    if (completeMessage.isNull()) completeMessage = sender.postString();
    std::optional<QXIMMessage> latest;
    for (qsizetype index = 0; index < contents.size(); ++index) {
        QXIMMessage message;
        message.userId = QString::number(me);
        message.messageId = data[QStringLiteral("msg")][QStringLiteral("id")].value().toLongLong();
        message.talkId = talkId;
        message.fromId = QString::number(from);
        message.toId = QString::number(to);
        message.needId = body[QStringLiteral("post")][QStringLiteral("id")].toString();
        message.otherUser = jsonText(otherUser);
        message.setContents(jsonText(QVariantList{contents[index]}));
        message.completeMessage = completeMessage;
        message.uTime = time;
        message.unread = me == to ? 1 : 0;
        message.sendingState = QXIMMessage::kSent;
        message.m_sid = localIds[index].toLongLong();
        database_.updateMessageExceptTime(message);
        postReceived({{message}, {message.dictionary()}},
                     {{QStringLiteral("m_sid"), message.m_sid}});
        if (!latest || message.m_sid > latest->m_sid) latest = message;
    }
    if (latest) database_.saveMessageIntoTalkTable(*latest, nullptr, true);
    ns::NotificationCenter::defaultCenter().postOnMainQueue(
        ns::Notification{.name = QXIMNotifications::kTalkInfoChange});
}

void QXIMService::sendFail(QXIMSender& sender) {
    if (sender.userInfo().isEmpty()) return;
    for (const QVariant& id : sender.userInfo().value(QStringLiteral("m_sids")).toList()) {
        database_.updateMessageSendState(id.toLongLong(), QXIMMessage::kFailed);
    }
    ns::NotificationCenter::defaultCenter().postOnMainQueue(ns::Notification{
        .name = QXIMNotifications::kIMSendErrorNotification, .userInfo = sender.userInfo()});
}
