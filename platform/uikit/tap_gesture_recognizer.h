#pragma once

#include "platform/foundation/timer.h"
#include "platform/uikit/gesture_recognizer.h"

namespace ui {

// Recognizes a number of quick taps with a number of fingers. Between taps the
// next one must come within the window's multi-tap interval (on the clock), and
// no finger may wander more than 10 points.
class TapGestureRecognizer : public GestureRecognizer {
public:
    static constexpr double kAllowableMovement = 10;

    using GestureRecognizer::GestureRecognizer;

    [[nodiscard]] int numberOfTapsRequired() const { return tapsRequired_; }
    void setNumberOfTapsRequired(int taps) { tapsRequired_ = std::max(1, taps); }
    [[nodiscard]] int numberOfTouchesRequired() const { return touchesRequired_; }
    void setNumberOfTouchesRequired(int touches) { touchesRequired_ = std::max(1, touches); }

protected:
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void reset() override;
    [[nodiscard]] bool isSingleTap() const override {
        return tapsRequired_ == 1 && touchesRequired_ == 1;
    }

private:
    int tapsRequired_ = 1;
    int touchesRequired_ = 1;
    int taps_ = 0;
    std::size_t fingersThisTap_ = 0;
    Point start_;
    ns::DelayedCall nextTapDeadline_;
};

}  // namespace ui
