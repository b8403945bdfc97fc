#include "app/WebHelp.h"

#include "app/QXUIViewController.h"
#include "app/QXUtil.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "ui/navigation/UIViewController+Navigation.h"

#include <QUrl>

WebHelp::WebHelp(const QString& title, const QString& url)
    : titleString_(title.isEmpty() ? kDefaultTitle : title), url_(url) {}

WebHelp::~WebHelp() {
    if (qxweb_) qxweb_->setDelegate({});
}

void WebHelp::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    ns::NotificationCenter::defaultCenter().post(kQXHideTableBarNotification);
    view()->setBackgroundColor(ui::Color::colorWithWhite(235.0 / 255, 1));
    UIViewControllerNavigation::setNavTitle(*this, titleString_);

    const double height = ui::Screen::mainScreen().bounds().size.height - 64;
    qxweb_ = std::make_shared<ui::WebView>(ui::Rect(0, 0, 320, height));
    view()->addSubview(qxweb_);
    auto shadow = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 320, 7));
    shadow->setImage(ui::Image::imageNamed(QStringLiteral("title底部阴影.png")));
    view()->addSubview(shadow);
    loadingView_ =
        QXUtil::qxLoadingViewWithRect(ui::Rect(0, 0, 320, height), QStringLiteral("正在加载"));
    qxweb_->addSubview(loadingView_);
    qxweb_->setDelegate(weakAs<WebHelp>());
    qxweb_->loadRequest(ns::URLRequest(QUrl(url_)));

    const auto weak = weakAs<WebHelp>();
    auto back = [weak] {
        if (auto self = weak.lock()) self->returnPressed();
    };
    if (isFromPush_) {
        UIViewControllerNavigation::setNavigationLeftButton(*this, back, QStringLiteral("取消"));
    } else {
        UIViewControllerNavigation::setNavigationBackButton(*this, back);
    }
}

void WebHelp::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (isFromPush_) dragBackPause_.begin(*this);
}

void WebHelp::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    dragBackPause_.end();
}

void WebHelp::webViewDidFinishLoad(ui::WebView&) {
    if (loadingView_) loadingView_->removeFromSuperview();
}

void WebHelp::didFailLoadWithError(ui::WebView&, const ns::Error&) {
    if (loadingView_) loadingView_->removeFromSuperview();
    QXUtil::showAlertViewWithAlertTitle(
        QStringLiteral("无法与服务器通讯"),
        QStringLiteral("无法与服务器通讯。请连接到移动数据网络或者wifi"));
}

void WebHelp::returnPressed() {
    auto* stack = navigationController();
    if (!stack) return;
    if (isFromPush_) {
        isFromPush_ = false;
        auto reveal = ui::Transition::animation();
        reveal->setDuration(0.3);
        reveal->setType(ui::Transition::kReveal);
        reveal->setSubtype(ui::Transition::kFromBottom);
        stack->view()->layer()->addAnimation(reveal);
        stack->popViewControllerAnimated(false);
        return;
    }
    qxweb_->setDelegate({});
    qxweb_->stopLoading();
    // Back to the chat the page was opened from, past a news page in between.
    for (const auto& screen : stack->viewControllers()) {
        const QString kind = screen->className();
        if (kind == QStringLiteral("QXMessageController")) {
            stack->popToViewController(screen, true);
            return;
        }
        if (kind == QStringLiteral("QXHouseNewsViewController")) break;
    }
    stack->popViewControllerAnimated(true);
}
