#include "platform/uikit/bar_item.h"

namespace ui {

void BarItem::setTitle(const QString& title) {
    title_ = title;
    notifyChange();
}

void BarItem::setImage(std::shared_ptr<Image> image) {
    image_ = std::move(image);
    notifyChange();
}

void BarItem::setEnabled(bool enabled) {
    enabled_ = enabled;
    notifyChange();
}

}  // namespace ui
