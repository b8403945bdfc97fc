#pragma once

#include "platform/uikit/button.h"

#include <QString>

#include <functional>
#include <memory>

// One entry of the icon menu: a 66-point icon with its title below it, and the
// block the entry stands for.
class IconMenuItemButton : public ui::Button {
public:
    [[nodiscard]] static std::shared_ptr<IconMenuItemButton> IconMenuItemButtonWithTitle(
        const QString& title, std::shared_ptr<ui::Image> icon, std::function<void()> selectedBlock);
    IconMenuItemButton();

    [[nodiscard]] const std::function<void()>& selectedBlock() const { return selectedBlock_; }
    void setSelectedBlock(std::function<void()> block) { selectedBlock_ = std::move(block); }

    [[nodiscard]] ui::Rect imageRectForContentRect(const ui::Rect& contentRect) const override;
    [[nodiscard]] ui::Rect titleRectForContentRect(const ui::Rect& contentRect) const override;

private:
    std::function<void()> selectedBlock_;
};
