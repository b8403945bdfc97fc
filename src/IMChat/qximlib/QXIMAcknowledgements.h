#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// The acknowledgements the messaging service owes the message server, sent a few calls at a
// time. The ids that wait for a talk while calls are on their way go together in the next
// call for it; an id already acknowledged, on its way or waiting is not taken again, so a
// packet the server sends again while its acknowledgement waits costs no call. An id whose
// call failed is forgotten: the server sends its packet again, and that copy is acknowledged.
//
// Not thread-safe: the service uses it on its own queue only.
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

    // Sends one call; `done` (acknowledged or not) must come back on the owner's queue.
    using Send = std::function<void(const QString& talkId, const QStringList& messageIds,
                                    std::function<void(bool acknowledged)> done)>;

    explicit QXIMAcknowledgements(Send send) : send_(std::move(send)) {}

    // Acknowledges the ids for the talk (nothing for a null talk id).
    void acknowledge(const QString& talkId, const QList<qint64>& messageIds);

private:
    struct Talk {
        QList<qint64> waiting;
        QSet<qint64> waitingOrOnTheirWay;
        QSet<qint64> acknowledged;
    };
    void sendWhatWaits();
    void finished(const QString& talkId, const QList<qint64>& messageIds, bool acknowledged);

    Send send_;
    QHash<QString, Talk> talks_;
    // Talks with ids waiting, in the order they began to wait.
    std::deque<QString> waitingTalks_;
    // Acknowledged ids in the order they were, for forgetting the oldest.
    std::deque<std::pair<QString, qint64>> acknowledgedOrder_;
    int onTheirWay_ = 0;
};
