#pragma once

#include "platform/uikit/image_view.h"

#include <QString>

#include <memory>

// The floating notice: a short white message on the stretched "tip-bg.png" that
// removes itself three seconds after it was made, shown or not.
class FloatView : public ui::ImageView {
public:
    static constexpr double kLifetime = 3.0;

    [[nodiscard]] static std::shared_ptr<FloatView> withMessage(const ui::Rect& frame,
                                                                const QString& message);
    // The tag of the message showMessage puts over a view.
    static constexpr int kMessageTag = 8848;

    // A message over the view near its bottom, 100 points wide (300 for a long text); an
    // earlier message still showing there goes at once.
    static void showMessage(ui::View& view, const QString& message);
    explicit FloatView(const ui::Rect& frame);
    void removeSelf() { removeFromSuperview(); }
};
