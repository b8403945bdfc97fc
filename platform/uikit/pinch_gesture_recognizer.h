#pragma once

#include "platform/uikit/gesture_recognizer.h"

namespace ui {

// Two fingers moving apart or together: the scale is their distance over the
// distance they started at (settable, e.g. back to 1 after use).
class PinchGestureRecognizer : public GestureRecognizer {
public:
    static constexpr double kHysteresis = 8;

    using GestureRecognizer::GestureRecognizer;

    [[nodiscard]] double scale() const { return scale_; }
    void setScale(double scale);
    // Change of scale per second over the last move.
    [[nodiscard]] double velocity() const { return velocity_; }

protected:
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void reset() override;

private:
    [[nodiscard]] double spread() const;

    double startSpread_ = 0;
    double baseScale_ = 1;
    double scale_ = 1;
    double velocity_ = 0;
    double lastTime_ = 0;
};

}  // namespace ui
