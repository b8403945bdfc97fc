#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/stream.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <memory>

// What a caller's block may add to a multipart form while the client builds it.
class NKMultipartFormData {
public:
    virtual ~NKMultipartFormData() = default;

    // A file part named by the URL's last path component, its type found from the
    // extension ("application/octet-stream" when unknown). False, with `error` filled
    // when given, for a URL that is not a file URL or a file that is not there.
    virtual bool appendPartWithFileURL(const QUrl& fileURL, const QString& name,
                                       ns::Error* error = nullptr) = 0;
    virtual bool appendPartWithFileURL(const QUrl& fileURL, const QString& name,
                                       const QString& fileName, const QString& mimeType,
                                       ns::Error* error = nullptr) = 0;
    // A file part read from `stream`, which delivers `length` bytes.
    virtual void appendPartWithInputStream(std::shared_ptr<ns::InputStream> stream,
                                           const QString& name, const QString& fileName,
                                           quint64 length, const QString& mimeType) = 0;
    virtual void appendPartWithFileData(const QByteArray& data, const QString& name,
                                        const QString& fileName, const QString& mimeType) = 0;
    virtual void appendPartWithFormData(const QByteArray& data, const QString& name) = 0;
    virtual void appendPartWithHeaders(const ns::HTTPHeaderFields& headers,
                                       const QByteArray& body) = 0;
    // Reads return after `numberOfBytes` and wait `delay` seconds after each part's read.
    virtual void throttleBandwidthWithPacketSize(quint64 numberOfBytes, double delay) = 0;
};
