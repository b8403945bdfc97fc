#include "ui/widgets/IconMenuItemButton.h"

#include "platform/uikit/label.h"

namespace {

constexpr double kIconSize = 66;
constexpr double kTitleHeight = 20;

}  // namespace

std::shared_ptr<IconMenuItemButton> IconMenuItemButton::IconMenuItemButtonWithTitle(
    const QString& title, std::shared_ptr<ui::Image> icon, std::function<void()> selectedBlock) {
    auto button = std::make_shared<IconMenuItemButton>();
    button->setImage(std::move(icon), ui::kControlStateNormal);
    button->setTitle(title, ui::kControlStateNormal);
    button->setTitleColor(ui::Color::blackColor(), ui::kControlStateNormal);
    button->setFont(ui::Font::systemFontOfSize(14));
    button->titleLabel()->setTextAlignment(ui::TextAlignment::Center);
    button->selectedBlock_ = std::move(selectedBlock);
    return button;
}

IconMenuItemButton::IconMenuItemButton() : ui::Button({}, ui::ButtonType::Custom) {}

ui::Rect IconMenuItemButton::imageRectForContentRect(const ui::Rect&) const {
    return {0, 0, kIconSize, kIconSize};
}

ui::Rect IconMenuItemButton::titleRectForContentRect(const ui::Rect&) const {
    return {0, kIconSize, kIconSize, kTitleHeight};
}
