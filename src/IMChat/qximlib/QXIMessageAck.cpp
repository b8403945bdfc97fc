#include "IMChat/qximlib/QXIMessageAck.h"

#include "IMChat/qximlib/QXIMWire.h"

#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"

#include <QUrl>

namespace {

const QString kAckInterface = QStringLiteral("im-ackrecvmsg");

}  // namespace

QString QXIMessageAck::url(const QString& talkId, const QStringList& messageIds) {
    return QStringLiteral("%1?op=ackrecvmsg&talkId=%2&msgIds=%3&channel=0")
        .arg(QXIMConstantManager::share().qximwebimServer(),
             QString::fromLatin1(QUrl::toPercentEncoding(talkId)),
             messageIds.join(QLatin1Char(',')));
}

void QXIMessageAck::ackRecvMess(const QString& talkId, const QStringList& messageIds,
                                DoneHandler done) {
    if (talkId.isNull() || messageIds.isEmpty()) return;
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(QXIMWire::shortCallHeaders(kAckInterface));
    acking_->store(true);
    request.requestWithUrl(
        url(talkId, messageIds), kAckInterface, QString(),
        [acking = acking_, done](const QVariant&) {
            acking->store(false);
            if (done) done(true);
        },
        [acking = acking_, done](const QVariantMap&) {
            acking->store(false);
            if (done) done(false);
        });
}
