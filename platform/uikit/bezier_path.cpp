#include "platform/uikit/bezier_path.h"

#include "platform/uikit/graphics_context.h"

#include <cmath>
#include <numbers>

namespace ui {

BezierPath BezierPath::bezierPathWithRect(const Rect& rect) {
    BezierPath path;
    path.path_.addRect(rect.standardized().toQt());
    return path;
}

BezierPath BezierPath::bezierPathWithOvalInRect(const Rect& rect) {
    BezierPath path;
    path.path_.addEllipse(rect.standardized().toQt());
    return path;
}

BezierPath BezierPath::bezierPathWithRoundedRect(const Rect& rect, double cornerRadius) {
    return bezierPathWithRoundedRect(rect, kRectCornerAllCorners, {cornerRadius, cornerRadius});
}

BezierPath BezierPath::bezierPathWithRoundedRect(const Rect& rect, unsigned corners, Size radii) {
    const Rect r = rect.standardized();
    // Radii never exceed half the rectangle's sides.
    const double rx = std::clamp(radii.width, 0.0, r.size.width / 2);
    const double ry = std::clamp(radii.height, 0.0, r.size.height / 2);
    auto radiusX = [&](unsigned corner) { return (corners & corner) ? rx : 0.0; };
    auto radiusY = [&](unsigned corner) { return (corners & corner) ? ry : 0.0; };
    QPainterPath p;
    const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
    p.moveTo(x0 + radiusX(kRectCornerTopLeft), y0);
    p.lineTo(x1 - radiusX(kRectCornerTopRight), y0);
    if (corners & kRectCornerTopRight) p.arcTo(x1 - 2 * rx, y0, 2 * rx, 2 * ry, 90, -90);
    p.lineTo(x1, y1 - radiusY(kRectCornerBottomRight));
    if (corners & kRectCornerBottomRight) p.arcTo(x1 - 2 * rx, y1 - 2 * ry, 2 * rx, 2 * ry, 0, -90);
    p.lineTo(x0 + radiusX(kRectCornerBottomLeft), y1);
    if (corners & kRectCornerBottomLeft) p.arcTo(x0, y1 - 2 * ry, 2 * rx, 2 * ry, 270, -90);
    p.lineTo(x0, y0 + radiusY(kRectCornerTopLeft));
    if (corners & kRectCornerTopLeft) p.arcTo(x0, y0, 2 * rx, 2 * ry, 180, -90);
    p.closeSubpath();
    BezierPath path;
    path.path_ = p;
    return path;
}

BezierPath BezierPath::bezierPathWithArcCenter(Point center, double radius, double startAngle,
                                               double endAngle, bool clockwise) {
    BezierPath path;
    path.addArcWithCenter(center, radius, startAngle, endAngle, clockwise);
    return path;
}

void BezierPath::moveToPoint(Point point) {
    path_.moveTo(point.toQt());
}
void BezierPath::addLineToPoint(Point point) {
    path_.lineTo(point.toQt());
}

void BezierPath::addCurveToPoint(Point end, Point control1, Point control2) {
    path_.cubicTo(control1.toQt(), control2.toQt(), end.toQt());
}

void BezierPath::addQuadCurveToPoint(Point end, Point control) {
    path_.quadTo(control.toQt(), end.toQt());
}

void BezierPath::addArcWithCenter(Point center, double radius, double startAngle, double endAngle,
                                  bool clockwise) {
    constexpr double kTurn = 2 * std::numbers::pi;
    // On screen (y down) clockwise means growing angles.
    double sweep = endAngle - startAngle;
    if (clockwise) {
        while (sweep < 0) sweep += kTurn;
    } else {
        while (sweep > 0) sweep -= kTurn;
    }
    const QPointF start(center.x + radius * std::cos(startAngle),
                        center.y + radius * std::sin(startAngle));
    if (path_.elementCount() == 0) {
        path_.moveTo(start);
    } else {
        path_.lineTo(start);
    }
    path_.arcTo(QRectF(center.x - radius, center.y - radius, 2 * radius, 2 * radius),
                -startAngle * 180 / std::numbers::pi, -sweep * 180 / std::numbers::pi);
}

void BezierPath::closePath() {
    path_.closeSubpath();
}
void BezierPath::appendPath(const BezierPath& other) {
    path_.addPath(other.path_);
}
void BezierPath::removeAllPoints() {
    path_ = QPainterPath();
}

void BezierPath::applyTransform(const AffineTransform& transform) {
    path_ = transform.toQt().map(path_);
}

Rect BezierPath::bounds() const {
    return Rect::fromQt(path_.boundingRect());
}

bool BezierPath::containsPoint(Point point) const {
    QPainterPath copy = path_;
    copy.setFillRule(evenOdd_ ? Qt::OddEvenFill : Qt::WindingFill);
    return copy.contains(point.toQt());
}

void BezierPath::setLineDash(std::vector<double> lengths, double phase) {
    dashes_ = std::move(lengths);
    dashPhase_ = phase;
}

void BezierPath::fill() const {
    if (auto* context = GraphicsContext::current()) {
        context->fillQtPath(path_, evenOdd_ ? Qt::OddEvenFill : Qt::WindingFill);
    }
}

void BezierPath::stroke() const {
    auto* context = GraphicsContext::current();
    if (!context) return;
    context->saveGState();
    context->setLineWidth(lineWidth_);
    context->setLineDash(dashPhase_, dashes_);
    context->strokeQtPath(path_);
    context->restoreGState();
}

void BezierPath::addClip() const {
    auto* context = GraphicsContext::current();
    if (!context) return;
    context->beginPath();
    context->addPath(*this);
    if (evenOdd_) {
        context->eoClip();
    } else {
        context->clip();
    }
}

}  // namespace ui
