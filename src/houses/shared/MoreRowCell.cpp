#include "houses/shared/MoreRowCell.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/label.h"

MoreRowCell::MoreRowCell(double width, double labelHeight)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, kIdentifier) {
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, width, labelHeight));
    label->setTag(kLabelTag);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setBackgroundColor(ui::Color::clearColor());
    contentView()->addSubview(label);
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    spinner->setFrame({80, 27.5, 25, 25});
    spinner->setTag(kSpinnerTag);
    contentView()->addSubview(spinner);
}

void MoreRowCell::show(const QString& text, double fontSize, bool spinning) {
    if (auto* label = dynamic_cast<ui::Label*>(viewWithTag(kLabelTag))) {
        label->setText(text);
        label->setFont(ui::Font::systemFontOfSize(fontSize));
    }
    if (auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(viewWithTag(kSpinnerTag)))
        spinning ? spinner->startAnimating() : spinner->stopAnimating();
}
