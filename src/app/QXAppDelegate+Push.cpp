// The application delegate's part in push notifications: the device token, the dispatch
// of a tapped push by its "type", and the banner of a push that arrives while in use.
#include "app/QXAppDelegate.h"

#include "account/QXHouseNewsViewController.h"
#include "app/QXPlaceholderController.h"
#include "app/QXTabBarController.h"
#include "app/QXUIViewController.h"
#include "app/QXUtil.h"
#include "app/WebHelp.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"

#include <chrono>

namespace {

constexpr double kStatusBarWindowLevel = 1000;
const QString kNeedListTitle = QStringLiteral("找房意向");

// Whether a screen was opened from a push, for the kinds a push opens.
bool openedFromPush(ui::ViewController& screen) {
    if (auto* base = dynamic_cast<QXUIViewController*>(&screen)) return base->isFromPush();
    if (auto* web = dynamic_cast<WebHelp*>(&screen)) return web->isFromPush();
    if (auto* news = dynamic_cast<QXHouseNewsViewController*>(&screen)) return news->isFromPush();
    return false;
}

// Whether a presented screen is the photo pager, alone or at the top of the stack it was
// presented in.
bool showsPhotoPager(ui::ViewController& screen) {
    const QString pager = QStringLiteral("ImageScrollPageController");
    if (screen.className() == pager) return true;
    auto* stack = dynamic_cast<ui::NavigationController*>(&screen);
    const auto top = stack ? stack->topViewController() : nullptr;
    return top && top->className() == pager;
}

std::shared_ptr<ui::Transition> moveIn(const QString& from, double seconds) {
    auto transition = ui::Transition::animation();
    transition->setType(ui::Transition::kMoveIn);
    transition->setSubtype(from);
    transition->setDuration(seconds);
    return transition;
}

}  // namespace

void QXAppDelegate::didRegisterForRemoteNotificationsWithDeviceToken(ui::Application&,
                                                                     const QByteArray& token) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setObject(token, QStringLiteral("describeDeviceToken"));
    defaults.synchronize();
}

void QXAppDelegate::didLoadAppByUnRunOnDevice(const QVariantMap& options) {
    const QVariant payload = options.value(ui::kApplicationLaunchOptionsRemoteNotificationKey);
    if (payload.typeId() == QMetaType::QVariantMap)
        doSomethingWithRemoteNotification(payload.toMap());
}

void QXAppDelegate::didReceiveRemoteNotification(ui::Application& application,
                                                 const QVariantMap& payload) {
    if (payload.isEmpty()) return;
    // In use means active after the launch, however the app got there: after a trip to the
    // background the next push that arrives while active is a banner, not a tap.
    const bool inUse =
        tabBarController_ && application.applicationState() == ui::ApplicationState::Active;
    if (!inUse) {
        applicationRun_ = true;
        doSomethingWithRemoteNotification(payload);
        return;
    }
    QXUtil::mobEvent(QStringLiteral("pushmessage_notIM_click"));
    QXUtil::mobEvent(QStringLiteral("pushmessage_click"));
    if (!window_) return;
    if (window_->viewWithTag(kPushBannerTag)) statusbarRemove();
    window_->setWindowLevel(kStatusBarWindowLevel);
    window_->setBackgroundColor(ui::Color::clearColor());

    auto banner = std::make_shared<ui::View>(ui::Rect(180, 0, 140, 20));
    banner->setTag(kPushBannerTag);
    banner->setBackgroundColor(ui::Color::clearColor());
    auto black = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 140, 20));
    black->setBackgroundColor(ui::Color::blackColor());
    banner->addSubview(black);
    auto icon = std::make_shared<ui::ImageView>(ui::Rect(10, 2, 16, 16));
    icon->setImage(ui::Image::imageNamed(QStringLiteral("推送-小喇叭.png")));
    icon->setImage(ui::Image::imageNamed(QStringLiteral("状态栏 icon im消息提示.png")));
    banner->addSubview(icon);
    auto label = std::make_shared<ui::Label>(ui::Rect(30, 0, 110, 20));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setFont(ui::Font::systemFontOfSize(12));
    label->setTextColor(ui::Color::whiteColor());
    label->setText(QStringLiteral("你有房产聊天消息"));
    banner->addSubview(label);
    auto cover = ui::Button::buttonWithType(ui::ButtonType::Custom);
    cover->setFrame(ui::Rect(0, 0, 140, 20));
    banner->addSubview(cover);
    banner->layer()->addAnimation(moveIn(ui::Transition::kFromBottom, 1.0),
                                  QStringLiteral("animation"));
    window_->addSubview(banner);

    const std::weak_ptr<QXAppDelegate> weak = weak_from_this();
    const std::weak_ptr<ui::View> shown = banner;
    ns::Clock::shared().schedule(std::chrono::milliseconds(int(kPushBannerSeconds * 1000)),
                                 [weak, shown] {
                                     const auto self = weak.lock();
                                     const auto view = shown.lock();
                                     // A newer banner has its own removal.
                                     if (self && view && view->superview()) self->statusbarRemove();
                                 });
}

void QXAppDelegate::statusbarRemove() {
    if (!window_) return;
    window_->setWindowLevel(0);
    const ui::Color grey = ui::Color::colorWithRed(0.92, 0.92, 0.92);
    window_->setBackgroundColor(grey);
    if (tabBarController_) tabBarController_->view()->setBackgroundColor(grey);
    ui::View* banner = window_->viewWithTag(kPushBannerTag);
    if (!banner) return;
    ui::Rect frame = banner->frame();
    frame.origin.y -= 20;
    banner->setFrame(frame);
    banner->layer()->addAnimation(moveIn(ui::Transition::kFromTop, 1.0));
    banner->removeFromSuperview();
}

void QXAppDelegate::doSomethingWithRemoteNotification(const QVariantMap& payload) {
    const QString type = payload.value(QStringLiteral("type")).toString();
    if (type == QStringLiteral("8")) {
        QXUtil::mobEvent(QStringLiteral("pushmessage_notIM_show"));
        goToNewsList();
    } else if (type == QStringLiteral("1")) {
        QXUtil::mobEvent(QStringLiteral("pushmessage_show"));
        goToMessagePage();
    } else if (type == QStringLiteral("3")) {
        QXUtil::mobEvent(QStringLiteral("pushmessage_notIM_show"));
        goToWebPageWithUrl(payload.value(QStringLiteral("url")).toString());
    } else if (type == QStringLiteral("7")) {
        goToMainPageWith();
    } else if (type == QStringLiteral("12")) {
        QXUtil::mobEvent(QStringLiteral("subscribe_push_detail"));
        goToFindHouseNeedListPage();
    }
}

void QXAppDelegate::goToNewsList() {
    auto news = std::make_shared<QXHouseNewsViewController>();
    news->setIsFromPush(true);
    showInfoFromPush(news);
}

void QXAppDelegate::goToWebPageWithUrl(const QString& url) {
    auto page = std::make_shared<WebHelp>(QString(), url);
    page->setIsFromPush(true);
    showInfoFromPush(page);
}

void QXAppDelegate::goToFindHouseNeedListPage() {
    auto needs = std::make_shared<QXPlaceholderController>(
        kNeedListTitle, QStringLiteral("这里将是发布过的找房意向和经纪人的回复。"));
    needs->setIsFromPush(true);
    showInfoFromPush(needs);
}

void QXAppDelegate::goToMainPageWith() {
    doSomethingBeforePopToTopVC();
    if (tabBarController_) tabBarController_->setSelectedIndex(0);
}

void QXAppDelegate::goToMessagePage() {
    doSomethingBeforePopToTopVC();
    if (tabBarController_) tabBarController_->setSelectedIndex(1);
}

void QXAppDelegate::showInfoFromPush(const std::shared_ptr<ui::ViewController>& screen) {
    if (!tabBarController_) return;
    if (!tabBarController_->selectedViewController()) tabBarController_->setSelectedIndex(0);
    auto* stack =
        dynamic_cast<ui::NavigationController*>(tabBarController_->selectedViewController().get());
    if (!stack) return;
    if (const auto top = stack->topViewController();
        top && top->className() == screen->className() && openedFromPush(*top)) {
        stack->popViewControllerAnimated(false);
    }
    stack->view()->layer()->addAnimation(moveIn(ui::Transition::kFromTop, 0.3));
    stack->pushViewController(screen, false);
}

void QXAppDelegate::doSomethingBeforePopToTopVC() {
    if (!tabBarController_) return;
    auto* stack =
        dynamic_cast<ui::NavigationController*>(tabBarController_->selectedViewController().get());
    if (!stack) return;
    const auto visible = stack->visibleViewController();
    if (visible && visible->className() == QStringLiteral("QXBrokerReplyViewController")) {
        visible->performAction(QStringLiteral("hidingBrokersPopListView"));
    } else if (visible && visible != stack->topViewController() && showsPhotoPager(*visible)) {
        visible->dismissViewControllerAnimated(false);
    } else if (const auto presented = tabBarController_->presentedViewController();
               presented && showsPhotoPager(*presented)) {
        // A screen of a tab presents over the whole tab bar.
        presented->dismissViewControllerAnimated(false);
    }
    stack->popToRootViewControllerAnimated(false);
}
