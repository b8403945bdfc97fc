#pragma once

#include "platform/foundation/dispatch_queue.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class NKHTTPRequestOperation;

// Opens the streaming receive (the endless "recvmsg" reply) for a user and hands what it
// reads, in order, to the chunk handler on the given queue, with the chunks of the reply's
// framing it came in (QXIMRequest::receiveStream()). The chunks of a stream this receiver has
// since replaced or cancelled are not handed over.
class QXIMOnlineReceiver {
public:
    using ChunkHandler = std::function<void(const QByteArray& chunk, qint64 framingChunks)>;

    explicit QXIMOnlineReceiver(ChunkHandler handler) : handler_(std::move(handler)) {}
    ~QXIMOnlineReceiver();
    QXIMOnlineReceiver(const QXIMOnlineReceiver&) = delete;
    QXIMOnlineReceiver& operator=(const QXIMOnlineReceiver&) = delete;

    // The stream's URL for a user.
    [[nodiscard]] static QString streamUrl(qint64 userId);

    // Replaces the stream by a new one for `userId` (nothing for nobody: 0 or the guest).
    // Sets its headers on the calling thread's header set first.
    void createReceiveConnection(qint64 userId, std::shared_ptr<ns::DispatchQueue> queue);
    // Cancels this receiver's stream, and only it.
    void cancel();
    // Holds the reading of the stream back, this one's and the next ones', until let go:
    // the server is then held back by the connection's flow control. Any thread.
    void setReadingHeld(bool held);
    [[nodiscard]] bool isConnected() const;

private:
    ChunkHandler handler_;
    mutable std::mutex mutex_;
    std::shared_ptr<NKHTTPRequestOperation> operation_;
    bool readingHeld_ = false;
    // Names the stream whose chunks are handed over; a replaced stream's chunks are dropped.
    std::shared_ptr<int> current_;
};
