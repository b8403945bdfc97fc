#include "houses/community/QXCommunityImageView.h"

#include "houses/HousesNavigation.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "ui/image/ImageView.h"

#include <QUrl>

#include <cmath>

namespace {

constexpr double kAnimationDuration = 0.75;
const ui::Rect kPictureFrame{8, 8, 126, 95};
const ui::Color kImageGrey = ui::Color::colorWithWhite(0.6);
const ui::Color kImageOrange = ui::Color::colorWithRed(247 / 255.0, 127 / 255.0, 0);

ui::Font tileFont() {
    return ui::Font::systemFontOfSize(14);
}

}  // namespace

QXCommunityImageView::QXCommunityImageView(const ui::Rect& frame, int type, const QString& imageURL)
    : ui::View(frame), type_(type), imageURL_(imageURL) {
    setBackgroundColor(ui::Color::clearColor());
    createViewByType();
}

void QXCommunityImageView::createViewByType() {
    if (type_ == 0) return;
    imageView_ = std::make_shared<ImageView>(kPictureFrame);
    if (!imageURL_.isEmpty()) {
        imageView_->setImageUrl(QUrl(imageURL_));
        imageView_->setImageFromImageUrl();
    }
    addSubview(imageView_);
}

void QXCommunityImageView::setImageURL(const QString& url) {
    imageURL_ = url;
    if (!imageView_ || url.isNull()) return;
    imageView_->setImageUrl(QUrl(url));
    imageView_->setImageFromImageUrl();
}

void QXCommunityImageView::setAvgPrice(const QString& text) {
    avgPrice_ = text;
    setNeedsDisplay();
}

void QXCommunityImageView::setAvgPriceChange(const QString& text) {
    avgPriceChange_ = text;
    setNeedsDisplay();
}

void QXCommunityImageView::setTarget(const std::shared_ptr<ui::ViewController>& target) {
    if (target == target_.lock()) return;
    target_ = target;
    if (!imageView_ || tap_) return;
    tap_ = std::make_shared<ui::TapGestureRecognizer>(
        this, [this](ui::GestureRecognizer&) { handleTap(); });
    imageView_->addGestureRecognizer(tap_);
}

double QXCommunityImageView::changeValue() const {
    bool read = false;
    const float change = avgPriceChange_.trimmed().toFloat(&read);
    return read && std::isfinite(change) ? change : 0;
}

bool QXCommunityImageView::changeGoesDown() const {
    return changeValue() < 0;
}

QString QXCommunityImageView::changeText() const {
    const double change = changeValue();
    return QString::asprintf("%.1f%%", change < 0 ? change * -100 : change * 100);
}

void QXCommunityImageView::drawRect(const ui::Rect&) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Font font = tileFont();
    const bool picture = type_ == 1;
    const double x1 = picture ? kPictureFrame.maxX() + 10 : 12;
    const double y1 = picture ? kPictureFrame.origin.y : 10;
    context->setFillColor(kImageGrey);
    ui::StringDrawing::drawAtPoint(kAvgPriceTitle, ui::Point(x1, y1), font);
    if (!avgPrice_.isEmpty()) {
        const double titleWidth = ui::StringDrawing::sizeWithFont(kAvgPriceTitle, font).width;
        context->setFillColor(kImageOrange);
        ui::StringDrawing::drawAtPoint(avgPrice_, ui::Point(x1 + titleWidth, y1), font);
    }
    const double x2 = picture ? kPictureFrame.maxX() + 8 : 160;
    const double y2 = picture ? y1 + 25 : y1;
    context->setFillColor(kImageGrey);
    const double changeTitleWidth =
        ui::StringDrawing::drawAtPoint(kChangeTitle, ui::Point(x2, y2), font).width;
    double x = x2 + changeTitleWidth;
    if (auto arrow = ui::Image::imageNamed(changeGoesDown() ? kDownArrow : kUpArrow)) {
        arrow->drawAtPoint(ui::Point(x, y2 - 1));
        x += arrow->size().width;
    }
    context->setFillColor(kImageOrange);
    x += ui::StringDrawing::drawAtPoint(changeText(), ui::Point(x, y2), font).width;
    context->setFillColor(kImageGrey);
    ui::StringDrawing::drawAtPoint(QStringLiteral(" )"), ui::Point(x, y2), font);
}

void QXCommunityImageView::handleTap() {
    if (allImageURL_.isEmpty()) return;
    if (imageView_) {
        // The picture flashes green and fades back as it is opened.
        imageView_->setBackgroundColor(ui::Color::rgb(85, 187, 34));
        imageView_->bImageView()->setFrame({2, 2, 122, 91});
        ui::View::animateWithDuration(
            kAnimationDuration,
            [picture = imageView_] { picture->setBackgroundColor(ui::Color::rgb(229, 229, 229)); },
            [picture = imageView_](bool) {
                picture->setBackgroundColor(ui::Color::rgb(229, 229, 229));
                picture->bImageView()->setFrame({1, 1, 124, 93});
            });
    }
    const auto presenter = target_.lock();
    if (!presenter) return;
    HousesNavigation::presentPhotoPager(
        *presenter, HousesNavigation::PhotoPagerMode::CommunityPhotos, allImageURL_);
}

void QXCommunityImageView::removeDetailImage() {
    if (const auto presenter = target_.lock()) presenter->dismissViewControllerAnimated(true);
}
