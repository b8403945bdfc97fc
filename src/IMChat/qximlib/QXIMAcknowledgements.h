#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// The acknowledgements the messaging service owes the message server, sent a few calls at a
// time. The ids that wait for a talk while calls are on their way go together in the next
// call for it; an id already acknowledged, on its way or waiting is not taken again, so a
// packet the server sends again while its acknowledgement waits costs no call. An id whose
// call failed is forgotten: the server sends its packet again, and that copy is acknowledged.
//
// The ids of stored packets and those of packets set aside unread wait apart, each with calls
// of their own on their way: a stored message's acknowledgement never waits behind a flood of
// packets set aside. What waits is bounded in bytes across all talks: the ids of packets set
// aside may fill half of kMostWaitingBytes, those of stored packets all of it. An id past its
// bound is counted (letGo()) and not acknowledged: the server sends its packet again.
//
// Safe from any thread: the service owes acknowledgements on its queue, and their replies are
// taken where they arrive, so that they never wait behind the stream's chunks.
class QXIMAcknowledgements {
public:
    // Whose ids: of packets stored, or of packets set aside.
    enum class Kind { Stored, SetAside };

    // Calls of each kind on their way at once: a burst of packets waits in a few calls rather
    // than filling every connection the request road has.
    static constexpr int kMaxCallsOnTheirWay = 2;
    // Ids in one call, which go in its URL: 200 ids of up to 20 characters stay within 4 KB.
    static constexpr qsizetype kMaxIdsPerCall = 200;
    // Acknowledged ids remembered, so that a copy still on its way from the server is not
    // acknowledged again (the oldest are forgotten first).
    static constexpr qsizetype kRemembered = 50000;
    // What may wait: a talk costs kWaitingTalkBytes and two bytes a character of its id, an id
    // kWaitingIdBytes, a little more than the containers that hold them take (measured: 237
    // bytes a talk of ten characters with one id, 768 with ten). Half of it holds the ids that
    // the reader of a fetch or a segment keeps of the packets it sets aside at most
    // (QXIMPacketReader::kMostRefusedBytes, some 65,000), for both their talk ids; a flood of
    // packets set aside each of its own talk waits some 50,000 talks at a time.
    static constexpr qint64 kMostWaitingBytes = 24 * 1024 * 1024;
    static constexpr qint64 kWaitingTalkBytes = 160;
    static constexpr qint64 kWaitingIdBytes = 64;

    // Sends one call (never while holding the object's lock); `done` tells how it went.
    using Send = std::function<void(const QString& talkId, const QStringList& messageIds,
                                    std::function<void(bool acknowledged)> done)>;

    explicit QXIMAcknowledgements(Send send) : send_(std::move(send)) {}

    // Acknowledges the ids for the talk (nothing for a null talk id).
    void acknowledge(const QString& talkId, const QList<qint64>& messageIds,
                     Kind kind = Kind::Stored);
    // Whether the id is acknowledged for the talk, or waits or is on its way to be.
    [[nodiscard]] bool knows(const QString& talkId, qint64 messageId) const;
    // The ids let go past the bound so far.
    [[nodiscard]] qint64 letGo() const;
    // What waits now, counted as the bound counts it.
    [[nodiscard]] qint64 waitingBytes() const;

private:
    using Key = std::pair<QString, qint64>;
    // A talk's ids waiting for their call.
    struct Waiting {
        QString talkId;
        QList<qint64> ids;
    };
    // The talks of one kind waiting, in the order they began to wait, each once; their calls
    // on their way.
    struct Queue {
        std::deque<Waiting> talks;
        // Into `talks`: a deque keeps its elements where they are as it grows at its back and
        // shrinks at its front.
        QHash<QString, Waiting*> byTalk;
        int onTheirWay = 0;
    };
    struct Call {
        Kind kind;
        QString talkId;
        QList<qint64> ids;
    };
    [[nodiscard]] static qint64 talkBytes(const QString& talkId);
    // Takes the calls that may go now off what waits; the caller holds the lock.
    std::vector<Call> takeCalls();
    void send(const std::vector<Call>& calls);
    void finished(const Call& call, bool acknowledged);

    Send send_;
    mutable std::mutex mutex_;
    std::array<Queue, 2> queues_;
    qint64 waitingBytes_ = 0;
    qint64 letGo_ = 0;
    // Ids waiting or on their way, of both kinds.
    QSet<Key> pending_;
    // Acknowledged ids, and the order they were in, for forgetting the oldest.
    QSet<Key> acknowledged_;
    std::deque<Key> acknowledgedOrder_;
};
