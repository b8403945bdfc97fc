#include "platform/uikit/long_press_gesture_recognizer.h"

#include "platform/uikit/touch.h"

#include <cmath>

namespace ui {

void LongPressGestureRecognizer::touchesBegan(const TouchSet&, const Event&) {
    if (numberOfTouches() > std::size_t(touchesRequired_)) {
        setState(State::Failed);
        return;
    }
    if (numberOfTouches() < std::size_t(touchesRequired_)) return;
    start_ = locationInView(nullptr);
    auto weak = std::weak_ptr<GestureRecognizer>(shared_from_this());
    timer_ = ns::DelayedCall::schedule(ns::seconds(minimumDuration_), [weak] {
        auto self = weak.lock();
        if (self && self->state() == State::Possible) {
            static_cast<LongPressGestureRecognizer&>(*self).setState(State::Began);
        }
    });
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet&, const Event&) {
    if (state() == State::Possible) {
        const Point p = locationInView(nullptr);
        if (std::hypot(p.x - start_.x, p.y - start_.y) > allowableMovement_)
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
