#pragma once

#include "platform/foundation/notification_center.h"
#include "platform/uikit/tab_bar_controller.h"

#include <array>
#include <memory>
#include <vector>

namespace ui {
class Button;
class ImageView;
class Label;
class View;
}  // namespace ui

// The app's four-tab shell: home, chats, viewing record and personal centre. The platform's
// tab bar stays hidden; a custom strip of four image buttons (80 x 49 points on a 320 x 52
// strip at the bottom) takes its place. Selecting a tab records its event; tapping the
// selected tab again takes its stack back to the root. The chat button carries the unread
// badge, and the strip fades out while a screen that hides the bottom bar is shown.
class QXTabBarController : public ui::TabBarController {
public:
    static constexpr double kBarHeight = 52;
    static constexpr double kButtonWidth = 80;
    static constexpr double kButtonHeight = 49;
    static constexpr double kFadeOut = 0.27;

    QXTabBarController();
    ~QXTabBarController() override;

    void viewDidLoad() override;
    void setSelectedIndex(std::size_t index) override;

    // The chat badge: hidden for 0, "n" in a 22-point badge below 10, 30.5 points wide from
    // 10 on, "99+" from 100 on.
    void addUnReadIconWithNumber(int number);
    // Fades the custom bar out; shows it again at once.
    void removeAllView();
    void showAllview();
    void reshowAllview() { showAllview(); }
    // Hides the platform's tab bar.
    void hideTabBar();
    // Recomputes the notice badge from "TongZhiNoReadNum" and "ImNoReadNum".
    void TabBarHidePushCount();
    void addFrame();
    void subFrame();
    void tabBarSelected3();

    [[nodiscard]] ui::View* tabCellView() const { return tabCellView_.get(); }
    [[nodiscard]] ui::Button* button(std::size_t index) const;
    [[nodiscard]] ui::ImageView* iconImageView() const { return iconImageView_.get(); }
    [[nodiscard]] ui::Label* iconLabel() const { return iconLabel_.get(); }
    [[nodiscard]] ui::ImageView* pushCountImg() const { return pushCountImg_.get(); }
    [[nodiscard]] ui::Label* btn4Lable() const { return btn4Lable_.get(); }

private:
    void addCustomElements();
    void buttonClicked(ui::Button& button);

    std::shared_ptr<ui::View> tabCellView_;
    std::shared_ptr<ui::ImageView> barbg_;
    std::array<std::shared_ptr<ui::Button>, 4> buttons_;
    std::shared_ptr<ui::ImageView> iconImageView_;
    std::shared_ptr<ui::Label> iconLabel_;
    std::shared_ptr<ui::ImageView> pushCountImg_;
    std::shared_ptr<ui::Label> btn4Lable_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
};
