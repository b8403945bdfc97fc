#pragma once

#include "platform/uikit/geometry.h"

namespace ui {
class GraphicsContext;
}

// Path builders for rectangles with some or all corners rounded. Each begins a new path in
// the context, adds the outline and closes it; the caller fills or clips. Edges and the
// points one radius in from them are cut to whole points first.
namespace UIDrawRounded {

void CGContextAddRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect, int radius);
void CGContextAddTopRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect, int radius);
void CGContextAddBottomRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect, int radius);
void CGContextAddTopLeftRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect, int radius);
void CGContextAddTopRightRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                     int radius);
// Fills a circle (four quarter arcs) with the current fill colour; no cutting.
void CGContextFillCircleWithContext(ui::GraphicsContext& context, ui::Point center, double radius);
// Fills the triangle whose tip is the middle of the left edge and whose base is the right edge.
void CGContextFillTringleWithContext(ui::GraphicsContext& context, const ui::Rect& rect);

}  // namespace UIDrawRounded
