#include "platform/uikit/long_press_gesture_recognizer.h"

#include "platform/uikit/touch.h"

namespace ui {

void LongPressGestureRecognizer::touchesBegan(const TouchSet&, const Event&) {
    if (numberOfTouches() > std::size_t(touchesRequired_)) {
        setState(State::Failed);
        return;
    }
    if (numberOfTouches() < std::size_t(touchesRequired_)) return;
    start_ = locationInView(nullptr);
    timer_ = moveIfStillPossible(minimumDuration_, State::Began);
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet&, const Event&) {
    if (state() == State::Possible) {
        if (locationInView(nullptr).distanceTo(start_) > allowableMovement_)
            setState(State::Failed);
        return;
    }
    setState(State::Changed);
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet&, const Event&) {
    endGesture(State::Ended);  // fails when lifted too soon
}

void LongPressGestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {
    endGesture(State::Cancelled);
}

void LongPressGestureRecognizer::reset() {
    timer_.cancel();
}

}  // namespace ui
