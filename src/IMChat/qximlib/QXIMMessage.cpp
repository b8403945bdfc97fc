#include "IMChat/qximlib/QXIMMessage.h"

#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include <limits>

const std::array<QString, QXIMMessage::kRowColumnCount>& QXIMMessage::rowColumnNames() {
    static const std::array<QString, kRowColumnCount> names{
        QStringLiteral("m_content"), QStringLiteral("f_id"),    QStringLiteral("m_id"),
        QStringLiteral("m_state"),   QStringLiteral("to_id"),   QStringLiteral("_id"),
        QStringLiteral("u_time"),    QStringLiteral("r_count"), QStringLiteral("m_type"),
        QStringLiteral("m_systype")};
    return names;
}

namespace {

// A row dictionary as a row reader.
class DictionaryReader final : public QXIMMessage::RowReader {
public:
    explicit DictionaryReader(const QVariantMap& row) : row_(row) {}
    bool has(QXIMMessage::RowColumn column) const override {
        return row_.contains(QXIMMessage::rowColumnNames()[column]);
    }
    QString text(QXIMMessage::RowColumn column) const override {
        return row_.value(QXIMMessage::rowColumnNames()[column]).toString();
    }
    qint64 number(QXIMMessage::RowColumn column) const override {
        return row_.value(QXIMMessage::rowColumnNames()[column]).toLongLong();
    }

private:
    const QVariantMap& row_;
};

}  // namespace

QXIMMessage QXIMMessage::messageFromDictionary(const QVariantMap& row) {
    QXIMMessage message = messageFromRow(DictionaryReader(row));
    static_cast<void>(message.contentsJson());  // parsed at once, as rows are read to be shown
    return message;
}

QXIMMessage QXIMMessage::messageFromRow(const RowReader& row) {
    QXIMMessage message;
    message.setContents(row.text(kContentColumn));
    message.fromId = row.text(kFromColumn);
    message.messageId = row.number(kServerIdColumn);
    if (row.has(kStateColumn)) {
        message.sendingState = static_cast<int>(row.number(kStateColumn));
    } else {
        message.sendingState = message.messageId > 0 ? kSent : kFailed;
    }
    message.toId = row.text(kToColumn);
    message.m_sid = row.number(kLocalIdColumn);
    message.uTime = row.number(kTimeColumn);
    message.messageReadCount = static_cast<int>(row.number(kReadCountColumn));
    message.type = static_cast<int>(row.number(kTypeColumn));
    message.systemType = static_cast<int>(row.number(kSystemTypeColumn));
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

qint64 QXIMMessage::timeBefore(qint64 time, qint64 steps) {
    qint64 before = 0;
    if (__builtin_sub_overflow(time, steps, &before)) return std::numeric_limits<qint64>::min();
    return before;
}

QXIMMessage QXIMMessage::copy() const {
    QXIMMessage copy = *this;
    // What belongs to the stored row or its talk row stays behind.
    copy.m_sid = 0;
    copy.t_sid = 0;
    copy.unread = 0;
    copy.messageReadCount = 0;
    copy.sendingState = 0;
    copy.bTime = 0;
    copy.contentsJson_.reset();
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
