#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace ui {

class Image;

// What bar items share: a title, an image, enabled and a tag. The bar that
// shows an item listens for its changes to redraw it.
class BarItem {
public:
    virtual ~BarItem() = default;

    [[nodiscard]] const QString& title() const { return title_; }
    void setTitle(const QString& title);
    [[nodiscard]] const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);
    [[nodiscard]] bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    [[nodiscard]] int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // Set by the bar showing the item; called after every visible change.
    void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

protected:
    void notifyChange() const {
        if (changed_) changed_();
    }

private:
    QString title_;
    std::shared_ptr<Image> image_;
    std::function<void()> changed_;
    bool enabled_ = true;
    int tag_ = 0;
};

}  // namespace ui
