#include "IMChat/qximlib/QXIMSender.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMWire.h"

#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"

#include <QUrl>

QString QXIMSender::url(qint64 userId) {
    const QXIMConstantManager& constants = QXIMConstantManager::share();
    return QStringLiteral("%1?op=sendmsg&userId=%2&mobileType=%3&tovik_uuid=%4&domain=kbw")
        .arg(constants.qximwebimServer())
        .arg(userId)
        .arg(constants.qximcustomId(),
             QString::fromLatin1(QUrl::toPercentEncoding(QXIMUser::shared().userKey())));
}

bool QXIMSender::sendMessage(const QString& completeMessage) {
    postString_ = completeMessage;
    const qint64 userId = QXIMUser::shared().userId();
    if (!QXIMUser::isSignedInId(userId)) return false;
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(QXIMWire::shortCallHeaders(QXIMRequest::kSendMessageInterface));
    // The sender stays alive until its reply.
    request.requestWithUrl(
        url(userId), QXIMRequest::kSendMessageInterface,
        completeMessage.isNull() ? QLatin1String("") : completeMessage,
        [self = shared_from_this()](const QVariant& reply) {
            if (self->success_) self->success_(*self, reply);
        },
        [self = shared_from_this()](const QVariantMap& failure) {
            if (self->failure_) self->failure_(*self, failure);
        });
    return true;
}
