#include "ui/image/UIImageView+RemoteImage.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/image_view.h"
#include "ui/image/UIView+RemoteImageOperation.h"

namespace RemoteImage {

namespace {

const std::string kImageURLKey = "ik_imageURL";

// Runs `work` on the main thread: at once when there, else later.
void runOnMainThread(std::function<void()> work) {
    if (ns::MainQueue::isMainThread()) {
        work();
    } else {
        ns::MainQueue::post(std::move(work));
    }
}

}  // namespace

void reportNilURL(const CompletedBlock& completed) {
    if (!completed) return;
    runOnMainThread([completed] {
        completed(nullptr,
                  ns::Error::withDescription(kErrorDomain, -1,
                                             QStringLiteral("Trying to load a nil url")),
                  IKImageCacheType::None, QUrl());
    });
}

CompletedBlock forwarding(DeprecatedCompletedBlock completed) {
    if (!completed) return {};
    return [completed = std::move(completed)](
               const Image& image, const std::optional<ns::Error>& error,
               IKImageCacheType cacheType, const QUrl&) { completed(image, error, cacheType); };
}

QUrl ik_imageURL(ui::ImageView& view) {
    const auto* url = view.associated<QUrl>(kImageURLKey);
    return url ? *url : QUrl();
}

void ik_setImageWithURL(ui::ImageView& view, const QUrl& url, Image placeholder,
                        std::uint32_t options, ProgressBlock progress, CompletedBlock completed) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(view, kImageLoadKey);
    view.setAssociatedValue(kImageURLKey, url);
    const bool delayPlaceholder = options & IKImageDelayPlaceholder;
    if (!delayPlaceholder) view.setImage(placeholder);
    if (url.isEmpty()) {
        reportNilURL(completed);
        return;
    }
    loadIntoSlot<ui::ImageView>(
        view, kImageLoadKey, url, options, std::move(progress),
        [placeholder, delayPlaceholder](ui::ImageView& shown, const Image& image) {
            if (!image && !delayPlaceholder) return;
            shown.setImage(image ? image : placeholder);
            shown.setNeedsLayout();
        },
        std::move(completed));
}

void ik_setImageWithPreviousCachedImageWithURL(ui::ImageView& view, const QUrl& url,
                                               Image placeholder, std::uint32_t options,
                                               ProgressBlock progress, CompletedBlock completed) {
    auto& manager = IKImageManager::sharedManager();
    Image previous = manager.imageCache().imageFromDiskCacheForKey(manager.cacheKeyForURL(url));
    ik_setImageWithURL(view, url, previous ? previous : std::move(placeholder), options,
                       std::move(progress), std::move(completed));
}

void ik_setAnimationImagesWithURLs(ui::ImageView& view, const std::vector<QUrl>& urls) {
    ik_cancelCurrentAnimationImagesLoad(view);
    const std::weak_ptr<ui::ImageView> weak = view.weakAs<ui::ImageView>();
    std::vector<std::shared_ptr<IKImageOperation>> operations;
    for (const QUrl& url : urls) {
        operations.push_back(IKImageManager::sharedManager().downloadImageWithURL(
            url, 0, {},
            [weak](const Image& image, const std::optional<ns::Error>&, IKImageCacheType, bool,
                   const QUrl&) {
                auto view = weak.lock();
                if (!view) return;
                view->stopAnimating();
                if (image) {
                    auto frames = view->animationImages();
                    frames.push_back(image);
                    view->setAnimationImages(std::move(frames));
                    view->setNeedsLayout();
                }
                view->startAnimating();
            }));
    }
    RemoteImageOperation::ik_setImageLoadOperations(view, std::move(operations),
                                                    kAnimationImagesLoadKey);
}

void ik_cancelCurrentImageLoad(ui::ImageView& view) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(view, kImageLoadKey);
}

void ik_cancelCurrentAnimationImagesLoad(ui::ImageView& view) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(view, kAnimationImagesLoadKey);
}

void ik_setHighlightedImageWithURL(ui::ImageView& view, const QUrl& url, std::uint32_t options,
                                   ProgressBlock progress, CompletedBlock completed) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(view, kHighlightedImageLoadKey);
    if (url.isEmpty()) {
        reportNilURL(completed);
        return;
    }
    loadIntoSlot<ui::ImageView>(
        view, kHighlightedImageLoadKey, url, options, std::move(progress),
        [](ui::ImageView& shown, const Image& image) {
            if (!image) return;
            shown.setHighlightedImage(image);
            shown.setNeedsLayout();
        },
        std::move(completed));
}

void ik_cancelCurrentHighlightedImageLoad(ui::ImageView& view) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(view, kHighlightedImageLoadKey);
}

void setImageWithURL(ui::ImageView& view, const QUrl& url, Image placeholder, std::uint32_t options,
                     DeprecatedCompletedBlock completed) {
    ik_setImageWithURL(view, url, std::move(placeholder), options, {},
                       forwarding(std::move(completed)));
}

void setHighlightedImageWithURL(ui::ImageView& view, const QUrl& url, std::uint32_t options,
                                DeprecatedCompletedBlock completed) {
    ik_setHighlightedImageWithURL(view, url, options, {}, forwarding(std::move(completed)));
}

void cancelCurrentImageLoad(ui::ImageView& view) {
    ik_cancelCurrentImageLoad(view);
}

}  // namespace RemoteImage
