#include "ui/navigation/UIViewController+Navigation.h"

#include "ui/image/StretchedImage.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/view_controller.h"

namespace UIViewControllerNavigation {

namespace {
constexpr double kTextButtonHeight = 34;
// The text buttons show 3 points further left inside their container.
constexpr double kContainerShift = 3;

void makeStackExclusive(ui::ViewController& target) {
    if (auto* navigation = target.navigationController())
        navigation->view()->setExclusiveTouch(true);
}

void onTap(ui::Button& button, Action action) {
    button.addTarget(&button, ui::kControlEventTouchUpInside,
                     [action = std::move(action)](ui::Control&, const ui::Event*) {
                         if (action) action();
                     });
}

std::shared_ptr<ui::Button> textButton(const ui::Rect& frame, const QString& title, Action action) {
    auto button = std::make_shared<ui::Button>(frame);
    button->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("button34px.png")),
                               ui::kControlStateNormal);
    button->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("button34px-点击态.png")),
                               ui::kControlStateHighlighted);
    button->setTitle(title, ui::kControlStateNormal);
    button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    button->setFont(ui::Font::systemFontOfSize(14));
    onTap(*button, std::move(action));
    return button;
}

std::shared_ptr<ui::Button> imageButton(const ui::Rect& frame, Action action, const QString& image,
                                        const QString& highlightedImage) {
    auto button = std::make_shared<ui::Button>(frame);
    button->setImage(ui::Image::imageNamed(image), ui::kControlStateNormal);
    button->setImage(ui::Image::imageNamed(highlightedImage), ui::kControlStateHighlighted);
    button->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("icon点击背景")),
                               ui::kControlStateHighlighted);
    onTap(*button, std::move(action));
    return button;
}

std::shared_ptr<ui::View> shiftedContainer(const ui::Rect& frame) {
    auto container = std::make_shared<ui::View>(frame);
    container->setBackgroundColor(ui::Color::clearColor());
    ui::Rect bounds = container->bounds();
    bounds.origin.x = kContainerShift;
    container->setBounds(bounds);
    return container;
}
}  // namespace

void setNavigationBackButton(ui::ViewController& target, Action action) {
    auto button = std::make_shared<ui::Button>(ui::Rect(0, 0, 48, 32));
    button->setImage(ui::Image::imageNamed(QStringLiteral("返回.png")), ui::kControlStateNormal);
    button->setImage(ui::Image::imageNamed(QStringLiteral("返回点击.png")),
                     ui::kControlStateHighlighted);
    button->setTag(kBackButtonTag);
    // Spoken as "返回" to those who do not see the arrow.
    button->setAccessibilityLabel(QStringLiteral("返回"));
    onTap(*button, std::move(action));
    target.navigationItem().setBackBarButtonItem(nullptr);
    target.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::itemWithCustomView(button));
    makeStackExclusive(target);
}

void setNavigationBackButton(ui::ViewController& target) {
    setNavigationBackButton(target, [weak = target.weakAs<ui::ViewController>()] {
        const auto screen = weak.lock();
        if (!screen) return;
        if (ui::NavigationController* navigation = screen->navigationController())
            navigation->popViewControllerAnimated(true);
    });
}

void setNavigationLeftButton(ui::ViewController& target, Action action, const QString& title) {
    const ui::Rect frame(4, 0, title.size() < 3 ? 55 : 63, kTextButtonHeight);
    auto container = shiftedContainer(frame);
    container->addSubview(
        textButton(ui::Rect(0, 0, frame.width(), frame.height()), title, std::move(action)));
    target.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::itemWithCustomView(container));
    makeStackExclusive(target);
}

void setNavigationCancelButton(ui::ViewController& target, Action action) {
    makeStackExclusive(target);
    setNavigationLeftButton(target, std::move(action), QStringLiteral("取消"));
}

std::shared_ptr<ui::Button> setNavigationRightButton(ui::ViewController& target, Action action,
                                                     const QString& title, bool isRedPoint) {
    const ui::Rect frame(0, 0, title.size() < 3 ? 60 : 68, kTextButtonHeight);
    auto container = shiftedContainer(frame);
    auto button =
        textButton(ui::Rect(0, 0, frame.width(), frame.height()), title, std::move(action));
    container->addSubview(button);
    if (isRedPoint) {
        auto red = std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("红点")));
        red->sizeToFit();
        // Aligned to the container's right edge, one point beyond it.
        ui::Rect redFrame = red->frame();
        redFrame.origin.x = kContainerShift + frame.width() - redFrame.size.width + 1;
        red->setFrame(redFrame);
        container->addSubview(red);
    }
    target.navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(container));
    return button;
}

void setNavigationRightButton(ui::ViewController& target, Action action, const QString& image,
                              const QString& highlightedImage) {
    target.navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(
        imageButton(ui::Rect(0, 0, 43, 32), std::move(action), image, highlightedImage)));
}

void setNavigationRightButtons(ui::ViewController& target, Action firstAction,
                               const QString& firstImage, const QString& firstHighlighted,
                               Action secondAction, const QString& secondImage,
                               const QString& secondHighlighted) {
    auto container = std::make_shared<ui::View>(ui::Rect(0, 0, 85, 32));
    container->setBackgroundColor(ui::Color::clearColor());
    container->addSubview(
        imageButton(ui::Rect(0, 0, 42, 32), std::move(firstAction), firstImage, firstHighlighted));
    container->addSubview(imageButton(ui::Rect(42, 0, 42, 32), std::move(secondAction), secondImage,
                                      secondHighlighted));
    target.navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(container));
}

void setNavTitle(ui::ViewController& controller, const QString& title) {
    if (title.isNull()) return;
    auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, 100, 44));
    label->setTextColor(ui::Color::whiteColor());
    label->setFont(ui::Font::boldSystemFontOfSize(18));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setText(title);
    controller.navigationItem().setTitleView(label);
}

void setNavTitleView(ui::ViewController& controller, std::shared_ptr<ui::View> view) {
    controller.navigationItem().setTitleView(std::move(view));
}

void setNavLeftView(ui::ViewController& controller, std::shared_ptr<ui::View> view) {
    controller.navigationItem().setLeftBarButtonItem(
        ui::BarButtonItem::itemWithCustomView(std::move(view)));
}

}  // namespace UIViewControllerNavigation
