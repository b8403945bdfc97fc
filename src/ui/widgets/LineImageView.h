#pragma once

#include "platform/uikit/geometry.h"

#include <memory>

namespace ui {
class ImageView;
}

// A one-point separator line: an image view of the frame filled light grey (217).
[[nodiscard]] std::shared_ptr<ui::ImageView> lineImageViewWithFrame(const ui::Rect& frame);
