#include "ui/widgets/QXLoadingView.h"

#include "platform/uikit/animation.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"

#include <cmath>
#include <numbers>

std::shared_ptr<ui::View> QXLoadingView::loadingViewWithRect(const ui::Rect& frame,
                                                             const QString& tip) {
    auto loading = std::make_shared<ui::View>(frame);
    loading->setBackgroundColor(ui::Color::whiteColor());
    loading->setTag(kTag);
    const ui::Point middle(frame.width() / 2, frame.height() / 2);

    auto box = std::make_shared<ui::View>(ui::Rect(0, 0, 137, 137));
    box->setCenter(middle);
    box->setBackgroundColor(ui::Color::whiteColor());
    box->layer()->setCornerRadius(10);
    loading->addSubview(box);

    auto base =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("loading底部")));
    base->sizeToFit();
    base->setCenter(middle);
    loading->addSubview(base);
    auto spinner =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("loading图标")));
    spinner->sizeToFit();
    spinner->setCenter(middle);
    auto turning = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("transform.rotation.z"));
    turning->setFromValue(0.0);
    turning->setToValue(2 * std::numbers::pi);
    turning->setDuration(1.0);
    turning->setRepeatCount(HUGE_VALF);
    spinner->layer()->addAnimation(turning, QStringLiteral("rotationAnimation"));
    loading->addSubview(spinner);

    auto label = std::make_shared<ui::Label>(ui::Rect(0, spinner->frame().maxY() + 10, 320, 15));
    label->setTag(kTipTag);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextColor(ui::Color::colorWithWhite(0.6));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setText(tip.isEmpty() ? QString() : tip + QStringLiteral("..."));
    loading->addSubview(label);
    return loading;
}
