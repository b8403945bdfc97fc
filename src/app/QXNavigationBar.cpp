#include "app/QXNavigationBar.h"

#include "app/QXUtil.h"
#include "app/XXNavigationController.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/text_attributes.h"

namespace {
const ui::Color kBarGreen = ui::Color::rgb(86, 186, 34);

void applyLook(ui::NavigationBar& bar) {
    if (auto background = ui::Image::imageNamed(QStringLiteral("顶部BG.png"))) {
        bar.setBackgroundImage(QXUtil::DeviceSystemVersionIsiOS7()
                                   ? background->stretchableImageWithLeftCapWidth(0, 20)
                                   : background);
    }
    bar.setTranslucent(false);
    // The platform's own back button reads white on the green bar.
    bar.setTintColor(ui::Color::whiteColor());
    if (QXUtil::DeviceSystemVersionIsiOS7()) {
        ui::TextAttributes title;
        title.font = ui::Font::systemFontOfSize(18);
        title.textColor = ui::Color::rgb(245, 245, 245);
        bar.setTitleTextAttributes(title);
    }
}

std::shared_ptr<ui::NavigationBar> makeBar() {
    auto bar = std::make_shared<QXNavigationBar>();
    applyLook(*bar);
    return bar;
}
}  // namespace

QXNavigationBar::QXNavigationBar() = default;

void QXNavigationBar::drawRect(const ui::Rect& rect) {
    ui::GraphicsContext* context = ui::GraphicsContext::current();
    if (!context) return;
    context->setFillColor(kBarGreen);
    context->fillRect(rect);
}

std::shared_ptr<ui::NavigationController> QXNavigationBar::NavigationControllerWithQXBar(
    std::shared_ptr<ui::ViewController> root) {
    auto navigation = std::make_shared<ui::NavigationController>(makeBar);
    if (root) navigation->setViewControllers({std::move(root)});
    return navigation;
}

std::shared_ptr<XXNavigationController> QXNavigationBar::XXNavigationControllerWithQXBar(
    std::shared_ptr<ui::ViewController> root) {
    auto navigation = XXNavigationController::create(makeBar);
    if (root) navigation->setViewControllers({std::move(root)});
    return navigation;
}

std::shared_ptr<ui::Image> QXNavigationBar::getImagePingPu(
    const std::shared_ptr<ui::Image>& image) {
    return QXUtil::getImagePingPu(image);
}
