#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"
#include "platform/uikit/geometry.h"

#include <memory>

namespace ui {
class Label;
class TableViewCell;
}  // namespace ui

// What the community and broker screens share of their layout: the screen's measures, clear
// labels, and the list's load-more row.
namespace HousesScreen {

inline constexpr double kWidth = 320;
// The status and navigation bars over a screen.
inline constexpr double kBarsHeight = 64;
// The load-more row's text and spinner.
inline constexpr int kMoreLabelTag = 200;
inline constexpr int kMoreSpinnerTag = 201;

[[nodiscard]] double screenHeight();

// A label of that font and colour on a clear ground.
[[nodiscard]] std::shared_ptr<ui::Label> clearLabel(const ui::Rect& frame, const ui::Font& font,
                                                    const ui::Color& color);

// Puts the load-more row's parts into `cell`: a centred 18-point text `height` high (tag 200)
// and a grey spinner at (80, 27.5) (tag 201).
void addMoreRowParts(ui::TableViewCell& cell, double height);
// Shows `text` in a load-more row, its spinner turning or still.
void showMoreRow(ui::TableViewCell& cell, const QString& text, bool spinning);

}  // namespace HousesScreen
