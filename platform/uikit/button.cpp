#include "platform/uikit/button.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

#include <QPainter>

namespace ui {

namespace {

constexpr double kButtonTitleFontSize = 15;

// The image darkened where it is opaque (pressed) or made half transparent (disabled).
std::shared_ptr<Image> adjusted(const Image& image, bool darken) {
    QImage pixels = image.uprightPixels().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&pixels);
    if (darken) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(pixels.rect(), QColor(0, 0, 0, 90));
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(pixels.rect(), QColor(0, 0, 0, 128));
    }
    painter.end();
    return Image::imageWithQImage(std::move(pixels), image.scale());
}

}  // namespace

std::shared_ptr<Button> Button::buttonWithType(ButtonType type) {
    return std::make_shared<Button>(Rect{}, type);
}

Button::Button(const Rect& frame, ButtonType type)
    : Control(frame),
      type_(type),
      backgroundView_(std::make_shared<ImageView>()),
      imageView_(std::make_shared<ImageView>()),
      titleLabel_(std::make_shared<Label>()) {
    titleLabel_->setFont(Font::systemFontOfSize(kButtonTitleFontSize));
    titleLabel_->setLineBreakMode(LineBreakMode::TruncateMiddle);
    titleLabel_->setTextAlignment(TextAlignment::Left);
    backgroundView_->setHidden(true);
    imageView_->setHidden(true);
    titleLabel_->setHidden(true);
    addSubview(backgroundView_);
    addSubview(imageView_);
    addSubview(titleLabel_);
    if (type == ButtonType::System) {
        titleColors_[kControlStateNormal] = Color::colorWithRed(0, 0.478, 1);
        titleColors_[kControlStateHighlighted] = Color::colorWithRed(0, 0.478, 1, 0.2);
        titleColors_[kControlStateDisabled] = Color::colorWithWhite(0.56);
    } else {
        titleColors_[kControlStateNormal] = Color::whiteColor();
    }
}

template <class T>
T Button::lookup(const std::map<unsigned, T>& values, unsigned state) {
    if (auto found = values.find(state); found != values.end()) return found->second;
    if (auto found = values.find(kControlStateNormal); found != values.end()) return found->second;
    return T{};
}

void Button::setTitle(const QString& title, unsigned state) {
    titles_[state] = title;
    updateAppearance();
}

QString Button::titleForState(unsigned state) const {
    return lookup(titles_, state);
}

void Button::setTitleColor(const Color& color, unsigned state) {
    titleColors_[state] = color;
    updateAppearance();
}

Color Button::titleColorForState(unsigned state) const {
    return lookup(titleColors_, state);
}

void Button::setTitleShadowColor(const Color& color, unsigned state) {
    shadowColors_[state] = color;
    updateAppearance();
}

Color Button::titleShadowColorForState(unsigned state) const {
    return lookup(shadowColors_, state);
}

void Button::setImage(std::shared_ptr<Image> image, unsigned state) {
    images_[state] = std::move(image);
    updateAppearance();
}

std::shared_ptr<Image> Button::imageForState(unsigned state) const {
    return lookup(images_, state);
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, unsigned state) {
    backgrounds_[state] = std::move(image);
    updateAppearance();
}

std::shared_ptr<Image> Button::backgroundImageForState(unsigned state) const {
    return lookup(backgrounds_, state);
}

const Font& Button::font() const {
    return titleLabel_->font();
}

void Button::setFont(const Font& font) {
    titleLabel_->setFont(font);
    setNeedsLayout();
}

void Button::setContentEdgeInsets(const EdgeInsets& insets) {
    contentInsets_ = insets;
    setNeedsLayout();
}

void Button::setTitleEdgeInsets(const EdgeInsets& insets) {
    titleInsets_ = insets;
    setNeedsLayout();
}

void Button::setImageEdgeInsets(const EdgeInsets& insets) {
    imageInsets_ = insets;
    setNeedsLayout();
}

void Button::setAdjustsImageWhenHighlighted(bool adjusts) {
    adjustsWhenHighlighted_ = adjusts;
    updateAppearance();
}

void Button::setAdjustsImageWhenDisabled(bool adjusts) {
    adjustsWhenDisabled_ = adjusts;
    updateAppearance();
}

void Button::stateDidChange() {
    updateAppearance();
}

std::shared_ptr<Image> Button::adjustedImage() const {
    auto image = currentImage();
    if (!image) return image;
    const unsigned s = state();
    // Only a state that falls back on the normal image is adjusted.
    if ((s & kControlStateHighlighted) && adjustsWhenHighlighted_ && !images_.contains(s)) {
        if (darkened_.first != image.get()) darkened_ = {image.get(), adjusted(*image, true)};
        return darkened_.second;
    }
    if ((s & kControlStateDisabled) && adjustsWhenDisabled_ && !images_.contains(s)) {
        if (faded_.first != image.get()) faded_ = {image.get(), adjusted(*image, false)};
        return faded_.second;
    }
    return image;
}

void Button::updateAppearance() {
    const QString title = currentTitle();
    titleLabel_->setText(title);
    titleLabel_->setTextColor(currentTitleColor());
    titleLabel_->setShadowColor(titleShadowColorForState(state()));
    titleLabel_->setHidden(title.isEmpty());
    auto image = adjustedImage();
    imageView_->setImage(image);
    imageView_->setHidden(!image);
    auto background = currentBackgroundImage();
    backgroundView_->setImage(background);
    backgroundView_->setHidden(!background);
    setNeedsLayout();
}

Rect Button::backgroundRectForBounds(const Rect& bounds) const {
    return bounds;
}

Rect Button::contentRectForBounds(const Rect& bounds) const {
    return contentInsets_.insetRect(bounds);
}

Size Button::imageSize(const Rect& contentRect) const {
    auto image = currentImage();
    if (!image) return {};
    const Size size = image->size();
    return {std::min(size.width, std::max(0.0, contentRect.size.width)),
            std::min(size.height, std::max(0.0, contentRect.size.height))};
}

Size Button::titleSize(double availableWidth) const {
    if (currentTitle().isEmpty()) return {};
    const Size natural = titleLabel_->sizeThatFits({availableWidth, 0});
    return {std::min(natural.width, std::max(0.0, availableWidth)), natural.height};
}

Rect Button::imageRectForContentRect(const Rect& contentRect) const {
    const Size image = imageSize(contentRect);
    const Size title = titleSize(contentRect.size.width - image.width);
    return placed(imageInsets_.insetRect(contentRect), image, image.width + title.width, 0,
                  title.width > 0 ? image.width : contentRect.size.width);
}

Rect Button::titleRectForContentRect(const Rect& contentRect) const {
    const Rect area = titleInsets_.insetRect(contentRect);
    const Size image = imageSize(contentRect);
    const Size title = titleSize(area.size.width - image.width);
    return placed(area, title, image.width + title.width, image.width,
                  area.size.width - image.width);
}

Rect Button::placed(const Rect& area, Size size, double total, double before,
                    double fillWidth) const {
    // Image and title form one run `total` wide; this part starts `before` into it.
    double x = area.origin.x + (area.size.width - total) / 2 + before;
    double width = size.width;
    switch (contentHorizontalAlignment()) {
        case ControlContentHorizontalAlignment::Left:
            x = area.origin.x + before;
            break;
        case ControlContentHorizontalAlignment::Right:
            x = area.maxX() - total + before;
            break;
        case ControlContentHorizontalAlignment::Fill:
            x = area.origin.x + before;
            width = fillWidth;
            break;
        case ControlContentHorizontalAlignment::Center:
            break;
    }
    double y = area.origin.y + (area.size.height - size.height) / 2;
    double height = size.height;
    switch (contentVerticalAlignment()) {
        case ControlContentVerticalAlignment::Top:
            y = area.origin.y;
            break;
        case ControlContentVerticalAlignment::Bottom:
            y = area.maxY() - size.height;
            break;
        case ControlContentVerticalAlignment::Fill:
            y = area.origin.y;
            height = area.size.height;
            break;
        case ControlContentVerticalAlignment::Center:
            break;
    }
    return {x, y, width, height};
}

void Button::layoutSubviews() {
    const Rect b = bounds();
    backgroundView_->setFrame(backgroundRectForBounds(b));
    const Rect content = contentRectForBounds(b);
    imageView_->setFrame(imageRectForContentRect(content));
    titleLabel_->setFrame(titleRectForContentRect(content));
}

Size Button::sizeThatFits(Size) const {
    auto image = currentImage();
    const Size imageSize = image ? image->size() : Size{};
    const Size title = currentTitle().isEmpty() ? Size{} : titleLabel_->sizeThatFits({0, 0});
    Size size{imageSize.width + title.width, std::max(imageSize.height, title.height)};
    size.width += contentInsets_.left + contentInsets_.right;
    size.height += contentInsets_.top + contentInsets_.bottom;
    if (auto background = currentBackgroundImage()) {
        size.width = std::max(size.width, background->size().width);
        size.height = std::max(size.height, background->size().height);
    }
    return size;
}

}  // namespace ui
