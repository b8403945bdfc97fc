#include "app/categories/UIViewController+Loading.h"

#include "app/QXUtil.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"
#include "ui/widgets/LoadingOverlay.h"

namespace UIViewControllerLoading {

namespace {
std::shared_ptr<ui::View> overlayIn(const ui::Rect& frame, double dimming) {
    auto overlay = std::make_shared<ui::View>(frame);
    overlay->setBackgroundColor(ui::Color::colorWithWhite(0, dimming));
    overlay->setTag(LoadingOverlay::kTag);
    return overlay;
}

std::shared_ptr<ui::View> makeOverlay(ui::ViewController& controller, double dimming) {
    const ui::Rect bounds = controller.view()->bounds();
    return overlayIn(ui::Rect(0, 0, bounds.width(), bounds.height()), dimming);
}

// A spinning indicator of `style` centred in `overlay`.
void addCentredIndicator(ui::View& overlay, ui::ActivityIndicatorViewStyle style) {
    auto indicator = std::make_shared<ui::ActivityIndicatorView>(style);
    const ui::Size size = indicator->frame().size;
    indicator->setFrame(ui::Rect((overlay.frame().size.width - size.width) / 2,
                                 (overlay.frame().size.height - size.height) / 2, size.width,
                                 size.height));
    indicator->setTag(kIndicatorTag);
    indicator->startAnimating();
    overlay.addSubview(indicator);
}

double screenHeight() {
    return ui::Screen::mainScreen().bounds().height();
}

// An indicator and a text side by side, centred together in the overlay.
void addIndicatorWithText(ui::View& overlay, const QString& text) {
    auto indicator =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
    indicator->setTag(kIndicatorTag);
    const ui::Size indicatorSize = indicator->frame().size;
    const ui::Size textSize = ui::StringDrawing::sizeWithFont(text, ui::Font::systemFontOfSize(16));
    const double groupWidth = indicatorSize.width + textSize.width + 10;
    const double x = (overlay.frame().size.width - groupWidth) / 2;
    const double y = (overlay.frame().size.height - indicatorSize.height) / 2;
    indicator->setFrame(ui::Rect(x, y, indicatorSize.width, indicatorSize.height));
    indicator->startAnimating();
    overlay.addSubview(indicator);
    auto label = std::make_shared<ui::Label>(
        ui::Rect(x + indicatorSize.width + 10, y, textSize.width, textSize.height));
    label->setFont(ui::Font::boldSystemFontOfSize(16));
    label->setTextColor(ui::Color::whiteColor());
    label->setBackgroundColor(ui::Color::clearColor());
    label->setText(text);
    overlay.addSubview(label);
}
}  // namespace

void AddLoading(ui::ViewController& controller) {
    if (controller.view()->viewWithTag(LoadingOverlay::kTag)) return;
    auto overlay = makeOverlay(controller, 0.3);
    addCentredIndicator(*overlay, ui::ActivityIndicatorViewStyle::Gray);
    controller.view()->addSubview(overlay);
}

void AddLoadingWithMessage(ui::ViewController& controller, const QString& text) {
    if (controller.view()->viewWithTag(LoadingOverlay::kTag)) return;
    auto overlay = makeOverlay(controller, 0.5);
    addIndicatorWithText(*overlay, text);
    controller.view()->addSubview(overlay);
}

void AddErShouLoading() {
    ui::Window* window = ui::Window::keyWindow();
    if (!window) return;
    auto overlay = overlayIn(ui::Rect(0, 64, 320, screenHeight() - 64), 0.5);
    addCentredIndicator(*overlay, ui::ActivityIndicatorViewStyle::WhiteLarge);
    window->addSubview(overlay);
}

void RemoveErShouLoading() {
    ui::Window* window = ui::Window::keyWindow();
    if (!window) return;
    if (ui::View* overlay = window->viewWithTag(LoadingOverlay::kTag))
        overlay->removeFromSuperview();
}

void AddRELoading(ui::ViewController& controller) {
    auto overlay = overlayIn(ui::Rect(0, 64, 320, 416), 0.5);
    addCentredIndicator(*overlay, ui::ActivityIndicatorViewStyle::WhiteLarge);
    controller.view()->addSubview(overlay);
}

void AddFavLoadingWithMessage(ui::ViewController& controller, const QString& text) {
    if (controller.view()->viewWithTag(LoadingOverlay::kTag)) return;
    auto overlay =
        overlayIn(ui::Rect(0, 105, controller.view()->bounds().width(), screenHeight() - 105), 0.5);
    addIndicatorWithText(*overlay, text);
    controller.view()->addSubview(overlay);
}

void AddPayWapLoading(std::function<void()> error, std::function<void()> finish) {
    ui::Window* window = ui::Window::keyWindow();
    if (!window) return;
    auto overlay = overlayIn(ui::Screen::mainScreen().bounds(), 0.5);
    auto outside = std::make_shared<ui::Button>(ui::Screen::mainScreen().bounds());
    outside->addTarget(overlay.get(), ui::kControlEventTouchUpInside,
                       [](ui::Control&, const ui::Event*) { RemovePayWapLoading(); });
    overlay->addSubview(outside);
    auto panel = std::make_shared<ui::ImageView>(ui::Rect(15, 165, 290, 130));
    panel->setUserInteractionEnabled(true);
    panel->setImage(QXUtil::setImageStretchImage(ui::Image::imageNamed(QStringLiteral("框.png"))));
    auto title = std::make_shared<ui::Label>(ui::Rect(0, 10, 290, 70));
    title->setFont(ui::Font::systemFontOfSize(14));
    title->setTextAlignment(ui::TextAlignment::Center);
    title->setBackgroundColor(ui::Color::clearColor());
    title->setText(QStringLiteral("确认当前支付状态"));
    panel->addSubview(title);
    const std::pair<QString, std::function<void()>> buttons[] = {
        {QStringLiteral("遇到问题"), std::move(error)},
        {QStringLiteral("完成支付"), std::move(finish)}};
    double x = 30;
    for (const auto& [name, action] : buttons) {
        auto button = std::make_shared<ui::Button>(ui::Rect(x, 70, 110, 40));
        button->setTitle(name, ui::kControlStateNormal);
        button->setTitleColor(ui::Color::blackColor(), ui::kControlStateNormal);
        button->setFont(ui::Font::systemFontOfSize(14));
        for (const auto& [image, state] :
             {std::pair{"停止上传button.png", ui::kControlStateNormal},
              std::pair{"停止上传button-点击.png", ui::kControlStateHighlighted}}) {
            if (auto picture = ui::Image::imageNamed(QString::fromUtf8(image))) {
                button->setBackgroundImage(picture->stretchableImageWithLeftCapWidth(7, 20), state);
            }
        }
        button->addTarget(button.get(), ui::kControlEventTouchUpInside,
                          [onTap = action](ui::Control&, const ui::Event*) {
                              if (onTap) onTap();
                          });
        panel->addSubview(button);
        x += 120;
    }
    overlay->addSubview(panel);
    window->addSubview(overlay);
}

void RemovePayWapLoading() {
    ui::Window* window = ui::Window::keyWindow();
    ui::View* found = window ? window->viewWithTag(LoadingOverlay::kTag) : nullptr;
    if (!found) return;
    const std::shared_ptr<ui::View> overlay = found->sharedView();
    overlay->setAlpha(1);
    ui::View::animateWithDuration(
        0.5, [overlay] { overlay->setAlpha(0); },
        [overlay](bool) { overlay->removeFromSuperview(); });
}

void RemoveLoading(ui::ViewController& controller) {
    if (ui::View* overlay = controller.view()->viewWithTag(LoadingOverlay::kTag))
        overlay->removeFromSuperview();
}

void RemoveLoadingWithAlertTitle(ui::ViewController& controller, const QString& title,
                                 const QString& message) {
    QXUtil::showAlertViewWithAlertTitle(title, message);
    RemoveLoading(controller);
}

}  // namespace UIViewControllerLoading
