#pragma once

#include "platform/uikit/geometry.h"
#include "platform/uikit/image.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>

namespace ui {
class ImageSource;
}

// Animated images made of the frames of a GIF, all decoded at once.
namespace ImageGIF {

// Every frame at the screen's scale, played over the sum of the frames' durations (0.1 s
// a frame when they sum to nothing). A GIF of one frame is a still image; nothing for
// bytes that are no picture.
[[nodiscard]] std::shared_ptr<ui::Image> ik_animatedGIFWithData(const QByteArray& data);
// Seconds frame `index` is shown: its unclamped delay, else its delay, else 0.1; delays
// below 0.011 s (0 and 0.01 among them) play as 0.1 s, as browsers show them.
[[nodiscard]] double ik_frameDurationAtIndex(std::size_t index, const ui::ImageSource& source);
// A GIF of the bundle: "name@2x.gif" on a screen of scale 2 first, then "name.gif",
// then the bundle's named image "name".
[[nodiscard]] std::shared_ptr<ui::Image> ik_animatedGIFNamed(const QString& name);
// The animation scaled to fill `size` (points) and cut to it, centred; the image itself
// when `size` is its size or zero.
[[nodiscard]] std::shared_ptr<ui::Image> ik_animatedImageByScalingAndCroppingToSize(
    const std::shared_ptr<ui::Image>& image, ui::Size size);

}  // namespace ImageGIF
