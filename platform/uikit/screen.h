#pragma once

#include "platform/uikit/geometry.h"

namespace ui {

// The phone's screen: 320 points wide, 480 (or 568) high, two pixels per point.
class Screen {
public:
    static constexpr double kWidth = 320;
    static constexpr double kHeight = 480;
    static constexpr double kTallHeight = 568;
    static constexpr double kScale = 2;
    static constexpr double kStatusBarHeight = 20;

    static Screen& mainScreen();

    [[nodiscard]] Rect bounds() const { return {0, 0, kWidth, height_}; }
    // The screen less the status bar.
    [[nodiscard]] Rect applicationFrame() const {
        return {0, kStatusBarHeight, kWidth, height_ - kStatusBarHeight};
    }
    [[nodiscard]] double scale() const { return kScale; }
    // 480 by default; 568 when $HOUSING_SCREEN_HEIGHT says so or a host selects it.
    void setHeight(double height) { height_ = height; }

private:
    Screen();
    double height_ = kHeight;
};

}  // namespace ui
