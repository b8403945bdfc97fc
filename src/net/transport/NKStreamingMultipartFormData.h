#pragma once

#include "net/transport/NKMultipartBodyStream.h"
#include "net/transport/NKMultipartFormData.h"
#include "net/transport/NKStringEncoding.h"

#include "platform/foundation/url_request.h"

#include <memory>

// Builds a multipart/form-data request whose body is streamed part by part.
class NKStreamingMultipartFormData final : public NKMultipartFormData {
public:
    // Codes of the file-URL errors, in kErrorDomain.
    static inline const QString kErrorDomain = QStringLiteral("NetKitErrorDomain");
    static constexpr qint64 kFileURLError = -1000;

    // Keeps its own copy of `request`.
    NKStreamingMultipartFormData(const ns::URLRequest& request, NKStringEncoding encoding);

    bool appendPartWithFileURL(const QUrl& fileURL, const QString& name,
                               ns::Error* error = nullptr) override;
    bool appendPartWithFileURL(const QUrl& fileURL, const QString& name, const QString& fileName,
                               const QString& mimeType, ns::Error* error = nullptr) override;
    void appendPartWithInputStream(std::shared_ptr<ns::InputStream> stream, const QString& name,
                                   const QString& fileName, quint64 length,
                                   const QString& mimeType) override;
    void appendPartWithFileData(const QByteArray& data, const QString& name,
                                const QString& fileName, const QString& mimeType) override;
    void appendPartWithFormData(const QByteArray& data, const QString& name) override;
    void appendPartWithHeaders(const ns::HTTPHeaderFields& headers,
                               const QByteArray& body) override;
    void throttleBandwidthWithPacketSize(quint64 numberOfBytes, double delay) override;

    // The request with the body stream, its "Content-Type" (with the boundary) and
    // "Content-Length"; unchanged when no part was added.
    [[nodiscard]] ns::URLRequest requestByFinalizingMultipartFormData();

    [[nodiscard]] const std::shared_ptr<NKMultipartBodyStream>& bodyStream() const {
        return bodyStream_;
    }

private:
    static ns::HTTPHeaderFields fileHeaders(const QString& name, const QString& fileName,
                                            const QString& mimeType);
    void appendPart(ns::HTTPHeaderFields headers, NKHTTPBodyPart::Body body, quint64 length);

    ns::URLRequest request_;
    NKStringEncoding stringEncoding_;
    std::shared_ptr<NKMultipartBodyStream> bodyStream_;
};
