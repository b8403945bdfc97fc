#include "net/transport/NKPieceDelivery.h"

#include <utility>

NKPieceDelivery::NKPieceDelivery(std::shared_ptr<ns::DispatchQueue> queue, Handler handler,
                                 qint64 mostBytesWaiting, std::function<void()> roomAgain)
    : queue_(std::move(queue)),
      mostBytesWaiting_(mostBytesWaiting),
      roomAgain_(std::move(roomAgain)),
      handler_(std::move(handler)) {}

void NKPieceDelivery::add(const QByteArray& piece, qint64 chunks,
                          const std::function<void()>& holdFirst) {
    bool fills = false;
    bool post = false;
    {
        std::lock_guard lock(mutex_);
        pending_ += piece;
        pendingChunks_ += chunks;
        bytesWaiting_ += piece.size();
        fills = mostBytesWaiting_ > 0 && bytesWaiting_ >= mostBytesWaiting_ && !full_;
        full_ = full_ || fills;
        post = !std::exchange(posted_, true);
    }
    // The hold is in place before the piece that fills the bound goes: its handling lets the
    // reading go again.
    if (fills) holdFirst();
    if (post) queue_->async([self = shared_from_this()] { self->deliver(); });
}

void NKPieceDelivery::stop() {
    Handler handler;
    std::lock_guard lock(mutex_);
    pending_.clear();
    pendingChunks_ = 0;
    // Let go of outside the lock: the handler may hold what holds this.
    handler = std::exchange(handler_, nullptr);
}

bool NKPieceDelivery::isFull() const {
    std::lock_guard lock(mutex_);
    return full_;
}

void NKPieceDelivery::deliver() {
    QByteArray pieces;
    qint64 chunks = 0;
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        posted_ = false;
        if (!handler_) return;
        pieces = std::exchange(pending_, QByteArray());
        chunks = std::exchange(pendingChunks_, 0);
        handler = handler_;
    }
    handler(pieces, chunks);
    bool room = false;
    {
        std::lock_guard lock(mutex_);
        bytesWaiting_ -= pieces.size();
        room = full_ && bytesWaiting_ < mostBytesWaiting_;
        full_ = full_ && !room;
    }
    if (room) roomAgain_();
}
