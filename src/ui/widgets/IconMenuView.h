#pragma once

#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ui {
class Image;
class ImageView;
}  // namespace ui

class IconMenuItemButton;

// A full-screen menu of large icons, three to a row, over a blurred snapshot of the
// screen beneath. The icons rise from below with an overshoot, one after another; on
// closing they drop away and the menu fades out and removes itself. A tap on an icon
// closes the menu and runs the icon's block; a tap anywhere else just closes it. A
// menu is used once.
class IconMenuView : public ui::View {
public:
    static constexpr int kCloseButtonTag = 101;
    static constexpr int kReplacedViewTag = 1999;
    static constexpr double kEntryWidth = 66;
    static constexpr double kEntryHeight = 86;
    static constexpr double kMoveDuration = 0.36;
    static constexpr double kStagger = 0.072;
    static constexpr double kFadeDuration = 0.5;
    static inline const QString kRiseAnimationKey = QStringLiteral("riseAnimation");

    explicit IconMenuView(const ui::Rect& frame = {});

    void addMenuItemWithTitle(const QString& title, std::shared_ptr<ui::Image> icon,
                              std::function<void()> selectedBlock);
    [[nodiscard]] ui::Rect frameForButtonAtIndex(std::size_t index) const;
    void layoutSubviews() override;

    void show();
    void dismiss();
    void buttonTapped(IconMenuItemButton& entry);
    void riseAnimation();
    void dropAnimation();
    [[nodiscard]] bool gestureRecognizerShouldBegin(ui::GestureRecognizer& recognizer) override;

    [[nodiscard]] ui::ImageView* backgroundImgView() const { return backgroundImgView_.get(); }
    [[nodiscard]] const std::vector<std::shared_ptr<IconMenuItemButton>>& buttons() const {
        return buttons_;
    }
    void setFiniallyShowBlock(std::function<void()> block) {
        finiallyShowBlock_ = std::move(block);
    }

private:
    // Moves every entry between its place and `distance(row)` below it.
    void moveEntries(bool rising);
    [[nodiscard]] double startDelay(std::size_t index) const;
    [[nodiscard]] int rows() const;
    // The block that runs when the menu closes, once however the menu closed.
    void runFinishingBlock();

    std::shared_ptr<ui::ImageView> backgroundImgView_;
    std::vector<std::shared_ptr<IconMenuItemButton>> buttons_;
    std::function<void()> finiallyShowBlock_;
    bool closing_ = false;
    bool finished_ = false;
};
