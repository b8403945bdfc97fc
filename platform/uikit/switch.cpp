#include "platform/uikit/switch.h"

#include "platform/uikit/bezier_path.h"
#include "platform/uikit/graphics_context.h"

namespace ui {

Switch::Switch(const Rect& frame) : Control(Rect{frame.origin, kSize}) {}

void Switch::setFrame(const Rect& frame) {
    Control::setFrame(Rect{frame.origin, kSize});
}

void Switch::setOn(bool on, bool) {
    if (on == on_) return;
    on_ = on;
    setNeedsDisplay();
}

void Switch::setOnTintColor(const Color& color) {
    onTint_ = color;
    setNeedsDisplay();
}

void Switch::setTintColor(const Color& color) {
    tint_ = color;
    setNeedsDisplay();
}

void Switch::setThumbTintColor(const Color& color) {
    thumbTint_ = color;
    setNeedsDisplay();
}

void Switch::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    const Rect track{0.5, 0.5, kSize.width - 1, kSize.height - 1};
    const auto trackPath = BezierPath::bezierPathWithRoundedRect(track, track.size.height / 2);
    context->setFillColor(on_ ? onTint_ : Color::whiteColor());
    trackPath.fill();
    context->setStrokeColor(on_ ? onTint_ : tint_);
    trackPath.stroke();
    const double thumb = kSize.height - 4;
    const double x = on_ ? kSize.width - thumb - 2 : 2;
    context->setShadow({0, 1}, 1, Color::colorWithWhite(0, 0.3));
    context->setFillColor(thumbTint_.isValid() ? thumbTint_ : Color::whiteColor());
    context->fillEllipseInRect({x, 2, thumb, thumb});
}

void Switch::endTrackingWithTouch(Touch*, const Event*) {
    if (!isTouchInside()) return;
    setOn(!on_, true);
    sendActionsForControlEvents(kControlEventValueChanged);
}

}  // namespace ui
