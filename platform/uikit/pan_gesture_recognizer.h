#pragma once

#include "platform/uikit/gesture_recognizer.h"

#include <deque>

namespace ui {

// Begins once the fingers have moved 10 points, then reports the movement:
// the translation since the start (settable, e.g. back to zero after use) and
// the velocity of the last tenth of a second, in points per second.
class PanGestureRecognizer : public GestureRecognizer {
public:
    static constexpr double kHysteresis = 10;

    using GestureRecognizer::GestureRecognizer;

    [[nodiscard]] int minimumNumberOfTouches() const { return minimumTouches_; }
    void setMinimumNumberOfTouches(int touches) { minimumTouches_ = std::max(1, touches); }
    [[nodiscard]] int maximumNumberOfTouches() const { return maximumTouches_; }
    void setMaximumNumberOfTouches(int touches) { maximumTouches_ = std::max(1, touches); }

    // In `view`'s coordinates (nullptr: the window's).
    [[nodiscard]] Point translationInView(const View* view) const;
    void setTranslation(Point translation, const View* view);
    [[nodiscard]] Point velocityInView(const View* view) const;

protected:
    void touchesBegan(const TouchSet& touches, const Event& event) override;
    void touchesMoved(const TouchSet& touches, const Event& event) override;
    void touchesEnded(const TouchSet& touches, const Event& event) override;
    void touchesCancelled(const TouchSet& touches, const Event& event) override;
    void reset() override;

private:
    struct Sample {
        double time;
        Point location;
    };
    void restartFromHere();
    [[nodiscard]] Point windowVectorIn(Point vector, const View* view) const;

    int minimumTouches_ = 1;
    int maximumTouches_ = 1 << 30;
    Point start_;
    Point offset_;
    std::deque<Sample> samples_;
    bool tracking_ = false;
};

}  // namespace ui
