#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace ns {

// Undoes a response's content coding ("gzip", "x-gzip" or "deflate") piece by
// piece, as the body arrives, so that each piece is handed on decoded as soon as it
// can be. Several gzip members one after the other decode as one body.
class ContentDecoder {
public:
    // A decoder for the coding a "Content-Encoding" field names, or nullptr when the
    // body needs none ("identity", empty) or the coding is not one of these.
    static std::unique_ptr<ContentDecoder> forContentEncoding(const QString& coding);

    ~ContentDecoder();
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    // The most the whole body may decode to; 0 (the default) for no bound. A small body
    // can inflate a thousandfold: decoding stops as soon as it passes the bound.
    void setMaximumLength(qint64 bytes);

    // The bytes this piece completes (possibly none). False when the bytes are not of the
    // coding, or decode to more than the maximum length; the decoder then stays failed.
    [[nodiscard]] bool decode(const QByteArray& piece, QByteArray& decoded);
    // True once the body's end was seen: the stream ended with a whole member.
    [[nodiscard]] bool isComplete() const;
    // True when decoding stopped because the body passed the maximum length.
    [[nodiscard]] bool isTooLong() const;

private:
    enum class Format { Gzip, Deflate };
    explicit ContentDecoder(Format format);
    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
};

}  // namespace ns
