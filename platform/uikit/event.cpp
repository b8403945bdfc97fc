#include "platform/uikit/event.h"

#include "platform/uikit/gesture_recognizer.h"
#include "platform/uikit/touch.h"

namespace ui {

TouchSet Event::touchesForView(const View* view) const {
    TouchSet touches;
    for (const auto& touch : touches_) {
        if (touch->view() == view) touches.insert(touch);
    }
    return touches;
}

TouchSet Event::touchesForWindow(const Window* window) const {
    TouchSet touches;
    for (const auto& touch : touches_) {
        if (touch->window() == window) touches.insert(touch);
    }
    return touches;
}

TouchSet Event::touchesForGestureRecognizer(const GestureRecognizer* recognizer) const {
    TouchSet touches;
    for (const auto& touch : touches_) {
        for (const auto& r : touch->gestureRecognizers()) {
            if (r.get() == recognizer) touches.insert(touch);
        }
    }
    return touches;
}

}  // namespace ui
