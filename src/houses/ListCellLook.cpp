#include "houses/ListCellLook.h"

#include "platform/uikit/label.h"

std::shared_ptr<ui::Label> ListCellLook::label(const ui::Font& font, const ui::Color& colour) {
    auto made = std::make_shared<ui::Label>();
    made->setFont(font);
    made->setTextColor(colour);
    made->setBackgroundColor(ui::Color::clearColor());
    return made;
}
