#include "ui/widgets/ProgressOverlayView.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/graphics_context.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

double clamped(double value) {
    return std::clamp(value, 0.0, 1.0);
}

}  // namespace

ProgressOverlayView::ProgressOverlayView(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(ui::Color::clearColor());
}

ProgressOverlayView::~ProgressOverlayView() {
    if (timer_) timer_->invalidate();
}

void ProgressOverlayView::setOverlayColor(const ui::Color& color) {
    overlayColor_ = color;
    setNeedsDisplay();
}

void ProgressOverlayView::setInnerRadiusRatio(double ratio) {
    innerRadiusRatio_ = clamped(ratio);
    setNeedsDisplay();
}

void ProgressOverlayView::setOuterRadiusRatio(double ratio) {
    outerRadiusRatio_ = clamped(ratio);
    setNeedsDisplay();
}

void ProgressOverlayView::setProgress(double progress) {
    if (progress == progress_) return;
    progress_ = clamped(progress);
    if (progress_ > 0 && progress_ < 1) {
        state_ = kInProgress;
        setNeedsDisplay();
    } else if (progress_ == 1 && triggersFinish_) {
        displayOperationDidFinishAnimation();
    }
}

bool ProgressOverlayView::isAnimating() const {
    return timer_ && timer_->isValid();
}

void ProgressOverlayView::displayOperationWillTriggerAnimation() {
    startStateAnimation(kAppearing);
}

void ProgressOverlayView::displayOperationDidFinishAnimation() {
    startStateAnimation(kFinishing);
}

void ProgressOverlayView::startStateAnimation(State state) {
    state_ = state;
    animationProgress_ = 0;
    if (timer_) timer_->invalidate();
    timer_ = ns::Timer::scheduledTimer(ns::seconds(kFrameInterval), true,
                                       [weak = weakAs<ProgressOverlayView>()](ns::Timer& timer) {
                                           if (auto self = weak.lock()) {
                                               self->update();
                                           } else {
                                               timer.invalidate();
                                           }
                                       });
}

void ProgressOverlayView::update() {
    animationProgress_ += kFrameInterval / stateChangeDuration_;
    if (animationProgress_ >= 1) {
        animationProgress_ = 1;
        if (timer_) timer_->invalidate();
    }
    setNeedsDisplay();
}

double ProgressOverlayView::radiusFor(double ratio) const {
    const ui::Size size = bounds().size;
    const double base = ratio * std::min(size.width, size.height) / 2;
    switch (state_) {
        case kInProgress:
            return base;
        case kAppearing:
            return base * animationProgress_;
        default:
            return base +
                   (std::max(size.width, size.height) / 1.4142135 - base) * animationProgress_;
    }
}

double ProgressOverlayView::innerRadius() const {
    return radiusFor(innerRadiusRatio_);
}

double ProgressOverlayView::outerRadius() const {
    return radiusFor(outerRadiusRatio_);
}

void ProgressOverlayView::drawRect(const ui::Rect&) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Size size = bounds().size;
    context->saveGState();
    // The centre is the origin and the y axis points up.
    context->translateCTM(size.width / 2, size.height / 2);
    context->scaleCTM(1, -1);
    context->setFillColor(overlayColor_);
    const double outer = outerRadius();
    context->beginPath();
    context->addRect({-size.width / 2, -size.height / 2, size.width, size.height});
    context->addEllipseInRect({-outer, -outer, 2 * outer, 2 * outer});
    context->eoFillPath();
    if (progress_ < 1) {
        // The part still to do stays covered, going round from the top.
        context->rotateCTM(std::numbers::pi / 2);
        context->beginPath();
        context->moveToPoint(0, 0);
        context->addArc(0, 0, innerRadius(), 0, (1 - progress_) * 2 * std::numbers::pi, 0);
        context->closePath();
        context->fillPath();
    }
    context->restoreGState();
}
