#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

#include <memory>

namespace ui {
class View;
}

// The app's loading overlay: a white view (tagged kTag) of the given frame with a turning
// loading picture in its middle and the tip followed by "..." under it. Not yet added: the
// caller puts it over its view and removes it by the tag.
class LoadingOverlay {
public:
    // The tag of a screen's loading cover, this overlay or one the screen draws its own way:
    // a screen finds and removes whichever is up by it.
    static constexpr int kTag = 9527;
    static constexpr int kTipTag = 999999;

    [[nodiscard]] static std::shared_ptr<ui::View> make(const ui::Rect& frame, const QString& tip);
};
