#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

// The acknowledgements the messaging service owes the message server, sent a few calls at a
// time. The ids that wait for a talk while calls are on their way go together in the next
// call for it; an id already acknowledged, on its way or waiting is not taken again, so a
// packet the server sends again while its acknowledgement waits costs no call. An id whose
// call failed is forgotten: the server sends its packet again, and that copy is acknowledged.
//
// Safe from any thread: the service owes acknowledgements on its queue, and their replies are
// taken where they arrive, so that they never wait behind the stream's chunks.
class QXIMAcknowledgements {
public:
    // Calls on their way at once: a burst of packets waits in a few calls rather than filling
    // every connection the request road has.
    static constexpr int kMaxCallsOnTheirWay = 2;
    // Ids in one call, which go in its URL: 200 ids of up to 20 characters stay within 4 KB.
    static constexpr qsizetype kMaxIdsPerCall = 200;
    // Acknowledged ids remembered, so that a copy still on its way from the server is not
    // acknowledged again (the oldest are forgotten first).
    static constexpr qsizetype kRemembered = 50000;

    // Sends one call (never while holding the object's lock); `done` tells how it went.
    using Send = std::function<void(const QString& talkId, const QStringList& messageIds,
                                    std::function<void(bool acknowledged)> done)>;

    explicit QXIMAcknowledgements(Send send) : send_(std::move(send)) {}

    // Acknowledges the ids for the talk (nothing for a null talk id).
    void acknowledge(const QString& talkId, const QList<qint64>& messageIds);
    // Whether the id is acknowledged for the talk, or waits or is on its way to be.
    [[nodiscard]] bool knows(const QString& talkId, qint64 messageId) const;

private:
    struct Talk {
        QList<qint64> waiting;
        QSet<qint64> waitingOrOnTheirWay;
        QSet<qint64> acknowledged;
    };
    struct Call {
        QString talkId;
        QList<qint64> ids;
    };
    // Takes the calls that may go now off what waits; the caller holds the lock.
    std::vector<Call> takeCalls();
    void send(const std::vector<Call>& calls);
    void finished(const QString& talkId, const QList<qint64>& messageIds, bool acknowledged);

    Send send_;
    mutable std::mutex mutex_;
    QHash<QString, Talk> talks_;
    // Talks with ids waiting, in the order they began to wait.
    std::deque<QString> waitingTalks_;
    // Acknowledged ids in the order they were, for forgetting the oldest.
    std::deque<std::pair<QString, qint64>> acknowledgedOrder_;
    int onTheirWay_ = 0;
};
