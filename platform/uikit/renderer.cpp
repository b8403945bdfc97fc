#include "platform/uikit/renderer.h"

#include "platform/uikit/image.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/row_bands.h"
#include "platform/uikit/view.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr int kRendererDotsPerMeter = 2835;

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    if (radius > 0) {
        const double r = std::min({radius, rect.width() / 2, rect.height() / 2});
        path.addRoundedRect(rect, r, r);
    } else {
        path.addRect(rect);
    }
    return path;
}

// Where an image of `content` points goes in `area` for a gravity.
QRectF placed(ContentsGravity gravity, const QSizeF& content, const QRectF& area) {
    const double w = content.width(), h = content.height();
    switch (gravity) {
        case ContentsGravity::Resize:
            return area;
        case ContentsGravity::ResizeAspect:
        case ContentsGravity::ResizeAspectFill: {
            if (w <= 0 || h <= 0) return area;
            const double sx = area.width() / w, sy = area.height() / h;
            const double s =
                gravity == ContentsGravity::ResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
            const QSizeF size(w * s, h * s);
            return {area.center().x() - size.width() / 2, area.center().y() - size.height() / 2,
                    size.width(), size.height()};
        }
        default:
            break;
    }
    double x = area.center().x() - w / 2;
    double y = area.center().y() - h / 2;
    if (gravity == ContentsGravity::Left || gravity == ContentsGravity::TopLeft ||
        gravity == ContentsGravity::BottomLeft) {
        x = area.left();
    }
    if (gravity == ContentsGravity::Right || gravity == ContentsGravity::TopRight ||
        gravity == ContentsGravity::BottomRight) {
        x = area.right() - w;
    }
    if (gravity == ContentsGravity::Top || gravity == ContentsGravity::TopLeft ||
        gravity == ContentsGravity::TopRight) {
        y = area.top();
    }
    if (gravity == ContentsGravity::Bottom || gravity == ContentsGravity::BottomLeft ||
        gravity == ContentsGravity::BottomRight) {
        y = area.bottom() - h;
    }
    return {x, y, w, h};
}

void fill(QPainter& painter, const QPainterPath& path, const Color& color) {
    if (color.isPattern()) {
        const Image& image = *color.patternImage();
        QBrush brush(image.uprightPixels());
        brush.setTransform(QTransform::fromScale(1 / image.scale(), 1 / image.scale()));
        painter.fillPath(path, brush);
    } else {
        painter.fillPath(path, color.toQt());
    }
}

// The pixels per point the painter draws at, for offscreen layers.
double deviceScale(const QPainter& painter) {
    const QTransform t = painter.combinedTransform();
    const double scale = std::sqrt(std::abs(t.determinant()));
    return std::clamp(scale, 1.0, 4.0);
}

void drawContent(QPainter& painter, Layer& layer, const LayerState& state, bool presentation);

void drawShadow(QPainter& painter, Layer& layer, const LayerState& state, bool presentation) {
    const QRectF rect(0, 0, state.bounds.size.width, state.bounds.size.height);
    const double scale = deviceScale(painter);
    const double blur = state.shadowRadius;
    const double margin = std::ceil(blur * 2 + 1);
    QImage silhouette =
        Renderer::makeCanvas(rect.width() + 2 * margin, rect.height() + 2 * margin, scale);
    {
        QPainter shape(&silhouette);
        shape.setRenderHint(QPainter::Antialiasing);
        shape.translate(margin, margin);
        if (layer.shadowPath()) {
            shape.fillPath(layer.shadowPath()->toQt(), Qt::black);
        } else {
            // The shape is whatever the layer draws.
            LayerState shadowless = state;
            shadowless.shadowOpacity = 0;
            drawContent(shape, layer, shadowless, presentation);
        }
        shape.setCompositionMode(QPainter::CompositionMode_SourceIn);
        shape.resetTransform();
        QColor color = state.shadowColor.toQt();
        color.setAlphaF(float(color.alphaF() * state.shadowOpacity));
        shape.fillRect(QRectF(QPointF(), silhouette.deviceIndependentSize()), color);
    }
    if (blur > 0) {
        auto blurred =
            Image::imageWithQImage(silhouette)->boxConvolved(int(std::lround(blur * scale)) | 1, 3);
        silhouette = blurred->pixels();
        silhouette.setDevicePixelRatio(scale);
    }
    // Offsets are in the layer's y-down space: the default (0, -3) lifts the shadow.
    painter.drawImage(
        QPointF(state.shadowOffset.width - margin, state.shadowOffset.height - margin), silhouette);
}

void drawContent(QPainter& painter, Layer& layer, const LayerState& state, bool presentation) {
    const QRectF rect(0, 0, state.bounds.size.width, state.bounds.size.height);
    if (state.shadowOpacity > 0 && !state.shadowColor.isInvisible()) {
        drawShadow(painter, layer, state, presentation);
    }
    const bool rounded = state.cornerRadius > 0;
    if (!state.backgroundColor.isInvisible()) {
        if (rounded) {
            fill(painter, roundedRect(rect, state.cornerRadius), state.backgroundColor);
        } else if (!state.backgroundColor.isPattern()) {
            RowBands::fillRect(painter, rect, state.backgroundColor.toQt());
        } else {
            fill(painter, roundedRect(rect, 0), state.backgroundColor);
        }
    }

    const bool clips = layer.masksToBounds();
    if (clips) {
        painter.save();
        if (rounded) {
            painter.setClipPath(roundedRect(rect, state.cornerRadius), Qt::IntersectClip);
        } else {
            painter.setClipRect(rect, Qt::IntersectClip);
        }
    }

    const auto& shown = layer.backingStore() ? layer.backingStore() : state.contents;
    if (shown && !shown->isNull()) {
        const QRectF target = placed(layer.contentsGravity(), shown->size().toQt(), rect);
        shown->paint(painter, Rect::fromQt(target));
    }

    const auto& sublayers = layer.sublayers();
    if (!sublayers.empty()) {
        painter.save();
        painter.translate(-state.bounds.origin.x, -state.bounds.origin.y);
        bool ordered = true;
        for (std::size_t i = 1; i < sublayers.size() && ordered; ++i) {
            ordered = sublayers[i - 1]->zPosition() <= sublayers[i]->zPosition();
        }
        if (ordered) {
            for (const auto& sublayer : std::vector(sublayers)) {
                Renderer::renderSublayer(painter, *sublayer, presentation);
            }
        } else {
            auto sorted = sublayers;
            std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
                return a->zPosition() < b->zPosition();
            });
            for (const auto& sublayer : sorted)
                Renderer::renderSublayer(painter, *sublayer, presentation);
        }
        painter.restore();
    }
    if (clips) painter.restore();

    if (state.borderWidth > 0 && !state.borderColor.isInvisible()) {
        // The border lies inside the bounds, above the sublayers.
        const double half = state.borderWidth / 2;
        const QRectF inner = rect.adjusted(half, half, -half, -half);
        QPen pen(state.borderColor.toQt(), state.borderWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.strokePath(roundedRect(inner, std::max(0.0, state.cornerRadius - half)), pen);
    }
}

// The direction a transition's movement runs.
QPointF motionFor(const QString& subtype) {
    if (subtype == Transition::kFromRight) return {-1, 0};
    if (subtype == Transition::kFromTop) return {0, 1};
    if (subtype == Transition::kFromBottom) return {0, -1};
    return {1, 0};
}

void drawTransition(QPainter& painter, Layer& layer, const LayerState& state, bool presentation,
                    const Layer::TransitionState& t) {
    const QSizeF size(state.bounds.size.width, state.bounds.size.height);
    QImage after = Renderer::makeCanvas(size.width(), size.height(), deviceScale(painter));
    {
        QPainter canvas(&after);
        canvas.setRenderHints(painter.renderHints());
        drawContent(canvas, layer, state, presentation);
    }
    const QRectF rect(QPointF(), size);
    const QImage& before = *t.before;
    const double p = t.progress;
    const QPointF m = motionFor(t.transition->subtype());
    const QPointF span(m.x() * size.width(), m.y() * size.height());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    const QString& type = t.transition->type();
    if (type == Transition::kMoveIn) {
        painter.drawImage(rect, before);
        painter.drawImage(rect.translated(-span * (1 - p)), after);
    } else if (type == Transition::kPush) {
        painter.drawImage(rect.translated(span * p), before);
        painter.drawImage(rect.translated(-span * (1 - p)), after);
    } else if (type == Transition::kReveal) {
        painter.drawImage(rect, after);
        painter.drawImage(rect.translated(span * p), before);
    } else {
        // A true cross-fade: the two looks weighted and added, then put down once.
        QImage old =
            before.size() == after.size()
                ? before
                : before.scaled(after.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        old = old.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage mixed = after;
        const int weight = int(std::lround(p * 256));
        for (int y = 0; y < mixed.height(); ++y) {
            auto* target = reinterpret_cast<quint32*>(mixed.scanLine(y));
            const auto* source = reinterpret_cast<const quint32*>(old.constScanLine(y));
            for (int x = 0; x < mixed.width(); ++x) {
                quint32 value = 0;
                for (int shift = 0; shift < 32; shift += 8) {
                    const int a = int((source[x] >> shift) & 0xff);
                    const int b = int((target[x] >> shift) & 0xff);
                    value |= quint32((a * (256 - weight) + b * weight) >> 8) << shift;
                }
                target[x] = value;
            }
        }
        painter.drawImage(rect, mixed);
    }
    painter.restore();
}

void drawWithState(QPainter& painter, Layer& layer, const LayerState& state, bool presentation) {
    if (state.opacity < 1) painter.setOpacity(painter.opacity() * state.opacity);
    const auto transition = presentation ? layer.runningTransition() : std::nullopt;
    if (transition && transition->before && !transition->before->isNull()) {
        drawTransition(painter, layer, state, presentation, *transition);
    } else {
        drawContent(painter, layer, state, presentation);
    }
}

}  // namespace

QImage Renderer::makeCanvas(double width, double height, double scale) {
    const int pixelsWide = std::max(1, int(std::ceil(width * scale - 1e-9)));
    const int pixelsHigh = std::max(1, int(std::ceil(height * scale - 1e-9)));
    QImage canvas(pixelsWide, pixelsHigh, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    canvas.setDotsPerMeterX(kRendererDotsPerMeter);
    canvas.setDotsPerMeterY(kRendererDotsPerMeter);
    canvas.setDevicePixelRatio(scale);
    return canvas;
}

void Renderer::prepare(View& root) {
    root.layoutIfNeeded();
    root.displayIfNeeded();
}

void Renderer::renderLayer(QPainter& painter, Layer& layer, bool presentation) {
    const LayerState state = presentation ? layer.presentation() : layer.model();
    if (state.hidden || state.opacity <= 0) return;
    painter.save();
    drawWithState(painter, layer, state, presentation);
    painter.restore();
}

void Renderer::renderSublayer(QPainter& painter, Layer& layer, bool presentation) {
    const LayerState state = presentation ? layer.presentation() : layer.model();
    if (state.hidden || state.opacity <= 0) return;
    painter.save();
    const QTransform place =
        QTransform::fromTranslate(state.bounds.origin.x, state.bounds.origin.y) *
        state.toSuperlayer();
    painter.setWorldTransform(place, true);
    drawWithState(painter, layer, state, presentation);
    painter.restore();
}

QImage Renderer::snapshot(Layer& layer, double scale, bool presentation) {
    const Rect bounds = layer.bounds();
    QImage canvas = makeCanvas(bounds.size.width, bounds.size.height, scale);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderLayer(painter, layer, presentation);
    painter.end();
    return canvas;
}

}  // namespace ui
