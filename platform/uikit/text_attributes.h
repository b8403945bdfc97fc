#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"

#include <optional>

namespace ui {

// How a bar draws a text (its title, its items' titles): each attribute left
// out keeps the bar's own default.
struct TextAttributes {
    std::optional<Font> font;
    std::optional<Color> textColor;
    std::optional<Color> shadowColor;
    std::optional<Size> shadowOffset;
};

}  // namespace ui
