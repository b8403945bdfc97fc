#include "needs/QXMessageValidationController.h"

#include "analytics/StatClick.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
#include "util/categories/TextCharacters.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

const QString kAuthInterface = QStringLiteral("UserPhoneAuth");
const QString kNoNetwork = QStringLiteral("当前网络不可用，请检查网络设置");

constexpr ns::Duration kTick = std::chrono::seconds(1);

// The countdown is one for every validation screen: a new screen goes on where the last
// one stopped.
int& sharedRemaining() {
    static int remaining = QXMessageValidationController::kCountdownSeconds;
    return remaining;
}

std::shared_ptr<ui::Image> stretched(const QString& name) {
    const auto image = ui::Image::imageNamed(name);
    if (!image) return nullptr;
    return image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                   int(image->size().height / 2));
}

// Eleven digits beginning with 1: what a mobile number of the service looks like.
bool isMobile(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^1[0-9]{10}$"));
    return pattern.match(text).hasMatch();
}

void showMessage(const QString& text) {
    FloatView::showMessageInKeyWindow(text);
}

std::shared_ptr<QXNoCopyPasteTextField> field(const ui::Rect& frame, const QString& placeholder) {
    auto field = std::make_shared<QXNoCopyPasteTextField>(frame);
    field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    field->setBackgroundColor(ui::Color::whiteColor());
    field->setFont(ui::Font::systemFontOfSize(15));
    field->setPlaceholder(placeholder);
    field->setKeyboardType(ui::KeyboardType::NumberPad);
    return field;
}

}  // namespace

bool QXNoCopyPasteTextField::canPerformAction(const QString&) const {
    return false;
}

QXMessageValidationController::QXMessageValidationController() {
    setHidesBottomBarWhenPushed(true);
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

QXMessageValidationController::~QXMessageValidationController() {
    if (timer_) timer_->invalidate();
}

int QXMessageValidationController::remainingSeconds() {
    return sharedRemaining();
}

namespace {

QString notValidationKey(int cityScriptIndex) {
    return QStringLiteral("%1-%2").arg(cityScriptIndex).arg(QStringLiteral("kNeedNotValidation"));
}

}  // namespace

bool QXMessageValidationController::needValidationAtCity(int cityScriptIndex) {
    return !ns::UserDefaults::standardUserDefaults().boolForKey(notValidationKey(cityScriptIndex));
}

void QXMessageValidationController::setValidatedAtCity(int cityScriptIndex) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setBool(true, notValidationKey(cityScriptIndex));
    defaults.synchronize();
}

bool QXMessageValidationController::verifyMobile(const QString& text) {
    return text.size() == kMobileLength;
}

bool QXMessageValidationController::isCountingDown() const {
    return timer_ && timer_->isValid();
}

void QXMessageValidationController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    const auto weak = weakAs<QXMessageValidationController>();
    setTitle(QStringLiteral("验证并发送"));
    view()->setBackgroundColor(ui::Color::colorWithWhite(240.0 / 255, 1));
    formView_ = std::make_shared<ui::View>(view()->bounds());
    formView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                   ui::kAutoresizingFlexibleHeight);
    view()->addSubview(formView_);
    // A tap beside the fields puts the keyboard away.
    auto backdrop = std::make_shared<ui::Button>(formView_->bounds());
    backdrop->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    backdrop->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->resignTextFieldResponse();
    });
    formView_->addSubview(backdrop);

    introLabel_ = std::make_shared<ui::Label>(ui::Rect(20, 14, 280, 34));
    introLabel_->setText(
        QStringLiteral("验证手机号码后，周围的经纪人就能收到您的找房意向并与您联系。"));
    introLabel_->setNumberOfLines(2);
    introLabel_->setFont(ui::Font::systemFontOfSize(13));
    introLabel_->setTextColor(ui::Color::rgb(92, 99, 103));
    introLabel_->setBackgroundColor(ui::Color::clearColor());
    formView_->addSubview(introLabel_);

    mobileTextField_ = field(ui::Rect(20, 58, 182, 40), QStringLiteral("请输入手机号码"));
    mobileTextField_->setDelegate(weak);
    formView_->addSubview(mobileTextField_);
    captchaTextField_ = field(ui::Rect(20, 110, 280, 40), QStringLiteral("请输入短信验证码"));
    captchaTextField_->setDelegate(weak);
    formView_->addSubview(captchaTextField_);

    getCaptchaButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    getCaptchaButton_->setFrame(ui::Rect(210, 58, 90, 40));
    getCaptchaButton_->setFont(ui::Font::systemFontOfSize(13));
    for (const auto& [name, state] :
         {std::pair{QStringLiteral("短信发送button.png"), unsigned(ui::kControlStateNormal)},
          std::pair{QStringLiteral("短信发送button点击.png"),
                    unsigned(ui::kControlStateHighlighted)}}) {
        const auto image = ui::Image::imageNamed(name);
        getCaptchaButton_->setBackgroundImage(
            image ? image->stretchableImageWithLeftCapWidth(5, 0) : nullptr, state);
    }
    getCaptchaButton_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    getCaptchaButton_->setTitleColor(ui::Color::rgb(230, 230, 230), ui::kControlStateDisabled);
    setCaptchaTitle(kGetCode);
    getCaptchaButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->getCaptcha();
    });
    formView_->addSubview(getCaptchaButton_);

    sendButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    sendButton_->setFrame(ui::Rect(20, 160, 280, 40));
    sendButton_->setTitle(QStringLiteral("验证并发送"), ui::kControlStateNormal);
    sendButton_->setFont(ui::Font::systemFontOfSize(16));
    sendButton_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    sendButton_->setBackgroundImage(stretched(QStringLiteral("button34px.png")),
                                    ui::kControlStateNormal);
    sendButton_->setBackgroundImage(stretched(QStringLiteral("button36px-点击态.png")),
                                    ui::kControlStateHighlighted);
    sendButton_->setBackgroundImage(stretched(QStringLiteral("button36px-置灰.png")),
                                    ui::kControlStateDisabled);
    sendButton_->addTarget(this, ui::kControlEventTouchUpInside, [weak](auto&&...) {
        if (auto self = weak.lock()) self->sendRequirement();
    });
    formView_->addSubview(sendButton_);

    sendStateLabel_ = std::make_shared<ui::Label>(ui::Rect(20, 208, 280, 20));
    sendStateLabel_->setText(QStringLiteral("发送中..."));
    sendStateLabel_->setTextAlignment(ui::TextAlignment::Right);
    sendStateLabel_->setFont(ui::Font::systemFontOfSize(14));
    sendStateLabel_->setTextColor(ui::Color::rgb(92, 99, 103));
    sendStateLabel_->setBackgroundColor(ui::Color::clearColor());
    sendStateLabel_->setHidden(true);
    formView_->addSubview(sendStateLabel_);

    sendButton_->setEnabled(false);
    setCaptchaEnabled(false);
    UIViewControllerNavigation::setNavigationLeftButton(
        *this,
        [weak] {
            if (auto self = weak.lock()) self->goBack();
        },
        QStringLiteral("取消"));

    auto& center = ns::NotificationCenter::defaultCenter();
    for (const QString& name :
         {ui::kKeyboardWillShowNotification, ui::kKeyboardWillHideNotification}) {
        keyboardObservations_.push_back(
            center.addObserver(name, [weak, name](const ns::Notification& notification) {
                const auto self = weak.lock();
                if (!self) return;
                const double duration =
                    notification.userInfo.value(ui::kKeyboardAnimationDurationUserInfoKey)
                        .toDouble();
                self->makeRoomForKeyboard(
                    name == ui::kKeyboardWillShowNotification
                        ? notification.userInfo.value(ui::kKeyboardFrameEndUserInfoKey).toRectF()
                        : QRectF(),
                    duration);
            }));
    }
}

void QXMessageValidationController::makeRoomForKeyboard(const QRectF& keyboardEnd,
                                                        double duration) {
    constexpr double kGap = 8;
    double lift = 0;
    // Only the keyboard of this screen's fields moves the form.
    if (!keyboardEnd.isEmpty() && view()->window()) {
        const ui::Rect keyboard = view()->convertRectFromView(
            ui::Rect(keyboardEnd.x(), keyboardEnd.y(), keyboardEnd.width(), keyboardEnd.height()),
            nullptr);
        lift = std::max(0.0, sendButton_->frame().maxY() + kGap - keyboard.origin.y);
        // The intro stays whole under the bar: the view ends there, and a line lifted past
        // it would be drawn beneath the bar.
        lift = std::min(lift, introLabel_->frame().origin.y - kIntroMargin);
    }
    ui::Rect frame = formView_->frame();
    if (frame.origin.y == -lift) return;
    frame.origin.y = -lift;
    // The fields take taps while they move: the user goes on typing in the other one.
    ui::View::animateWithDuration(duration, 0, ui::kViewAnimationOptionAllowUserInteraction,
                                  [form = formView_, frame] { form->setFrame(frame); }, {});
}

void QXMessageValidationController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (ui::NavigationController* navigation = navigationController())
        navigation->setNavigationBarHidden(false, false);
    resumeCountdown();
}

void QXMessageValidationController::viewDidDisappear(bool animated) {
    ui::ViewController::viewDidDisappear(animated);
    holdCountdown();
}

bool QXMessageValidationController::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    return true;
}

bool QXMessageValidationController::shouldChangeCharactersInRange(ui::TextField& field,
                                                                  ui::Range range,
                                                                  const QString& replacement) {
    const qsizetype length =
        TextCharacters::countAfterEdit(field.text(), range.location, range.length, replacement);
    if (&field == mobileTextField_.get()) {
        setCaptchaEnabled(!isCountingDown() && length >= kMobileLength);
        return length < kMobileLength + 1;
    }
    if (&field == captchaTextField_.get()) sendButton_->setEnabled(length >= 2);
    return true;
}

void QXMessageValidationController::resignTextFieldResponse() {
    mobileTextField_->resignFirstResponder();
    captchaTextField_->resignFirstResponder();
}

QString QXMessageValidationController::captchaURL(const QString& mobile) {
    return EndpointTable::usersEndpoint() + kAuthInterface + QLatin1Char('?') +
           FormBody()
               .add(QStringLiteral("phone"), mobile)
               .add(QStringLiteral("method"), QStringLiteral("GetCode"))
               .add(QStringLiteral("getCodeType"), 2)
               .text();
}

void QXMessageValidationController::getCaptcha() {
    StatClick::event(QStringLiteral("verification_bn_get"));
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    const QString mobile = mobileTextField_->text();
    resignTextFieldResponse();
    const qint64 now = qint64(std::floor(ns::Clock::shared().timeIntervalSince1970()));
    QList<qint64> times;
    bool pruning = true;
    for (const QVariant& stored :
         ns::UserDefaults::standardUserDefaults().arrayForKey(kRequestTimesKey)) {
        const qint64 time = stored.toLongLong();
        if (pruning && now - time >= kRequestWindow) continue;
        pruning = false;
        times.append(time);
    }
    if (times.size() >= kMaxRequests) {
        showMessage(kTooManyRequests);
        return;
    }
    if (!verifyMobile(mobile)) return;
    // Only a number of the service's form goes to the server.
    if (!isMobile(mobile)) {
        showMessage(kWrongNumber);
        return;
    }
    setCaptchaEnabled(false);
    RequestHeaderSet headers = RequestHeaderSet::usersEndpoint(kAuthInterface, false);
    QXIMRequest::shared().addValuesFormDic(headers);
    const auto weak = weakAs<QXMessageValidationController>();
    QXIMRequest::shared().requestWithUrl(
        captchaURL(mobile), kAuthInterface, QString(),
        [weak, times, now](const QVariant& reply) {
            if (auto self = weak.lock()) self->captchaReplied(reply, times, now);
        },
        [weak](const QVariantMap&) {
            if (auto self = weak.lock()) self->captchaFailed();
        });
}

void QXMessageValidationController::captchaReplied(const QVariant& reply, QList<qint64> times,
                                                   qint64 now) {
    const Tolerant answer(reply);
    const int status = answer[QStringLiteral("status")].intValue();
    // A reply without a status is no acceptance.
    if (status != 0 || answer[QStringLiteral("status")].isNil()) {
        const QString detail = answer[QStringLiteral("errDetail")].toString();
        showMessage(status < 0 && !detail.isEmpty() ? detail : kRequestFailed);
        setCaptchaEnabled(true);
        return;
    }
    countdown();
    alert_ = std::make_shared<ui::AlertView>(
        QStringLiteral("发送成功"), QStringLiteral("验证码已发送，300秒后未收到请重试"),
        std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"));
    alert_->show();
    times.append(now);
    QVariantList stored;
    for (const qint64 time : times) stored.append(time);
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setObject(stored, kRequestTimesKey);
    defaults.synchronize();
}

void QXMessageValidationController::captchaFailed() {
    showMessage(kRequestFailed);
    setCaptchaEnabled(true);
}

// Its background has no disabled look of its own: faded as the platform fades a disabled
// button's image, it no longer looks ready to send a code.
void QXMessageValidationController::setCaptchaEnabled(bool enabled) {
    getCaptchaButton_->setEnabled(enabled);
    getCaptchaButton_->setAlpha(enabled ? 1.0 : kDisabledAlpha);
}

void QXMessageValidationController::setCaptchaTitle(const QString& title) {
    getCaptchaButton_->setTitle(title, ui::kControlStateNormal);
    getCaptchaButton_->setTitle(title, ui::kControlStateDisabled);
}

void QXMessageValidationController::stopCountdown() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void QXMessageValidationController::countdown() {
    setCaptchaEnabled(false);
    if (timer_) {
        stopCountdown();
        setCaptchaTitle(kGetCode);
    }
    sharedRemaining() = kCountdownSeconds;
    const auto weak = weakAs<QXMessageValidationController>();
    timer_ = ns::Timer::scheduledTimer(kTick, true, [weak](ns::Timer& timer) {
        if (auto self = weak.lock()) {
            self->changeCaptchaText(timer);
        } else {
            timer.invalidate();
        }
    });
    nextTick_ = ns::Clock::shared().uptime() + kTick;
    // The code's answer may come once another screen covers this one.
    if (!view()->window()) holdCountdown();
}

// Beneath the replies a published need opens, the button would be drawn once a second for
// minutes with nothing of it on screen.
void QXMessageValidationController::holdCountdown() {
    if (isCountingDown()) timer_->setFireDate(ns::Timer::distantFuture());
}

void QXMessageValidationController::resumeCountdown() {
    const ns::Clock& clock = ns::Clock::shared();
    while (isCountingDown() && nextTick_ <= clock.uptime()) changeCaptchaText(*timer_);
    if (isCountingDown())
        timer_->setFireDate(clock.now() + std::chrono::duration_cast<ns::TimePoint::duration>(
                                              nextTick_ - clock.uptime()));
}

void QXMessageValidationController::changeCaptchaText(ns::Timer& timer) {
    nextTick_ += kTick;
    int& remaining = sharedRemaining();
    if (remaining < 1) {
        timer.invalidate();
        stopCountdown();
        remaining = kCountdownSeconds;
        setCaptchaEnabled(true);
        setCaptchaTitle(kGetCode);
        return;
    }
    setCaptchaTitle(QStringLiteral("(%1)重新获取").arg(remaining));
    --remaining;
}

void QXMessageValidationController::sendRequirement() {
    StatClick::event(QStringLiteral("verification_bn_send"));
    resignTextFieldResponse();
    if (!sendStateLabel_->isHidden()) return;
    const QString mobile = mobileTextField_->text();
    if (!verifyMobile(mobile) || !isMobile(mobile)) {
        showMessage(kWrongNumber);
        return;
    }
    sendAgain();
}

void QXMessageValidationController::sendAgain() {
    if (!sendStateLabel_->isHidden()) return;
    sendStateLabel_->setHidden(false);
    if (auto delegate = delegate_.lock())
        delegate->messageValidation(*this, mobileTextField_->text(), captchaTextField_->text());
}

void QXMessageValidationController::finishedSendRequirement() {
    sendStateLabel_->setHidden(true);
}

void QXMessageValidationController::goBack() {
    StatClick::event(QStringLiteral("verification_bn_cancel"));
    if (!sendStateLabel_->isHidden()) return;
    alert_ = std::make_shared<ui::AlertView>(
        QString(), QStringLiteral("只差一步就能享受经纪人的专业服务。\n真的要放弃么？"),
        weakAs<QXMessageValidationController>(), QStringLiteral("放弃"),
        QStringList{QStringLiteral("继续发布")});
    alert_->setTag(kLeaveAlertTag);
    alert_->show();
}

void QXMessageValidationController::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (alert.tag() == kLeaveAlertTag && index == 0) leave();
}

void QXMessageValidationController::leave() {
    delegate_.reset();
    QXIMRequest::shared().cancelToVikRequestByInterface(kAuthInterface,
                                                        captchaURL(mobileTextField_->text()));
    ui::NavigationController* navigation = navigationController();
    if (!navigation) return;
    auto reveal = ui::Transition::animation();
    reveal->setType(ui::Transition::kReveal);
    reveal->setSubtype(ui::Transition::kFromBottom);
    reveal->setDuration(0.2);
    navigation->view()->layer()->addAnimation(reveal);
    navigation->popViewControllerAnimated(false);
}
