#pragma once

#include "platform/uikit/image_view.h"

#include <QString>

#include <memory>

// The floating notice: a short white message on the stretched "tip-bg.png" that
// removes itself three seconds after it was made, shown or not.
class FloatView : public ui::ImageView {
public:
    static constexpr double kLifetime = 3.0;

    // The tag of the one floating message a view shows at a time.
    static constexpr int kFloatMessageTag = 8848;

    [[nodiscard]] static std::shared_ptr<FloatView> withMessage(const ui::Rect& frame,
                                                                const QString& message);
    // Shows `message` near the bottom of `view` (a window, usually), in a box 100 points wide
    // or 300 for a long text; an earlier message still showing there goes at once.
    static void showMessage(ui::View& view, const QString& message);
    // The same over the key window; nothing without one.
    static void showMessageInKeyWindow(const QString& message);
    explicit FloatView(const ui::Rect& frame);
    void removeSelf() { removeFromSuperview(); }
};
