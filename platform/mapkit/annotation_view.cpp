#include "platform/mapkit/annotation_view.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"

namespace map {

AnnotationView::AnnotationView(std::shared_ptr<Annotation> annotation, QString reuseIdentifier)
    : annotation_(std::move(annotation)),
      reuseIdentifier_(std::move(reuseIdentifier)),
      imageView_(std::make_shared<ui::ImageView>()) {
    setBackgroundColor(ui::Color::clearColor());
    imageView_->setUserInteractionEnabled(false);
    addSubview(imageView_);
}

void AnnotationView::setAnnotation(std::shared_ptr<Annotation> annotation) {
    annotation_ = std::move(annotation);
}

std::shared_ptr<ui::Image> AnnotationView::image() const {
    return imageView_->image();
}

void AnnotationView::setImage(std::shared_ptr<ui::Image> image) {
    const ui::Size size = image ? image->size() : ui::Size{};
    const bool hasImage = image != nullptr;
    imageView_->setImage(std::move(image));
    imageView_->setFrame({0, 0, size.width, size.height});
    if (!hasImage) return;
    const ui::Point centre = center();
    setFrame({centre.x - size.width / 2, centre.y - size.height / 2, size.width, size.height});
}

void AnnotationView::setCenterOffset(ui::Point offset) {
    const ui::Point centre = center();
    setCenter({centre.x - centerOffset_.x + offset.x, centre.y - centerOffset_.y + offset.y});
    centerOffset_ = offset;
}

void AnnotationView::setSelected(bool selected, bool) {
    selected_ = selected;
}

void AnnotationView::prepareForReuse() {
    selected_ = false;
    highlighted_ = false;
}

namespace {

constexpr double kPinSize = 24;
constexpr double kDotSize = 22;

}  // namespace

DefaultAnnotationView::DefaultAnnotationView(std::shared_ptr<Annotation> annotation,
                                             bool userLocation)
    : AnnotationView(std::move(annotation), userLocation ? "UserLocation" : "Pin"),
      userLocation_(userLocation) {
    const double side = userLocation ? kDotSize : kPinSize;
    setFrame({0, 0, side, side});
    // A pin's point is the tip of its stick at the bottom.
    if (!userLocation) setCenterOffset({0, -side / 2});
}

void DefaultAnnotationView::drawRect(const ui::Rect& rect) {
    auto* context = ui::GraphicsContext::current();
    const ui::Rect box = bounds();
    if (userLocation_) {
        context->setFillColor(ui::Color::whiteColor());
        context->fillEllipseInRect(box);
        context->setFillColor(ui::Color::rgb(20, 120, 250));
        context->fillEllipseInRect({4, 4, box.size.width - 8, box.size.height - 8});
        return;
    }
    (void)rect;
    context->setStrokeColor(ui::Color::rgb(90, 90, 90));
    context->setLineWidth(2);
    context->beginPath();
    context->moveToPoint(box.size.width / 2, 10);
    context->addLineToPoint(box.size.width / 2, box.size.height);
    context->strokePath();
    context->setFillColor(ui::Color::rgb(220, 40, 40));
    context->fillEllipseInRect({box.size.width / 2 - 6, 0, 12, 12});
}

void DefaultAnnotationView::setSelected(bool selected, bool animated) {
    AnnotationView::setSelected(selected, animated);
    const QString title = annotation() ? annotation()->title() : QString();
    if (!selected || title.isEmpty()) {
        if (callout_) callout_->removeFromSuperview();
        callout_.reset();
        return;
    }
    auto label = std::make_shared<ui::Label>();
    label->setText(title);
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setBackgroundColor(ui::Color::whiteColor());
    label->layer()->setCornerRadius(6);
    label->layer()->setBorderWidth(0.5);
    label->layer()->setBorderColor(ui::Color::lightGrayColor());
    label->sizeToFit();
    callout_ = label;
    placeCallout();
    addSubview(callout_);
}

void DefaultAnnotationView::placeCallout() {
    const ui::Size size = callout_->frame().size;
    const double width = size.width + 16, height = size.height + 10;
    callout_->setFrame({(bounds().size.width - width) / 2, -height - 4, width, height});
}

}  // namespace map
