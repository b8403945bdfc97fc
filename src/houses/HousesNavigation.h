#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Button;
class ViewController;
}  // namespace ui

// The navigation-bar buttons of the housing screens, in the app's look: the back arrow on the
// left and a titled green button on the right.
struct HousesNavigation {
    // The back arrow as the screen's left item, calling `action`.
    static void setBackButton(ui::ViewController& screen, std::function<void()> action);
    // A titled button of 55 x 34 points on the stretched picture `background` (and its
    // "点击态" when pressed) as the screen's right item, calling `action`; the caller may change
    // its title later.
    static std::shared_ptr<ui::Button> setRightButton(
        ui::ViewController& screen, const QString& title, std::function<void()> action,
        const QString& background = QStringLiteral("button"));
};
