#include "IMChat/qximlib/QXIMAcknowledgements.h"

#include <algorithm>

void QXIMAcknowledgements::acknowledge(const QString& talkId, const QList<qint64>& messageIds) {
    if (talkId.isNull()) return;
    std::vector<Call> calls;
    {
        const std::lock_guard lock(mutex_);
        Talk& talk = talks_[talkId];
        const bool wasWaiting = !talk.waiting.isEmpty();
        for (const qint64 id : messageIds) {
            if (talk.acknowledged.contains(id) || talk.waitingOrOnTheirWay.contains(id)) continue;
            talk.waiting.append(id);
            talk.waitingOrOnTheirWay.insert(id);
        }
        if (!wasWaiting && !talk.waiting.isEmpty()) waitingTalks_.push_back(talkId);
        calls = takeCalls();
    }
    send(calls);
}

bool QXIMAcknowledgements::knows(const QString& talkId, qint64 messageId) const {
    const std::lock_guard lock(mutex_);
    const auto talk = talks_.constFind(talkId);
    return talk != talks_.cend() && (talk->acknowledged.contains(messageId) ||
                                     talk->waitingOrOnTheirWay.contains(messageId));
}

std::vector<QXIMAcknowledgements::Call> QXIMAcknowledgements::takeCalls() {
    std::vector<Call> calls;
    while (onTheirWay_ < kMaxCallsOnTheirWay && !waitingTalks_.empty()) {
        const QString talkId = waitingTalks_.front();
        waitingTalks_.pop_front();
        Talk& talk = talks_[talkId];
        const qsizetype count = std::min(kMaxIdsPerCall, talk.waiting.size());
        calls.push_back({talkId, talk.waiting.first(count)});
        talk.waiting.remove(0, count);
        // What is left waits behind the other talks.
        if (!talk.waiting.isEmpty()) waitingTalks_.push_back(talkId);
        ++onTheirWay_;
    }
    return calls;
}

void QXIMAcknowledgements::send(const std::vector<Call>& calls) {
    for (const Call& call : calls) {
        QStringList texts;
        texts.reserve(call.ids.size());
        for (const qint64 id : call.ids) texts.append(QString::number(id));
        send_(call.talkId, texts,
              [this, call](bool acknowledged) { finished(call.talkId, call.ids, acknowledged); });
    }
}

void QXIMAcknowledgements::finished(const QString& talkId, const QList<qint64>& messageIds,
                                    bool acknowledged) {
    std::vector<Call> calls;
    {
        const std::lock_guard lock(mutex_);
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
        calls = takeCalls();
    }
    send(calls);
}
