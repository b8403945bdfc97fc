#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Button;
class View;
class ViewController;
}  // namespace ui

// The navigation-bar items of every screen in the app's look: the back button, text and
// image buttons, and the title label. `target` is the screen whose navigation item gets
// the item; `action` runs on a tap. They lie below every library of screens, so that the
// chat, the needs, the housing lists and the app shell all give their bars the same items.
namespace UIViewControllerNavigation {
inline constexpr int kBackButtonTag = 4582;

using Action = std::function<void()>;

void setNavigationBackButton(ui::ViewController& target, Action action);
// The back button of a screen that leaves by popping itself off its stack, animated.
void setNavigationBackButton(ui::ViewController& target);
void setNavigationLeftButton(ui::ViewController& target, Action action, const QString& title);
void setNavigationCancelButton(ui::ViewController& target, Action action);
// The text button is returned for screens that enable it or change its look later.
std::shared_ptr<ui::Button> setNavigationRightButton(ui::ViewController& target, Action action,
                                                     const QString& title, bool isRedPoint = false);
void setNavigationRightButton(ui::ViewController& target, Action action, const QString& image,
                              const QString& highlightedImage);
// Two image buttons 42 x 32 side by side in an 85 x 32 container as the right item.
void setNavigationRightButtons(ui::ViewController& target, Action firstAction,
                               const QString& firstImage, const QString& firstHighlighted,
                               Action secondAction, const QString& secondImage,
                               const QString& secondHighlighted);
// A white bold 18-point title label; a null title leaves the title view as it is.
void setNavTitle(ui::ViewController& controller, const QString& title);
void setNavTitleView(ui::ViewController& controller, std::shared_ptr<ui::View> view);
void setNavLeftView(ui::ViewController& controller, std::shared_ptr<ui::View> view);
}  // namespace UIViewControllerNavigation
