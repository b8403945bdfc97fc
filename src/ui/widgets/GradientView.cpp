#include "ui/widgets/GradientView.h"

#include "platform/uikit/image.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace {

ui::Gradient defaultGradient() {
    return ui::Gradient({ui::Color::rgb(17, 91, 197), ui::Color::rgb(55, 131, 239)}, {0, 1});
}

// The corner rectangle's coordinates, cut to whole numbers.
struct Corners {
    double x, y, w, h, r;
    Corners(const ui::Rect& rect, int radius)
        : x(std::trunc(rect.origin.x)),
          y(std::trunc(rect.origin.y)),
          w(std::trunc(rect.size.width)),
          h(std::trunc(rect.size.height)),
          r(radius) {}
};

// From the left side below the top-left corner round to the right side below the
// top-right corner.
void addRoundedTop(ui::GraphicsContext& context, const Corners& c) {
    context.moveToPoint(c.x, c.y + c.r);
    context.addArcToPoint(c.x, c.y, c.x + c.r, c.y, c.r);
    context.addLineToPoint(c.x + c.w - c.r, c.y);
    context.addArcToPoint(c.x + c.w, c.y, c.x + c.w, c.y + c.r, c.r);
}

}  // namespace

GradientView::GradientView(const ui::Rect& frame, std::optional<ui::Gradient> gradient)
    : ui::View(frame), gradient_(gradient ? *gradient : defaultGradient()) {
    setBackgroundColor(ui::Color::clearColor());
    setOpaque(true);
    setClearsContextBeforeDrawing(true);
}

void GradientView::setColors(const std::vector<float>& components, std::size_t size) {
    selected_ = false;
    const std::size_t count = std::min(size / 16, components.size() / 4);
    gradient_ = ui::Gradient::withColorComponents(
        std::vector<double>(components.begin(), components.begin() + count * 4));
    setNeedsDisplay();
}

void GradientView::setType(int type) {
    type_ = type;
    setNeedsDisplay();
}

void GradientView::setExtendsPastStart(bool extends) {
    extendsPastStart_ = extends;
    setNeedsDisplay();
}

void GradientView::setExtendsPastEnd(bool extends) {
    extendsPastEnd_ = extends;
    setNeedsDisplay();
}

void GradientView::setCellType(unsigned cellType) {
    cellType_ = cellType;
    setNeedsDisplay();
}

void GradientView::setCornerRadius(int radius) {
    cornerRadius_ = radius;
    setNeedsDisplay();
}

void GradientView::setSelected(bool selected) {
    selected_ = selected;
    setNeedsDisplay();
}

unsigned GradientView::drawingOptions() const {
    unsigned options = 0;
    if (extendsPastStart_) options |= ui::kGradientDrawsBeforeStartLocation;
    if (extendsPastEnd_) options |= ui::kGradientDrawsAfterEndLocation;
    return options;
}

void GradientView::CGContextAddTopRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                              int radius) {
    const Corners c(rect, radius);
    addRoundedTop(context, c);
    context.addLineToPoint(c.x + c.w, c.y + c.h);
    context.addLineToPoint(c.x, c.y + c.h);
    context.addLineToPoint(c.x, c.y + c.r);
    context.closePath();
}

void GradientView::CGContextAddBottomRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                                 int radius) {
    const Corners c(rect, radius);
    context.moveToPoint(c.x, c.y);
    context.addLineToPoint(c.x + c.w, c.y);
    context.addLineToPoint(c.x + c.w, c.y + c.h - c.r);
    context.addArcToPoint(c.x + c.w, c.y + c.h, c.x + c.w - c.r, c.y + c.h, c.r);
    context.addLineToPoint(c.x + c.r, c.y + c.h);
    context.addArcToPoint(c.x, c.y + c.h, c.x, c.y + c.h - c.r, c.r);
    context.addLineToPoint(c.x, c.y);
    context.closePath();
}

void GradientView::CGContextAddRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                           int radius) {
    const Corners c(rect, radius);
    addRoundedTop(context, c);
    context.addLineToPoint(c.x + c.w, c.y + c.h - c.r);
    context.addArcToPoint(c.x + c.w, c.y + c.h, c.x + c.w - c.r, c.y + c.h, c.r);
    context.addLineToPoint(c.x + c.r, c.y + c.h);
    context.addArcToPoint(c.x, c.y + c.h, c.x, c.y + c.h - c.r, c.r);
    context.closePath();
}

void GradientView::setClipInContext(ui::GraphicsContext& context, const ui::Rect& rect) const {
    context.saveGState();
    context.beginPath();
    switch (cellType_) {
        case kTopRounded:
            CGContextAddTopRoundedRect(context, rect, cornerRadius_);
            context.clip();
            break;
        case kBottomRounded:
            CGContextAddBottomRoundedRect(context, rect, cornerRadius_);
            context.clip();
            break;
        case kAllRounded:
            CGContextAddRoundedRect(context, rect, cornerRadius_);
            context.clip();
            context.clipToRect(rect);
            break;
        default:
            context.clipToRect(rect);
            break;
    }
}

void GradientView::drawInContext(ui::GraphicsContext& context) const {
    const ui::Rect box = context.clipBoundingBox();
    if (type_ == kLinear) {
        context.drawLinearGradient(gradient_, box.origin,
                                   {box.origin.x, box.origin.y + box.size.height},
                                   drawingOptions());
    } else if (type_ == kRadial) {
        const double extent = std::min(box.size.width, box.size.height);
        context.drawRadialGradient(gradient_, box.center(), extent * 0.125, box.center(),
                                   extent * 0.5, drawingOptions());
    }
    context.restoreGState();
}

void GradientView::drawRect(const ui::Rect& rect) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    setClipInContext(*context, rect);
    drawInContext(*context);
    if (!selected_) return;
    auto shadow = ui::Image::imageNamed(QStringLiteral("title bar－阴影"));
    if (!shadow) return;
    if (cellType_ == kTopRounded || cellType_ == kAllRounded) {
        shadow->drawInRect({8, 0, bounds().size.width - 16, 7});
    } else {
        shadow->drawAtPoint({0, 0});
    }
}
