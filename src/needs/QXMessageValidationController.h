#pragma once

#include "platform/foundation/clock.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/view_controller.h"

#include <QString>

#include <QRectF>

#include <memory>
#include <vector>

namespace ns {
class Timer;
}
namespace ui {
class Button;
class Label;
}  // namespace ui
class QXMessageValidationController;

// Hears the number and the code the user confirmed.
class QXMessageValidationProtocol {
public:
    virtual ~QXMessageValidationProtocol() = default;
    virtual void messageValidation(QXMessageValidationController& screen, const QString& mobile,
                                   const QString& captcha) = 0;
};

// A text field whose edit menu offers nothing: no copy, cut, paste or selection.
class QXNoCopyPasteTextField : public ui::TextField {
public:
    using ui::TextField::TextField;
    [[nodiscard]] bool canPerformAction(const QString& action) const override;
};

// "验证并发送": the user types a mobile number, asks for a code by SMS, types the code and
// sends; number and code go to the delegate, which publishes the need with them. Codes are
// asked at most five times in 24 hours on the device, with 300 seconds between requests.
class QXMessageValidationController : public ui::ViewController,
                                      public ui::TextFieldDelegate,
                                      public ui::AlertViewDelegate {
public:
    static constexpr int kMaxRequests = 5;
    static constexpr qint64 kRequestWindow = 86401;
    static constexpr int kCountdownSeconds = 300;
    static constexpr int kMobileLength = 11;
    static constexpr int kLeaveAlertTag = 100;
    // The code button's opacity while it cannot be used.
    static constexpr double kDisabledAlpha = 0.5;
    // The least room above the intro, under the bar, while the form makes way for the
    // keyboard.
    static constexpr double kIntroMargin = 6;
    static inline const QString kRequestTimesKey = QStringLiteral("kLatestLoadCaptchaTimes");
    static inline const QString kGetCode = QStringLiteral("获取验证码");
    static inline const QString kWrongNumber = QStringLiteral("请输入正确的11位手机号码");
    static inline const QString kRequestFailed = QStringLiteral("验证码获取失败，请重试");
    static inline const QString kTooManyRequests =
        QStringLiteral("验证码获取次数达到上限, 请24小时后重试");

    QXMessageValidationController();
    ~QXMessageValidationController() override;

    void setDelegate(std::weak_ptr<QXMessageValidationProtocol> delegate) {
        delegate_ = std::move(delegate);
    }

    // Actions.
    void getCaptcha();
    void sendRequirement();
    void goBack();
    void resignTextFieldResponse();
    // The publishing screen's request ended: sending may start again.
    void finishedSendRequirement();
    // The delegate's sending failed after the code was accepted and the user asked to try
    // again: the number and code go to it once more, no new code asked for.
    void sendAgain();

    // A text of exactly 11 characters.
    [[nodiscard]] static bool verifyMobile(const QString& text);
    // The seconds left of the countdown, shared by every validation screen.
    [[nodiscard]] static int remainingSeconds();
    // Whether needs published in the city (script index) still need a validated number, and
    // the note that they do not, kept in the user defaults under "<index>-kNeedNotValidation".
    [[nodiscard]] static bool needValidationAtCity(int cityScriptIndex);
    static void setValidatedAtCity(int cityScriptIndex);

    [[nodiscard]] ui::TextField* mobileTextField() const { return mobileTextField_.get(); }
    [[nodiscard]] ui::TextField* captchaTextField() const { return captchaTextField_.get(); }
    [[nodiscard]] ui::Button* getCaptchaButton() const { return getCaptchaButton_.get(); }
    [[nodiscard]] ui::Button* sendButton() const { return sendButton_.get(); }
    [[nodiscard]] ui::Label* sendStateLabel() const { return sendStateLabel_.get(); }
    [[nodiscard]] ui::Label* introLabel() const { return introLabel_.get(); }
    // The fields and buttons, moved up while the keyboard would cover the send button.
    [[nodiscard]] ui::View* formView() const { return formView_.get(); }
    [[nodiscard]] bool isCountingDown() const;

    // Text field delegate.
    bool textFieldShouldReturn(ui::TextField& field) override;
    bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range range,
                                       const QString& replacement) override;
    void clickedButtonAtIndex(ui::AlertView& alert, int index) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    // The users endpoint's address of a code request for `mobile`.
    [[nodiscard]] static QString captchaURL(const QString& mobile);
    void captchaReplied(const QVariant& reply, QList<qint64> times, qint64 now);
    void captchaFailed();
    void countdown();
    void changeCaptchaText(ns::Timer& timer);
    void stopCountdown();
    // Out of sight the countdown runs no timer: the ticks passed meanwhile are caught up once
    // the screen shows again.
    void holdCountdown();
    void resumeCountdown();
    void setCaptchaTitle(const QString& title);
    void setCaptchaEnabled(bool enabled);
    void leave();
    // Keeps the send button above the keyboard ending at `keyboardEnd` (window
    // coordinates), or lays the form out as without it (`keyboardEnd` empty).
    void makeRoomForKeyboard(const QRectF& keyboardEnd, double duration);

    std::weak_ptr<QXMessageValidationProtocol> delegate_;
    std::shared_ptr<ui::View> formView_;
    std::shared_ptr<ui::Label> introLabel_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> keyboardObservations_;
    std::shared_ptr<QXNoCopyPasteTextField> mobileTextField_;
    std::shared_ptr<QXNoCopyPasteTextField> captchaTextField_;
    std::shared_ptr<ui::Button> getCaptchaButton_;
    std::shared_ptr<ui::Button> sendButton_;
    std::shared_ptr<ui::Label> sendStateLabel_;
    std::shared_ptr<ns::Timer> timer_;
    // The uptime of the countdown's next tick.
    ns::Duration nextTick_{0};
    std::shared_ptr<ui::AlertView> alert_;
};
