#pragma once

#include "platform/uikit/view.h"

#include <memory>
#include <vector>

namespace ui {

class Image;

// A view that shows an image (placed by its content mode; resizable images keep
// their caps), a highlighted image, or a sequence of images played over time.
// It takes no touches unless told to.
class ImageView : public View {
public:
    ImageView();
    explicit ImageView(const Rect& frame);
    // Sized to the image.
    explicit ImageView(std::shared_ptr<Image> image, std::shared_ptr<Image> highlightedImage = {});

    // The image given; a subclass that plays an image of its own answers that one.
    [[nodiscard]] virtual std::shared_ptr<Image> image() const { return image_; }
    virtual void setImage(std::shared_ptr<Image> image);
    [[nodiscard]] const std::shared_ptr<Image>& highlightedImage() const {
        return highlightedImage_;
    }
    void setHighlightedImage(std::shared_ptr<Image> image);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);

    // Frames played in order; the duration 0 means 1/30 s a frame; the repeat
    // count 0 means for ever.
    [[nodiscard]] const std::vector<std::shared_ptr<Image>>& animationImages() const {
        return animationImages_;
    }
    void setAnimationImages(std::vector<std::shared_ptr<Image>> images);
    [[nodiscard]] const std::vector<std::shared_ptr<Image>>& highlightedAnimationImages() const {
        return highlightedAnimationImages_;
    }
    void setHighlightedAnimationImages(std::vector<std::shared_ptr<Image>> images);
    [[nodiscard]] double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds) { animationDuration_ = seconds; }
    [[nodiscard]] int animationRepeatCount() const { return animationRepeatCount_; }
    void setAnimationRepeatCount(int count) { animationRepeatCount_ = count; }
    virtual void startAnimating();
    virtual void stopAnimating();
    [[nodiscard]] virtual bool isAnimating() const;

    // What the view shows at this moment (an animation frame while playing).
    [[nodiscard]] std::shared_ptr<Image> shownImage() const;
    [[nodiscard]] Size sizeThatFits(Size size) const override;

private:
    void updateContents();

    std::shared_ptr<Image> image_;
    std::shared_ptr<Image> highlightedImage_;
    std::vector<std::shared_ptr<Image>> animationImages_;
    std::vector<std::shared_ptr<Image>> highlightedAnimationImages_;
    double animationDuration_ = 0;
    int animationRepeatCount_ = 0;
    bool highlighted_ = false;
};

}  // namespace ui
