#include "ui/widgets/QXSlideControl.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/touch.h"

#include <algorithm>

QXSlideControl::QXSlideControl(ui::Point centre)
    : ui::View(ui::Rect(0, 0, kSize, kSize)), minPoint_(centre), sourcePoint_(centre) {
    setCenter(centre);
    auto knob = std::make_shared<ui::ImageView>(
        ui::Rect((kSize - kKnobSize) / 2, (kSize - kKnobSize) / 2, kKnobSize, kKnobSize));
    knob->setImage(ui::Image::imageNamed(QStringLiteral("圆形按钮.png")));
    addSubview(knob);
}

void QXSlideControl::touchesBegan(const ui::TouchSet& touches, const ui::Event*) {
    if (touches.empty()) return;
    beginPoint_ = (*touches.begin())->locationInView(superview());
    beginCenter_ = center();
}

void QXSlideControl::touchesMoved(const ui::TouchSet& touches, const ui::Event*) {
    if (touches.empty()) return;
    const double x = (*touches.begin())->locationInView(superview()).x;
    const double moved = std::clamp(beginCenter_.x + (x - beginPoint_.x), minPoint_.x,
                                    std::max(minPoint_.x, maxPoint_.x));
    setCenter({moved, center().y});
    if (delegate_) delegate_->slideMoved(*this);
}

void QXSlideControl::touchesEnded(const ui::TouchSet&, const ui::Event*) {
    if (delegate_) delegate_->slideEnded(*this);
}

void QXSlideControl::touchesCancelled(const ui::TouchSet&, const ui::Event*) {
    if (delegate_) delegate_->slideEnded(*this);
}
