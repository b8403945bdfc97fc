#include "IMChat/qximlib/QXIMOfflineReceiver.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMWire.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "net/NKHTTPClient+QXClient.h"
#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "net/transport/JsonDocument.h"
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
    // The reply as read so far; it ends once its value has closed, or when it is given up.
    struct Reading {
        JsonDocument document{0, JsonDocument::Room::Own};
        std::weak_ptr<NKHTTPRequestOperation> operation;
        bool over = false;
    };
    auto reading = std::make_shared<Reading>();
    reading->document.setLongestString(QXIMWire::kLongestString);
    const auto stop = [](Reading& reading) {
        reading.over = true;
        if (const auto operation = reading.operation.lock()) operation->cancel();
    };
    reading->operation = request.requestWithUrlAsItComes(
        url(userId, fromTime, toTime, count), QLatin1String(""), queue_,
        [reading, stop, handler = handler_](const QByteArray& piece) {
            JsonDocument& document = reading->document;
            // What comes after the value is never read.
            const ParserStatus status = reading->over ? ParserStatusError : document.parse(piece);
            if (status == ParserStatusError ||
                document.keptBytes() > QXClient::kMaximumReplyLength) {
                stop(*reading);
                return;
            }
            if (status != ParserStatusOK) return;
            reading->over = true;
            const QVariant reply = document.root();
            if (reply.typeId() != QMetaType::QVariantMap) return;
            const Tolerant requestTime = Tolerant(reply)[QStringLiteral("requestTime")];
            if (!requestTime.isNil()) {
                const double device = ns::Clock::shared().timeIntervalSince1970();
                QXIMUtil::setQximTimeDifference(
                    std::trunc(requestTime.value().toDouble() - device));
            }
            handler(reply);
        },
        nullptr, nullptr);
}
