#include "map/QXMapAnnotationView.h"

#include "map/BasicAnnotion.h"
#include "map/MapArtwork.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/label.h"

namespace {

const ui::Color kSelectedTitle = ui::Color::rgb(83, 188, 44);
// The bubble's tail tip, the shop's place, lies below and left of the picture's middle.
constexpr ui::Point kTipOffset{8, -22.5};

}  // namespace

std::shared_ptr<ui::Image> QXMapAnnotationView::normalImage(bool gold) {
    return MapArtwork::imageNamed(gold ? "金牌门店地图.png" : "地图气泡.png");
}

std::shared_ptr<ui::Image> QXMapAnnotationView::selectedImage(bool gold) {
    return MapArtwork::imageNamed(gold ? "金牌门店地图点击.png" : "地图气泡点击.png");
}

QXMapAnnotationView::QXMapAnnotationView(std::shared_ptr<map::Annotation> annotation,
                                         const QString& reuseIdentifier)
    : map::AnnotationView(std::move(annotation), reuseIdentifier),
      titleLable_(std::make_shared<ui::Label>(ui::Rect(2, 10.5, 67, 21))) {
    setFrame({0, 0, 87, 45});
    setBackgroundColor(ui::Color::clearColor());
    titleLable_->setBackgroundColor(ui::Color::clearColor());
    titleLable_->setTextColor(ui::Color::whiteColor());
    titleLable_->setFont(ui::Font::systemFontOfSize(12));
    titleLable_->setTextAlignment(ui::TextAlignment::Center);
    addSubview(titleLable_);
    setCenterOffset(kTipOffset);
}

void QXMapAnnotationView::setAnnotationView() {
    const auto* shop = dynamic_cast<const BasicAnnotion*>(annotation().get());
    const QString name = shop ? shop->companySimpleName : QString();
    titleLable_->setText(name.size() >= 5 ? name.left(4) : name);
    isExcellentShop_ = shop && Tolerant::intValueOfString(shop->isExcellentShop) == 1;
    setImage(normalImage(isExcellentShop_));
    titleLable_->setTextColor(ui::Color::whiteColor());
}

void QXMapAnnotationView::setSelected(bool selected, bool animated) {
    map::AnnotationView::setSelected(selected, animated);
    titleLable_->setTextColor(selected ? kSelectedTitle : ui::Color::whiteColor());
    if (selected && superview()) superview()->bringSubviewToFront(this);
}

ui::View* QXMapAnnotationView::hitTest(ui::Point point, const ui::Event* event) {
    ui::View* hit = map::AnnotationView::hitTest(point, event);
    return hit == this ? nullptr : hit;
}
