#include "account/QXUCenterViewController.h"

#include "account/FailureAlert.h"
#include "account/QXHouseNewsViewController.h"
#include "account/QXUserInfo.h"
#include "account/UserLogonData.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"

namespace {
const QString kDemoAccount = QStringLiteral("demo");

std::shared_ptr<ui::Button> greenButton(const ui::Rect& frame) {
    auto button = std::make_shared<ui::Button>(frame);
    button->setBackgroundColor(ui::Color::rgb(86, 186, 34));
    button->layer()->setCornerRadius(5);
    button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    button->setFont(ui::Font::systemFontOfSize(16));
    return button;
}
}  // namespace

QXUCenterViewController::QXUCenterViewController(std::shared_ptr<QXUserInfo> userInfo)
    : userInfo_(std::move(userInfo)) {
    setTitle(QStringLiteral("个人中心"));
}

void QXUCenterViewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::colorWithRed(0.92, 0.92, 0.92));
    stateLabel_ = std::make_shared<ui::Label>(ui::Rect(20, 40, 280, 30));
    stateLabel_->setTextAlignment(ui::TextAlignment::Center);
    stateLabel_->setBackgroundColor(ui::Color::clearColor());
    view()->addSubview(stateLabel_);

    logonButton_ = greenButton(ui::Rect(40, 90, 240, 40));
    logonButton_->addTarget(this, ui::kControlEventTouchUpInside,
                            [this](ui::Control&, const ui::Event*) { logonOrLogout(); });
    view()->addSubview(logonButton_);

    newsButton_ = greenButton(ui::Rect(40, 150, 240, 40));
    newsButton_->setTitle(QStringLiteral("房产资讯"), ui::kControlStateNormal);
    newsButton_->addTarget(this, ui::kControlEventTouchUpInside,
                           [this](ui::Control&, const ui::Event*) { openNews(); });
    view()->addSubview(newsButton_);
    refresh();
}

void QXUCenterViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    refresh();
}

void QXUCenterViewController::refresh() {
    if (!stateLabel_) return;
    const bool loggedOn = userInfo_ && userInfo_->logonSuccess();
    stateLabel_->setText(loggedOn ? QStringLiteral("已登录：%1").arg(userInfo_->loginName())
                                  : QStringLiteral("未登录"));
    logonButton_->setTitle(loggedOn ? QStringLiteral("退出登录") : QStringLiteral("登录"),
                           ui::kControlStateNormal);
}

void QXUCenterViewController::logonOrLogout() {
    if (!userInfo_) return;
    auto weak = weakAs<QXUCenterViewController>();
    auto changed = [weak] {
        ns::NotificationCenter::defaultCenter().post(kUserChangedNotification);
        if (auto self = weak.lock()) self->refresh();
    };
    if (!userInfo_->logonSuccess()) {
        // The user asked for the logon: a refusal or a lost request is told, not swallowed.
        UserLogonData::logonWithName(kDemoAccount, *userInfo_, changed, showFailureAlert);
        return;
    }
    // Logging off never waits for the server: the user asked to be logged off here.
    UserLogonData::autoLogoutRequestWithSuccess(userInfo_->loginID(), {}, {});
    userInfo_->removeMemoryLogonInfo();
    QXUserInfo::removeFileLogonInfo();
    changed();
}

void QXUCenterViewController::openNews() {
    if (auto* navigation = navigationController()) {
        navigation->pushViewController(std::make_shared<QXHouseNewsViewController>(), true);
    }
}
