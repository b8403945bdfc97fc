#pragma once

#include "platform/uikit/view.h"

#include <memory>

namespace ui {
class Button;
class Image;
class ImageView;
class Label;
}  // namespace ui

// Whoever answers the tap on a category tile. A tile's button looks for it up the responder
// chain from itself, so the first view or screen above the tile that is one hears the tap.
class CategoryTileTarget {
public:
    virtual ~CategoryTileTarget() = default;
    virtual void click(ui::Button& tile) = 0;
};

// What every category tile has: a background picture stretched from its centre over the
// whole tile, a picture, a title and a button of its own size over the picture, darkened
// while pressed; tiles do not clip. `delegate` is only kept; the tap goes up the responder
// chain (CategoryTileTarget).
class CategoryTile : public ui::View {
public:
    [[nodiscard]] std::shared_ptr<CategoryTileTarget> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<CategoryTileTarget> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] ui::Label* titleLbel() const { return titleLbel_.get(); }
    [[nodiscard]] ui::ImageView* picImgView() const { return picImgView_.get(); }
    [[nodiscard]] ui::Button* tagBtn() const { return tagBtn_.get(); }
    [[nodiscard]] int selfIndex() const { return selfIndex_; }
    void setSelfIndex(int index) { selfIndex_ = index; }

    // The view's layer rendered into an image of the view's size.
    [[nodiscard]] static std::shared_ptr<ui::Image> getImageFromView(ui::View& view);

protected:
    // Builds the background, the picture at `picture`, the title at `title` in the system
    // font of `fontSize`, and the button over `buttonArea`.
    CategoryTile(const ui::Rect& frame, const QString& background, const ui::Rect& picture,
                 const ui::Rect& title, double fontSize, const ui::Rect& buttonArea);

private:
    std::weak_ptr<CategoryTileTarget> delegate_;
    std::shared_ptr<ui::Label> titleLbel_;
    std::shared_ptr<ui::ImageView> picImgView_;
    std::shared_ptr<ui::Button> tagBtn_;
    int selfIndex_ = 0;
};

// A square tile: a 60-point picture in the middle, the title along the bottom edge.
class TempView : public CategoryTile {
public:
    explicit TempView(const ui::Rect& frame);
};

// A tile with a 44-point picture and the title under it, centred together.
class TempViewNew : public CategoryTile {
public:
    explicit TempViewNew(const ui::Rect& frame);
};

// A wide tile of the near-by categories: the title left of a divider, a picture area and a
// small top picture on the right; its button covers the whole tile.
class NearByTempView : public CategoryTile {
public:
    explicit NearByTempView(const ui::Rect& frame);
    [[nodiscard]] ui::ImageView* topImg() const { return topImg_.get(); }

private:
    std::shared_ptr<ui::ImageView> topImg_;
};
