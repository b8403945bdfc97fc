#pragma once

#include "platform/uikit/bar_look.h"
#include "platform/uikit/view.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class Control;
class Image;
class TabBarItem;

// The strip of tab buttons at the bottom of a tab bar controller: each item
// shows its image (its selected image while selected), its title and its
// badge. A tap on an item is handed to the controller, which decides.
//
// setHidden is the View's, so a subclass may refuse to show the bar again.
class TabBar : public View, public BarLook {
public:
    static constexpr double kHeight = 49;

    TabBar();
    explicit TabBar(const Rect& frame);
    ~TabBar() override;

    [[nodiscard]] const std::vector<std::shared_ptr<TabBarItem>>& items() const { return items_; }
    void setItems(std::vector<std::shared_ptr<TabBarItem>> items, bool animated = false);
    [[nodiscard]] TabBarItem* selectedItem() const { return selected_; }
    void setSelectedItem(TabBarItem* item);

    // Run when an item is tapped.
    void setSelectAction(std::function<void(TabBarItem& item)> action) {
        selectAction_ = std::move(action);
    }
    // The button of an item, for tests and the driver.
    [[nodiscard]] Control* buttonForItem(const TabBarItem* item) const;

    void layoutSubviews() override;
    void drawRect(const Rect& rect) override;

private:
    class ItemButton;
    void rebuild();
    void groundDidChange() override { setNeedsDisplay(); }
    void tintDidChange() override;

    std::vector<std::shared_ptr<TabBarItem>> items_;
    std::vector<std::shared_ptr<ItemButton>> buttons_;
    TabBarItem* selected_ = nullptr;
    std::function<void(TabBarItem&)> selectAction_;
};

}  // namespace ui
