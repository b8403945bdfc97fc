#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"

#include <memory>

namespace ui {
class Label;
}  // namespace ui

// What the community and broker screens share of their layout: the screen's measures and
// clear labels.
namespace HousesScreen {

inline constexpr double kWidth = 320;
// The status and navigation bars over a screen.
inline constexpr double kBarsHeight = 64;

[[nodiscard]] double screenHeight();

// A label of that font and colour on a clear ground.
[[nodiscard]] std::shared_ptr<ui::Label> clearLabel(const ui::Rect& frame, const ui::Font& font,
                                                    const ui::Color& color);

}  // namespace HousesScreen
