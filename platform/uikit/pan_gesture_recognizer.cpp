#include "platform/uikit/pan_gesture_recognizer.h"

#include "platform/uikit/event.h"
#include "platform/uikit/touch.h"
#include "platform/uikit/view.h"

namespace ui {

namespace {
constexpr double kVelocityWindow = 0.1;  // seconds of movement the velocity looks at
}  // namespace

Point PanGestureRecognizer::windowVectorIn(Point vector, const View* view) const {
    if (!view) return vector;
    const Point origin = view->convertPointFromView({0, 0}, nullptr);
    return view->convertPointFromView(vector, nullptr) - origin;
}

Point PanGestureRecognizer::translationInView(const View* view) const {
    const Point moved = locationInView(nullptr) - start_ + offset_;
    return windowVectorIn(moved, view);
}

void PanGestureRecognizer::setTranslation(Point translation, const View* view) {
    // Store the translation in window terms, so that it reads back as given.
    Point inWindow = translation;
    if (view) {
        inWindow = view->convertPointToView(translation, nullptr) -
                   view->convertPointToView({0, 0}, nullptr);
    }
    start_ = locationInView(nullptr);
    offset_ = inWindow;
}

Point PanGestureRecognizer::velocityInView(const View* view) const {
    if (samples_.size() < 2) return {};
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    const double dt = last.time - first.time;
    if (dt <= 0) return {};
    const Point perSecond = (last.location - first.location) * (1 / dt);
    return windowVectorIn(perSecond, view);
}

void PanGestureRecognizer::restartFromHere() {
    // A finger joining or leaving moves the centroid; the translation must not jump.
    const Point before = locationInView(nullptr) - start_ + offset_;
    start_ = locationInView(nullptr);
    offset_ = before;
    samples_.clear();
}

void PanGestureRecognizer::touchesBegan(const TouchSet&, const Event& event) {
    if (numberOfTouches() > std::size_t(maximumTouches_)) {
        if (state() == State::Possible) setState(State::Failed);
        return;
    }
    if (!tracking_) {
        tracking_ = true;
        start_ = locationInView(nullptr);
        offset_ = {};
    } else {
        restartFromHere();
    }
    samples_.push_back({event.timestamp(), locationInView(nullptr)});
}

void PanGestureRecognizer::touchesMoved(const TouchSet&, const Event& event) {
    const Point here = locationInView(nullptr);
    samples_.push_back({event.timestamp(), here});
    while (samples_.size() > 2 && event.timestamp() - samples_.front().time > kVelocityWindow) {
        samples_.pop_front();
    }
    if (state() == State::Possible) {
        if (numberOfTouches() >= std::size_t(minimumTouches_) &&
            here.distanceTo(start_) >= kHysteresis) {
            setState(State::Began);
        }
        return;
    }
    setState(State::Changed);
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches, const Event&) {
    if (numberOfTouches() > touches.size()) {
        restartFromHere();
        return;
    }
    endGesture(State::Ended);
}

void PanGestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {
    endGesture(State::Cancelled);
}

void PanGestureRecognizer::reset() {
    tracking_ = false;
    samples_.clear();
    start_ = {};
    offset_ = {};
}

}  // namespace ui
