#pragma once

#include "platform/uikit/bar_item.h"

#include <QString>

#include <memory>

namespace ui {

// A tab's button on a tab bar: title, image, the image shown while selected,
// and a badge (a short text in a red bubble; empty: none).
class TabBarItem : public BarItem {
public:
    TabBarItem() = default;
    TabBarItem(const QString& title, std::shared_ptr<Image> image, int tag);
    TabBarItem(const QString& title, std::shared_ptr<Image> image,
               std::shared_ptr<Image> selectedImage);

    [[nodiscard]] const std::shared_ptr<Image>& selectedImage() const { return selectedImage_; }
    void setSelectedImage(std::shared_ptr<Image> image);
    [[nodiscard]] const QString& badgeValue() const { return badgeValue_; }
    void setBadgeValue(const QString& value);

private:
    std::shared_ptr<Image> selectedImage_;
    QString badgeValue_;
};

}  // namespace ui
