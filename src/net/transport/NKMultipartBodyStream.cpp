#include "net/transport/NKMultipartBodyStream.h"

#include <algorithm>
#include <chrono>
#include <thread>

NKMultipartBodyStream::NKMultipartBodyStream(NKStringEncoding encoding)
    : stringEncoding_(std::move(encoding)) {}

void NKMultipartBodyStream::appendHTTPBodyPart(std::shared_ptr<NKHTTPBodyPart> part) {
    parts_.push_back(std::move(part));
}

void NKMultipartBodyStream::setInitialAndFinalBoundaries() {
    if (parts_.empty()) return;
    for (const auto& part : parts_) {
        part->setHasInitialBoundary(false);
        part->setHasFinalBoundary(false);
    }
    parts_.front()->setHasInitialBoundary(true);
    parts_.back()->setHasFinalBoundary(true);
}

quint64 NKMultipartBodyStream::contentLength() const {
    quint64 length = 0;
    for (const auto& part : parts_) length += part->contentLength();
    return length;
}

void NKMultipartBodyStream::open() {
    if (status_ == ns::StreamStatus::Open) return;
    status_ = ns::StreamStatus::Open;
    setInitialAndFinalBoundaries();
    nextPart_ = 0;
    currentPart_.reset();
}

void NKMultipartBodyStream::close() {
    status_ = ns::StreamStatus::Closed;
}

bool NKMultipartBodyStream::hasBytesAvailable() const {
    return status_ == ns::StreamStatus::Open;
}

qint64 NKMultipartBodyStream::read(char* buffer, qint64 maxLength) {
    if (status_ == ns::StreamStatus::Error) return -1;
    if (status_ != ns::StreamStatus::Open || maxLength <= 0) return 0;
    const qint64 packet = std::min<qint64>(
        static_cast<qint64>(std::min<quint64>(numberOfBytesInPacket_, INT64_MAX)), maxLength);
    qint64 delivered = 0;
    while (delivered < packet) {
        if (!currentPart_ || !currentPart_->hasBytesAvailable()) {
            if (nextPart_ >= parts_.size()) break;
            currentPart_ = parts_[nextPart_++];
            continue;
        }
        const qint64 count = currentPart_->read(buffer + delivered, maxLength - delivered);
        if (count < 0) {
            error_ = currentPart_->streamError();
            status_ = ns::StreamStatus::Error;
            return -1;
        }
        delivered += count;
        if (delay_ > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay_));
    }
    return delivered;
}

std::shared_ptr<ns::InputStream> NKMultipartBodyStream::copy() const {
    auto stream = std::make_shared<NKMultipartBodyStream>(stringEncoding_);
    for (const auto& part : parts_) stream->appendHTTPBodyPart(part->copy());
    stream->setInitialAndFinalBoundaries();
    return stream;
}
