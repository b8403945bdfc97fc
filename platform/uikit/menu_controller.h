#pragma once

#include "platform/uikit/geometry.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace ui {

class View;

inline const QString kMenuControllerWillShowMenuNotification =
    QStringLiteral("UIMenuControllerWillShowMenuNotification");
inline const QString kMenuControllerDidShowMenuNotification =
    QStringLiteral("UIMenuControllerDidShowMenuNotification");
inline const QString kMenuControllerWillHideMenuNotification =
    QStringLiteral("UIMenuControllerWillHideMenuNotification");
inline const QString kMenuControllerDidHideMenuNotification =
    QStringLiteral("UIMenuControllerDidHideMenuNotification");

// A custom item of the edit menu: its title and the action it asks of the
// first responder.
struct MenuItem {
    QString title;
    QString action;
};

// The edit menu: a dark bubble above (or below) a target rectangle offering
// the actions the key window's first responder can perform ("cut", "copy",
// "select", "selectAll", "paste", "delete", then the custom items). A tap on
// an item performs it on the first responder and hides the menu; a tap
// anywhere else only hides it.
//
// The menu points at what of the target shows: the part inside the window and inside every
// view around the target that clips to its bounds (a list shows only part of a row). With room
// neither above nor below that part (a bubble taller than the screen), it shows inside the
// part, at its top. While it shows it follows its target: when the target's view moves (a list
// that scrolls, a keyboard going down) the bubble moves with it at the window's next layout,
// and when nothing of the target shows any more, or its view left the window, the menu hides.
class MenuController {
public:
    [[nodiscard]] static MenuController& sharedMenuController();

    [[nodiscard]] bool isMenuVisible() const { return visible_; }
    void setMenuVisible(bool visible, bool animated = false);
    // `rect` is in `view`'s coordinates (the window's without a view).
    void setTargetRect(const Rect& rect, View* view);
    [[nodiscard]] const std::vector<MenuItem>& menuItems() const { return items_; }
    void setMenuItems(std::vector<MenuItem> items);
    // Rebuilds a shown menu for what the first responder can do now.
    void update();
    // The bubble's frame in window coordinates (empty while hidden).
    [[nodiscard]] Rect menuFrame() const;

    // The titles on the shown menu, and a tap on one of them (for the driver).
    [[nodiscard]] QStringList visibleTitles() const;
    bool performItem(const QString& title);

private:
    MenuController() = default;
    struct Entry {
        QString title;
        QString action;
    };
    [[nodiscard]] std::vector<Entry> entries() const;
    void rebuild();
    // Where the target shows now, in window coordinates; null when nothing of it shows.
    [[nodiscard]] Rect visibleTarget() const;
    // Puts the bubble at the target as it shows now, or hides the menu when it shows no more.
    void followTarget();
    // Has the overlay lay out again (and follow the target) after the next change anywhere.
    void watchTarget();

    std::vector<MenuItem> items_;
    std::shared_ptr<View> overlay_;
    std::shared_ptr<View> bubble_;
    std::vector<Entry> shown_;
    // The target in its view's coordinates, or the window's without a view.
    Rect target_;
    std::weak_ptr<View> targetView_;
    bool targetsView_ = false;
    bool visible_ = false;
};

}  // namespace ui
