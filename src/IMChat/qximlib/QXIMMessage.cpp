#include "IMChat/qximlib/QXIMMessage.h"

#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

namespace {

qint64 int64Of(const QVariant& value) {
    return value.toLongLong();
}

}  // namespace

QXIMMessage QXIMMessage::messageFromDictionary(const QVariantMap& row) {
    QXIMMessage message;
    message.setContents(row.value(QStringLiteral("m_content")).toString());
    static_cast<void>(message.contentsJson());  // parsed at once, as rows are read to be shown
    message.fromId = row.value(QStringLiteral("f_id")).toString();
    message.messageId = int64Of(row.value(QStringLiteral("m_id")));
    if (row.contains(QStringLiteral("m_state"))) {
        message.sendingState = row.value(QStringLiteral("m_state")).toInt();
    } else {
        message.sendingState = message.messageId > 0 ? kSent : kFailed;
    }
    message.toId = row.value(QStringLiteral("to_id")).toString();
    message.m_sid = int64Of(row.value(QStringLiteral("_id")));
    message.uTime = int64Of(row.value(QStringLiteral("u_time")));
    message.messageReadCount = row.value(QStringLiteral("r_count")).toInt();
    message.type = row.value(QStringLiteral("m_type")).toInt();
    message.systemType = row.value(QStringLiteral("m_systype")).toInt();
    return message;
}

QString QXIMMessage::makeTalkId(qint64 otherId, qint64 ownId) {
    return QStringLiteral("%1-%2").arg(otherId).arg(ownId);
}

std::optional<QString> QXIMMessage::talkIdOfPacket(std::optional<qint64> fromId, qint64 toId,
                                                   qint64 me) {
    if (!fromId || (toId == 0 && me != *fromId)) return std::nullopt;
    if (me == *fromId) return makeTalkId(toId, *fromId);
    if (me == toId) return makeTalkId(*fromId, toId);
    return std::nullopt;
}

QXIMMessage QXIMMessage::copy() const {
    QXIMMessage copy;
    copy.messageId = messageId;
    copy.userId = userId;
    copy.talkId = talkId;
    copy.fromId = fromId;
    copy.toId = toId;
    copy.needId = needId;
    copy.otherUser = otherUser;
    copy.setContents(contents_);
    copy.completeMessage = completeMessage;
    copy.uTime = uTime;
    copy.showTime = showTime;
    copy.type = type;
    copy.systemType = systemType;
    copy.nickname = nickname;
    copy.userImportance = userImportance;
    return copy;
}

QVariantMap QXIMMessage::dictionary() const {
    return {
        {QStringLiteral("_id"), t_sid},
        {QStringLiteral("u_id"), userId},
        {QStringLiteral("t_id"), talkId},
        {QStringLiteral("o_user"), otherUser},
        {QStringLiteral("l_msg"), completeMessage},
        {QStringLiteral("l_content"), contents_},
        {QStringLiteral("l_read"), unread},
        {QStringLiteral("u_time"), uTime},
        {QStringLiteral("b_time"), bTime},
        {QStringLiteral("f_id"), fromId},
        {QStringLiteral("r_id"), needId},
        {QStringLiteral("o_sign"), nickname},
        {QStringLiteral("m_type"), type},
        {QStringLiteral("m_systype"), systemType},
        {QStringLiteral("m_state"), sendingState},
    };
}

QString QXIMMessage::description() const {
    return QStringLiteral("{\n\t m_sid : %1, \n\t t_sid : %2, \n\t self.completeMessage : %3 \n}")
        .arg(m_sid)
        .arg(t_sid)
        .arg(completeMessage);
}

QVariant QXIMMessage::contentsJson() const {
    if (!contentsJson_) contentsJson_ = json_JSON(QVariant(contents_));
    return *contentsJson_;
}
