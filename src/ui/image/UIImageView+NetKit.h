#pragma once

#include "net/transport/NKImageRequestOperation.h"
#include "platform/foundation/cache.h"
#include "platform/foundation/url_request.h"
#include "ui/image/NKLoadGate.h"

#include <memory>

namespace ns {
class OperationQueue;
}
namespace ui {
class ImageView;
}

// A process-wide memory cache of pictures loaded by request, keyed by the request's URL
// (two requests for one URL with other headers share an entry) and the pixels the picture was
// decoded to cover: a list's thumbnail, decoded small, is kept apart from the picture of the
// same URL at the decode's bound, which a view that shows it larger gets. It holds at most
// kTotalCostLimit bytes of decoded pictures; past it the least recently used go.
class NKImageCache : public ns::Cache<std::shared_ptr<ui::Image>> {
public:
    // Hundreds of list thumbnails, or two of the largest pictures a decode gives.
    static constexpr std::size_t kTotalCostLimit = 32 * 1024 * 1024;

    NKImageCache();
    // Nothing for requests that ask to ignore local data (reload policies 1 and 4).
    [[nodiscard]] std::shared_ptr<ui::Image> cachedImageForRequest(const ns::URLRequest& request,
                                                                   QSize coveredPixels = {});
    void cacheImage(const std::shared_ptr<ui::Image>& image, const ns::URLRequest& request,
                    QSize coveredPixels = {});
};

// Image views that load their picture by URL request through image request operations,
// with the memory cache above and no disk cache. Each view has at most one load; a new
// load cancels the one before, and the answer of a request the view has moved away from
// is not shown. The view is held weakly: one that has gone away hears nothing.
namespace ImageViewNetKit {

using Image = NKImageRequestOperation::Image;
using Success = NKImageRequestOperation::Success;
using Failure = NKImageRequestOperation::Failure;

[[nodiscard]] ns::OperationQueue& nk_sharedImageRequestOperationQueue();
[[nodiscard]] NKImageCache& nk_sharedImageCache();
// The loads for a view's pixels (list thumbnails) that run at once, from their download's start
// until their picture is decoded: a screen of rows whose photos are several megabytes each
// keeps two bodies in memory, the one decoding and the next, rather than every row's waiting
// for the decodes one at a time. The others wait in the order their rows asked.
inline constexpr int kThumbnailLoadsAtOnce = 2;
[[nodiscard]] NKLoadGate& nk_thumbnailLoadGate();

// A cache hit answers before the call returns, with an empty request and no response;
// without a success block the picture goes on the view. With a success block the caller
// puts the picture on the view. With `coveredPixels` (the view's size at the screen's scale)
// a larger picture comes decoded to the smallest size of its shape that covers them
// (NKImageRequestOperation::setCoveredPixels), cached for loads that ask for the same; such a
// load waits for its place in nk_thumbnailLoadGate() before it starts.
void setImageWithURLRequest(ui::ImageView& view, const ns::URLRequest& request, Image placeholder,
                            Success success, Failure failure, QSize coveredPixels = {});
void cancelImageRequestOperation(ui::ImageView& view);
[[nodiscard]] std::shared_ptr<NKImageRequestOperation> nk_imageRequestOperation(
    ui::ImageView& view);

}  // namespace ImageViewNetKit
