#pragma once

#include "platform/uikit/view.h"

#include <memory>

namespace ns {
class Timer;
}

// A dark cover over a picture being loaded, with a round hole in it: the hole opens
// as loading starts, a pie inside it uncovers the part already done, and when the
// loading ends the hole widens past the corners.
class ProgressOverlayView : public ui::View {
public:
    enum State { kAppearing = 0, kInProgress = 1, kFinishing = 2 };
    static constexpr double kFrameInterval = 0.04;

    explicit ProgressOverlayView(const ui::Rect& frame = {});
    ~ProgressOverlayView() override;

    [[nodiscard]] const ui::Color& overlayColor() const { return overlayColor_; }
    void setOverlayColor(const ui::Color& color);
    [[nodiscard]] double innerRadiusRatio() const { return innerRadiusRatio_; }
    void setInnerRadiusRatio(double ratio);
    [[nodiscard]] double outerRadiusRatio() const { return outerRadiusRatio_; }
    void setOuterRadiusRatio(double ratio);
    [[nodiscard]] double progress() const { return progress_; }
    void setProgress(double progress);
    [[nodiscard]] double stateChangeAnimationDuration() const { return stateChangeDuration_; }
    void setStateChangeAnimationDuration(double seconds) { stateChangeDuration_ = seconds; }
    [[nodiscard]] bool triggersDownloadDidFinishAnimationAutomatically() const {
        return triggersFinish_;
    }
    void setTriggersDownloadDidFinishAnimationAutomatically(bool triggers) {
        triggersFinish_ = triggers;
    }
    [[nodiscard]] int state() const { return state_; }
    [[nodiscard]] double animationProggress() const { return animationProgress_; }
    [[nodiscard]] bool isAnimating() const;

    void displayOperationWillTriggerAnimation();
    void displayOperationDidFinishAnimation();
    // One animation step; the timer calls it.
    void update();
    [[nodiscard]] double innerRadius() const;
    [[nodiscard]] double outerRadius() const;
    void drawRect(const ui::Rect& rect) override;

private:
    void startStateAnimation(State state);
    [[nodiscard]] double radiusFor(double ratio) const;

    ui::Color overlayColor_ = ui::Color::colorWithWhite(0, 0.5);
    double innerRadiusRatio_ = 0.6;
    double outerRadiusRatio_ = 0.7;
    double progress_ = 0;
    double stateChangeDuration_ = 0.25;
    bool triggersFinish_ = true;
    State state_ = kAppearing;
    double animationProgress_ = 0;
    std::shared_ptr<ns::Timer> timer_;
};
