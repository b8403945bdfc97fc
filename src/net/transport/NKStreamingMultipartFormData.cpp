#include "net/transport/NKStreamingMultipartFormData.h"

#include "platform/foundation/file_manager.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace {

const QString kContentDisposition = QStringLiteral("Content-Disposition");
const QString kPartContentType = QStringLiteral("Content-Type");

ns::Error fileURLError(const QString& reason) {
    return ns::Error(NKStreamingMultipartFormData::kErrorDomain,
                     NKStreamingMultipartFormData::kFileURLError,
                     {{ns::Error::kLocalizedFailureReasonKey, reason}});
}

}  // namespace

NKStreamingMultipartFormData::NKStreamingMultipartFormData(const ns::URLRequest& request,
                                                           NKStringEncoding encoding)
    : request_(request),
      stringEncoding_(encoding),
      bodyStream_(std::make_shared<NKMultipartBodyStream>(encoding)) {}

ns::HTTPHeaderFields NKStreamingMultipartFormData::fileHeaders(const QString& name,
                                                               const QString& fileName,
                                                               const QString& mimeType) {
    ns::HTTPHeaderFields headers;
    headers.setValue(kContentDisposition,
                     QStringLiteral("form-data; name=\"%1\"; filename=\"%2\"").arg(name, fileName));
    headers.setValue(kPartContentType, mimeType);
    return headers;
}

void NKStreamingMultipartFormData::appendPart(ns::HTTPHeaderFields headers,
                                              NKHTTPBodyPart::Body body, quint64 length) {
    auto part = std::make_shared<NKHTTPBodyPart>();
    part->setStringEncoding(stringEncoding_);
    part->setHeaders(std::move(headers));
    part->setBody(std::move(body));
    part->setBodyContentLength(length);
    bodyStream_->appendHTTPBodyPart(std::move(part));
}

bool NKStreamingMultipartFormData::appendPartWithFileURL(const QUrl& fileURL, const QString& name,
                                                         ns::Error* error) {
    const QString fileName = fileURL.fileName();
    // The platform's type registry, by extension.
    QString mimeType = QMimeDatabase()
                           .mimeTypeForFile(fileURL.toLocalFile(), QMimeDatabase::MatchExtension)
                           .name();
    if (mimeType.isEmpty()) mimeType = QStringLiteral("application/octet-stream");
    return appendPartWithFileURL(fileURL, name, fileName, mimeType, error);
}

bool NKStreamingMultipartFormData::appendPartWithFileURL(const QUrl& fileURL, const QString& name,
                                                         const QString& fileName,
                                                         const QString& mimeType,
                                                         ns::Error* error) {
    if (!fileURL.isLocalFile()) {
        if (error) *error = fileURLError(QStringLiteral("Expected URL to be a file URL"));
        return false;
    }
    const QString path = fileURL.toLocalFile();
    bool isDirectory = false;
    const auto attributes = ns::FileManager::attributesOfItemAtPath(path);
    if (!ns::FileManager::fileExistsAtPath(path, &isDirectory) || isDirectory || !attributes) {
        if (error) *error = fileURLError(QStringLiteral("File URL not reachable."));
        return false;
    }
    appendPart(fileHeaders(name, fileName, mimeType), fileURL,
               static_cast<quint64>(attributes->size));
    return true;
}

void NKStreamingMultipartFormData::appendPartWithInputStream(
    std::shared_ptr<ns::InputStream> stream, const QString& name, const QString& fileName,
    quint64 length, const QString& mimeType) {
    appendPart(fileHeaders(name, fileName, mimeType), std::move(stream), length);
}

void NKStreamingMultipartFormData::appendPartWithFileData(const QByteArray& data,
                                                          const QString& name,
                                                          const QString& fileName,
                                                          const QString& mimeType) {
    appendPartWithHeaders(fileHeaders(name, fileName, mimeType), data);
}

void NKStreamingMultipartFormData::appendPartWithFormData(const QByteArray& data,
                                                          const QString& name) {
    ns::HTTPHeaderFields headers;
    headers.setValue(kContentDisposition, QStringLiteral("form-data; name=\"%1\"").arg(name));
    appendPartWithHeaders(headers, data);
}

void NKStreamingMultipartFormData::appendPartWithHeaders(const ns::HTTPHeaderFields& headers,
                                                         const QByteArray& body) {
    appendPart(headers, body, static_cast<quint64>(body.size()));
}

void NKStreamingMultipartFormData::throttleBandwidthWithPacketSize(quint64 numberOfBytes,
                                                                   double delay) {
    bodyStream_->setNumberOfBytesInPacket(numberOfBytes);
    bodyStream_->setDelay(delay);
}

ns::URLRequest NKStreamingMultipartFormData::requestByFinalizingMultipartFormData() {
    if (bodyStream_->isEmpty()) return request_;
    bodyStream_->setInitialAndFinalBoundaries();
    request_.setValue(
        QStringLiteral("multipart/form-data; boundary=%1").arg(NKHTTPBodyPart::kBoundary),
        kPartContentType);
    request_.setValue(QString::number(bodyStream_->contentLength()),
                      QStringLiteral("Content-Length"));
    request_.setHTTPBodyStream(bodyStream_);
    return request_;
}
