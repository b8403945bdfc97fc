#include "ui/image/UIImageView+NetKit.h"

#include "platform/foundation/operation_queue.h"
#include "platform/uikit/image_view.h"

namespace {

const std::string kOperationKey = "nk_imageRequestOperation";

bool ignoresLocalData(const ns::URLRequest& request) {
    using Policy = ns::URLRequest::CachePolicy;
    return request.cachePolicy() == Policy::ReloadIgnoringLocalCacheData ||
           request.cachePolicy() == Policy::ReloadIgnoringLocalAndRemoteCacheData;
}

// The platform's request equality: the same URL and the same other properties.
bool sameRequest(const ns::URLRequest& a, const ns::URLRequest& b) {
    return a.url() == b.url() && a.httpMethod() == b.httpMethod() &&
           a.allHTTPHeaderFields() == b.allHTTPHeaderFields() && a.httpBody() == b.httpBody() &&
           a.httpBodyStream() == b.httpBodyStream() && a.cachePolicy() == b.cachePolicy() &&
           a.timeoutInterval() == b.timeoutInterval() &&
           a.httpShouldHandleCookies() == b.httpShouldHandleCookies();
}

// The URL, and after a space (which no encoded URL holds) the pixels covered, if any.
QString cacheKey(const ns::URLRequest& request, QSize coveredPixels) {
    QString key = request.url().toString(QUrl::FullyEncoded);
    if (!coveredPixels.isEmpty()) {
        key += QStringLiteral(" %1x%2").arg(coveredPixels.width()).arg(coveredPixels.height());
    }
    return key;
}

void setCurrentOperation(ui::ImageView& view, std::shared_ptr<NKImageRequestOperation> operation) {
    view.setAssociatedValue(kOperationKey, operation ? std::any(std::move(operation)) : std::any());
}

}  // namespace

NKImageCache::NKImageCache()
    : ns::Cache<std::shared_ptr<ui::Image>>(QStringLiteral("NKImageCache")) {
    setTotalCostLimit(kTotalCostLimit);
}

std::shared_ptr<ui::Image> NKImageCache::cachedImageForRequest(const ns::URLRequest& request,
                                                               QSize coveredPixels) {
    if (ignoresLocalData(request)) return nullptr;
    return objectForKey(cacheKey(request, coveredPixels));
}

void NKImageCache::cacheImage(const std::shared_ptr<ui::Image>& image,
                              const ns::URLRequest& request, QSize coveredPixels) {
    if (!image || request.url().isEmpty()) return;
    setObject(cacheKey(request, coveredPixels), image, image->decodedBytes());
}

namespace ImageViewNetKit {

ns::OperationQueue& nk_sharedImageRequestOperationQueue() {
    static ns::OperationQueue queue(QStringLiteral("nk_sharedImageRequestOperationQueue"));
    return queue;
}

NKImageCache& nk_sharedImageCache() {
    static NKImageCache cache;
    return cache;
}

NKLoadGate& nk_thumbnailLoadGate() {
    // Never destroyed: a load's pass may go on a worker as the process's statics go.
    static auto* const gate =
        new std::shared_ptr<NKLoadGate>(std::make_shared<NKLoadGate>(kThumbnailLoadsAtOnce));
    return **gate;
}

std::shared_ptr<NKImageRequestOperation> nk_imageRequestOperation(ui::ImageView& view) {
    const auto* operation =
        view.associated<std::shared_ptr<NKImageRequestOperation>>(kOperationKey);
    return operation ? *operation : nullptr;
}

void cancelImageRequestOperation(ui::ImageView& view) {
    if (auto operation = nk_imageRequestOperation(view)) operation->cancel();
    setCurrentOperation(view, nullptr);
}

void setImageWithURLRequest(ui::ImageView& view, const ns::URLRequest& request, Image placeholder,
                            Success success, Failure failure, QSize coveredPixels) {
    cancelImageRequestOperation(view);
    if (auto cached = nk_sharedImageCache().cachedImageForRequest(request, coveredPixels)) {
        if (success) {
            success(ns::URLRequest(), nullptr, cached);
        } else {
            view.setImage(cached);
        }
        setCurrentOperation(view, nullptr);
        return;
    }
    view.setImage(std::move(placeholder));
    const std::weak_ptr<ui::ImageView> weak = view.weakAs<ui::ImageView>();
    // The operation is known only once made; the blocks find it through this holder.
    auto self = std::make_shared<std::weak_ptr<NKImageRequestOperation>>();
    // Whether the view still waits for this load's request, and the view when it does.
    auto wanted = [weak, self, request]() -> std::shared_ptr<ui::ImageView> {
        auto view = weak.lock();
        if (!view) return nullptr;
        const auto current = nk_imageRequestOperation(*view);
        return current && sameRequest(current->request(), request) ? view : nullptr;
    };
    auto finish = [self](ui::ImageView& view) {
        if (nk_imageRequestOperation(view) == self->lock()) setCurrentOperation(view, nullptr);
    };
    // The load's place in the thumbnail gate, once given: left when its picture is decoded or
    // it failed (a cancel too), else when the operation goes.
    auto pass = std::make_shared<std::shared_ptr<NKLoadGate::Pass>>();
    auto operation = NKImageRequestOperation::imageRequestOperationWithRequest(
        request, nullptr,
        [wanted, finish, success, request, coveredPixels, pass](
            const ns::URLRequest& answered,
            const std::shared_ptr<const ns::HTTPURLResponse>& response, const Image& image) {
            if (*pass) (*pass)->leave();
            if (auto view = wanted()) {
                if (success) {
                    success(answered, response, image);
                } else if (image) {
                    view->setImage(image);
                }
                finish(*view);
            }
            nk_sharedImageCache().cacheImage(image, request, coveredPixels);
        },
        [wanted, finish, failure, pass](const ns::URLRequest& answered,
                                        const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                        const ns::Error& error) {
            if (*pass) (*pass)->leave();
            if (auto view = wanted()) {
                if (failure) failure(answered, response, error);
                finish(*view);
            }
        });
    operation->setCoveredPixels(coveredPixels);
    *self = operation;
    setCurrentOperation(view, operation);
    if (coveredPixels.isEmpty()) {
        nk_sharedImageRequestOperationQueue().addOperation(operation);
        return;
    }
    // A load cancelled while it waited still goes to the queue when its turn comes: it
    // finishes at once, and its failure gives the place on.
    nk_thumbnailLoadGate().enter([operation, pass](const std::shared_ptr<NKLoadGate::Pass>& given) {
        *pass = given;
        nk_sharedImageRequestOperationQueue().addOperation(operation);
    });
}

}  // namespace ImageViewNetKit
