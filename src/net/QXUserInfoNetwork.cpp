#include "net/QXUserInfoNetwork.h"

#include "net/EndpointTable.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/operation_queue.h"

#include <QUrl>

QXUserInfoNetworkDelegate::~QXUserInfoNetworkDelegate() = default;

void QXUserInfoNetworkDelegate::newNetWorkForQXUerInfo(QXUserInfoNetwork&) {}

QString QXUserInfoNetwork::profileUrl() {
    const QXNetLogon logon = QXNetContext::shared()->logonState();
    return QStringLiteral("%1/users/GetUserInfo/%2?session_id=%3")
        .arg(EndpointTable::apiHost())
        .arg(logon.loginID)
        .arg(logon.sessionID);
}

void QXUserInfoNetwork::send(QXIMRequest::SuccessBlock handled, FailureBlock failure) {
    isCancel_ = false;
    networkUrl_ = profileUrl();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(RequestHeaderSet::usersEndpoint(QString(), true));
    // No body: a GET of the URL.
    request.requestWithUrl(networkUrl_, kInterface, QString(), std::move(handled),
                           std::move(failure));
}

void QXUserInfoNetwork::getUserInfo() {
    // Cancelling this form too must keep a late reply from reaching the delegate.
    send(
        [weak = weak_from_this()](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self || reply.typeId() != QMetaType::QVariantMap) return;
            self->resultDic_ = reply.toMap();
            if (self->isCancel_) return;
            if (const auto delegate = self->responseVc()) delegate->newNetWorkForQXUerInfo(*self);
        },
        nullptr);
}

void QXUserInfoNetwork::getUserInfoWithSuccess(SuccessBlock success, FailureBlock failure) {
    send(
        [weak = weak_from_this(), success = std::move(success)](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self || reply.typeId() != QMetaType::QVariantMap) return;
            self->resultDic_ = reply.toMap();
            if (!self->isCancel_ && success) success(self->resultDic_);
        },
        [weak = weak_from_this(), failure = std::move(failure)](const QVariantMap& transport) {
            if (weak.lock() && failure) failure(transport);
        });
}

void QXUserInfoNetwork::cancelNetworkForGetUserInfo() {
    auto& request = QXIMRequest::shared();
    request.cancelToVikRequestByInterface(kInterface, networkUrl_);
    // The profile's header set names no "interface", which that rule goes by: its GET is
    // found by its URL instead.
    if (!networkUrl_.isEmpty()) {
        const QUrl pending(networkUrl_);
        for (const auto& operation : request.httpClient()->operationQueue()->operations()) {
            const auto http = std::dynamic_pointer_cast<NKHTTPRequestOperation>(operation);
            if (http && http->request().url() == pending) http->cancel();
        }
    }
    isCancel_ = true;
}
