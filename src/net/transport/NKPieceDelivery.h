#pragma once

#include "platform/foundation/dispatch_queue.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <mutex>

// Hands the pieces of a reply's body to a handler on a queue, in the order they came, each byte
// once. A piece that comes while a delivery still waits for the queue joins it instead of
// waking the queue again: however small the reads, the queue is woken once per delivery it
// takes, and a handler slower than the reads takes what came meanwhile in one call.
//
// With a bound, the bytes waiting (those not yet taken and those being handled) hold the
// reading back from the piece that brings them to it, until a delivery brings them below it.
// After stop() nothing more is handed over, what waits is dropped and the handler is let go of.
class NKPieceDelivery : public std::enable_shared_from_this<NKPieceDelivery> {
public:
    // The pieces that came since the last delivery, joined, and the chunks of the reply's
    // framing they came in.
    using Handler = std::function<void(const QByteArray& pieces, qint64 chunks)>;

    // `roomAgain` runs on the queue once a delivery has brought the bytes waiting below
    // `mostBytesWaiting` after they had reached it; no bound when that is 0. The handler,
    // `roomAgain` and add()'s `holdFirst` are never null.
    NKPieceDelivery(std::shared_ptr<ns::DispatchQueue> queue, Handler handler,
                    qint64 mostBytesWaiting, std::function<void()> roomAgain);

    // Adds a piece, which came in `chunks` chunks of the reply's framing; `holdFirst` runs
    // before it goes when it brings the bytes waiting to the bound.
    void add(const QByteArray& piece, qint64 chunks, const std::function<void()>& holdFirst);
    // Nothing more is handed over, not even what waits; any thread.
    void stop();
    // The bytes waiting hold the reading back.
    [[nodiscard]] bool isFull() const;

private:
    // On the queue: hands over what came since the last delivery.
    void deliver();

    const std::shared_ptr<ns::DispatchQueue> queue_;
    const qint64 mostBytesWaiting_;
    const std::function<void()> roomAgain_;
    mutable std::mutex mutex_;
    Handler handler_;           // null once stopped
    QByteArray pending_;        // came and not yet taken by a delivery, in order
    qint64 pendingChunks_ = 0;  // the chunks the pending bytes came in
    bool posted_ = false;       // a delivery is on the queue and has not taken them yet
    qint64 bytesWaiting_ = 0;   // pending and being handled
    bool full_ = false;
};
