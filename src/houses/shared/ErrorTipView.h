#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

#include <functional>

namespace ui {
class View;
}

// The notice the housing screens show over their content when there is nothing to show:
// a white view tagged 6579 holding, in a clear box tagged 6578 centred in the height under
// the navigation bar, the picture "帖子加载失败.png" and under it the message (tag 6580).
class ErrorTipView {
public:
    static constexpr int kTag = 6579;
    static constexpr int kBoxTag = 6578;
    static constexpr int kLabelTag = 6580;
    static constexpr int kButtonTag = 6581;
    static inline const QString kPictureName = QStringLiteral("帖子加载失败.png");

    // Shows `message` in the notice of `parent`, making it at `frame` the first time, and
    // brings it to the front. With `retry`, a tap anywhere on the notice hides it and runs
    // `retry` (a button tagged kButtonTag covers it); without, the notice takes no taps.
    static void show(ui::View& parent, const ui::Rect& frame, const QString& message,
                     std::function<void()> retry = nullptr);
    static void hide(ui::View& parent);
    // The message shown; a null text while no notice shows.
    [[nodiscard]] static QString shownMessage(ui::View& parent);
};
