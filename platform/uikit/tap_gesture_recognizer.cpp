#include "platform/uikit/tap_gesture_recognizer.h"

#include "platform/uikit/touch.h"
#include "platform/uikit/window.h"

namespace ui {

void TapGestureRecognizer::touchesBegan(const TouchSet& touches, const Event&) {
    nextTapDeadline_.cancel();
    const Point location = (*touches.begin())->locationInView(nullptr);
    if (taps_ == 0 && fingersThisTap_ == 0) {
        start_ = location;
    } else if (location.distanceTo(start_) > Window::kMultiTapDistance) {
        setState(State::Failed);
        return;
    }
    fingersThisTap_ = std::max(fingersThisTap_, numberOfTouches());
    if (numberOfTouches() > std::size_t(touchesRequired_)) setState(State::Failed);
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches, const Event&) {
    for (const auto& touch : touches) {
        if (touch->locationInView(nullptr).distanceTo(start_) > kAllowableMovement) {
            setState(State::Failed);
            return;
        }
    }
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches, const Event&) {
    // The tap ends when its last finger lifts.
    if (numberOfTouches() > touches.size()) return;
    if (fingersThisTap_ != std::size_t(touchesRequired_)) {
        setState(State::Failed);
        return;
    }
    fingersThisTap_ = 0;
    if (++taps_ >= tapsRequired_) {
        setState(State::Recognized);
        return;
    }
    // The next tap must begin in time, or this is not the gesture.
    nextTapDeadline_ = moveIfStillPossible(Window::kMultiTapInterval, State::Failed);
}

void TapGestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {
    setState(State::Failed);
}

void TapGestureRecognizer::reset() {
    nextTapDeadline_.cancel();
    taps_ = 0;
    fingersThisTap_ = 0;
}

}  // namespace ui
