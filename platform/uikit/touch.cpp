#include "platform/uikit/touch.h"

#include "platform/uikit/window.h"

namespace ui {

Touch::Touch(Window* window, Point location, double timestamp)
    : timestamp_(timestamp), location_(location), previous_(location), window_(window) {}

Point Touch::locationInView(const View* view) const {
    if (!view || !window_) return location_;
    return view->convertPointFromView(location_, window_);
}

Point Touch::previousLocationInView(const View* view) const {
    if (!view || !window_) return previous_;
    return view->convertPointFromView(previous_, window_);
}

}  // namespace ui
