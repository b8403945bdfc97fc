#pragma once

#include "platform/foundation/error.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace ns {

// The life of a stream, numbered as the platform numbers it.
enum class StreamStatus : int {
    NotOpen = 0,
    Opening = 1,
    Open = 2,
    Reading = 3,
    Writing = 4,
    AtEnd = 5,
    Closed = 6,
    Error = 7,
};

// A source of bytes read in pieces, such as a request body that is produced while
// it is sent. Streams are read from one thread at a time.
class InputStream {
public:
    virtual ~InputStream();

    // Streams over bytes in memory and over a file.
    static std::shared_ptr<InputStream> withData(QByteArray data);
    static std::shared_ptr<InputStream> withFileAtPath(const QString& path);

    virtual void open() = 0;
    virtual void close() = 0;
    // Reads up to maxLength bytes into buffer: the count read, 0 at the end, -1 on
    // a failure (see streamError()).
    virtual qint64 read(char* buffer, qint64 maxLength) = 0;
    [[nodiscard]] virtual bool hasBytesAvailable() const = 0;
    [[nodiscard]] virtual StreamStatus streamStatus() const = 0;
    [[nodiscard]] virtual std::optional<Error> streamError() const { return std::nullopt; }

    // A new, unopened stream over the same bytes, used when a body must be sent
    // again; nullptr for streams that cannot be copied.
    [[nodiscard]] virtual std::shared_ptr<InputStream> copy() const { return nullptr; }
};

// A sink of bytes: in memory, where the bytes can be read back, or a file.
class OutputStream {
public:
    virtual ~OutputStream();

    static std::shared_ptr<OutputStream> toMemory();
    // With `append` the bytes go after the file's present content.
    static std::shared_ptr<OutputStream> toFileAtPath(const QString& path, bool append);

    virtual void open() = 0;
    virtual void close() = 0;
    // Writes up to length bytes: the count written, or -1 on a failure.
    virtual qint64 write(const char* buffer, qint64 length) = 0;
    [[nodiscard]] virtual bool hasSpaceAvailable() const = 0;
    [[nodiscard]] virtual StreamStatus streamStatus() const = 0;
    [[nodiscard]] virtual std::optional<Error> streamError() const { return std::nullopt; }

    // Says that about `bytes` more are coming. A memory stream makes room for them beside what
    // it holds, so that a body of known length is kept in one buffer of its size rather than
    // one grown by doubling (a body of 4.5 MB in 8 MB, copied on the way); the bytes written
    // may still go past it. Nothing for other streams, nor for none.
    virtual void expectBytes(qint64) {}

    // The bytes a memory stream has taken, even after it was closed; nothing for
    // other streams.
    [[nodiscard]] virtual std::optional<QByteArray> dataWrittenToMemory() const {
        return std::nullopt;
    }
    // Where the next byte goes in a file stream; nothing for other streams.
    [[nodiscard]] virtual std::optional<quint64> fileCurrentOffset() const { return std::nullopt; }
};

}  // namespace ns
