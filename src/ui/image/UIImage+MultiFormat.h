#pragma once

#include "platform/uikit/image.h"

#include <QByteArray>

#include <memory>

// Picture bytes of any format the app meets made into an image, upright as recorded.
namespace ImageMultiFormat {

// A GIF of several frames becomes an animated image; any other bytes are decoded as one
// picture carrying the orientation recorded in them. Nothing for bytes no decoder reads.
[[nodiscard]] std::shared_ptr<ui::Image> ik_imageWithData(const QByteArray& data);
// The orientation recorded in the bytes; up when none is, or the bytes are no picture.
[[nodiscard]] ui::ImageOrientation ik_imageOrientationFromImageData(const QByteArray& data);
// EXIF numbering (1 to 8) to the platform's; anything else is up.
[[nodiscard]] ui::ImageOrientation ik_exifOrientationToiOSOrientation(int exifOrientation);

}  // namespace ImageMultiFormat
