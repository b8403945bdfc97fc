#include "IMChat/qximlib/QXIMOfflineReceiver.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMWire.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "net/NKHTTPClient+QXClient.h"
#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
    // The reply as read so far; it is over once its value has closed, or when it is given up.
    struct Reading {
        QXIMPacketReader reader{QXIMPacketReader::Shape::Reply, QXIMWire::kMostPacketBytes};
        std::weak_ptr<NKHTTPRequestOperation> operation;
        qint64 bytesRead = 0;
        bool over = false;
    };
    auto reading = std::make_shared<Reading>();
    // Hands over what was read, once.
    const auto finish = [reading, handler = handler_] {
        if (std::exchange(reading->over, true)) return;
        const QVariant reply = reading->reader.value();
        if (reply.typeId() != QMetaType::QVariantMap) return;
        const Tolerant requestTime = Tolerant(reply)[QStringLiteral("requestTime")];
        if (!requestTime.isNil()) {
            const double device = ns::Clock::shared().timeIntervalSince1970();
            QXIMUtil::setQximTimeDifference(std::trunc(requestTime.value().toDouble() - device));
        }
        handler(reply, reading->reader.refused());
    };
    reading->operation = request.requestWithUrlAsItComes(
        url(userId, fromTime, toTime, count), QLatin1String(""), queue_,
        [reading, finish](const QByteArray& piece) {
            // What comes after the value, or after the reply was given up, is never read.
            if (reading->over) {
                if (const auto operation = reading->operation.lock()) operation->cancel();
                return;
            }
            // A piece may hold megabytes: it is read a slice at a time, so that neither bound
            // is passed by more than a slice, and nothing past the bytes read at most.
            for (qsizetype at = 0; at < piece.size();) {
                const qsizetype slice = qsizetype(std::min<qint64>(
                    {piece.size() - at, kReadSlice, kMostBytesRead - reading->bytesRead}));
                reading->bytesRead += slice;
                const ParserStatus status =
                    reading->reader.read(QByteArrayView(piece).sliced(at, slice));
                at += slice;
                const bool pastBounds = reading->bytesRead >= kMostBytesRead ||
                                        reading->reader.keptBytes() > QXClient::kMaximumReplyLength;
                // Over: its next piece stops the connection.
                if (status != ParserStatusInsufficientData || pastBounds) {
                    finish();
                    return;
                }
            }
        },
        finish, [finish](const QVariantMap&) { finish(); });
}
