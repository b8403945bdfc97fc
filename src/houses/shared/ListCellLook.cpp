#include "houses/shared/ListCellLook.h"

#include "platform/uikit/label.h"
#include "platform/uikit/table_view_cell.h"

std::shared_ptr<ui::Label> ListCellLook::label(const ui::Font& font, const ui::Color& colour) {
    auto made = std::make_shared<ui::Label>();
    made->setFont(font);
    made->setTextColor(colour);
    made->setBackgroundColor(ui::Color::clearColor());
    return made;
}

void ListCellLook::styleRow(ui::TableViewCell& cell) {
    auto selected = std::make_shared<ui::View>();
    selected->setBackgroundColor(ui::Color::rgb(230, 230, 230));
    cell.setSelectedBackgroundView(selected);
    cell.setBackgroundColor(ui::Color::whiteColor());
}

void ListCellLook::makeTextLabels(std::shared_ptr<ui::Label>& left1,
                                  std::shared_ptr<ui::Label>& left2,
                                  std::shared_ptr<ui::Label>& left3,
                                  std::shared_ptr<ui::Label>& right2,
                                  std::shared_ptr<ui::Label>& right3) {
    left1 = label(ui::Font::systemFontOfSize(14), dark());
    left2 = label(ui::Font::systemFontOfSize(12), grey());
    left3 = label(ui::Font::systemFontOfSize(12), grey());
    right2 = label(ui::Font::boldSystemFontOfSize(12), orange());
    right2->setTextAlignment(ui::TextAlignment::Right);
    right3 = label(ui::Font::systemFontOfSize(12), grey());
    right3->setTextAlignment(ui::TextAlignment::Right);
}
