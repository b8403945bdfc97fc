#pragma once

#include "platform/foundation/timer.h"
#include "platform/uikit/gesture_recognizer.h"

namespace ui {

// Begins when the fingers stay down, within 10 points, for the minimum press
// duration (on the clock); reports Changed as they move and Ended when they lift.
class LongPressGestureRecognizer : public GestureRecognizer {
public:
    using GestureRecognizer::GestureRecognizer;

    [[nodiscard]] double minimumPressDuration() const { return minimumDuration_; }
    void setMinimumPressDuration(double seconds) { minimumDuration_ = seconds; }
    [[nodiscard]] int numberOfTouchesRequired() const { return touchesRequired_; }
    void setNumberOfTouchesRequired(int touches) { touchesRequired_ = std::max(1, touches); }
    [[nodiscard]] double allowableMovement() const { return allowableMovement_; }
    void setAllowableMovement(double points) { allowableMovement_ = points; }

protected:
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void reset() override;

private:
    double minimumDuration_ = 0.5;
    double allowableMovement_ = 10;
    int touchesRequired_ = 1;
    Point start_;
    ns::DelayedCall timer_;
};

}  // namespace ui
