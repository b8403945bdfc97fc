#include "platform/uikit/graphics_context.h"

#include "platform/uikit/bezier_path.h"
#include "platform/uikit/image.h"
#include "platform/uikit/row_bands.h"
#include "platform/uikit/screen.h"

#include <QImage>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace ui {

namespace {

constexpr int kContextDotsPerMeter = 2835;

thread_local std::vector<GraphicsContext*> tCurrent;

// An image context owns its pixels, its painter and its context.
struct ImageContext {
    QImage image;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<GraphicsContext> context;
    double scale = 1;
};
thread_local std::vector<std::unique_ptr<ImageContext>> tImageContexts;

QPainter::CompositionMode compositionFor(BlendMode mode) {
    switch (mode) {
        case BlendMode::Normal:
            return QPainter::CompositionMode_SourceOver;
        case BlendMode::Multiply:
            return QPainter::CompositionMode_Multiply;
        case BlendMode::Screen:
            return QPainter::CompositionMode_Screen;
        case BlendMode::Overlay:
            return QPainter::CompositionMode_Overlay;
        case BlendMode::Darken:
            return QPainter::CompositionMode_Darken;
        case BlendMode::Lighten:
            return QPainter::CompositionMode_Lighten;
        case BlendMode::Clear:
            return QPainter::CompositionMode_Clear;
        case BlendMode::Copy:
            return QPainter::CompositionMode_Source;
        case BlendMode::SourceIn:
            return QPainter::CompositionMode_SourceIn;
        case BlendMode::SourceOut:
            return QPainter::CompositionMode_SourceOut;
        case BlendMode::SourceAtop:
            return QPainter::CompositionMode_SourceAtop;
        case BlendMode::DestinationOver:
            return QPainter::CompositionMode_DestinationOver;
        case BlendMode::DestinationIn:
            return QPainter::CompositionMode_DestinationIn;
        case BlendMode::DestinationOut:
            return QPainter::CompositionMode_DestinationOut;
        case BlendMode::XOR:
            return QPainter::CompositionMode_Xor;
        case BlendMode::PlusLighter:
            return QPainter::CompositionMode_Plus;
    }
    return QPainter::CompositionMode_SourceOver;
}

double degrees(double radians) {
    return radians * 180 / std::numbers::pi;
}

// Appends an arc around `center` from `start` sweeping `sweep` radians (angles
// grow towards the y axis, which points down).
void appendArc(QPainterPath& path, Point center, double radius, double start, double sweep) {
    // Qt counts its angles the other way round.
    path.arcTo(QRectF(center.x - radius, center.y - radius, 2 * radius, 2 * radius),
               -degrees(start), -degrees(sweep));
}

// A half-plane as a huge polygon: the side of the line through `point`,
// perpendicular to `direction`, that `direction` points into.
QPainterPath halfPlane(QPointF point, QPointF direction) {
    constexpr double kFar = 1e6;
    const QPointF along = direction / std::hypot(direction.x(), direction.y());
    const QPointF across(-along.y(), along.x());
    QPainterPath path;
    path.moveTo(point + across * kFar);
    path.lineTo(point + across * kFar + along * kFar);
    path.lineTo(point - across * kFar + along * kFar);
    path.lineTo(point - across * kFar);
    path.closeSubpath();
    return path;
}

}  // namespace

Gradient::Gradient(std::vector<Color> colors, std::vector<double> locations)
    : colors_(std::move(colors)), locations_(std::move(locations)) {
    if (locations_.size() != colors_.size()) {
        locations_.clear();
        const std::size_t n = colors_.size();
        for (std::size_t i = 0; i < n; ++i)
            locations_.push_back(n > 1 ? double(i) / double(n - 1) : 0);
    }
}

Gradient Gradient::withColorComponents(const std::vector<double>& components,
                                       std::vector<double> locations) {
    std::vector<Color> colors;
    for (std::size_t i = 0; i + 3 < components.size(); i += 4) {
        colors.push_back(Color::colorWithRed(components[i], components[i + 1], components[i + 2],
                                             components[i + 3]));
    }
    return Gradient(std::move(colors), std::move(locations));
}

QGradientStops Gradient::toQtStops() const {
    QGradientStops stops;
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        stops.append({std::clamp(locations_[i], 0.0, 1.0), colors_[i].toQt()});
    }
    return stops;
}

GraphicsContext::GraphicsContext(QPainter& painter) : painter_(&painter) {
    prepare(painter);
}

GraphicsContext::GraphicsContext(PainterOpener open) : open_(std::move(open)) {}

void GraphicsContext::prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
}

QPainter& GraphicsContext::target() const {
    if (!painter_) {
        painter_ = &open_();
        prepare(*painter_);
    }
    return *painter_;
}

GraphicsContext::~GraphicsContext() {
    // A context going away while current (an exception or a forgotten pop) must
    // not stay reachable.
    std::erase(tCurrent, this);
}

GraphicsContext* GraphicsContext::current() {
    return tCurrent.empty() ? nullptr : tCurrent.back();
}

void GraphicsContext::push(GraphicsContext& context) {
    tCurrent.push_back(&context);
}

void GraphicsContext::pop() {
    if (!tCurrent.empty()) tCurrent.pop_back();
}

void GraphicsContext::beginImageContext(Size size) {
    beginImageContextWithOptions(size, false, 1);
}

void GraphicsContext::beginImageContextWithOptions(Size size, bool opaque, double scale) {
    if (scale <= 0) scale = Screen::mainScreen().scale();
    auto entry = std::make_unique<ImageContext>();
    entry->scale = scale;
    const int width = std::max(1, int(std::ceil(size.width * scale - 1e-9)));
    const int height = std::max(1, int(std::ceil(size.height * scale - 1e-9)));
    entry->image =
        QImage(width, height, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    entry->image.fill(opaque ? Qt::black : Qt::transparent);
    // Text and drawing are in points: one logical dot per point, `scale` pixels each.
    entry->image.setDotsPerMeterX(kContextDotsPerMeter);
    entry->image.setDotsPerMeterY(kContextDotsPerMeter);
    entry->image.setDevicePixelRatio(scale);
    entry->painter = std::make_unique<QPainter>(&entry->image);
    entry->context = std::make_unique<GraphicsContext>(*entry->painter);
    push(*entry->context);
    tImageContexts.push_back(std::move(entry));
}

std::shared_ptr<Image> GraphicsContext::imageFromCurrentImageContext() {
    if (tImageContexts.empty()) return nullptr;
    ImageContext& entry = *tImageContexts.back();
    // A copy, so that drawing after this call does not change the image taken.
    QImage snapshot = entry.image.copy();
    return Image::imageWithQImage(std::move(snapshot), entry.scale);
}

void GraphicsContext::endImageContext() {
    if (tImageContexts.empty()) return;
    std::unique_ptr<ImageContext> entry = std::move(tImageContexts.back());
    tImageContexts.pop_back();
    std::erase(tCurrent, entry->context.get());
    entry->context.reset();
    entry->painter->end();
}

QPainter& GraphicsContext::painter() {
    ++operations_;
    return target();
}

void GraphicsContext::saveGState() {
    target().save();
    saved_.push_back(state_);
}

void GraphicsContext::restoreGState() {
    if (saved_.empty()) return;
    target().restore();
    state_ = std::move(saved_.back());
    saved_.pop_back();
}

void GraphicsContext::translateCTM(double tx, double ty) {
    target().translate(tx, ty);
}
void GraphicsContext::scaleCTM(double sx, double sy) {
    target().scale(sx, sy);
}
void GraphicsContext::rotateCTM(double angle) {
    target().rotate(degrees(angle));
}

void GraphicsContext::concatCTM(const AffineTransform& transform) {
    target().setWorldTransform(transform.toQt(), true);
}

AffineTransform GraphicsContext::getCTM() const {
    return AffineTransform::fromQt(target().combinedTransform());
}

void GraphicsContext::setFillColor(const Color& color) {
    state_.fill = color;
}
void GraphicsContext::setStrokeColor(const Color& color) {
    state_.stroke = color;
}
void GraphicsContext::setLineWidth(double width) {
    state_.lineWidth = std::max(0.0, width);
}
void GraphicsContext::setLineCap(LineCap cap) {
    state_.cap = cap;
}
void GraphicsContext::setLineJoin(LineJoin join) {
    state_.join = join;
}
void GraphicsContext::setMiterLimit(double limit) {
    state_.miterLimit = limit;
}

void GraphicsContext::setLineDash(double phase, std::vector<double> lengths) {
    state_.dashPhase = phase;
    state_.dashes = std::move(lengths);
}

void GraphicsContext::setShouldAntialias(bool antialias) {
    target().setRenderHint(QPainter::Antialiasing, antialias);
}

void GraphicsContext::setAlpha(double alpha) {
    target().setOpacity(std::clamp(alpha, 0.0, 1.0));
}

void GraphicsContext::setBlendMode(BlendMode mode) {
    target().setCompositionMode(compositionFor(mode));
}

void GraphicsContext::setShadow(Size offset, double blur, const Color& color) {
    state_.shadowOffset = offset;
    state_.shadowBlur = std::max(0.0, blur);
    state_.shadowColor = color;
}

void GraphicsContext::setShadow(Size offset, double blur) {
    setShadow(offset, blur, Color::colorWithWhite(0, 1.0 / 3));
}

void GraphicsContext::beginPath() {
    path_ = QPainterPath();
    hasCurrentPoint_ = false;
}

void GraphicsContext::moveToPoint(double x, double y) {
    path_.moveTo(x, y);
    hasCurrentPoint_ = true;
}

void GraphicsContext::ensureCurrentPoint(double x, double y) {
    if (!hasCurrentPoint_) moveToPoint(x, y);
}

void GraphicsContext::addLineToPoint(double x, double y) {
    ensureCurrentPoint(x, y);
    path_.lineTo(x, y);
}

void GraphicsContext::addLines(const std::vector<Point>& points) {
    if (points.empty()) return;
    moveToPoint(points.front().x, points.front().y);
    for (std::size_t i = 1; i < points.size(); ++i) path_.lineTo(points[i].x, points[i].y);
}

void GraphicsContext::addCurveToPoint(double cp1x, double cp1y, double cp2x, double cp2y, double x,
                                      double y) {
    ensureCurrentPoint(cp1x, cp1y);
    path_.cubicTo(cp1x, cp1y, cp2x, cp2y, x, y);
}

void GraphicsContext::addQuadCurveToPoint(double cpx, double cpy, double x, double y) {
    ensureCurrentPoint(cpx, cpy);
    path_.quadTo(cpx, cpy, x, y);
}

void GraphicsContext::addRect(const Rect& rect) {
    path_.addRect(rect.standardized().toQt());
    hasCurrentPoint_ = true;
}

void GraphicsContext::addEllipseInRect(const Rect& rect) {
    path_.addEllipse(rect.standardized().toQt());
    hasCurrentPoint_ = true;
}

void GraphicsContext::addArc(double x, double y, double radius, double startAngle, double endAngle,
                             int clockwise) {
    constexpr double kTurn = 2 * std::numbers::pi;
    double sweep = endAngle - startAngle;
    if (std::abs(sweep) >= kTurn) {
        sweep = clockwise ? -kTurn : kTurn;
    } else if (!clockwise) {
        while (sweep < 0) sweep += kTurn;
    } else {
        while (sweep > 0) sweep -= kTurn;
    }
    const Point start{x + radius * std::cos(startAngle), y + radius * std::sin(startAngle)};
    if (hasCurrentPoint_) {
        path_.lineTo(start.x, start.y);
    } else {
        moveToPoint(start.x, start.y);
    }
    appendArc(path_, {x, y}, radius, startAngle, sweep);
}

void GraphicsContext::addArcToPoint(double x1, double y1, double x2, double y2, double radius) {
    if (!hasCurrentPoint_) moveToPoint(x1, y1);
    const Point p0 = Point::fromQt(path_.currentPosition());
    const Point p1{x1, y1};
    const Point p2{x2, y2};
    const Point v1 = p0 - p1;
    const Point v2 = p2 - p1;
    const double l1 = std::hypot(v1.x, v1.y);
    const double l2 = std::hypot(v2.x, v2.y);
    const double cross = v1.x * v2.y - v1.y * v2.x;
    if (radius <= 0 || l1 == 0 || l2 == 0 || std::abs(cross) < 1e-9 * l1 * l2) {
        path_.lineTo(x1, y1);
        return;
    }
    const Point u1 = v1 * (1 / l1);
    const Point u2 = v2 * (1 / l2);
    const double angle = std::acos(std::clamp(u1.x * u2.x + u1.y * u2.y, -1.0, 1.0));
    const double tangent = radius / std::tan(angle / 2);
    const Point t1 = p1 + u1 * tangent;
    const Point t2 = p1 + u2 * tangent;
    Point bisector = u1 + u2;
    bisector = bisector * (1 / std::hypot(bisector.x, bisector.y));
    const Point center = p1 + bisector * (radius / std::sin(angle / 2));
    const double start = std::atan2(t1.y - center.y, t1.x - center.x);
    double sweep = std::atan2(t2.y - center.y, t2.x - center.x) - start;
    while (sweep > std::numbers::pi) sweep -= 2 * std::numbers::pi;
    while (sweep < -std::numbers::pi) sweep += 2 * std::numbers::pi;
    path_.lineTo(t1.x, t1.y);
    appendArc(path_, center, radius, start, sweep);
}

void GraphicsContext::addPath(const BezierPath& path) {
    path_.addPath(path.toQt());
    hasCurrentPoint_ = !path_.isEmpty();
}

void GraphicsContext::closePath() {
    path_.closeSubpath();
}

bool GraphicsContext::isPathEmpty() const {
    return path_.isEmpty();
}

Point GraphicsContext::pathCurrentPoint() const {
    return Point::fromQt(path_.currentPosition());
}

Rect GraphicsContext::pathBoundingBox() const {
    return path_.isEmpty() ? Rect::null() : Rect::fromQt(path_.boundingRect());
}

QPen GraphicsContext::pen() const {
    QPen pen(brush(state_.stroke), state_.lineWidth);
    pen.setCapStyle(state_.cap == LineCap::Round    ? Qt::RoundCap
                    : state_.cap == LineCap::Square ? Qt::SquareCap
                                                    : Qt::FlatCap);
    pen.setJoinStyle(state_.join == LineJoin::Round   ? Qt::RoundJoin
                     : state_.join == LineJoin::Bevel ? Qt::BevelJoin
                                                      : Qt::MiterJoin);
    pen.setMiterLimit(state_.miterLimit / 2);
    if (!state_.dashes.empty()) {
        // Qt measures dashes in line widths; the platform in points.
        const double unit = std::max(state_.lineWidth, 1e-3);
        QList<qreal> pattern;
        for (double length : state_.dashes) pattern << std::max(length, 1e-3) / unit;
        if (pattern.size() % 2) pattern += pattern;
        pen.setDashPattern(pattern);
        pen.setDashOffset(state_.dashPhase / unit);
    }
    return pen;
}

QBrush GraphicsContext::brush(const Color& color) const {
    if (color.isPattern()) {
        const auto& image = *color.patternImage();
        QBrush brush(image.uprightPixels());
        brush.setTransform(QTransform::fromScale(1 / image.scale(), 1 / image.scale()));
        return brush;
    }
    if (!color.isValid()) return Qt::NoBrush;
    return QBrush(color.toQt());
}

void GraphicsContext::drawWithShadow(const std::function<void(QPainter&)>& draw) {
    ++operations_;
    if (state_.shadowColor.isInvisible()) {
        draw(target());
        return;
    }
    auto* device = dynamic_cast<QImage*>(target().device());
    if (!device) {
        draw(target());
        return;
    }
    // The shape is drawn alone into a layer of the device's size, coloured with
    // the shadow colour, blurred, and put down at the offset before the shape.
    QImage layer(device->size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    layer.setDotsPerMeterX(device->dotsPerMeterX());
    layer.setDotsPerMeterY(device->dotsPerMeterY());
    layer.setDevicePixelRatio(device->devicePixelRatio());
    {
        QPainter shape(&layer);
        shape.setRenderHints(target().renderHints());
        shape.setWorldTransform(target().worldTransform());
        shape.setFont(target().font());
        draw(shape);
        shape.resetTransform();
        shape.setCompositionMode(QPainter::CompositionMode_SourceIn);
        shape.fillRect(QRectF(QPointF(), QSizeF(layer.deviceIndependentSize())),
                       state_.shadowColor.toQt());
    }
    const double ratio = device->devicePixelRatio();
    QImage shadow = layer;
    if (state_.shadowBlur > 0) {
        const auto blurred = Image::imageWithQImage(layer)->boxConvolved(
            int(std::lround(state_.shadowBlur * ratio / 2)) | 1, 3);
        shadow = blurred->pixels();
    }
    shadow.setDevicePixelRatio(ratio);
    target().save();
    target().resetTransform();
    target().drawImage(QPointF(state_.shadowOffset.width, state_.shadowOffset.height), shadow);
    target().restore();
    draw(target());
}

void GraphicsContext::fillQtPath(const QPainterPath& path, Qt::FillRule rule) {
    QPainterPath filled = path;
    filled.setFillRule(rule);
    const QBrush fill = brush(state_.fill);
    drawWithShadow([&](QPainter& p) { p.fillPath(filled, fill); });
}

void GraphicsContext::strokeQtPath(const QPainterPath& path) {
    const QPen stroke = pen();
    drawWithShadow([&](QPainter& p) { p.strokePath(path, stroke); });
}

void GraphicsContext::fillPath() {
    drawPath(PathDrawingMode::Fill);
}
void GraphicsContext::eoFillPath() {
    drawPath(PathDrawingMode::EOFill);
}
void GraphicsContext::strokePath() {
    drawPath(PathDrawingMode::Stroke);
}

void GraphicsContext::drawPath(PathDrawingMode mode) {
    const QPainterPath path = path_;
    beginPath();
    if (path.isEmpty()) return;
    switch (mode) {
        case PathDrawingMode::Fill:
            fillQtPath(path, Qt::WindingFill);
            break;
        case PathDrawingMode::EOFill:
            fillQtPath(path, Qt::OddEvenFill);
            break;
        case PathDrawingMode::Stroke:
            strokeQtPath(path);
            break;
        case PathDrawingMode::FillStroke:
            fillQtPath(path, Qt::WindingFill);
            strokeQtPath(path);
            break;
        case PathDrawingMode::EOFillStroke:
            fillQtPath(path, Qt::OddEvenFill);
            strokeQtPath(path);
            break;
    }
}

void GraphicsContext::fillRect(const Rect& rect) {
    const QBrush fill = brush(state_.fill);
    const QRectF area = rect.standardized().toQt();
    drawWithShadow([&](QPainter& p) { RowBands::fillRect(p, area, fill); });
}

void GraphicsContext::strokeRect(const Rect& rect) {
    QPainterPath path;
    path.addRect(rect.standardized().toQt());
    strokeQtPath(path);
}

void GraphicsContext::strokeRectWithWidth(const Rect& rect, double width) {
    const double saved = state_.lineWidth;
    state_.lineWidth = width;
    strokeRect(rect);
    state_.lineWidth = saved;
}

void GraphicsContext::clearRect(const Rect& rect) {
    ++operations_;
    target().save();
    target().setCompositionMode(QPainter::CompositionMode_Clear);
    target().fillRect(rect.standardized().toQt(), Qt::transparent);
    target().restore();
}

void GraphicsContext::fillEllipseInRect(const Rect& rect) {
    QPainterPath path;
    path.addEllipse(rect.standardized().toQt());
    fillQtPath(path, Qt::WindingFill);
}

void GraphicsContext::strokeEllipseInRect(const Rect& rect) {
    QPainterPath path;
    path.addEllipse(rect.standardized().toQt());
    strokeQtPath(path);
}

void GraphicsContext::strokeLineSegments(const std::vector<Point>& points) {
    QPainterPath path;
    for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
        path.moveTo(points[i].toQt());
        path.lineTo(points[i + 1].toQt());
    }
    strokeQtPath(path);
}

void GraphicsContext::clip() {
    target().setClipPath(path_, Qt::IntersectClip);
    beginPath();
}

void GraphicsContext::eoClip() {
    QPainterPath path = path_;
    path.setFillRule(Qt::OddEvenFill);
    target().setClipPath(path, Qt::IntersectClip);
    beginPath();
}

void GraphicsContext::clipToRect(const Rect& rect) {
    target().setClipRect(rect.standardized().toQt(), Qt::IntersectClip);
}

Rect GraphicsContext::clipBoundingBox() const {
    if (target().hasClipping()) return Rect::fromQt(target().clipBoundingRect());
    const QPaintDevice* device = target().device();
    const QRectF deviceRect(0, 0, device->width() / device->devicePixelRatio(),
                            device->height() / device->devicePixelRatio());
    return Rect::fromQt(target().worldTransform().inverted().mapRect(deviceRect));
}

void GraphicsContext::drawLinearGradient(const Gradient& gradient, Point start, Point end,
                                         unsigned options) {
    if (start == end || gradient.colors().empty()) return;
    QLinearGradient fill(start.toQt(), end.toQt());
    fill.setStops(gradient.toQtStops());
    fill.setSpread(QGradient::PadSpread);
    const QPointF direction = (end - start).toQt();
    target().save();
    // Without the extend options the colours stop at the gradient's ends.
    if (!(options & kGradientDrawsBeforeStartLocation)) {
        target().setClipPath(halfPlane(start.toQt(), direction), Qt::IntersectClip);
    }
    if (!(options & kGradientDrawsAfterEndLocation)) {
        target().setClipPath(halfPlane(end.toQt(), -direction), Qt::IntersectClip);
    }
    const QRectF area = clipBoundingBox().toQt();
    drawWithShadow([&](QPainter& p) { p.fillRect(area, fill); });
    target().restore();
}

void GraphicsContext::drawRadialGradient(const Gradient& gradient, Point startCenter,
                                         double startRadius, Point endCenter, double endRadius,
                                         unsigned options) {
    if (gradient.colors().empty()) return;
    QRadialGradient fill(endCenter.toQt(), endRadius, startCenter.toQt(), startRadius);
    fill.setStops(gradient.toQtStops());
    fill.setSpread(QGradient::PadSpread);
    target().save();
    if (!(options & kGradientDrawsAfterEndLocation)) {
        QPainterPath circle;
        circle.addEllipse(endCenter.toQt(), endRadius, endRadius);
        target().setClipPath(circle, Qt::IntersectClip);
    }
    if (!(options & kGradientDrawsBeforeStartLocation) && startRadius > 0) {
        QPainterPath outside;
        outside.addRect(clipBoundingBox().toQt().adjusted(-1, -1, 1, 1));
        QPainterPath inner;
        inner.addEllipse(startCenter.toQt(), startRadius, startRadius);
        target().setClipPath(outside.subtracted(inner), Qt::IntersectClip);
    }
    const QRectF area = clipBoundingBox().toQt();
    drawWithShadow([&](QPainter& p) { p.fillRect(area, fill); });
    target().restore();
}

void GraphicsContext::drawImage(const Rect& rect, const Image& image) {
    drawWithShadow([&](QPainter& p) { image.paint(p, rect); });
}

}  // namespace ui
