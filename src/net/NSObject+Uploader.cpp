#include "net/NSObject+Uploader.h"

#include "net/BodyJson.h"
#include "net/ImageUploadRequest.h"
#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/ReplyEnvelope.h"
#include "net/RequestHeaderSet.h"
#include "net/RequestStamp.h"

#include "platform/foundation/clock.h"
#include "util/categories/Tolerant.h"

#include <QDebug>

Uploader::~Uploader() = default;

void Uploader::uploadProgress(double, int, const QVariant&) {}

void Uploader::uploadReturnResult(const QVariant&, int, const QVariant&) {}

void Uploader::uploadFaildResult(const QVariant&, int, const QVariant&) {}

namespace ObjectUploader {

namespace {

RequestHeaderSet headers(const QString& boundary) {
    const auto& constants = QXIMConstantManager::share();
    const auto seconds = qint64(ns::Clock::shared().timeIntervalSinceReferenceDate());
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerId"), constants.qximcustomId())
        .set(QStringLiteral("clientAgent"), constants.qximclientAgent())
        .set(QStringLiteral("model"), constants.qximmodel())
        .set(QStringLiteral("userId"), QXNetContext::shared()->imUserKey())
        .set(QStringLiteral("versionId"), constants.qximversionId())
        .set(QStringLiteral("agency"), constants.qximagency())
        .set(QStringLiteral("Content-Type"),
             QStringLiteral("multipart/form-data; boundary=\"%1\"").arg(boundary))
        .set(QStringLiteral("QxData-Version"), constants.qximdataVersion())
        .set(QStringLiteral("interface"), ImageUploadRequest::kInterface)
        .set(QStringLiteral("ClientTimeStamp"), QString::number(seconds));
    return headers;
}

}  // namespace

QString jsonArguments(int kind, const QVariant& userInfo) {
    BodyJson::Members members{
        {QStringLiteral("imageCount"), BodyJson::string(QStringLiteral("1"))},
        {QStringLiteral("nowatermark"), BodyJson::string(QStringLiteral("1"))},
    };
    const int width = Tolerant(userInfo)[QStringLiteral("width")].intValue();
    const int height = Tolerant(userInfo)[QStringLiteral("height")].intValue();
    if (kind == ImageUploadRequest::kPicture && width >= 1 && height >= 1) {
        members.append({QStringLiteral("width"), BodyJson::string(QString::number(width))});
        members.append({QStringLiteral("height"), BodyJson::string(QString::number(height))});
    }
    return BodyJson::object(members);
}

bool uploadData(const std::shared_ptr<Uploader>& receiver, const std::optional<QByteArray>& data,
                int kind, const QVariant& userInfo) {
    qDebug().noquote() << "upload" << userInfo;
    if (!data || !ImageUploadRequest::isSupported(kind)) return false;
    const QString boundary = ImageUploadRequest::boundary(RequestStamp::newUUID());
    const QByteArray body =
        ImageUploadRequest::body(boundary, jsonArguments(kind, userInfo), kind, *data);
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headers(boundary));
    const std::weak_ptr<Uploader> weak = receiver;
    request.uploadDataWithURL(
        QXIMConstantManager::share().qximnewServerURL(), ImageUploadRequest::kInterface, body,
        userInfo,
        [weak, kind](double progress, const QVariant& info) {
            if (const auto self = weak.lock()) self->uploadProgress(progress, kind, info);
        },
        [weak, kind](const QVariant& reply, const QVariant& info) {
            const auto self = weak.lock();
            if (!self) return;
            if (ReplyEnvelope::uploadRejected(reply)) {
                self->uploadFaildResult(reply, kind, info);
            } else {
                self->uploadReturnResult(reply, kind, info);
            }
        },
        [weak, kind](const QVariantMap& failure, const QVariant& info) {
            if (const auto self = weak.lock()) self->uploadFaildResult(failure, kind, info);
        });
    return true;
}

void cancelUpload(const std::shared_ptr<Uploader>&) {
    QXIMRequest::shared().cancelToVikRequestByInterface(
        ImageUploadRequest::kInterface, QXIMConstantManager::share().qximnewServerURL());
}

}  // namespace ObjectUploader
