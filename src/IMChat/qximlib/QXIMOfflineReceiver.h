#pragma once

#include "platform/foundation/dispatch_queue.h"

#include <QVariant>
#include <QtGlobal>

#include <functional>
#include <memory>

// Asks the message server for the messages a user missed while offline
// ("op=getnotrecvmsgs"). The reply is read as it comes, every string longer than
// QXIMWire::kLongestString cut, and at most QXClient::kMaximumReplyLength (8 MB) of what is
// read kept: a reply that brings a huge text still names every packet in it, so that each
// can be stored and acknowledged. The reply goes to the reply handler on its queue (the main
// queue unless named), after the server time difference was taken from its "requestTime";
// a failure, a reply that does not decode and one that keeps more than the bound are dropped
// (the next connection asks again).
class QXIMOfflineReceiver {
public:
    using ReplyHandler = std::function<void(const QVariant& reply)>;

    static constexpr int kMaxTalkNum = 50;
    static constexpr qint64 kEndOfTime = 4999999999;

    explicit QXIMOfflineReceiver(ReplyHandler handler,
                                 std::shared_ptr<ns::DispatchQueue> queue = nullptr)
        : handler_(std::move(handler)), queue_(std::move(queue)) {}

    // Nothing for nobody (0 or the guest). At most 50 packets are asked for.
    void getNotRecvMsgs(qint64 userId, qint64 fromTime = 0, qint64 toTime = kEndOfTime,
                        int count = 30);
    [[nodiscard]] static QString url(qint64 userId, qint64 fromTime, qint64 toTime, int count);

private:
    ReplyHandler handler_;
    std::shared_ptr<ns::DispatchQueue> queue_;
};
