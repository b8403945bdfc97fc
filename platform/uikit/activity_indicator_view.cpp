#include "platform/uikit/activity_indicator_view.h"

#include "platform/uikit/graphics_context.h"

#include <cmath>
#include <numbers>

namespace ui {

namespace {

constexpr int kSpokes = 12;
const QString kSpinKey = QStringLiteral("spin");

Color defaultColor(ActivityIndicatorViewStyle style) {
    return style == ActivityIndicatorViewStyle::Gray ? Color::grayColor() : Color::whiteColor();
}

double sideFor(ActivityIndicatorViewStyle style) {
    return style == ActivityIndicatorViewStyle::WhiteLarge ? 37 : 20;
}

}  // namespace

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorViewStyle style)
    : View(Rect{0, 0, sideFor(style), sideFor(style)}), style_(style), color_(defaultColor(style)) {
    setUserInteractionEnabled(false);
    setHidden(true);
}

ActivityIndicatorView::ActivityIndicatorView(const Rect& frame)
    : ActivityIndicatorView(ActivityIndicatorViewStyle::White) {
    setFrame(frame);
}

void ActivityIndicatorView::setActivityIndicatorViewStyle(ActivityIndicatorViewStyle style) {
    style_ = style;
    color_ = defaultColor(style);
    setNeedsDisplay();
}

void ActivityIndicatorView::setColor(const Color& color) {
    color_ = color;
    setNeedsDisplay();
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_) setHidden(hides);
}

void ActivityIndicatorView::startAnimating() {
    if (animating_) return;
    animating_ = true;
    setHidden(false);
    // Turns a spoke at a time; drawn from the clock only when rendered.
    auto spin = KeyframeAnimation::animationWithKeyPath(QStringLiteral("transform.rotation.z"));
    std::vector<AnimationValue> steps;
    for (int i = 0; i < kSpokes; ++i) steps.emplace_back(2 * std::numbers::pi * i / kSpokes);
    spin->setValues(std::move(steps));
    spin->setCalculationMode(KeyframeAnimation::CalculationMode::Discrete);
    spin->setDuration(1);
    spin->setRepeatCount(Animation::kForever);
    layer()->addAnimation(spin, kSpinKey);
}

void ActivityIndicatorView::stopAnimating() {
    if (!animating_) return;
    animating_ = false;
    layer()->removeAnimationForKey(kSpinKey);
    if (hidesWhenStopped_) setHidden(true);
}

void ActivityIndicatorView::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context) return;
    const Rect b = bounds();
    const double radius = std::min(b.size.width, b.size.height) / 2;
    const Point centre = b.center();
    context->setLineCap(LineCap::Round);
    context->setLineWidth(radius * 0.2);
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = 2 * std::numbers::pi * i / kSpokes - std::numbers::pi / 2;
        // The leading spoke is solid, the ones behind it fade.
        context->setStrokeColor(
            color_.colorWithAlphaComponent(color_.alpha() * (1 - 0.75 * i / kSpokes)));
        context->moveToPoint(centre.x + std::cos(-angle) * radius * 0.5,
                             centre.y - std::sin(-angle) * radius * 0.5);
        context->addLineToPoint(centre.x + std::cos(-angle) * radius * 0.9,
                                centre.y - std::sin(-angle) * radius * 0.9);
        context->strokePath();
    }
}

Size ActivityIndicatorView::sizeThatFits(Size) const {
    return {sideFor(style_), sideFor(style_)};
}

}  // namespace ui
