#include "net/UIViewController+Upload.h"

#include "net/EndpointTable.h"
#include "net/ImageUploadRequest.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "net/RequestStamp.h"

#include "platform/uikit/view_controller.h"

UploadResultCallbacks::~UploadResultCallbacks() = default;

unsigned UploadResultCallbacks::uploadCallbacksAnswered() const {
    return 0;
}

void UploadResultCallbacks::uploadReturnResultUserInfo(const QVariant&, const QVariant&) {}

void UploadResultCallbacks::uploadReturnResultTempPath(const QVariant&, const QVariant&) {}

void UploadResultCallbacks::uploadReturnResult(const QVariant&) {}

void UploadResultCallbacks::uploadFaildResult(const QVariantMap&, const QVariant&) {}

namespace ViewControllerUpload {

namespace {

// The screen's callbacks while it lives; nullptr when it has gone or hears none.
std::shared_ptr<UploadResultCallbacks> callbacksOf(const std::weak_ptr<ui::ViewController>& weak) {
    const auto controller = weak.lock();
    if (!controller) return nullptr;
    return std::shared_ptr<UploadResultCallbacks>(
        controller, dynamic_cast<UploadResultCallbacks*>(controller.get()));
}

void replied(const std::weak_ptr<ui::ViewController>& controller, const QVariant& reply,
             const QVariant& userInfo) {
    const auto callbacks = callbacksOf(controller);
    if (!callbacks) return;
    const unsigned answered = callbacks->uploadCallbacksAnswered();
    if (answered & UploadResultCallbacks::kReturnResultUserInfo) {
        callbacks->uploadReturnResultUserInfo(reply, userInfo);
    } else if (answered & UploadResultCallbacks::kReturnResultTempPath) {
        callbacks->uploadReturnResultTempPath(reply, userInfo.toMap().value(kTempPathKey));
    } else if (answered & UploadResultCallbacks::kReturnResult) {
        callbacks->uploadReturnResult(reply);
    }
}

void failed(const std::weak_ptr<ui::ViewController>& controller, const QVariantMap& failure,
            const QVariant& userInfo) {
    const auto callbacks = callbacksOf(controller);
    if (!callbacks) return;
    const unsigned answered = callbacks->uploadCallbacksAnswered();
    if (!(answered & UploadResultCallbacks::kFaildResult)) return;
    // The user info goes back only to the screens that take it with their replies.
    const bool takesUserInfo = answered & UploadResultCallbacks::kReturnResultUserInfo;
    callbacks->uploadFaildResult(failure, takesUserInfo ? userInfo : QVariant());
}

}  // namespace

bool uploadData(const std::shared_ptr<ui::ViewController>& controller,
                const std::optional<QByteArray>& data, int kind, const QVariant& userInfo) {
    if (!data || !ImageUploadRequest::isSupported(kind)) return false;
    const QString boundary = ImageUploadRequest::boundary(RequestStamp::newUUID());
    const QByteArray body =
        ImageUploadRequest::body(boundary, ImageUploadRequest::imageCountArguments(), kind, *data);
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(RequestHeaderSet::upload(boundary));
    // Sent without the pre-cancel of other calls: a second picture of the same screen
    // must not kill the first on its way.
    const std::weak_ptr<ui::ViewController> weak = controller;
    request.uploadDataWithURL(
        EndpointTable::dataShareEndpoint(), ImageUploadRequest::kInterface, body, userInfo, nullptr,
        [weak](const QVariant& reply, const QVariant& info) { replied(weak, reply, info); },
        [weak](const QVariantMap& failure, const QVariant& info) { failed(weak, failure, info); });
    return true;
}

bool uploadData(const std::shared_ptr<ui::ViewController>& controller,
                const std::optional<QByteArray>& data, int kind) {
    return uploadData(controller, data, kind, QVariant());
}

bool uploadDataTempFilePath(const std::shared_ptr<ui::ViewController>& controller,
                            const std::optional<QByteArray>& data, int kind,
                            const QString& tempFilePath) {
    const QVariant userInfo =
        tempFilePath.isNull() ? QVariant() : QVariant(QVariantMap{{kTempPathKey, tempFilePath}});
    return uploadData(controller, data, kind, userInfo);
}

void cancelUpload(const std::shared_ptr<ui::ViewController>&) {
    QXIMRequest::shared().cancelToVikRequestByInterface(ImageUploadRequest::kInterface,
                                                        EndpointTable::dataShareEndpoint());
}

}  // namespace ViewControllerUpload
