#pragma once

#include "ui/image/IKImageManager.h"
#include "ui/image/UIView+RemoteImageOperation.h"

#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ui {
class ImageView;
}

// Image views that show pictures from URLs through the shared image manager: the
// placeholder at once (unless the load is asked to delay it), the picture when it comes.
// A new load for the same view cancels the one before it. The view is held weakly: a
// view that has gone away is never touched.
namespace RemoteImage {

using Image = std::shared_ptr<ui::Image>;
using ProgressBlock = IKImageManager::ProgressBlock;
// Called once the load has ended (not for partial pictures), on the main thread.
using CompletedBlock = std::function<void(const Image& image, const std::optional<ns::Error>& error,
                                          IKImageCacheType cacheType, const QUrl& imageURL)>;
// The older form: the same without the URL.
using DeprecatedCompletedBlock = std::function<void(
    const Image& image, const std::optional<ns::Error>& error, IKImageCacheType cacheType)>;

inline const QString kImageLoadKey = QStringLiteral("UIImageViewImageLoad");
inline const QString kAnimationImagesLoadKey = QStringLiteral("UIImageViewAnimationImages");
inline const QString kHighlightedImageLoadKey = QStringLiteral("highlightedImage");
inline const QString kErrorDomain = QStringLiteral("IKImageErrorDomain");

// The URL last given to the image setter; empty after an empty one.
[[nodiscard]] QUrl ik_imageURL(ui::ImageView& view);
// An empty URL answers the error IKImageErrorDomain -1 "Trying to load a nil url".
void ik_setImageWithURL(ui::ImageView& view, const QUrl& url, Image placeholder = {},
                        std::uint32_t options = 0, ProgressBlock progress = {},
                        CompletedBlock completed = {});
// The picture the cache already holds for the URL, if any, stands in as the placeholder.
void ik_setImageWithPreviousCachedImageWithURL(ui::ImageView& view, const QUrl& url,
                                               Image placeholder = {}, std::uint32_t options = 0,
                                               ProgressBlock progress = {},
                                               CompletedBlock completed = {});
// Each picture joins the view's animation images as it arrives.
void ik_setAnimationImagesWithURLs(ui::ImageView& view, const std::vector<QUrl>& urls);
void ik_cancelCurrentImageLoad(ui::ImageView& view);
void ik_cancelCurrentAnimationImagesLoad(ui::ImageView& view);

void ik_setHighlightedImageWithURL(ui::ImageView& view, const QUrl& url, std::uint32_t options = 0,
                                   ProgressBlock progress = {}, CompletedBlock completed = {});
void ik_cancelCurrentHighlightedImageLoad(ui::ImageView& view);

// The older names, as the screens call them.
void setImageWithURL(ui::ImageView& view, const QUrl& url, Image placeholder = {},
                     std::uint32_t options = 0, DeprecatedCompletedBlock completed = {});
void setHighlightedImageWithURL(ui::ImageView& view, const QUrl& url, std::uint32_t options = 0,
                                DeprecatedCompletedBlock completed = {});
void cancelCurrentImageLoad(ui::ImageView& view);

// Loads `url` through the shared manager into the slot `key` of `view`, cancelling what
// the slot held: `show` puts every answer in place (its image may be nil), then
// `completed` hears the end. The view is held weakly.
template <class View>
void loadIntoSlot(View& view, const QString& key, const QUrl& url, std::uint32_t options,
                  ProgressBlock progress, std::function<void(View&, const Image&)> show,
                  CompletedBlock completed) {
    const std::weak_ptr<View> weak = view.template weakAs<View>();
    auto operation = IKImageManager::sharedManager().downloadImageWithURL(
        url, options, std::move(progress),
        [weak, show = std::move(show), completed](
            const Image& image, const std::optional<ns::Error>& error, IKImageCacheType cacheType,
            bool finished, const QUrl& imageURL) {
            auto view = weak.lock();
            if (!view) return;
            show(*view, image);
            if (finished && completed) completed(image, error, cacheType, imageURL);
        });
    RemoteImageOperation::ik_setImageLoadOperation(view, std::move(operation), key);
}

// The error of an empty URL, handed to `completed` on the main thread.
void reportNilURL(const CompletedBlock& completed);
// A completion of the newer form that passes the older one's three values on.
[[nodiscard]] CompletedBlock forwarding(DeprecatedCompletedBlock completed);

}  // namespace RemoteImage
