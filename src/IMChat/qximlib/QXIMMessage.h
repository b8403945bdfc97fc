#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QtGlobal>

#include <array>
#include <optional>

// One chat message as the message store keeps it (a `msgs` row), and at the same time the
// carrier of its talk row (`msg_list`): the talk's other user, last complete message,
// unread count and pin time travel with the talk's last message.
//
// Text fields are never null: an unset one reads as "".
class QXIMMessage {
public:
    // Sending states, in memory and in the store.
    static constexpr int kSending = 1;
    static constexpr int kSent = 0;
    static constexpr int kFailed = -1;

    // The `msgs` columns a message is read from.
    enum RowColumn {
        kContentColumn,
        kFromColumn,
        kServerIdColumn,
        kStateColumn,
        kToColumn,
        kLocalIdColumn,
        kTimeColumn,
        kReadCountColumn,
        kTypeColumn,
        kSystemTypeColumn,
        kRowColumnCount
    };
    // Their names in the table, in the order of RowColumn.
    static const std::array<QString, kRowColumnCount>& rowColumnNames();
    // A `msgs` row, whatever holds it. A missing column reads as "" or 0.
    class RowReader {
    public:
        virtual ~RowReader() = default;
        [[nodiscard]] virtual bool has(RowColumn column) const = 0;
        [[nodiscard]] virtual QString text(RowColumn column) const = 0;
        [[nodiscard]] virtual qint64 number(RowColumn column) const = 0;
    };

    // A new empty message: texts empty, numbers 0.
    static QXIMMessage message() { return {}; }
    // A message from a `msgs` row: contents, sender, server id, state (when the row has
    // none: sent with a server id, failed without), receiver, local id, time, play count,
    // type and system type. Owner, talk and post stay unset. The contents are parsed at once.
    static QXIMMessage messageFromDictionary(const QVariantMap& row);
    // The same from a row read any other way; the contents are parsed on first read.
    static QXIMMessage messageFromRow(const RowReader& row);
    // The service account's user id; its talk is pinned on top.
    static QString serviceUserId() { return QStringLiteral("233401603"); }

    // The talk id of a conversation: the other user's id, "-", the own id.
    static QString makeTalkId(qint64 otherId, qint64 ownId);
    // The talk id of a packet from `fromId` to `toId` as user `me` sees it; none when the
    // sender has no id, when the receiver is 0 and `me` did not send it, or when `me` is
    // neither party.
    static std::optional<QString> talkIdOfPacket(std::optional<qint64> fromId, qint64 toId,
                                                 qint64 me);

    // The time `steps` before `time`, for the rows a plug-in files just before a received
    // one; a received time at the bottom of the range gives that bottom, not a wrap.
    [[nodiscard]] static qint64 timeBefore(qint64 time, qint64 steps);

    // A copy that would be stored as a new row: local ids, unread count, play count,
    // state, pin time and the parsed contents are not copied.
    [[nodiscard]] QXIMMessage copy() const;
    // The talk row dictionary with its 15 keys: the `talkInfo` the screens pass around.
    [[nodiscard]] QVariantMap dictionary() const;
    [[nodiscard]] QString description() const;

    // The parsed contents array, parsed once on first read after the contents were set;
    // nil for malformed text.
    [[nodiscard]] QVariant contentsJson() const;

    QString userId;
    QString talkId;
    QString fromId;
    QString toId;
    QString needId;
    QString otherUser;
    QString completeMessage;
    int unread = 0;
    int messageReadCount = 0;
    int type = 0;
    int systemType = 0;
    QString showTime;
    int sendingState = 0;
    QString nickname;
    int userImportance = 0;
    qint64 m_sid = 0;
    qint64 t_sid = 0;
    qint64 messageId = 0;
    qint64 uTime = 0;
    qint64 bTime = 0;

    [[nodiscard]] const QString& contents() const { return contents_; }
    void setContents(const QString& contents) {
        contents_ = contents;
        contentsJson_.reset();
    }
    // The contents text together with the value it is the JSON text of (what a parse of it
    // gives), for a caller that made the text from the value: no parse is needed later.
    void setContents(const QString& contents, const QVariant& parsed) {
        contents_ = contents;
        contentsJson_ = parsed;
    }

private:
    QString contents_;
    mutable std::optional<QVariant> contentsJson_;
};
