#pragma once

#include "IMChat/qximlib/QXIMPacketReader.h"

#include "platform/foundation/dispatch_queue.h"

#include <QVariant>
#include <QtGlobal>

#include <functional>
#include <memory>

// Asks the message server for the messages a user missed while offline
// ("op=getnotrecvmsgs"). The reply is read as it comes, packet by packet
// (QXIMPacketReader): every string longer than QXIMWire::kLongestString cut, a packet that
// cannot be read (a number that cannot be, more than QXIMWire::kMostPacketBytes kept) set
// aside with the ids it names, and at most QXClient::kMaximumReplyLength (8 MB) kept of the
// rest and of those ids (which keep at most QXIMPacketReader::kMostRefusedBytes): a reply
// that brings a huge text or packets that cannot be read still names every other packet in
// it, so that each can be stored and acknowledged. At most kMostBytesRead bytes are read.
// The reply, and what the packets set aside keep, go to the reply handler on its queue
// (the main queue unless named), after the server time difference was taken from its
// "requestTime". A reply that is given up (past a bound, not decoding on, broken off) is
// handed over as it stands: with the packets read whole before (the next connection asks
// again for the rest); one that read nothing is dropped.
class QXIMOfflineReceiver {
public:
    using Refused = QXIMPacketReader::Refused;
    using ReplyHandler = std::function<void(const QVariant& reply, const Refused& refused)>;

    static constexpr int kMaxTalkNum = 50;
    // The bytes of a reply read at most, cut or not: a reply of 50 packets of a few KB is
    // far below it, one with a text of 20 MB too, and a reply that brings a string without
    // end is given up after a fraction of a second of reading rather than read to the
    // deadline.
    static constexpr qint64 kMostBytesRead = 64 * 1024 * 1024;
    // What is read of a piece of the reply before the bounds are looked at again.
    static constexpr qint64 kReadSlice = 64 * 1024;
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
