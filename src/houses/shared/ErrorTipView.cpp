#include "houses/shared/ErrorTipView.h"

#include "houses/shared/HousesScreen.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"

namespace {

using HousesScreen::kBarsHeight;
using HousesScreen::kWidth;
constexpr double kBoxHeight = 125;

// The notice's cover that asks again.
class RetryButton : public ui::Button {
public:
    using ui::Button::Button;
    std::function<void()> retry;
};

}  // namespace

void ErrorTipView::show(ui::View& parent, const ui::Rect& frame, const QString& message,
                        std::function<void()> retry) {
    ui::View* notice = parent.viewWithTag(kTag);
    if (!notice) {
        auto made = std::make_shared<ui::View>(frame);
        made->setTag(kTag);
        made->setBackgroundColor(ui::Color::whiteColor());
        auto picture = std::make_shared<ui::ImageView>(ui::Image::imageNamed(kPictureName));
        const ui::Size size = picture->image() ? picture->image()->size() : ui::Size();
        const double screenHeight = ui::Screen::mainScreen().bounds().size.height;
        auto box = std::make_shared<ui::View>(
            ui::Rect(0, (screenHeight - kBarsHeight - size.height) / 2 - frame.origin.y, kWidth,
                     kBoxHeight));
        box->setTag(kBoxTag);
        box->setBackgroundColor(ui::Color::clearColor());
        picture->setFrame({(ui::Screen::mainScreen().bounds().size.width - size.width) / 2, 0,
                           size.width, size.height});
        box->addSubview(picture);
        auto label = std::make_shared<ui::Label>(ui::Rect(0, size.height + 5, kWidth, 20));
        label->setTag(kLabelTag);
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setTextColor(ui::Color::rgb(178, 178, 178));
        label->setBackgroundColor(ui::Color::clearColor());
        box->addSubview(label);
        made->addSubview(box);
        parent.addSubview(made);
        notice = made.get();
    }
    if (auto* label = dynamic_cast<ui::Label*>(notice->viewWithTag(kLabelTag)))
        label->setText(message);
    auto* button = dynamic_cast<RetryButton*>(notice->viewWithTag(kButtonTag));
    if (retry && !button) {
        auto made = std::make_shared<RetryButton>(notice->bounds());
        made->setTag(kButtonTag);
        ui::View* shown = notice;
        RetryButton* self = made.get();
        made->addTarget(nullptr, ui::kControlEventTouchUpInside,
                        [shown, self](ui::Control&, const ui::Event*) {
                            // A copy: the retry may show the notice again with another.
                            const std::function<void()> retry = self->retry;
                            shown->setHidden(true);
                            if (retry) retry();
                        });
        notice->addSubview(made);
        button = made.get();
    }
    if (button) {
        button->setHidden(!retry);
        button->retry = std::move(retry);
    }
    notice->setHidden(false);
    parent.bringSubviewToFront(notice);
}

void ErrorTipView::hide(ui::View& parent) {
    if (ui::View* notice = parent.viewWithTag(kTag)) notice->setHidden(true);
}

QString ErrorTipView::shownMessage(ui::View& parent) {
    ui::View* notice = parent.viewWithTag(kTag);
    if (!notice || notice->isHidden()) return {};
    auto* label = dynamic_cast<ui::Label*>(notice->viewWithTag(kLabelTag));
    return label ? label->text() : QString();
}
