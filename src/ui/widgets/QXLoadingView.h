#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

#include <memory>

namespace ui {
class View;
}

// The loading overlay of the screens: a white view of the frame, tagged 9527, with a
// rounded box, the turning "loading图标" over "loading底部" in its middle and under them
// the tip followed by "...". Not yet added; the screen adds it and removes it by the tag.
class QXLoadingView {
public:
    static constexpr int kTag = 9527;
    static constexpr int kTipTag = 999999;

    [[nodiscard]] static std::shared_ptr<ui::View> loadingViewWithRect(const ui::Rect& frame,
                                                                       const QString& tip);
};
