#include "app/categories/UIViewController+Loading.h"

#include "app/QXUtil.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/view_controller.h"

namespace UIViewControllerLoading {

namespace {
std::shared_ptr<ui::View> makeOverlay(ui::ViewController& controller, double dimming) {
    const ui::Rect bounds = controller.view()->bounds();
    auto overlay = std::make_shared<ui::View>(ui::Rect(0, 0, bounds.width(), bounds.height()));
    overlay->setBackgroundColor(ui::Color::colorWithWhite(0, dimming));
    overlay->setTag(kLoadingTag);
    return overlay;
}
}  // namespace

void AddLoading(ui::ViewController& controller) {
    if (controller.view()->viewWithTag(kLoadingTag)) return;
    auto overlay = makeOverlay(controller, 0.3);
    auto indicator =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    const ui::Size size = indicator->frame().size;
    indicator->setFrame(ui::Rect((overlay->frame().size.width - size.width) / 2,
                                 (overlay->frame().size.height - size.height) / 2, size.width,
                                 size.height));
    indicator->setTag(kIndicatorTag);
    indicator->startAnimating();
    overlay->addSubview(indicator);
    controller.view()->addSubview(overlay);
}

void AddLoadingWithMessage(ui::ViewController& controller, const QString& text) {
    if (controller.view()->viewWithTag(kLoadingTag)) return;
    auto overlay = makeOverlay(controller, 0.5);
    auto indicator =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
    indicator->setTag(kIndicatorTag);
    const ui::Size indicatorSize = indicator->frame().size;
    const ui::Size textSize = ui::StringDrawing::sizeWithFont(text, ui::Font::systemFontOfSize(16));
    const double groupWidth = indicatorSize.width + textSize.width + 10;
    const double x = (overlay->frame().size.width - groupWidth) / 2;
    const double y = (overlay->frame().size.height - indicatorSize.height) / 2;
    indicator->setFrame(ui::Rect(x, y, indicatorSize.width, indicatorSize.height));
    indicator->startAnimating();
    overlay->addSubview(indicator);
    auto label = std::make_shared<ui::Label>(
        ui::Rect(x + indicatorSize.width + 10, y, textSize.width, textSize.height));
    label->setFont(ui::Font::boldSystemFontOfSize(16));
    label->setTextColor(ui::Color::whiteColor());
    label->setBackgroundColor(ui::Color::clearColor());
    label->setText(text);
    overlay->addSubview(label);
    controller.view()->addSubview(overlay);
}

void RemoveLoading(ui::ViewController& controller) {
    if (ui::View* overlay = controller.view()->viewWithTag(kLoadingTag))
        overlay->removeFromSuperview();
}

void RemoveLoadingWithAlertTitle(ui::ViewController& controller, const QString& title,
                                 const QString& message) {
    QXUtil::showAlertViewWithAlertTitle(title, message);
    RemoveLoading(controller);
}

}  // namespace UIViewControllerLoading
