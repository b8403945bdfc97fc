#include "houses/shared/HousesScreen.h"

#include "houses/shared/ListCellLook.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"

namespace HousesScreen {

double screenHeight() {
    return ui::Screen::mainScreen().bounds().size.height;
}

std::shared_ptr<ui::Label> clearLabel(const ui::Rect& frame, const ui::Font& font,
                                      const ui::Color& color) {
    auto label = ListCellLook::label(font, color);
    label->setFrame(frame);
    return label;
}

}  // namespace HousesScreen
