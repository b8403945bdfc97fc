#include "app/categories/UIView+UIDrawRounded.h"

#include "platform/uikit/graphics_context.h"

#include <cmath>
#include <numbers>

namespace UIDrawRounded {

namespace {
// The cut edges and inner points of a rectangle for a corner radius.
struct Edges {
    double x0, y0, x1, y1;  // the edges
    double xl, xr, yt, yb;  // one radius in from the left, right, top and bottom edges
    double r;
};

Edges edgesOf(const ui::Rect& rect, int radius) {
    const double r = radius;
    const double x = rect.origin.x, y = rect.origin.y;
    const double w = rect.size.width, h = rect.size.height;
    return {std::trunc(x),     std::trunc(y),         std::trunc(x + w),
            std::trunc(y + h), std::trunc(x + r),     std::trunc(x + w - r),
            std::trunc(y + r), std::trunc(y + h - r), r};
}
}  // namespace

namespace {
enum Corner : unsigned { kTopLeft = 1, kTopRight = 2, kBottomRight = 4, kBottomLeft = 8 };

// Goes round the rectangle clockwise from its left edge: a rounded corner is a line to
// where its arc starts and the arc; a square one a line to the corner itself.
void addOutline(ui::GraphicsContext& c, const ui::Rect& rect, int radius, unsigned rounded) {
    const Edges e = edgesOf(rect, radius);
    struct Turn {
        Corner corner;
        double inX, inY, cornerX, cornerY, outX, outY;
    };
    const Turn turns[] = {
        {kTopLeft, e.x0, e.yt, e.x0, e.y0, e.xl, e.y0},
        {kTopRight, e.xr, e.y0, e.x1, e.y0, e.x1, e.yt},
        {kBottomRight, e.x1, e.yb, e.x1, e.y1, e.xr, e.y1},
        {kBottomLeft, e.xl, e.y1, e.x0, e.y1, e.x0, e.yb},
    };
    c.beginPath();
    if (rounded & kTopLeft) {
        c.moveToPoint(e.x0, e.yt);
    } else {
        c.moveToPoint(e.x0, e.y0);
    }
    for (const Turn& turn : turns) {
        if (rounded & turn.corner) {
            if (turn.corner != kTopLeft) c.addLineToPoint(turn.inX, turn.inY);
            c.addArcToPoint(turn.cornerX, turn.cornerY, turn.outX, turn.outY, e.r);
        } else if (turn.corner != kTopLeft) {
            c.addLineToPoint(turn.cornerX, turn.cornerY);
        }
    }
    c.closePath();
}
}  // namespace

void CGContextAddRoundedRect(ui::GraphicsContext& c, const ui::Rect& rect, int radius) {
    addOutline(c, rect, radius, kTopLeft | kTopRight | kBottomRight | kBottomLeft);
}

void CGContextAddTopRoundedRect(ui::GraphicsContext& c, const ui::Rect& rect, int radius) {
    addOutline(c, rect, radius, kTopLeft | kTopRight);
}

void CGContextAddBottomRoundedRect(ui::GraphicsContext& c, const ui::Rect& rect, int radius) {
    addOutline(c, rect, radius, kBottomRight | kBottomLeft);
}

void CGContextAddTopLeftRoundedRect(ui::GraphicsContext& c, const ui::Rect& rect, int radius) {
    addOutline(c, rect, radius, kTopLeft);
}

void CGContextAddTopRightRoundedRect(ui::GraphicsContext& c, const ui::Rect& rect, int radius) {
    addOutline(c, rect, radius, kTopRight);
}

void CGContextFillCircleWithContext(ui::GraphicsContext& c, ui::Point center, double radius) {
    c.beginPath();
    c.moveToPoint(center.x - radius, center.y);
    c.addArcToPoint(center.x - radius, center.y - radius, center.x, center.y - radius, radius);
    c.addArcToPoint(center.x + radius, center.y - radius, center.x + radius, center.y, radius);
    c.addArcToPoint(center.x + radius, center.y + radius, center.x, center.y + radius, radius);
    c.addArcToPoint(center.x - radius, center.y + radius, center.x - radius, center.y, radius);
    c.closePath();
    c.fillPath();
}

void CGContextFillTringleWithContext(ui::GraphicsContext& c, const ui::Rect& rect) {
    c.beginPath();
    c.moveToPoint(rect.origin.x, rect.origin.y + rect.size.height / 2);
    c.addLineToPoint(rect.origin.x + rect.size.width, rect.origin.y);
    c.addLineToPoint(rect.origin.x + rect.size.width, rect.origin.y + rect.size.height);
    c.closePath();
    c.fillPath();
}

}  // namespace UIDrawRounded
