#include "platform/uikit/navigation_item.h"

#include "platform/uikit/bar_button_item.h"

namespace ui {

namespace {
NavigationItem::ItemsRule& itemsRule() {
    static NavigationItem::ItemsRule rule;
    return rule;
}
}  // namespace

void NavigationItem::setTitle(const QString& title) {
    title_ = title;
    notifyChange();
}

void NavigationItem::setTitleView(std::shared_ptr<View> view) {
    titleView_ = std::move(view);
    notifyChange();
}

void NavigationItem::setPrompt(const QString& prompt) {
    prompt_ = prompt;
    notifyChange();
}

std::shared_ptr<BarButtonItem> NavigationItem::leftBarButtonItem() const {
    return left_.empty() ? nullptr : left_.front();
}

void NavigationItem::setItemsRule(ItemsRule rule) {
    itemsRule() = std::move(rule);
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool) {
    std::vector<std::shared_ptr<BarButtonItem>> items;
    if (item) items.push_back(std::move(item));
    storeLeft(std::move(items), true);
}

void NavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                           bool) {
    storeLeft(std::move(items), false);
}

void NavigationItem::storeLeft(std::vector<std::shared_ptr<BarButtonItem>> items, bool single) {
    left_ = itemsRule() ? itemsRule()(std::move(items), single) : std::move(items);
    notifyChange();
}

std::shared_ptr<BarButtonItem> NavigationItem::rightBarButtonItem() const {
    return right_.empty() ? nullptr : right_.front();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool) {
    std::vector<std::shared_ptr<BarButtonItem>> items;
    if (item) items.push_back(std::move(item));
    storeRight(std::move(items), true);
}

void NavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                            bool) {
    storeRight(std::move(items), false);
}

void NavigationItem::storeRight(std::vector<std::shared_ptr<BarButtonItem>> items, bool single) {
    right_ = itemsRule() ? itemsRule()(std::move(items), single) : std::move(items);
    notifyChange();
}

void NavigationItem::setBackBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    back_ = std::move(item);
    notifyChange();
}

void NavigationItem::setHidesBackButton(bool hides, bool) {
    hidesBackButton_ = hides;
    notifyChange();
}

}  // namespace ui
