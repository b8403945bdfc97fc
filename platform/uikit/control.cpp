#include "platform/uikit/control.h"

#include "platform/uikit/touch.h"

namespace ui {

Control::Control() : Control(Rect{}) {}

Control::Control(const Rect& frame) : View(frame) {}

void Control::addTarget(const void* owner, unsigned events, Action action) {
    if (!action || events == 0) return;
    targets_.push_back(Target{owner, events, std::move(action)});
}

void Control::removeTarget(const void* owner, unsigned events) {
    for (Target& target : targets_) {
        if (!owner || target.owner == owner) target.events &= ~events;
    }
    std::erase_if(targets_, [](const Target& target) { return target.events == 0; });
}

bool Control::hasActionsForEvents(unsigned events) const {
    return std::any_of(targets_.begin(), targets_.end(),
                       [&](const Target& target) { return target.events & events; });
}

void Control::sendActionsForControlEvents(unsigned events, const Event* event) {
    // A handler may remove handlers or the control itself: run a copy, keep it alive.
    const auto keep = sharedView();
    const std::vector<Target> targets = targets_;
    for (const Target& target : targets) {
        if (target.events & events) target.action(*this, event);
    }
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled && highlighted_) highlighted_ = false;
    stateDidChange();
}

void Control::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    stateDidChange();
}

unsigned Control::state() const {
    unsigned state = kControlStateNormal;
    if (highlighted_) state |= kControlStateHighlighted;
    if (!enabled_) state |= kControlStateDisabled;
    if (selected_) state |= kControlStateSelected;
    return state;
}

void Control::setContentHorizontalAlignment(ControlContentHorizontalAlignment alignment) {
    horizontalAlignment_ = alignment;
    setNeedsLayout();
}

void Control::setContentVerticalAlignment(ControlContentVerticalAlignment alignment) {
    verticalAlignment_ = alignment;
    setNeedsLayout();
}

bool Control::beginTrackingWithTouch(Touch&, const Event*) {
    return true;
}
bool Control::continueTrackingWithTouch(Touch&, const Event*) {
    return true;
}
void Control::endTrackingWithTouch(Touch*, const Event*) {}
void Control::cancelTrackingWithEvent(const Event*) {}

bool Control::isNear(const Touch& touch) const {
    const Point p = touch.locationInView(this);
    return bounds().insetBy(-kTrackingSlop, -kTrackingSlop).contains(p);
}

void Control::touchesBegan(const TouchSet& touches, const Event* event) {
    if (!enabled_ || trackedTouch_) {
        if (!enabled_) View::touchesBegan(touches, event);
        return;
    }
    trackedTouch_ = *touches.begin();
    touchInside_ = true;
    tracking_ = beginTrackingWithTouch(*trackedTouch_, event);
    setHighlighted(true);
    unsigned events = kControlEventTouchDown;
    if (trackedTouch_->tapCount() > 1) events |= kControlEventTouchDownRepeat;
    sendActionsForControlEvents(events, event);
}

void Control::touchesMoved(const TouchSet& touches, const Event* event) {
    if (!trackedTouch_ || !touches.contains(trackedTouch_)) return;
    const bool inside = isNear(*trackedTouch_);
    if (tracking_) tracking_ = continueTrackingWithTouch(*trackedTouch_, event);
    setHighlighted(inside);
    // Crossing the edge is told before the drag itself.
    if (inside != touchInside_) {
        touchInside_ = inside;
        sendActionsForControlEvents(
            inside ? kControlEventTouchDragEnter : kControlEventTouchDragExit, event);
    }
    sendActionsForControlEvents(
        inside ? kControlEventTouchDragInside : kControlEventTouchDragOutside, event);
}

void Control::touchesEnded(const TouchSet& touches, const Event* event) {
    if (!trackedTouch_ || !touches.contains(trackedTouch_)) return;
    const auto touch = std::move(trackedTouch_);
    const bool inside = isNear(*touch);
    touchInside_ = inside;
    const bool wasTracking = tracking_;
    tracking_ = false;
    setHighlighted(false);
    if (wasTracking) endTrackingWithTouch(touch.get(), event);
    sendActionsForControlEvents(inside ? kControlEventTouchUpInside : kControlEventTouchUpOutside,
                                event);
}

void Control::touchesCancelled(const TouchSet& touches, const Event* event) {
    if (!trackedTouch_ || !touches.contains(trackedTouch_)) return;
    trackedTouch_.reset();
    const bool wasTracking = tracking_;
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    if (wasTracking) cancelTrackingWithEvent(event);
    sendActionsForControlEvents(kControlEventTouchCancel, event);
}

}  // namespace ui
