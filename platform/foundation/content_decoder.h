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

    // The bytes this piece completes (possibly none). False when the bytes are not
    // of the coding; the decoder then stays failed.
    [[nodiscard]] bool decode(const QByteArray& piece, QByteArray& decoded);
    // True once the body's end was seen: the stream ended with a whole member.
    [[nodiscard]] bool isComplete() const;

private:
    enum class Format { Gzip, Deflate };
    explicit ContentDecoder(Format format);
    struct Inflater;
    std::unique_ptr<Inflater> inflater_;
};

}  // namespace ns
