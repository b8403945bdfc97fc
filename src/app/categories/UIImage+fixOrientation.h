#pragma once

#include <memory>

namespace ui {
class Image;
}

namespace UIImageFixOrientation {
// An image whose pixels stand upright (orientation up, scale 1) at the image's upright
// size; an image that is already upright comes back itself.
[[nodiscard]] std::shared_ptr<ui::Image> fixOrientation(const std::shared_ptr<ui::Image>& image);
}  // namespace UIImageFixOrientation
