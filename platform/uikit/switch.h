#pragma once

#include "platform/uikit/control.h"

namespace ui {

// The on / off switch, always 51 x 31 points. A tap flips it (value changed).
class Switch : public Control {
public:
    static constexpr Size kSize{51, 31};

    explicit Switch(const Rect& frame = {});

    [[nodiscard]] bool isOn() const { return on_; }
    void setOn(bool on, bool animated = false);
    [[nodiscard]] const Color& onTintColor() const { return onTint_; }
    void setOnTintColor(const Color& color);
    [[nodiscard]] const Color& tintColor() const { return tint_; }
    void setTintColor(const Color& color);
    [[nodiscard]] const Color& thumbTintColor() const { return thumbTint_; }
    void setThumbTintColor(const Color& color);

    void setFrame(const Rect& frame) override;
    [[nodiscard]] Size sizeThatFits(Size) const override { return kSize; }
    void drawRect(const Rect& rect) override;
    void endTrackingWithTouch(Touch* touch, const Event* event) override;

private:
    bool on_ = false;
    Color onTint_ = Color::colorWithRed(0.3, 0.85, 0.39);
    Color tint_ = Color::colorWithWhite(0.9);
    Color thumbTint_ = Color::whiteColor();
};

}  // namespace ui
