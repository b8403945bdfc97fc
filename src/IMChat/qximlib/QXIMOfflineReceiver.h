#pragma once

#include <QVariant>
#include <QtGlobal>

#include <functional>

// Asks the message server for the messages a user missed while offline
// ("op=getnotrecvmsgs"). The reply goes to the reply handler on the main queue, after the
// server time difference was taken from its "requestTime"; a failure is dropped (the next
// connection asks again).
class QXIMOfflineReceiver {
public:
    using ReplyHandler = std::function<void(const QVariant& reply)>;

    static constexpr int kMaxTalkNum = 50;
    static constexpr qint64 kEndOfTime = 4999999999;

    explicit QXIMOfflineReceiver(ReplyHandler handler) : handler_(std::move(handler)) {}

    // Nothing for nobody (0 or the guest). At most 50 packets are asked for.
    void getNotRecvMsgs(qint64 userId, qint64 fromTime = 0, qint64 toTime = kEndOfTime,
                        int count = 30);
    [[nodiscard]] static QString url(qint64 userId, qint64 fromTime, qint64 toTime, int count);

private:
    ReplyHandler handler_;
};
