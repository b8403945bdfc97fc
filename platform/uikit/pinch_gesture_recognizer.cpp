#include "platform/uikit/pinch_gesture_recognizer.h"

#include "platform/uikit/event.h"

#include <cmath>

namespace ui {

double PinchGestureRecognizer::spread() const {
    if (numberOfTouches() < 2) return 0;
    return locationOfTouch(0, nullptr).distanceTo(locationOfTouch(1, nullptr));
}

void PinchGestureRecognizer::setScale(double scale) {
    // Continue from the given scale at the present spread.
    scale_ = scale;
    baseScale_ = scale;
    startSpread_ = spread();
}

void PinchGestureRecognizer::touchesBegan(const TouchSet&, const Event& event) {
    if (numberOfTouches() > 2) {
        endGesture(State::Ended);
        return;
    }
    if (numberOfTouches() == 2) {
        startSpread_ = spread();
        baseScale_ = scale_;
        lastTime_ = event.timestamp();
    }
}

void PinchGestureRecognizer::touchesMoved(const TouchSet&, const Event& event) {
    if (numberOfTouches() != 2 || startSpread_ <= 0) return;
    const double now = spread();
    const double scale = baseScale_ * now / startSpread_;
    const double dt = event.timestamp() - lastTime_;
    velocity_ = dt > 0 ? (scale - scale_) / dt : 0;
    lastTime_ = event.timestamp();
    if (state() == State::Possible) {
        if (std::abs(now - startSpread_) < kHysteresis) return;
        scale_ = scale;
        setState(State::Began);
        return;
    }
    scale_ = scale;
    setState(State::Changed);
}

void PinchGestureRecognizer::touchesEnded(const TouchSet& touches, const Event&) {
    if (numberOfTouches() - touches.size() >= 2) return;
    endGesture(State::Ended);
}

void PinchGestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {
    endGesture(State::Cancelled);
}

void PinchGestureRecognizer::reset() {
    startSpread_ = 0;
    baseScale_ = 1;
    scale_ = 1;
    velocity_ = 0;
}

}  // namespace ui
