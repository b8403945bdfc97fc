#include "net/transport/NKImageRequestOperation.h"

#include "platform/uikit/screen.h"

NKImageRequestOperation::NKImageRequestOperation(const ns::URLRequest& request)
    : NKTypedRequestOperation(request), imageScale_(ui::Screen::mainScreen().scale()) {}

std::shared_ptr<NKImageRequestOperation> NKImageRequestOperation::imageRequestOperationWithRequest(
    const ns::URLRequest& request, ImageProcessingBlock imageProcessing, Success success,
    Failure failure) {
    auto operation = std::make_shared<NKImageRequestOperation>(request);
    SuccessBlock onSuccess;
    if (success) {
        onSuccess = [success = std::move(success), imageProcessing = std::move(imageProcessing)](
                        const std::shared_ptr<NKHTTPRequestOperation>& op,
                        const QVariant& responseObject) {
            const Image image = responseObject.value<Image>();
            if (!imageProcessing) {
                success(op->request(), op->HTTPResponse(), image);
                return;
            }
            processingQueue()->async([op, image, success, imageProcessing] {
                const Image processed = imageProcessing(image);
                auto* typed = static_cast<NKImageRequestOperation*>(op.get());
                typed->successQueueOrMain()->async([op, processed, success] {
                    success(op->request(), op->HTTPResponse(), processed);
                });
            });
        };
    }
    FailureBlock onFailure;
    if (failure) {
        onFailure = [failure = std::move(failure)](
                        const std::shared_ptr<NKHTTPRequestOperation>& op, const ns::Error& error) {
            failure(op->request(), op->HTTPResponse(), error);
        };
    }
    operation->setCompletionBlockWithSuccess(std::move(onSuccess), std::move(onFailure));
    return operation;
}

std::shared_ptr<NKImageRequestOperation> NKImageRequestOperation::imageRequestOperationWithRequest(
    const ns::URLRequest& request, std::function<void(const Image& image)> success) {
    Success onSuccess;
    if (success) {
        onSuccess = [success = std::move(success)](
                        const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
                        const Image& image) { success(image); };
    }
    return imageRequestOperationWithRequest(request, nullptr, std::move(onSuccess), nullptr);
}

QStringList NKImageRequestOperation::defaultContentTypes() {
    return {QStringLiteral("image/tiff"),      QStringLiteral("image/jpeg"),
            QStringLiteral("image/gif"),       QStringLiteral("image/png"),
            QStringLiteral("image/ico"),       QStringLiteral("image/x-icon"),
            QStringLiteral("image/bmp"),       QStringLiteral("image/x-bmp"),
            QStringLiteral("image/x-xbitmap"), QStringLiteral("image/x-win-bitmap")};
}

QStringList NKImageRequestOperation::pathExtensions() {
    return {QStringLiteral("tif"),  QStringLiteral("tiff"), QStringLiteral("jpg"),
            QStringLiteral("jpeg"), QStringLiteral("gif"),  QStringLiteral("png"),
            QStringLiteral("ico"),  QStringLiteral("bmp"),  QStringLiteral("cur")};
}

std::pair<QVariant, std::optional<ns::Error>> NKImageRequestOperation::decodeResponse() {
    return {QVariant::fromValue(responseImage()), std::nullopt};
}

double NKImageRequestOperation::imageScale() const {
    std::lock_guard guard(lock());
    return imageScale_;
}

void NKImageRequestOperation::setImageScale(double scale) {
    std::lock_guard guard(lock());
    if (scale == imageScale_) return;
    imageScale_ = scale;
    responseImage_.reset();
}

QSize NKImageRequestOperation::coveredPixels() const {
    std::lock_guard guard(lock());
    return coveredPixels_;
}

void NKImageRequestOperation::setCoveredPixels(QSize pixels) {
    std::lock_guard guard(lock());
    coveredPixels_ = pixels;
}

NKImageRequestOperation::Image NKImageRequestOperation::decodedImage(const QByteArray& data) const {
    Image decoded = ui::Image::imageWithData(data, 1, coveredPixels());
    return decoded && !decoded->isNull() ? decoded : nullptr;
}

NKImageRequestOperation::Image NKImageRequestOperation::responseImage() {
    const Image decoded = decoded_.get(
        lock(), [this] { return finishedBody(); },
        [this](const QByteArray& data) { return decodedImage(data); });
    std::lock_guard guard(lock());
    if (!responseImage_ && decoded) {
        responseImage_ =
            ui::Image::imageWithQImage(decoded->pixels(), imageScale_, decoded->imageOrientation());
    }
    return responseImage_;
}
