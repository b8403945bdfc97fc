#include "platform/uikit/pointer_gestures.h"

#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/scroll_view.h"
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

bool takesPinches(const View& view) {
    for (const auto& recognizer : view.gestureRecognizers()) {
        if (recognizer->isEnabled() &&
            dynamic_cast<const PinchGestureRecognizer*>(recognizer.get())) {
            return true;
        }
    }
    return false;
}

}  // namespace

PointerGestures::PointerGestures(Window& window) : window_(window) {}

PointerGestures::~PointerGestures() {
    wheelRest_.cancel();
}

View* PointerGestures::pinchTarget(Point location) const {
    for (View* view = window_.hitTest(location, nullptr); view; view = view->superview()) {
        if (takesPinches(*view)) return view;
    }
    return nullptr;
}

ScrollView* PointerGestures::wheelList(Point location) const {
    for (View* view = window_.hitTest(location, nullptr); view; view = view->superview()) {
        if (takesPinches(*view)) return nullptr;
        auto* list = dynamic_cast<ScrollView*>(view);
        if (list && list->isScrollEnabled() &&
            list->maximumContentOffset().y > list->minimumContentOffset().y) {
            return list;
        }
    }
    return nullptr;
}

bool PointerGestures::beginPinch(Point location) {
    if (pinching_) endPinch();
    View* target = pinchTarget(location);
    if (!target) return false;
    // Both fingers must land on the view, centred on the pointer so that the pinch's centre
    // is the pointer: side by side, or one above the other where the pointer is nearer a side
    // edge than the top and bottom. In a corner they lie side by side, moved in from the edge.
    const Rect area = target->convertRectToView(target->bounds(), nullptr);
    const double across = std::min(location.x - area.minX(), area.maxX() - location.x) - 1;
    const double down = std::min(location.y - area.minY(), area.maxY() - location.y) - 1;
    axis_ = across >= std::min(kFingerSpread / 2, down) ? Point(1, 0) : Point(0, 1);
    double half = std::min(kFingerSpread / 2, axis_.x > 0 ? across : down);
    centre_ = location;
    if (half < kLeastSpread / 2) {
        axis_ = {1, 0};
        half = std::min(kFingerSpread, area.size.width - 2) / 2;
        if (half < kLeastSpread / 2) return false;
        const double left = area.origin.x + half + 1;
        const double right = area.origin.x + area.size.width - half - 1;
        centre_.x = std::clamp(location.x, left, std::max(left, right));
    }
    spread_ = 2 * half;
    pinching_ = true;
    sendFingers(TouchPhase::Began);
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
    sendFingers(TouchPhase::Moved);
}

void PointerGestures::sendFingers(TouchPhase phase) {
    const Point offset = axis_ * (spread_ / 2);
    window_.sendTouches(
        {{kFirstFinger, phase, centre_ - offset}, {kSecondFinger, phase, centre_ + offset}});
}

void PointerGestures::endPinch() {
    wheelRest_.cancel();
    if (!pinching_) return;
    pinching_ = false;
    byWheel_ = false;
    sendFingers(TouchPhase::Ended);
}

bool PointerGestures::wheel(Point location, double notches) {
    if (notches == 0) return pinching_;
    // A touchpad pinch under way keeps its fingers; the wheel starts its own otherwise.
    if (pinching_ && !byWheel_) return true;
    if (!pinching_) {
        if (ScrollView* list = wheelList(location)) {
            const Point offset = list->contentOffset();
            list->setContentOffset({offset.x, std::clamp(offset.y - notches * kWheelScrollStep,
                                                         list->minimumContentOffset().y,
                                                         list->maximumContentOffset().y)});
            return true;
        }
        if (!beginPinch(location)) return false;
        byWheel_ = true;
    }
    pinchBy(std::pow(kWheelStepScale, notches));
    wheelRest_.cancel();
    wheelRest_ = ns::DelayedCall::schedule(ns::seconds(kWheelRest), [this] { endPinch(); });
    return true;
}

}  // namespace ui
