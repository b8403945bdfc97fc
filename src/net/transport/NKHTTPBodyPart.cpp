#include "net/transport/NKHTTPBodyPart.h"

#include <cstring>

namespace {

const QString kCRLF = QStringLiteral("\r\n");

}  // namespace

NKHTTPBodyPart::NKHTTPBodyPart() = default;

NKHTTPBodyPart::~NKHTTPBodyPart() {
    if (inputStream_) inputStream_->close();
}

QByteArray NKHTTPBodyPart::encoded(const QString& text) const {
    // A header text the form's encoding cannot write still goes out whole, as UTF-8,
    // rather than as a part with its headers missing.
    if (auto bytes = stringEncoding_.encode(text)) return *bytes;
    return text.toUtf8();
}

QByteArray NKHTTPBodyPart::encapsulationBoundary() const {
    return encoded(hasInitialBoundary_ ? QStringLiteral("--%1%2").arg(kBoundary, kCRLF)
                                       : QStringLiteral("%1--%2%1").arg(kCRLF, kBoundary));
}

QByteArray NKHTTPBodyPart::finalBoundary() const {
    return hasFinalBoundary_ ? encoded(QStringLiteral("%1--%2--%1").arg(kCRLF, kBoundary))
                             : QByteArray();
}

QString NKHTTPBodyPart::stringForHeaders() const {
    QString text;
    for (const auto& [name, value] : headers_.fields()) {
        text += QStringLiteral("%1: %2%3").arg(name, value, kCRLF);
    }
    return text + kCRLF;
}

quint64 NKHTTPBodyPart::contentLength() const {
    return static_cast<quint64>(encapsulationBoundary().size()) +
           static_cast<quint64>(encoded(stringForHeaders()).size()) + bodyContentLength_ +
           static_cast<quint64>(finalBoundary().size());
}

std::shared_ptr<ns::InputStream> NKHTTPBodyPart::inputStream() {
    if (!inputStream_) {
        if (const auto* data = std::get_if<QByteArray>(&body_)) {
            inputStream_ = ns::InputStream::withData(*data);
        } else if (const auto* url = std::get_if<QUrl>(&body_)) {
            inputStream_ = ns::InputStream::withFileAtPath(url->toLocalFile());
        } else {
            inputStream_ = std::get<std::shared_ptr<ns::InputStream>>(body_);
        }
    }
    return inputStream_;
}

bool NKHTTPBodyPart::hasBytesAvailable() const {
    if (phase_ == Phase::FinalBoundary) return true;
    if (!inputStream_) return true;  // not opened yet
    switch (inputStream_->streamStatus()) {
        case ns::StreamStatus::AtEnd:
        case ns::StreamStatus::Closed:
        case ns::StreamStatus::Error:
            return false;
        default:
            return true;
    }
}

qint64 NKHTTPBodyPart::read(char* buffer, qint64 maxLength) {
    qint64 total = 0;
    if (phase_ == Phase::EncapsulationBoundary) {
        total += readData(encapsulationBoundary(), buffer + total, maxLength - total);
    }
    if (phase_ == Phase::Headers) {
        total += readData(encoded(stringForHeaders()), buffer + total, maxLength - total);
    }
    if (phase_ == Phase::Body) {
        const qint64 count = readBody(buffer + total, maxLength - total);
        if (count < 0) return -1;
        total += count;
    }
    if (phase_ == Phase::FinalBoundary) {
        total += readData(finalBoundary(), buffer + total, maxLength - total);
    }
    return total;
}

qint64 NKHTTPBodyPart::readBody(char* buffer, qint64 maxLength) {
    const auto stream = inputStream();
    qint64 count = 0;
    if (stream->hasBytesAvailable() && maxLength > 0) {
        count = stream->read(buffer, maxLength);
        if (count < 0 || stream->streamStatus() == ns::StreamStatus::Error) {
            // A body that fails half-way must fail the upload, not shorten it unseen.
            error_ = stream->streamError().value_or(ns::Error(
                ns::Error::kURLErrorDomain, ns::Error::kURLErrorRequestBodyStreamExhausted));
            return -1;
        }
    }
    if (stream->streamStatus() == ns::StreamStatus::Error) {
        error_ = stream->streamError();
        return -1;
    }
    // A stream that gives nothing while claiming more would never end the part.
    if (!stream->hasBytesAvailable() || (count == 0 && maxLength > 0)) transitionToNextPhase();
    return count;
}

qint64 NKHTTPBodyPart::readData(const QByteArray& data, char* buffer, qint64 maxLength) {
    const qint64 remaining = data.size() - static_cast<qint64>(phaseReadOffset_);
    const qint64 count = std::max<qint64>(0, std::min(remaining, maxLength));
    if (count > 0) {
        std::memcpy(buffer, data.constData() + phaseReadOffset_, static_cast<size_t>(count));
        phaseReadOffset_ += static_cast<quint64>(count);
    }
    if (phaseReadOffset_ >= static_cast<quint64>(data.size())) transitionToNextPhase();
    return count;
}

void NKHTTPBodyPart::transitionToNextPhase() {
    switch (phase_) {
        case Phase::EncapsulationBoundary:
            phase_ = Phase::Headers;
            break;
        case Phase::Headers:
            inputStream()->open();
            phase_ = Phase::Body;
            break;
        case Phase::Body:
            inputStream()->close();
            phase_ = Phase::FinalBoundary;
            break;
        case Phase::FinalBoundary:
            phase_ = Phase::EncapsulationBoundary;
            break;
    }
    phaseReadOffset_ = 0;
}

std::shared_ptr<NKHTTPBodyPart> NKHTTPBodyPart::copy() const {
    auto part = std::make_shared<NKHTTPBodyPart>();
    part->stringEncoding_ = stringEncoding_;
    part->headers_ = headers_;
    part->body_ = body_;
    part->bodyContentLength_ = bodyContentLength_;
    return part;
}
