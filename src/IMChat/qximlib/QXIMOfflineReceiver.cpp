#include "IMChat/qximlib/QXIMOfflineReceiver.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMWire.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"

#include <algorithm>
#include <cmath>

QString QXIMOfflineReceiver::url(qint64 userId, qint64 fromTime, qint64 toTime, int count) {
    const QXIMConstantManager& constants = QXIMConstantManager::share();
    return QStringLiteral(
               "%1?op=getnotrecvmsgs&userId=%2&channel=0&mobileType=%3&maxTalkNum=%4&clientType=%5&"
               "beginTime=%6&endTime=%7")
        .arg(constants.qximwebimServer())
        .arg(userId)
        .arg(constants.qximcustomId())
        .arg(std::min(count, kMaxTalkNum))
        .arg(QStringLiteral("mobile"))
        .arg(fromTime)
        .arg(toTime);
}

void QXIMOfflineReceiver::getNotRecvMsgs(qint64 userId, qint64 fromTime, qint64 toTime, int count) {
    if (!QXIMUser::isSignedInId(userId)) return;
    QXIMRequest& request = QXIMRequest::shared();
    // The fetch has no interface name.
    request.addValuesFormDic(QXIMWire::shortCallHeaders(QString()));
    request.requestWithUrl(
        url(userId, fromTime, toTime, count), QLatin1String(""), QString(),
        [handler = handler_](const QVariant& reply) {
            if (reply.typeId() != QMetaType::QVariantMap) return;
            const Tolerant requestTime = Tolerant(reply)[QStringLiteral("requestTime")];
            if (!requestTime.isNil()) {
                const double device = ns::Clock::shared().timeIntervalSince1970();
                QXIMUtil::setQximTimeDifference(
                    std::trunc(requestTime.value().toDouble() - device));
            }
            handler(reply);
        },
        nullptr);
}
