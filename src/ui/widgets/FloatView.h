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
    explicit FloatView(const ui::Rect& frame);
    void removeSelf() { removeFromSuperview(); }
};
