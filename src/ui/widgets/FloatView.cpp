#include "ui/widgets/FloatView.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/window.h"

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

void FloatView::showMessage(ui::View& view, const QString& message) {
    const ui::Size measured =
        ui::StringDrawing::sizeWithFont(message, ui::Font::systemFontOfSize(12),
                                        ui::Size(150, 1000), ui::LineBreakMode::CharacterWrap);
    const double boxWidth = message.isNull() || measured.width < 100 ? 100 : 300;
    // Only one message at a time: an earlier one still showing goes at once.
    std::vector<std::shared_ptr<ui::View>> earlier;
    for (const auto& subview : view.subviews()) {
        if (subview->tag() == kFloatMessageTag) earlier.push_back(subview);
    }
    for (const auto& subview : earlier) subview->removeFromSuperview();
    auto floating =
        withMessage(ui::Rect(std::floor((320 - boxWidth) / 2),
                             ui::Screen::mainScreen().bounds().height() - 93, boxWidth, 33),
                    message);
    floating->setTag(kFloatMessageTag);
    view.addSubview(floating);
}

void FloatView::showMessageInKeyWindow(const QString& message) {
    if (ui::Window* window = ui::Window::keyWindow()) showMessage(*window, message);
}
