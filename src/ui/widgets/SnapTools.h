#pragma once

#include <memory>

namespace ui {
class Image;
class View;
}  // namespace ui

// The view extension that captures a view and its subviews as an image of its
// bounds at the screen's scale (opaque when the view is).
[[nodiscard]] std::shared_ptr<ui::Image> capture(ui::View& view);
