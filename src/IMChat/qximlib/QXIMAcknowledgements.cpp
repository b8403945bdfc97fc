#include "IMChat/qximlib/QXIMAcknowledgements.h"

#include <algorithm>

void QXIMAcknowledgements::acknowledge(const QString& talkId, const QList<qint64>& messageIds) {
    if (talkId.isNull()) return;
    Talk& talk = talks_[talkId];
    const bool wasWaiting = !talk.waiting.isEmpty();
    for (const qint64 id : messageIds) {
        if (talk.acknowledged.contains(id) || talk.waitingOrOnTheirWay.contains(id)) continue;
        talk.waiting.append(id);
        talk.waitingOrOnTheirWay.insert(id);
    }
    if (!wasWaiting && !talk.waiting.isEmpty()) waitingTalks_.push_back(talkId);
    sendWhatWaits();
}

void QXIMAcknowledgements::sendWhatWaits() {
    while (onTheirWay_ < kMaxCallsOnTheirWay && !waitingTalks_.empty()) {
        const QString talkId = waitingTalks_.front();
        waitingTalks_.pop_front();
        Talk& talk = talks_[talkId];
        const QList<qint64> ids = talk.waiting.first(std::min(kMaxIdsPerCall, talk.waiting.size()));
        talk.waiting.remove(0, ids.size());
        // What is left waits behind the other talks.
        if (!talk.waiting.isEmpty()) waitingTalks_.push_back(talkId);
        QStringList texts;
        texts.reserve(ids.size());
        for (const qint64 id : ids) texts.append(QString::number(id));
        ++onTheirWay_;
        send_(talkId, texts,
              [this, talkId, ids](bool acknowledged) { finished(talkId, ids, acknowledged); });
    }
}

void QXIMAcknowledgements::finished(const QString& talkId, const QList<qint64>& messageIds,
                                    bool acknowledged) {
    --onTheirWay_;
    Talk& talk = talks_[talkId];
    for (const qint64 id : messageIds) {
        talk.waitingOrOnTheirWay.remove(id);
        if (!acknowledged) continue;
        talk.acknowledged.insert(id);
        acknowledgedOrder_.emplace_back(talkId, id);
    }
    while (qsizetype(acknowledgedOrder_.size()) > kRemembered) {
        const auto& [oldTalk, oldId] = acknowledgedOrder_.front();
        const auto found = talks_.find(oldTalk);
        if (found != talks_.end()) {
            found->acknowledged.remove(oldId);
            if (found->acknowledged.isEmpty() && found->waitingOrOnTheirWay.isEmpty())
                talks_.erase(found);
        }
        acknowledgedOrder_.pop_front();
    }
    sendWhatWaits();
}
