#include "app/QXNewGuidView.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"

QXNewGuidView::QXNewGuidView(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(ui::Color::rgb(242, 242, 242));
    auto headline = std::make_shared<ui::Label>(ui::Rect(20, 90, frame.width() - 40, 160));
    headline->setNumberOfLines(0);
    headline->setTextAlignment(ui::TextAlignment::Center);
    headline->setBackgroundColor(ui::Color::clearColor());
    headline->setTextColor(ui::Color::rgb(83, 188, 44));
    headline->setFont(ui::Font::boldSystemFontOfSize(20));
    headline->setText(
        QStringLiteral("租房、合租、买房\n找房源，和经纪人聊\n发布需求，等经纪人推荐"));
    addSubview(headline);

    auto start = std::make_shared<ui::Button>(ui::Rect(25, frame.height() - 68, 270, 44));
    for (const auto& [name, state] :
         {std::pair{"开始button.png", ui::kControlStateNormal},
          std::pair{"开始button点击.png", ui::kControlStateHighlighted}}) {
        if (auto image = ui::Image::imageNamed(QString::fromUtf8(name))) {
            start->setBackgroundImage(image->stretchableImageWithLeftCapWidth(25, 0), state);
        }
    }
    start->setTitle(QStringLiteral("开始找房"), ui::kControlStateNormal);
    start->setTitleColor(ui::Color::rgb(83, 188, 44), ui::kControlStateNormal);
    start->setFont(ui::Font::systemFontOfSize(18));
    start->addTarget(this, ui::kControlEventTouchUpInside, [this](ui::Control&, const ui::Event*) {
        // The guide goes after the tap is over: removing it drops the button
        // that is still reporting the tap.
        ns::MainQueue::post([weak = weakAs<QXNewGuidView>()] {
            if (auto self = weak.lock()) self->goToClose();
        });
    });
    addSubview(start);
}

void QXNewGuidView::goToClose() {
    removeFromSuperview();
}
