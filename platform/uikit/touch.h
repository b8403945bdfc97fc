#pragma once

#include "platform/uikit/geometry.h"

#include <memory>
#include <vector>

namespace ui {

class GestureRecognizer;
class View;
class Window;

enum class TouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

// One finger on the screen, from touching down to lifting. The window keeps
// the view it first touched for the whole touch.
class Touch {
public:
    Touch(Window* window, Point location, double timestamp);

    [[nodiscard]] TouchPhase phase() const { return phase_; }
    [[nodiscard]] double timestamp() const { return timestamp_; }
    // 1 for a single tap, 2 when it followed a tap close by in time and place, ...
    [[nodiscard]] int tapCount() const { return tapCount_; }
    [[nodiscard]] View* view() const { return view_.get(); }
    [[nodiscard]] Window* window() const { return window_; }
    // Where the finger is (was, before the last move) in `view`'s coordinates;
    // nullptr means the window's.
    [[nodiscard]] Point locationInView(const View* view) const;
    [[nodiscard]] Point previousLocationInView(const View* view) const;
    [[nodiscard]] const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers()
        const {
        return recognizers_;
    }

private:
    friend class Window;
    friend class GestureRecognizer;

    TouchPhase phase_ = TouchPhase::Began;
    double timestamp_ = 0;
    int tapCount_ = 1;
    Point location_;
    Point previous_;
    std::shared_ptr<View> view_;
    Window* window_ = nullptr;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
    // False once a recognizer has taken the touch from its view.
    bool deliversToView_ = true;
    // The view was told the touch began (and so must hear how it ends).
    bool viewBegan_ = false;
};

}  // namespace ui
