#include "app/categories/UINavigationItem+iOS7Spacing.h"

#include "app/QXUtil.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/navigation_item.h"

namespace UINavigationItemSpacing {

std::shared_ptr<ui::BarButtonItem> spacer() {
    auto item = ui::BarButtonItem::itemWithSystemItem(ui::BarButtonSystemItem::FixedSpace);
    item->setWidth(kSpacerWidth);
    return item;
}

std::vector<std::shared_ptr<ui::BarButtonItem>> spaced(
    std::vector<std::shared_ptr<ui::BarButtonItem>> items, bool single, bool isIOS7) {
    if (!isIOS7 || items.empty()) return items;
    // A single plain item (a title or a system item) keeps the platform's own place.
    if (single && !items.front()->customView()) return items;
    items.insert(items.begin(), spacer());
    return items;
}

void install() {
    if (!QXUtil::DeviceSystemVersionIsiOS7()) return;
    ui::NavigationItem::setItemsRule(
        [](std::vector<std::shared_ptr<ui::BarButtonItem>> items, bool single) {
            return spaced(std::move(items), single, true);
        });
}

}  // namespace UINavigationItemSpacing
