#pragma once

#include "platform/foundation/timer.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/touch.h"

namespace ui {

class ScrollView;
class View;
class Window;

// What a desktop pointer does beyond one finger, turned into the fingers a phone would
// feel, so that every view that handles a pinch handles the wheel and a touchpad pinch too
// (the map zooms, a zoomable photo grows). A wheel turn or a touchpad pinch becomes two
// fingers centred on the pointer on the view under it that takes pinches, moving apart to
// zoom in and together to zoom out, so that what lies under the pointer stays there. Over a
// list that does not zoom the wheel scrolls it instead. The fingers are numbered apart from
// the mouse's finger 0. A double click needs nothing here: its two clicks are two taps close
// in time and place.
class PointerGestures {
public:
    // One notch of the wheel away from the user zooms in by half a zoom level.
    static constexpr double kWheelStepScale = 1.4142135623730951;
    // The fingers of a wheel's pinch lift once the wheel rested this long (seconds).
    static constexpr double kWheelRest = 0.3;
    // Points between the two fingers as they go down (less on a narrow view).
    static constexpr double kFingerSpread = 80;
    // Points a list moves for one notch of the wheel.
    static constexpr double kWheelScrollStep = 40;
    static constexpr int kFirstFinger = 1;
    static constexpr int kSecondFinger = 2;

    explicit PointerGestures(Window& window);
    ~PointerGestures();
    PointerGestures(const PointerGestures&) = delete;
    PointerGestures& operator=(const PointerGestures&) = delete;

    // The wheel turned by `notches` (positive away from the user) with the pointer at
    // `location` (window points): the view there that takes pinches zooms (away from the user
    // in), else the list there scrolls (away from the user towards its top). False when
    // nothing there does either.
    bool wheel(Point location, double notches);
    // A touchpad pinch: the fingers go down around `location`, the spread changes by
    // `factor` at each step (above 1 apart), and they lift at the end.
    bool beginPinch(Point location);
    void pinchBy(double factor);
    void endPinch();
    [[nodiscard]] bool isPinching() const { return pinching_; }

private:
    // The view under `location` that handles a pinch, or one of its ancestors.
    [[nodiscard]] View* pinchTarget(Point location) const;
    // The scroll view under `location` that moves up and down, unless a view that takes
    // pinches comes first on the way up from the view hit.
    [[nodiscard]] ScrollView* wheelList(Point location) const;
    void sendFingers(TouchPhase phase);

    Window& window_;
    bool pinching_ = false;
    bool byWheel_ = false;
    Point centre_;
    // The way the fingers lie from the centre: across, or down where that leaves the centre
    // on the pointer.
    Point axis_{1, 0};
    double spread_ = 0;
    ns::DelayedCall wheelRest_;
};

}  // namespace ui
