#include "net/transport/QXNetWorkData.h"

#include "net/QXNetContext.h"

#include "platform/foundation/clock.h"

void QXNetWorkDataDelegate::networkData(QXNetWorkData&, int, const QString&) {}

const QString QXNetWorkData::kUnreachableMessage =
    QStringLiteral("抱歉，您的网络无法连通，请您检查网络设置后重试。");

QXNetWorkData::QXNetWorkData() : httpRequest_(std::make_shared<QXHttpConnect>()) {}

QXNetWorkData::~QXNetWorkData() {
    delegate_.reset();
    heldDelegate_.reset();
    httpRequest_->cancelConnection();
}

void QXNetWorkData::setHttpConnectFinishedMethod(const std::shared_ptr<QXHttpConnect>& connection) {
    if (!heldDelegate_) heldDelegate_ = delegate_.lock();
    const std::weak_ptr<QXNetWorkData> weak = weak_from_this();
    connection->setTarget(
        weak,
        [weak](const QVariant& result, const QVariant& info) {
            if (const auto self = weak.lock()) self->successData(result, info);
        },
        [weak](const QVariant&, const QVariant& info) {
            if (const auto self = weak.lock()) self->failedwithFutherInfo(info);
        },
        [weak](const QVariant&, const QVariant& info) {
            if (const auto self = weak.lock()) self->timeoutwithFutherInfo(info);
        });
}

void QXNetWorkData::successData(const QVariant&, const QVariant&) {
    report(1, QString());
    finishHttpConnect();
}

void QXNetWorkData::failedwithFutherInfo(const QVariant&) {
    report(QXNetContext::shared()->connectionReachabil() ? 0 : -2, kUnreachableMessage);
    finishHttpConnect();
}

void QXNetWorkData::timeoutwithFutherInfo(const QVariant&) {
    report(QXNetContext::shared()->connectionReachabil() ? -1 : -2, kUnreachableMessage);
    finishHttpConnect();
}

void QXNetWorkData::finishHttpConnect() {
    heldDelegate_.reset();
}

void QXNetWorkData::cancelHttpConnect() {
    finishHttpConnect();
    httpRequest_->cancelConnection();
}

QVariantMap QXNetWorkData::setStatisticInfoInHeadField(const QVariantMap& fields) {
    QVariantMap stamped = fields;
    stamped.insert(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    stamped.insert(QStringLiteral("ClientTimeStamp"),
                   ns::Clock::shared().currentDateTime().toLocalTime().toString(
                       QStringLiteral("yyyy-M-d H:m")));
    return stamped;
}

void QXNetWorkData::report(int successful, const QString& statusString) {
    if (const auto listener = delegate()) listener->networkData(*this, successful, statusString);
}
