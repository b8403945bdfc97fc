#pragma once

#include "platform/uikit/view.h"

namespace ui {

enum class ActivityIndicatorViewStyle { WhiteLarge = 0, White = 1, Gray = 2 };

// The spinning wheel of spokes. Large ones are 37 points, the others 20; by
// default it hides while it is stopped.
class ActivityIndicatorView : public View {
public:
    explicit ActivityIndicatorView(
        ActivityIndicatorViewStyle style = ActivityIndicatorViewStyle::White);
    explicit ActivityIndicatorView(const Rect& frame);

    [[nodiscard]] ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return style_; }
    void setActivityIndicatorViewStyle(ActivityIndicatorViewStyle style);
    [[nodiscard]] const Color& color() const { return color_; }
    void setColor(const Color& color);
    [[nodiscard]] bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    [[nodiscard]] bool isAnimating() const { return animating_; }

    void drawRect(const Rect& rect) override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;

private:
    ActivityIndicatorViewStyle style_;
    Color color_;
    bool hidesWhenStopped_ = true;
    bool animating_ = false;
};

}  // namespace ui
