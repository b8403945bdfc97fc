#pragma once

#include "platform/uikit/responder.h"

#include <vector>

namespace ui {

class GestureRecognizer;
class View;
class Window;

// One moment of touch input: every touch on the screen, some of them changed.
class Event {
public:
    enum class Type { Touches = 0 };

    Event(double timestamp, TouchSet touches)
        : timestamp_(timestamp), touches_(std::move(touches)) {}

    [[nodiscard]] Type type() const { return Type::Touches; }
    [[nodiscard]] double timestamp() const { return timestamp_; }
    [[nodiscard]] const TouchSet& allTouches() const { return touches_; }
    [[nodiscard]] TouchSet touchesForView(const View* view) const;
    [[nodiscard]] TouchSet touchesForWindow(const Window* window) const;
    [[nodiscard]] TouchSet touchesForGestureRecognizer(const GestureRecognizer* recognizer) const;

private:
    double timestamp_;
    TouchSet touches_;
};

}  // namespace ui
