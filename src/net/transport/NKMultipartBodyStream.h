#pragma once

#include "net/transport/NKHTTPBodyPart.h"
#include "net/transport/NKStringEncoding.h"

#include "platform/foundation/stream.h"

#include <climits>
#include <memory>
#include <vector>

// The request body of a multipart form: its parts read one after the other, so that
// file parts are read from disk while the request goes out rather than loaded first.
class NKMultipartBodyStream final : public ns::InputStream {
public:
    explicit NKMultipartBodyStream(NKStringEncoding encoding);

    void appendHTTPBodyPart(std::shared_ptr<NKHTTPBodyPart> part);
    // The first part opens with the initial boundary, the last closes with the final
    // one (a single part does both).
    void setInitialAndFinalBoundaries();
    [[nodiscard]] bool isEmpty() const { return parts_.empty(); }
    [[nodiscard]] quint64 contentLength() const;
    [[nodiscard]] const std::vector<std::shared_ptr<NKHTTPBodyPart>>& HTTPBodyParts() const {
        return parts_;
    }

    // Throttling: a read returns once this many bytes are delivered (no limit by
    // default), and the reading thread waits `delay` seconds after each part's read.
    [[nodiscard]] quint64 numberOfBytesInPacket() const { return numberOfBytesInPacket_; }
    void setNumberOfBytesInPacket(quint64 bytes) { numberOfBytesInPacket_ = bytes; }
    [[nodiscard]] double delay() const { return delay_; }
    void setDelay(double seconds) { delay_ = seconds; }

    void open() override;
    void close() override;
    qint64 read(char* buffer, qint64 maxLength) override;
    // Exactly while open.
    [[nodiscard]] bool hasBytesAvailable() const override;
    [[nodiscard]] ns::StreamStatus streamStatus() const override { return status_; }
    [[nodiscard]] std::optional<ns::Error> streamError() const override { return error_; }
    // The same encoding and copies of every part, marked again.
    [[nodiscard]] std::shared_ptr<ns::InputStream> copy() const override;

private:
    ns::StreamStatus status_ = ns::StreamStatus::NotOpen;
    std::optional<ns::Error> error_;
    NKStringEncoding stringEncoding_;
    std::vector<std::shared_ptr<NKHTTPBodyPart>> parts_;
    std::size_t nextPart_ = 0;
    std::shared_ptr<NKHTTPBodyPart> currentPart_;
    quint64 numberOfBytesInPacket_ = INT_MAX;
    double delay_ = 0;
};
