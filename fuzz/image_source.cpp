// Pictures come from image hosts: any bytes give an image source or nothing, and every
// frame it counts gives a picture or nothing, with its properties, never a crash; so do the
// bytes decoded within a bound of a few pixels, which takes the PNGs that the platform's
// decoder holds whole (interlaced, grey, palette) to be read in blocks of a few pixels.
#include "platform/uikit/image_source.h"
#include "platform/uikit/image.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)ui::Image::imageWithData(bytes, 1, 4 * 4);
    const auto source = ui::ImageSource::createWithData(bytes);
    if (!source) return 0;
    // A few frames are enough to reach every path; a huge count must not cost minutes.
    const std::size_t frames = std::min<std::size_t>(source->count(), 4);
    for (std::size_t index = 0; index < frames; ++index) {
        (void)source->gifPropertiesAtIndex(index);
        (void)source->createImageAtIndex(index);
    }
    (void)source->createImageAtIndex(source->count());  // one past the end: nothing
    return 0;
}
