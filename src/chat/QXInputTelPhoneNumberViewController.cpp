#include "chat/QXInputTelPhoneNumberViewController.h"

#include "chat/ChatHost.h"
#include "chat/QXMessageController.h"

#include "IMChat/qximlib/QXIMAgentCalls.h"
#include "analytics/StatClick.h"
#include "net/EndpointTable.h"
#include "net/QXNetContext.h"
#include "ui/navigation/UIViewController+Navigation.h"

#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"

#include <QRegularExpression>

namespace {

void alert(const QString& message) {
    std::make_shared<ui::AlertView>(QString(), message, std::weak_ptr<ui::AlertViewDelegate>(),
                                    QStringLiteral("确定"))
        ->show();
}

}  // namespace

QXInputTelPhoneNumberViewController::QXInputTelPhoneNumberViewController() {
    // The screen starts below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    setTitle(QStringLiteral("输入手机号"));
    setHidesBottomBarWhenPushed(true);
}

QXInputTelPhoneNumberViewController::~QXInputTelPhoneNumberViewController() = default;

bool QXInputTelPhoneNumberViewController::checkTel(const QString& text) {
    if (text.isEmpty()) return false;
    // No comma in the third digit's class: "15,..." and "18,..." are no numbers.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("((13[0-9])|(147)|(15[0-35-9])|(18[05-9]))\\d{8}")));
    return pattern.match(text).hasMatch();
}

void QXInputTelPhoneNumberViewController::viewDidLoad() {
    view()->setBackgroundColor(ui::Color::rgb(240, 240, 240));
    const std::weak_ptr<QXInputTelPhoneNumberViewController> weak =
        weakAs<QXInputTelPhoneNumberViewController>();
    UIViewControllerNavigation::setNavigationBackButton(*this, [weak] {
        auto self = weak.lock();
        if (!self) return;
        if (ui::NavigationController* stack = self->navigationController())
            stack->popViewControllerAnimated(true);
    });

    auto hint = std::make_shared<ui::Label>(ui::Rect(15, 20, 290, 36));
    hint->setText(QStringLiteral("请输入您的手机号码，记录与这位经纪人的成交。"));
    hint->setNumberOfLines(2);
    hint->setFont(ui::Font::systemFontOfSize(14));
    hint->setTextColor(ui::Color::rgb(100, 100, 100));
    hint->setBackgroundColor(ui::Color::clearColor());
    view()->addSubview(hint);

    telePhoneField_ = std::make_shared<ui::TextField>(ui::Rect(15, 66, 290, 40));
    telePhoneField_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    telePhoneField_->setPlaceholder(QStringLiteral("手机号码"));
    telePhoneField_->setBackgroundColor(ui::Color::whiteColor());
    telePhoneField_->setFont(ui::Font::systemFontOfSize(16));
    telePhoneField_->setKeyboardType(ui::KeyboardType::NumberPad);
    telePhoneField_->setDelegate(weak);
    view()->addSubview(telePhoneField_);
    textFieldString_ = telePhoneField_->text();

    auto confirm = std::make_shared<ui::Button>(ui::Rect(15, 124, 290, 42));
    confirm->setTitle(QStringLiteral("确定"), ui::kControlStateNormal);
    confirm->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    confirm->setBackgroundColor(ui::Color::rgb(86, 186, 34));
    confirm->layer()->setCornerRadius(4);
    confirm->setFont(ui::Font::boldSystemFontOfSize(16));
    confirm->addTarget(this, ui::kControlEventTouchUpInside,
                       [weak](ui::Control&, const ui::Event*) {
                           if (auto self = weak.lock()) self->doMakeSure();
                       });
    view()->addSubview(confirm);
}

void QXInputTelPhoneNumberViewController::touchesBegan(const ui::TouchSet&, const ui::Event*) {
    telePhoneField_->resignFirstResponder();
}

void QXInputTelPhoneNumberViewController::textFieldDidBeginEditing(ui::TextField& field) {
    field.setText({});
}

void QXInputTelPhoneNumberViewController::textFieldDidEndEditing(ui::TextField& field) {
    isTelNumber_ = checkTel(field.text());
}

void QXInputTelPhoneNumberViewController::showLoading(bool shown) {
    if (!shown) {
        if (loading_) loading_->removeFromSuperview();
        loading_.reset();
        return;
    }
    loading_ = std::make_shared<ui::View>(ui::Rect(110, 150, 100, 80));
    loading_->setBackgroundColor(ui::Color::colorWithWhite(0, 0.7));
    loading_->layer()->setCornerRadius(8);
    auto spinner =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::WhiteLarge);
    spinner->setCenter({50, 40});
    spinner->startAnimating();
    loading_->addSubview(spinner);
    view()->addSubview(loading_);
}

void QXInputTelPhoneNumberViewController::doMakeSure() {
    if (!QXNetContext::shared()->connectionReachabil()) {
        alert(kNoNetwork);
        return;
    }
    const QString number = telePhoneField_->text();
    if (!checkTel(number)) {
        alert(kBadNumber);
        return;
    }
    StatClick::event(QStringLiteral("deal_bn_confirm"));
    showLoading(true);
    const std::weak_ptr<QXInputTelPhoneNumberViewController> weak =
        weakAs<QXInputTelPhoneNumberViewController>();
    QXIMAgentCalls::insertAgentUserTransaction(
        toId_, number,
        [weak](const QVariant& reply) {
            if (auto self = weak.lock()) self->replied(reply);
        },
        [weak](const QVariantMap&) {
            if (auto self = weak.lock()) self->showLoading(false);
        });
}

void QXInputTelPhoneNumberViewController::replied(const QVariant& reply) {
    showLoading(false);
    const QString address =
        QXIMAgentCalls::resultOf(reply, QStringLiteral("insertAgentUserTransaction")).toString();
    if (auto opener = responseVc_.lock()) opener->changeRightItem(address);
    if (address.isEmpty()) {
        alert(kNoAddress);
        return;
    }
    const QString page = address.startsWith(QStringLiteral("http"))
                             ? address
                             : QStringLiteral("%1/%2").arg(EndpointTable::imageHost(), address);
    if (ui::NavigationController* stack = navigationController())
        stack->pushViewController(ChatHost::shared()->makeWebPage(QStringLiteral("成交记录"), page),
                                  true);
}
