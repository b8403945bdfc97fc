#include "ui/widgets/FloatView.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"

#include <cmath>

FloatView::FloatView(const ui::Rect& frame) : ui::ImageView(frame) {}

std::shared_ptr<FloatView> FloatView::withMessage(const ui::Rect& frame, const QString& message) {
    auto view = std::make_shared<FloatView>(frame);
    ns::DelayedCall::schedule(ns::seconds(kLifetime), [weak = std::weak_ptr<FloatView>(view)] {
        if (auto self = weak.lock()) self->removeSelf();
    });
    const double w = frame.size.width;
    const double h = frame.size.height;
    auto label = std::make_shared<ui::Label>(ui::Rect(0, h / 2 - 10, w, 20));
    label->setText(message);
    label->setFont(ui::Font::boldSystemFontOfSize(12));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setTextColor(ui::Color::whiteColor());
    label->setTextAlignment(ui::TextAlignment::Center);
    view->addSubview(label);
    if (auto tip = ui::Image::imageNamed(QStringLiteral("tip-bg.png"))) {
        view->setImage(tip->stretchableImageWithLeftCapWidth(
            static_cast<int>(std::floor(tip->size().width / 2)),
            static_cast<int>(std::floor(tip->size().height / 2))));
    }
    view->setBackgroundColor(ui::Color::clearColor());
    return view;
}
