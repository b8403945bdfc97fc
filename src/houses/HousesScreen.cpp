#include "houses/HousesScreen.h"

#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"

namespace HousesScreen {

double screenHeight() {
    return ui::Screen::mainScreen().bounds().size.height;
}

std::shared_ptr<ui::Label> clearLabel(const ui::Rect& frame, const ui::Font& font,
                                      const ui::Color& color) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setFont(font);
    label->setTextColor(color);
    label->setBackgroundColor(ui::Color::clearColor());
    return label;
}

}  // namespace HousesScreen
