#pragma once

#include "platform/uikit/label.h"

#include <memory>

// A label of the chat's rows and bubbles: a font and a colour on a clear ground.
[[nodiscard]] inline std::shared_ptr<ui::Label> makeChatLabel(const ui::Rect& frame,
                                                              const ui::Font& font,
                                                              const ui::Color& colour) {
    auto made = std::make_shared<ui::Label>(frame);
    made->setFont(font);
    made->setTextColor(colour);
    made->setBackgroundColor(ui::Color::clearColor());
    return made;
}
