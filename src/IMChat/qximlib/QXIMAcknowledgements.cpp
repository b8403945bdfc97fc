#include "IMChat/qximlib/QXIMAcknowledgements.h"

#include "IMChat/qximlib/QXIMPacketReader.h"

#include <algorithm>

// The most ids one reader keeps of the packets it sets aside wait whole, for both their talks.
static_assert(2 * (QXIMPacketReader::kMostRefusedBytes / QXIMPacketReader::kRefusedIdBytes) *
                  QXIMAcknowledgements::kWaitingIdBytes <
              QXIMAcknowledgements::kMostWaitingBytes / 2);

qint64 QXIMAcknowledgements::talkBytes(const QString& talkId) {
    return kWaitingTalkBytes + 2 * qint64(talkId.size());
}

void QXIMAcknowledgements::acknowledge(const QString& talkId, const QList<qint64>& messageIds,
                                       Kind kind) {
    if (talkId.isNull()) return;
    // Stored ids may fill what waits; those of packets set aside leave them half of it.
    const qint64 bound = kind == Kind::Stored ? kMostWaitingBytes : kMostWaitingBytes / 2;
    std::vector<Call> calls;
    {
        const std::lock_guard lock(mutex_);
        Queue& queue = queues_[std::size_t(kind)];
        Waiting* waiting = queue.byTalk.value(talkId);
        for (const qint64 id : messageIds) {
            Key key{talkId, id};
            if (acknowledged_.contains(key) || pending_.contains(key)) continue;
            const qint64 cost = kWaitingIdBytes + (waiting ? 0 : talkBytes(talkId));
            if (waitingBytes_ + cost > bound) {
                ++letGo_;
                continue;
            }
            if (!waiting) {
                waiting = &queue.talks.emplace_back(Waiting{talkId, {}});
                queue.byTalk.insert(talkId, waiting);
            }
            waitingBytes_ += cost;
            waiting->ids.append(id);
            pending_.insert(std::move(key));
        }
        calls = takeCalls();
    }
    send(calls);
}

bool QXIMAcknowledgements::knows(const QString& talkId, qint64 messageId) const {
    const std::lock_guard lock(mutex_);
    const Key key{talkId, messageId};
    return acknowledged_.contains(key) || pending_.contains(key);
}

qint64 QXIMAcknowledgements::letGo() const {
    const std::lock_guard lock(mutex_);
    return letGo_;
}

qint64 QXIMAcknowledgements::waitingBytes() const {
    const std::lock_guard lock(mutex_);
    return waitingBytes_;
}

std::vector<QXIMAcknowledgements::Call> QXIMAcknowledgements::takeCalls() {
    std::vector<Call> calls;
    for (const Kind kind : {Kind::Stored, Kind::SetAside}) {
        Queue& queue = queues_[std::size_t(kind)];
        while (queue.onTheirWay < kMaxCallsOnTheirWay && !queue.talks.empty()) {
            Waiting& waiting = queue.talks.front();
            const qsizetype count = std::min(kMaxIdsPerCall, waiting.ids.size());
            calls.push_back({kind, waiting.talkId, waiting.ids.first(count)});
            waiting.ids.remove(0, count);
            waitingBytes_ -= count * kWaitingIdBytes;
            ++queue.onTheirWay;
            if (waiting.ids.isEmpty()) {
                waitingBytes_ -= talkBytes(waiting.talkId);
                queue.byTalk.remove(waiting.talkId);
                queue.talks.pop_front();
            } else {
                // What is left waits behind the other talks, counted as a talk that begins
                // to wait.
                Waiting rest = std::move(waiting);
                queue.talks.pop_front();
                Waiting* moved = &queue.talks.emplace_back(std::move(rest));
                queue.byTalk.insert(moved->talkId, moved);
            }
        }
    }
    return calls;
}

void QXIMAcknowledgements::send(const std::vector<Call>& calls) {
    for (const Call& call : calls) {
        QStringList texts;
        texts.reserve(call.ids.size());
        for (const qint64 id : call.ids) texts.append(QString::number(id));
        send_(call.talkId, texts,
              [this, call](bool acknowledged) { finished(call, acknowledged); });
    }
}

void QXIMAcknowledgements::finished(const Call& call, bool acknowledged) {
    std::vector<Call> calls;
    {
        const std::lock_guard lock(mutex_);
        --queues_[std::size_t(call.kind)].onTheirWay;
        for (const qint64 id : call.ids) {
            Key key{call.talkId, id};
            pending_.remove(key);
            if (!acknowledged || acknowledged_.contains(key)) continue;
            acknowledged_.insert(key);
            acknowledgedOrder_.push_back(std::move(key));
        }
        while (qsizetype(acknowledgedOrder_.size()) > kRemembered) {
            acknowledged_.remove(acknowledgedOrder_.front());
            acknowledgedOrder_.pop_front();
        }
        calls = takeCalls();
    }
    send(calls);
}
