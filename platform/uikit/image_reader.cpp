#include "platform/uikit/image_reader.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace ui {

namespace {

std::int64_t pixelsOf(QSize size) {
    return std::int64_t(size.width()) * size.height();
}

// Pixels of a million or more (4 MB) get pages of their own, which go back to the system as
// soon as the picture goes. Left to itself the allocator serves them from the heap of the
// thread that decoded them once the first has gone, and each decoding thread's heap keeps
// what it once held: scrolling a list of 16 MB thumbnails held 466 MB where 150 MB were in
// use. Smaller buffers (a frame's canvas) still come from the heaps, which keep up to 8 MB
// free at their top, as the allocator's own rule keeps twice its threshold.
void givePicturesPagesOfTheirOwn() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, ImageReader::kOwnPagesFromBytes);
    mallopt(M_TRIM_THRESHOLD, 2 * ImageReader::kOwnPagesFromBytes);
#endif
}

}  // namespace

ImageReader::ImageReader(const QByteArray& data, std::int64_t maxPixels)
    : maxPixels_(std::max<std::int64_t>(1, maxPixels)) {
    static std::once_flag limited;
    std::call_once(limited, [] {
        QImageReader::setAllocationLimit(kAllocationLimitMB);
        givePicturesPagesOfTheirOwn();
    });
    buffer_.setData(data);
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    reader_.setAutoTransform(false);
}

QImage ImageReader::read() {
    if (!scaled_) {
        // Set once, before the first frame: every frame of an animation comes at that size.
        scaled_ = true;
        const QSize full = reader_.size();
        if (full.isValid() && pixelsOf(full) > maxPixels_) {
            reader_.setScaledSize(boundedSize(full, maxPixels_));
        }
    }
    QImage image = reader_.read();
    // A decoder whose header did not tell the size: the picture is brought within the bound
    // once it is read.
    if (!image.isNull() && pixelsOf(image.size()) > maxPixels_) {
        image = image.scaled(boundedSize(image.size(), maxPixels_), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    return image;
}

QSize ImageReader::boundedSize(QSize size, std::int64_t maxPixels) {
    if (size.isEmpty() || pixelsOf(size) <= maxPixels) return size;
    const double factor = std::sqrt(double(maxPixels) / double(pixelsOf(size)));
    // The small epsilon keeps an exact fit (5,000 to 2,048) from rounding a pixel short.
    const auto height = std::clamp<std::int64_t>(
        std::int64_t(std::floor(size.height() * factor + 1e-6)), 1, maxPixels);
    const auto width = std::clamp<std::int64_t>(
        std::int64_t(std::floor(size.width() * factor + 1e-6)), 1, maxPixels / height);
    return {int(width), int(height)};
}

}  // namespace ui
