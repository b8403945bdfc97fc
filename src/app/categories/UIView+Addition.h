#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "ui/widgets/FloatView.h"

#include <QString>

namespace ui {
class View;
}

// Frame accessors by edge and centre, removal of all subviews, layer looks, the shake and
// the floating message (a toast over a view for 3 s). Each setter changes only what its
// name says and keeps the rest of the frame or centre.
namespace UIViewAddition {

inline constexpr int kFloatMessageTag = FloatView::kFloatMessageTag;
inline constexpr double kFloatMessageSeconds = 3;

[[nodiscard]] double left(const ui::View& view);
void setLeft(ui::View& view, double x);
[[nodiscard]] double top(const ui::View& view);
void setTop(ui::View& view, double y);
[[nodiscard]] double right(const ui::View& view);
void setRight(ui::View& view, double right);
[[nodiscard]] double bottom(const ui::View& view);
void setBottom(ui::View& view, double bottom);
[[nodiscard]] double centerX(const ui::View& view);
void setCenterX(ui::View& view, double x);
[[nodiscard]] double centerY(const ui::View& view);
void setCenterY(ui::View& view, double y);
[[nodiscard]] double width(const ui::View& view);
void setWidth(ui::View& view, double width);
[[nodiscard]] double height(const ui::View& view);
void setHeight(ui::View& view, double height);
[[nodiscard]] ui::Point origin(const ui::View& view);
void setOrigin(ui::View& view, ui::Point origin);
[[nodiscard]] ui::Size size(const ui::View& view);
void setSize(ui::View& view, ui::Size size);

// Removes the subviews last to first; image views lose their image first.
void removeAllSubviews(ui::View& view);
// Shows `message` over `view` for 3 s, replacing a message still showing there.
void showFloatMessgeZP(ui::View& view, const QString& message);

void hideShadow(ui::View& view);
void shadow(ui::View& view, const ui::Color& color, ui::Size offset, double radius, double opacity);
void cornerRadius(ui::View& view, double radius, double borderWidth, const ui::Color& borderColor);
void shadowWithCorner(ui::View& view, const ui::Color& color, ui::Size offset, double radius,
                      double opacity, double cornerRadius, double borderWidth,
                      const ui::Color& borderColor);
// Shakes the view sideways by 5 points three times in 0.5 s (animation key "TextAnim").
void shake(ui::View& view);
void doHide(ui::View& view);

}  // namespace UIViewAddition
