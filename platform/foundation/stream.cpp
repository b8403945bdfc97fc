#include "platform/foundation/stream.h"

#include <QFile>

#include <cerrno>
#include <cstring>

namespace ns {

namespace {

Error fileStreamError(const QFile& file) {
    const int code = file.exists() ? EACCES : ENOENT;
    return Error(Error::kPOSIXErrorDomain, code,
                 {{Error::kLocalizedDescriptionKey, file.errorString()}});
}

class DataInputStream final : public InputStream {
public:
    explicit DataInputStream(QByteArray data) : data_(std::move(data)) {}

    void open() override {
        if (status_ == StreamStatus::NotOpen)
            status_ = data_.isEmpty() ? StreamStatus::AtEnd : StreamStatus::Open;
    }
    void close() override { status_ = StreamStatus::Closed; }

    qint64 read(char* buffer, qint64 maxLength) override {
        if (status_ != StreamStatus::Open || maxLength <= 0) return 0;
        const qint64 count = std::min<qint64>(maxLength, data_.size() - offset_);
        std::memcpy(buffer, data_.constData() + offset_, static_cast<size_t>(count));
        offset_ += count;
        if (offset_ == data_.size()) status_ = StreamStatus::AtEnd;
        return count;
    }

    [[nodiscard]] bool hasBytesAvailable() const override { return status_ == StreamStatus::Open; }
    [[nodiscard]] StreamStatus streamStatus() const override { return status_; }
    [[nodiscard]] std::shared_ptr<InputStream> copy() const override {
        return std::make_shared<DataInputStream>(data_);
    }

private:
    QByteArray data_;
    qint64 offset_ = 0;
    StreamStatus status_ = StreamStatus::NotOpen;
};

class FileInputStream final : public InputStream {
public:
    explicit FileInputStream(QString path) : path_(std::move(path)), file_(path_) {}

    void open() override {
        if (status_ != StreamStatus::NotOpen) return;
        if (!file_.open(QIODevice::ReadOnly)) {
            error_ = fileStreamError(file_);
            status_ = StreamStatus::Error;
            return;
        }
        status_ = file_.atEnd() ? StreamStatus::AtEnd : StreamStatus::Open;
    }
    void close() override {
        file_.close();
        if (status_ != StreamStatus::Error) status_ = StreamStatus::Closed;
    }

    qint64 read(char* buffer, qint64 maxLength) override {
        if (status_ == StreamStatus::Error) return -1;
        if (status_ != StreamStatus::Open || maxLength <= 0) return 0;
        const qint64 count = file_.read(buffer, maxLength);
        if (count < 0) {
            error_ = fileStreamError(file_);
            status_ = StreamStatus::Error;
            return -1;
        }
        if (file_.atEnd()) status_ = StreamStatus::AtEnd;
        return count;
    }

    [[nodiscard]] bool hasBytesAvailable() const override { return status_ == StreamStatus::Open; }
    [[nodiscard]] StreamStatus streamStatus() const override { return status_; }
    [[nodiscard]] std::optional<Error> streamError() const override { return error_; }
    [[nodiscard]] std::shared_ptr<InputStream> copy() const override {
        return std::make_shared<FileInputStream>(path_);
    }

private:
    QString path_;
    QFile file_;
    StreamStatus status_ = StreamStatus::NotOpen;
    std::optional<Error> error_;
};

class MemoryOutputStream final : public OutputStream {
public:
    void open() override {
        if (status_ == StreamStatus::NotOpen) status_ = StreamStatus::Open;
    }
    void close() override { status_ = StreamStatus::Closed; }

    qint64 write(const char* buffer, qint64 length) override {
        if (status_ != StreamStatus::Open) return -1;
        data_.append(buffer, length);
        return length;
    }
    void expectBytes(qint64 bytes) override { data_.reserve(data_.size() + bytes); }

    [[nodiscard]] bool hasSpaceAvailable() const override { return status_ == StreamStatus::Open; }
    [[nodiscard]] StreamStatus streamStatus() const override { return status_; }
    [[nodiscard]] std::optional<QByteArray> dataWrittenToMemory() const override { return data_; }

private:
    QByteArray data_;
    StreamStatus status_ = StreamStatus::NotOpen;
};

class FileOutputStream final : public OutputStream {
public:
    FileOutputStream(const QString& path, bool append) : file_(path), append_(append) {}

    void open() override {
        if (status_ != StreamStatus::NotOpen) return;
        const auto mode =
            QIODevice::WriteOnly | (append_ ? QIODevice::Append : QIODevice::Truncate);
        if (!file_.open(mode)) {
            error_ = fileStreamError(file_);
            status_ = StreamStatus::Error;
            return;
        }
        status_ = StreamStatus::Open;
    }
    void close() override {
        if (file_.isOpen()) closedOffset_ = static_cast<quint64>(file_.pos());
        file_.close();
        if (status_ != StreamStatus::Error) status_ = StreamStatus::Closed;
    }

    qint64 write(const char* buffer, qint64 length) override {
        if (status_ != StreamStatus::Open) return -1;
        const qint64 written = file_.write(buffer, length);
        if (written < 0) {
            error_ = fileStreamError(file_);
            status_ = StreamStatus::Error;
        }
        return written;
    }

    [[nodiscard]] bool hasSpaceAvailable() const override { return status_ == StreamStatus::Open; }
    [[nodiscard]] StreamStatus streamStatus() const override { return status_; }
    [[nodiscard]] std::optional<Error> streamError() const override { return error_; }
    [[nodiscard]] std::optional<quint64> fileCurrentOffset() const override {
        if (file_.isOpen()) return static_cast<quint64>(file_.pos());
        return closedOffset_;
    }

private:
    QFile file_;
    bool append_;
    std::optional<quint64> closedOffset_;
    StreamStatus status_ = StreamStatus::NotOpen;
    std::optional<Error> error_;
};

}  // namespace

InputStream::~InputStream() = default;

std::shared_ptr<InputStream> InputStream::withData(QByteArray data) {
    return std::make_shared<DataInputStream>(std::move(data));
}

std::shared_ptr<InputStream> InputStream::withFileAtPath(const QString& path) {
    return std::make_shared<FileInputStream>(path);
}

OutputStream::~OutputStream() = default;

std::shared_ptr<OutputStream> OutputStream::toMemory() {
    return std::make_shared<MemoryOutputStream>();
}

std::shared_ptr<OutputStream> OutputStream::toFileAtPath(const QString& path, bool append) {
    return std::make_shared<FileOutputStream>(path, append);
}

}  // namespace ns
