#pragma once

#include "net/transport/NKStringEncoding.h"

#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/stream.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>
#include <variant>

// One part of a multipart/form-data body, read in four phases: its encapsulation
// boundary, its header lines and the empty line after them, its body, and (for the last
// part) the final boundary. Reads may stop anywhere; the next read goes on from there.
class NKHTTPBodyPart {
public:
    enum class Phase : int { EncapsulationBoundary = 1, Headers = 2, Body = 3, FinalBoundary = 4 };
    // Bytes in memory, a file URL, or a stream of the caller's.
    using Body = std::variant<QByteArray, QUrl, std::shared_ptr<ns::InputStream>>;

    // The boundary every part is separated by.
    static inline const QString kBoundary = QStringLiteral("Boundary+0xAbCdEfGbOuNdArY");

    NKHTTPBodyPart();
    ~NKHTTPBodyPart();
    NKHTTPBodyPart(const NKHTTPBodyPart&) = delete;
    NKHTTPBodyPart& operator=(const NKHTTPBodyPart&) = delete;

    [[nodiscard]] NKStringEncoding stringEncoding() const { return stringEncoding_; }
    void setStringEncoding(NKStringEncoding encoding) { stringEncoding_ = std::move(encoding); }
    // Written in their own order, one "Name: value" line each.
    [[nodiscard]] const ns::HTTPHeaderFields& headers() const { return headers_; }
    void setHeaders(ns::HTTPHeaderFields headers) { headers_ = std::move(headers); }
    [[nodiscard]] const Body& body() const { return body_; }
    void setBody(Body body) { body_ = std::move(body); }
    [[nodiscard]] quint64 bodyContentLength() const { return bodyContentLength_; }
    void setBodyContentLength(quint64 length) { bodyContentLength_ = length; }
    [[nodiscard]] bool hasInitialBoundary() const { return hasInitialBoundary_; }
    void setHasInitialBoundary(bool has) { hasInitialBoundary_ = has; }
    [[nodiscard]] bool hasFinalBoundary() const { return hasFinalBoundary_; }
    void setHasFinalBoundary(bool has) { hasFinalBoundary_ = has; }

    [[nodiscard]] Phase phase() const { return phase_; }
    // The header lines, each ending in CRLF, and the empty line.
    [[nodiscard]] QString stringForHeaders() const;
    // Every byte the part reads out: boundary, headers, body and final boundary.
    [[nodiscard]] quint64 contentLength() const;
    // While in the final phase, or while the body stream is neither at its end, closed
    // nor failed.
    [[nodiscard]] bool hasBytesAvailable() const;
    // As many bytes as fit, across phases; -1 when the body cannot be read (see
    // streamError()).
    qint64 read(char* buffer, qint64 maxLength);
    [[nodiscard]] std::optional<ns::Error> streamError() const { return error_; }

    // The stream the body is read from, made once.
    [[nodiscard]] std::shared_ptr<ns::InputStream> inputStream();

    // The same encoding, headers, body and length, in the first phase without flags.
    [[nodiscard]] std::shared_ptr<NKHTTPBodyPart> copy() const;

private:
    [[nodiscard]] QByteArray encoded(const QString& text) const;
    [[nodiscard]] QByteArray encapsulationBoundary() const;
    [[nodiscard]] QByteArray finalBoundary() const;
    qint64 readData(const QByteArray& data, char* buffer, qint64 maxLength);
    qint64 readBody(char* buffer, qint64 maxLength);
    void transitionToNextPhase();

    Phase phase_ = Phase::EncapsulationBoundary;
    std::shared_ptr<ns::InputStream> inputStream_;
    quint64 phaseReadOffset_ = 0;
    bool hasInitialBoundary_ = false;
    bool hasFinalBoundary_ = false;
    NKStringEncoding stringEncoding_ = NKStringEncoding::utf8();
    ns::HTTPHeaderFields headers_;
    Body body_;
    quint64 bodyContentLength_ = 0;
    std::optional<ns::Error> error_;
};
