#include "platform/uikit/pointer_gestures.h"

#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/window.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// Past these spreads the fingers lift and go down again at the starting spread, so that a
// long turn of the wheel zooms on without the fingers leaving the screen or meeting.
constexpr double kLeastSpread = PointerGestures::kFingerSpread / 4;
constexpr double kMostSpread = PointerGestures::kFingerSpread * 4;
// One step never scales by more than this, whatever the pointer reports.
constexpr double kLargestStep = 4;

}  // namespace

PointerGestures::PointerGestures(Window& window) : window_(window) {}

PointerGestures::~PointerGestures() {
    wheelRest_.cancel();
}

View* PointerGestures::pinchTarget(Point location) const {
    for (View* view = window_.hitTest(location, nullptr); view; view = view->superview()) {
        for (const auto& recognizer : view->gestureRecognizers()) {
            if (recognizer->isEnabled() &&
                dynamic_cast<const PinchGestureRecognizer*>(recognizer.get())) {
                return view;
            }
        }
    }
    return nullptr;
}

bool PointerGestures::beginPinch(Point location) {
    if (pinching_) endPinch();
    View* target = pinchTarget(location);
    if (!target) return false;
    // Both fingers must land on the view: side by side around the pointer, moved in from
    // an edge the pointer is close to.
    const Rect area = target->convertRectToView(target->bounds(), nullptr);
    const double half = std::min(kFingerSpread, area.size.width - 2) / 2;
    if (half < kLeastSpread / 2) return false;
    const double left = area.origin.x + half + 1;
    const double right = area.origin.x + area.size.width - half - 1;
    centre_ = {std::clamp(location.x, left, std::max(left, right)), location.y};
    spread_ = 2 * half;
    pinching_ = true;
    window_.sendTouches({{kFirstFinger, TouchPhase::Began, {centre_.x - half, centre_.y}},
                         {kSecondFinger, TouchPhase::Began, {centre_.x + half, centre_.y}}});
    return true;
}

void PointerGestures::pinchBy(double factor) {
    if (!pinching_ || !(factor > 0)) return;
    factor = std::clamp(factor, 1 / kLargestStep, kLargestStep);
    if (spread_ * factor > kMostSpread || spread_ * factor < kLeastSpread) {
        const Point centre = centre_;
        const bool byWheel = byWheel_;
        endPinch();
        if (!beginPinch(centre)) return;
        byWheel_ = byWheel;
    }
    spread_ *= factor;
    moveFingers();
}

void PointerGestures::moveFingers() {
    const double half = spread_ / 2;
    window_.sendTouches({{kFirstFinger, TouchPhase::Moved, {centre_.x - half, centre_.y}},
                         {kSecondFinger, TouchPhase::Moved, {centre_.x + half, centre_.y}}});
}

void PointerGestures::endPinch() {
    wheelRest_.cancel();
    if (!pinching_) return;
    pinching_ = false;
    byWheel_ = false;
    const double half = spread_ / 2;
    window_.sendTouches({{kFirstFinger, TouchPhase::Ended, {centre_.x - half, centre_.y}},
                         {kSecondFinger, TouchPhase::Ended, {centre_.x + half, centre_.y}}});
}

bool PointerGestures::wheel(Point location, double notches) {
    if (notches == 0) return pinching_;
    // A touchpad pinch under way keeps its fingers; the wheel starts its own otherwise.
    if (pinching_ && !byWheel_) return true;
    if (!pinching_) {
        if (!beginPinch(location)) return false;
        byWheel_ = true;
    }
    pinchBy(std::pow(kWheelStepScale, notches));
    wheelRest_.cancel();
    wheelRest_ = ns::DelayedCall::schedule(ns::seconds(kWheelRest), [this] { endPinch(); });
    return true;
}

}  // namespace ui
