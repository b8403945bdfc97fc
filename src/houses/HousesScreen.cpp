#include "houses/HousesScreen.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"

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

void addMoreRowParts(ui::TableViewCell& cell, double height) {
    auto label =
        clearLabel({0, 0, kWidth, height}, ui::Font::systemFontOfSize(18), ui::Color::blackColor());
    label->setTag(kMoreLabelTag);
    label->setTextAlignment(ui::TextAlignment::Center);
    cell.contentView()->addSubview(label);
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    spinner->setFrame({80, 27.5, 25, 25});
    spinner->setTag(kMoreSpinnerTag);
    cell.contentView()->addSubview(spinner);
}

void showMoreRow(ui::TableViewCell& cell, const QString& text, bool spinning) {
    if (auto* label = dynamic_cast<ui::Label*>(cell.viewWithTag(kMoreLabelTag)))
        label->setText(text);
    if (auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(cell.viewWithTag(kMoreSpinnerTag)))
        spinning ? spinner->startAnimating() : spinner->stopAnimating();
}

}  // namespace HousesScreen
