#include "platform/uikit/tab_bar_item.h"

namespace ui {

TabBarItem::TabBarItem(const QString& title, std::shared_ptr<Image> image, int tag) {
    setTitle(title);
    setImage(std::move(image));
    setTag(tag);
}

TabBarItem::TabBarItem(const QString& title, std::shared_ptr<Image> image,
                       std::shared_ptr<Image> selectedImage)
    : selectedImage_(std::move(selectedImage)) {
    setTitle(title);
    setImage(std::move(image));
}

void TabBarItem::setSelectedImage(std::shared_ptr<Image> image) {
    selectedImage_ = std::move(image);
    notifyChange();
}

void TabBarItem::setBadgeValue(const QString& value) {
    badgeValue_ = value;
    notifyChange();
}

}  // namespace ui
