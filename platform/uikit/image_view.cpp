#include "platform/uikit/image_view.h"

#include "platform/uikit/image.h"

namespace ui {

namespace {
const QString kAnimationKey = QStringLiteral("imageViewFrames");
}  // namespace

ImageView::ImageView() : ImageView(Rect{}) {}

ImageView::ImageView(const Rect& frame) : View(frame) {
    setUserInteractionEnabled(false);
}

ImageView::ImageView(std::shared_ptr<Image> image, std::shared_ptr<Image> highlightedImage)
    : ImageView(Rect{{0, 0}, image ? image->size() : Size{}}) {
    image_ = std::move(image);
    highlightedImage_ = std::move(highlightedImage);
    updateContents();
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    if (image == image_) return;
    image_ = std::move(image);
    updateContents();
}

void ImageView::setHighlightedImage(std::shared_ptr<Image> image) {
    highlightedImage_ = std::move(image);
    updateContents();
}

void ImageView::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    updateContents();
    if (isAnimating()) startAnimating();
}

void ImageView::updateContents() {
    layer()->setContents(highlighted_ && highlightedImage_ ? highlightedImage_ : image_);
}

void ImageView::setAnimationImages(std::vector<std::shared_ptr<Image>> images) {
    animationImages_ = std::move(images);
    if (animationImages_.empty()) stopAnimating();
}

void ImageView::setHighlightedAnimationImages(std::vector<std::shared_ptr<Image>> images) {
    highlightedAnimationImages_ = std::move(images);
}

void ImageView::startAnimating() {
    const auto& frames = highlighted_ && !highlightedAnimationImages_.empty()
                             ? highlightedAnimationImages_
                             : animationImages_;
    if (frames.empty()) return;
    auto animation = KeyframeAnimation::animationWithKeyPath(QStringLiteral("contents"));
    std::vector<AnimationValue> values(frames.begin(), frames.end());
    animation->setValues(std::move(values));
    animation->setCalculationMode(KeyframeAnimation::CalculationMode::Discrete);
    animation->setDuration(animationDuration_ > 0 ? animationDuration_
                                                  : double(frames.size()) / 30);
    animation->setRepeatCount(animationRepeatCount_ > 0 ? animationRepeatCount_
                                                        : Animation::kForever);
    layer()->addAnimation(animation, kAnimationKey);
}

void ImageView::stopAnimating() {
    layer()->removeAnimationForKey(kAnimationKey);
}

bool ImageView::isAnimating() const {
    return layer()->animationForKey(kAnimationKey) != nullptr;
}

std::shared_ptr<Image> ImageView::shownImage() const {
    return layer()->presentation().contents;
}

Size ImageView::sizeThatFits(Size) const {
    return image_ ? image_->size() : Size{};
}

}  // namespace ui
