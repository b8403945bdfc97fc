#include "IMChat/qximlib/QXIMOnlineReceiver.h"

#include "IMChat/qximlib/QXIMUser.h"

#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"

QXIMOnlineReceiver::~QXIMOnlineReceiver() {
    cancel();
}

QString QXIMOnlineReceiver::streamUrl(qint64 userId) {
    const QXIMConstantManager& constants = QXIMConstantManager::share();
    return QStringLiteral(
               "%1/recvmsg?userid=%2&phonyOnlineSec=86400&version=iphone_kbw_1.0.0&domain=kbw&"
               "clientType=%3")
        .arg(constants.qximwebimgetServer())
        .arg(userId)
        .arg(constants.qximcustomId());
}

void QXIMOnlineReceiver::createReceiveConnection(qint64 userId,
                                                 std::shared_ptr<ns::DispatchQueue> queue) {
    if (!QXIMUser::isSignedInId(userId)) return;
    cancel();
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(
        RequestHeaderSet()
            .set(QStringLiteral("contentformat"), QStringLiteral("bin"))
            .set(QStringLiteral("ContentType"), QStringLiteral("application/x-www-form-urlencoded"))
            .set(QStringLiteral("QxData-Version"), QXIMConstantManager::share().qximdataVersion()));
    const auto stream = std::make_shared<int>(0);
    const std::weak_ptr<int> weakStream = stream;
    {
        const std::lock_guard lock(mutex_);
        current_ = stream;
    }
    // The handler outlives no receiver: a chunk whose stream is gone is dropped.
    auto operation = request.receiveStream(
        streamUrl(userId), std::move(queue),
        [weakStream, handler = handler_](const QByteArray& chunk, qint64 framingChunks) {
            if (!chunk.isEmpty() && weakStream.lock()) handler(chunk, framingChunks);
        },
        // A broken stream is noticed by the missing heartbeats.
        nullptr);
    const std::lock_guard lock(mutex_);
    if (current_ != stream || !operation) return;
    if (readingHeld_) operation->setReadingHeld(true);
    operation_ = std::move(operation);
}

void QXIMOnlineReceiver::setReadingHeld(bool held) {
    const std::lock_guard lock(mutex_);
    readingHeld_ = held;
    if (operation_) operation_->setReadingHeld(held);
}

void QXIMOnlineReceiver::cancel() {
    std::shared_ptr<NKHTTPRequestOperation> operation;
    {
        const std::lock_guard lock(mutex_);
        operation = std::move(operation_);
        operation_.reset();
        current_.reset();
    }
    if (operation) operation->cancel();
}

bool QXIMOnlineReceiver::isConnected() const {
    const std::lock_guard lock(mutex_);
    return operation_ != nullptr;
}
