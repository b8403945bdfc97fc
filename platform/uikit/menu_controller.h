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
class MenuController {
public:
    [[nodiscard]] static MenuController& sharedMenuController();

    [[nodiscard]] bool isMenuVisible() const { return visible_; }
    void setMenuVisible(bool visible, bool animated = false);
    // `rect` is in `view`'s coordinates.
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

    std::vector<MenuItem> items_;
    std::shared_ptr<View> overlay_;
    std::vector<Entry> shown_;
    Rect target_;
    bool visible_ = false;
};

}  // namespace ui
