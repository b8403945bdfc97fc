// The service's setting aside of what it cannot keep: acknowledging the packets it cannot
// read by the ids they name, and logging what it lets go.
#include "IMChat/qximlib/QXIMService.h"

#include "util/categories/Tolerant.h"

#include <algorithm>

namespace {

// Set-aside texts remembered so that one sent again is not logged again.
constexpr qsizetype kSetAsideRemembered = 64;
// The segments of a stream set aside that a line tells of; the rest are counted, and the
// count logged when the stream closes.
constexpr int kLoggedSegmentsPerStream = 3;
// The characters of an unread segment that its log line shows, and of a talk id, a message id
// as it came, or a reason; the message ids and talks of set-aside packets it names.
constexpr qsizetype kSetAsideExcerpt = 120;
constexpr qsizetype kLoggedTalkId = 40;
constexpr qsizetype kLoggedIds = 10;
constexpr qsizetype kLoggedTalks = 2;

QString excerpt(const QString& text, qsizetype most) {
    if (text.size() <= most) return text;
    return QStringLiteral("%1… (%2 characters)").arg(text.left(most)).arg(text.size());
}

// A talk and its message ids as a log line names them: the talk ids and the first ids, cut.
QString namesOf(const QString& fromTalkId, const QString& toTalkId, const QStringList& ids) {
    QStringList shown;
    for (const QString& id : ids.first(std::min(ids.size(), kLoggedIds)))
        shown.append(excerpt(id, kLoggedTalkId));
    if (ids.size() > kLoggedIds) shown.append(QStringLiteral("… %1 in all").arg(ids.size()));
    return QStringLiteral("talk %1/%2, messages %3")
        .arg(excerpt(fromTalkId, kLoggedTalkId), excerpt(toTalkId, kLoggedTalkId),
             shown.join(QLatin1Char(',')));
}

// Ids in increasing order, as a log line names them.
QStringList sortedTexts(const QSet<qint64>& ids) {
    QList<qint64> sorted(ids.cbegin(), ids.cend());
    std::sort(sorted.begin(), sorted.end());
    QStringList texts;
    texts.reserve(sorted.size());
    for (const qint64 id : sorted) texts.append(QString::number(id));
    return texts;
}

// What stands for a talk and its ids among the texts set aside: the same ids in any order
// give the same key.
size_t keyOf(const QString& fromTalkId, const QString& toTalkId, const QSet<qint64>& ids) {
    size_t key = qHashMulti(0, fromTalkId, toTalkId);
    for (const qint64 id : ids) key += qHash(id, 1);
    return key;
}
size_t keyOf(const QString& fromTalkId, const QString& toTalkId, const QStringList& ids) {
    size_t key = qHashMulti(0, fromTalkId, toTalkId);
    for (const QString& id : ids) key += qHash(id, 1);
    return key;
}

}  // namespace

void QXIMService::setAsideUnread(const QXIMPacketReader::Refused& refused, Road road) {
    qint64 acknowledged = 0;
    size_t key = qHashMulti(0, refused.reasons, refused.unnamed > 0, refused.idsLeftOut > 0);
    for (const QXIMPacketReader::Refused::Talk& talk : refused.talks) {
        QList<qint64> ids(talk.messageIds.cbegin(), talk.messageIds.cend());
        std::sort(ids.begin(), ids.end());
        acknowledgements_.acknowledge(talk.toTalkId, ids, QXIMAcknowledgements::Kind::SetAside);
        acknowledgements_.acknowledge(talk.fromTalkId, ids, QXIMAcknowledgements::Kind::SetAside);
        acknowledged += ids.size();
        key += keyOf(talk.fromTalkId, talk.toTalkId, talk.messageIds);
    }
    logLetGo();
    if (!remember(key) || !mayLog(road)) return;
    QStringList talks;
    for (const QXIMPacketReader::Refused::Talk& talk :
         refused.talks.first(std::min(refused.talks.size(), kLoggedTalks))) {
        talks.append(namesOf(talk.fromTalkId, talk.toTalkId, sortedTexts(talk.messageIds)));
    }
    // One line for each outcome, however many packets: each of bounded length.
    QStringList reasons;
    for (const QString& reason : refused.reasons) reasons.append(excerpt(reason, kSetAsideExcerpt));
    const QString why = reasons.join(QStringLiteral("; "));
    if (!refused.talks.isEmpty()) {
        if (refused.talks.size() > talks.size()) {
            talks.append(
                QStringLiteral("and %1 talks more").arg(refused.talks.size() - talks.size()));
        }
        qWarning().noquote() << QStringLiteral(
                                    "Received packets set aside, acknowledged, not stored: %1 of "
                                    "%2 packets, %3 message ids (%4): %5")
                                    .arg(refused.packets - refused.unnamed)
                                    .arg(refused.packets)
                                    .arg(acknowledged)
                                    .arg(why, talks.join(QStringLiteral("; ")));
    }
    if (refused.idsLeftOut > 0) {
        qWarning().noquote()
            << QStringLiteral(
                   "Received packets set aside, not acknowledged: %1 message ids "
                   "read past the %2 bytes their packets may keep (%3); the server "
                   "sends those not acknowledged again")
                   .arg(refused.idsLeftOut)
                   .arg(QXIMPacketReader::kMostRefusedBytes)
                   .arg(why);
    }
    if (refused.unnamed > 0) {
        qWarning().noquote() << QStringLiteral(
                                    "Received packets set aside, unread: %1 of %2 packets name no "
                                    "talk or no message (%3)")
                                    .arg(refused.unnamed)
                                    .arg(refused.packets)
                                    .arg(why);
    }
}

void QXIMService::setAside(const QString& reason, const QVariantMap& packet,
                           const QStringList& ids) {
    const Tolerant talk = Tolerant(packet)[QStringLiteral("talk")];
    const QString from = QXIMPacketReader::talkIdOf(talk[QStringLiteral("fromTalkId")].value());
    const QString to = QXIMPacketReader::talkIdOf(talk[QStringLiteral("toTalkId")].value());
    if (!remember(keyOf(from, to, ids))) return;
    qWarning().noquote() << QStringLiteral(
                                "Received packet set aside, acknowledged, not stored: %1 (%2)")
                                .arg(excerpt(reason, kSetAsideExcerpt), namesOf(from, to, ids));
}

bool QXIMService::remember(size_t key) {
    const bool first = !setAsideSeen_.contains(key);
    if (setAsideSeen_.size() >= kSetAsideRemembered) setAsideSeen_.clear();
    setAsideSeen_.insert(key);
    return first;
}

void QXIMService::setAside(const QString& reason, const QString& key, const QString& text) {
    if (!remember(qHash(text)) || !mayLog(Road::Stream)) return;
    qWarning().noquote() << QStringLiteral(
                                "Received %1 segment set aside, unread: %2 (%3 "
                                "characters, beginning %4)")
                                .arg(key, excerpt(reason, kSetAsideExcerpt))
                                .arg(text.size())
                                .arg(text.left(kSetAsideExcerpt));
}

bool QXIMService::mayLog(Road road) {
    if (road == Road::Fetch) return true;
    if (streamSetAside_.lines >= kLoggedSegmentsPerStream) return false;
    ++streamSetAside_.lines;
    return true;
}

void QXIMService::logLetGo() {
    StreamSetAside& stream = streamSetAside_;
    if (stream.letGoLogged || acknowledgements_.letGo() == stream.letGoBefore) return;
    stream.letGoLogged = true;
    qWarning().noquote() << QStringLiteral(
                                "Acknowledgements let go: more than %1 bytes of them wait (half "
                                "of it for packets set aside); the server sends those packets "
                                "again. Counted until the stream closes")
                                .arg(QXIMAcknowledgements::kMostWaitingBytes);
}

void QXIMService::closeStreamLog() {
    StreamSetAside& stream = streamSetAside_;
    const qint64 letGo = acknowledgements_.letGo() - stream.letGoBefore;
    if (stream.segments > stream.lines || letGo > 0) {
        qWarning().noquote() << QStringLiteral(
                                    "Stream closed: %1 segments set aside (%2 logged), %3 message "
                                    "ids let go unacknowledged, %4 bytes delivered no segment")
                                    .arg(stream.segments)
                                    .arg(stream.lines)
                                    .arg(letGo)
                                    .arg(cutter_.undeliveredBytes());
    }
    stream = StreamSetAside{.letGoBefore = acknowledgements_.letGo()};
}
