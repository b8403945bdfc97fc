#pragma once

#include "platform/uikit/geometry.h"

namespace ui {
class View;
}

// Frame geometry of a view by edge, centre, size and distance to its superview's far
// edges, in points. Reading a missing view (nullptr) gives zero and writing to it does
// nothing; a view without a superview measures against an empty one. Each setter changes
// only what its name says.
namespace UIViewQXIMAddition {

[[nodiscard]] double left(const ui::View* view);
void setLeft(ui::View* view, double x);
[[nodiscard]] double top(const ui::View* view);
void setTop(ui::View* view, double y);
[[nodiscard]] double right(const ui::View* view);
void setRight(ui::View* view, double right);
[[nodiscard]] double bottom(const ui::View* view);
void setBottom(ui::View* view, double bottom);
[[nodiscard]] double centerX(const ui::View* view);
void setCenterX(ui::View* view, double x);
[[nodiscard]] double centerY(const ui::View* view);
void setCenterY(ui::View* view, double y);
[[nodiscard]] double width(const ui::View* view);
void setWidth(ui::View* view, double width);
[[nodiscard]] double height(const ui::View* view);
void setHeight(ui::View* view, double height);
[[nodiscard]] ui::Point origin(const ui::View* view);
void setOrigin(ui::View* view, ui::Point origin);
[[nodiscard]] ui::Size size(const ui::View* view);
void setSize(ui::View* view, ui::Size size);
// The superview's width less the view's right edge.
[[nodiscard]] double rightToSuper(const ui::View* view);
void setRightToSuper(ui::View* view, double distance);
// The superview's height less the view's bottom edge.
[[nodiscard]] double bottomToSuper(const ui::View* view);
void setBottomToSuper(ui::View* view, double distance);

// Rectangles with one component replaced, the others copied.
[[nodiscard]] ui::Rect rectWithSize(ui::Size size);  // at the zero origin
[[nodiscard]] ui::Rect rectWithWidth(const ui::Rect& rect, double width);
[[nodiscard]] ui::Rect rectWithHeight(const ui::Rect& rect, double height);
[[nodiscard]] ui::Rect rectWithOrigin(const ui::Rect& rect, ui::Point origin);
[[nodiscard]] ui::Rect rectWithX(const ui::Rect& rect, double x);
[[nodiscard]] ui::Rect rectWithY(const ui::Rect& rect, double y);

}  // namespace UIViewQXIMAddition
