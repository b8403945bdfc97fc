#include "net/ImageUploadRequest.h"

#include "net/BodyJson.h"

namespace {

const QByteArray kCRLF = "\r\n";

}  // namespace

QString ImageUploadRequest::fileExtension(int kind) {
    return kind == kVoice ? QStringLiteral("amr") : QStringLiteral("jpg");
}

QString ImageUploadRequest::contentType(int kind) {
    return kind == kVoice ? QStringLiteral("audio/amr") : QStringLiteral("image/pjpeg");
}

QString ImageUploadRequest::boundary(const QString& uniqueId) {
    return QStringLiteral("Boundary-%1").arg(uniqueId);
}

QString ImageUploadRequest::imageCountArguments() {
    return BodyJson::object(
        {{QStringLiteral("imageCount"), BodyJson::string(QStringLiteral("1"))}});
}

QByteArray ImageUploadRequest::body(const QString& boundary, const QString& jsonArgs, int kind,
                                    const QByteArray& file) {
    const QByteArray delimiter = "--" + boundary.toUtf8();
    QByteArray body;
    body.reserve(file.size() + 512);
    // The servers read the leading line break as an empty preamble.
    body += kCRLF + delimiter + kCRLF;
    body += "Content-Disposition: form-data; name=\"jsonArgs\";" + kCRLF + kCRLF;
    body += jsonArgs.toUtf8();
    body += kCRLF + delimiter + kCRLF;
    body += "Content-Disposition: form-data; name=\"image\"; filename=\"imageName." +
            fileExtension(kind).toUtf8() + '"' + kCRLF;
    body += "Content-Type: " + contentType(kind).toUtf8() + kCRLF + kCRLF;
    body += file;
    body += kCRLF + delimiter + "--" + kCRLF;
    return body;
}
