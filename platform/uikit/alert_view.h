#pragma once

#include "platform/uikit/alert_overlay.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace ui {

class AlertView;
class Label;
class TextField;

enum class AlertViewStyle {
    Default = 0,
    SecureTextInput = 1,
    PlainTextInput = 2,
    LoginAndPasswordInput = 3,
};

// Hears an alert. Every method is optional.
class AlertViewDelegate : public OverlayButtonDelegate<AlertView> {
public:
    virtual void alertViewCancel(AlertView& alert) { (void)alert; }
    virtual void willPresentAlertView(AlertView& alert) { (void)alert; }
    virtual void didPresentAlertView(AlertView& alert) { (void)alert; }
    virtual bool alertViewShouldEnableFirstOtherButton(AlertView& alert) {
        (void)alert;
        return true;
    }
};

// A box in the middle of the screen with a title, a message, buttons and, in
// the input styles, one or two text fields (the first takes the keyboard when
// the alert shows, and the alert moves up above it). The cancel button, when
// given, has index 0 and the other buttons follow; two buttons sit side by side, the cancel one on
// the left, more are stacked with the cancel one at the bottom.
class AlertView : public DelegatingOverlay<AlertView, AlertViewDelegate> {
public:
    static constexpr double kWidth = 270;
    static constexpr double kButtonHeight = 44;

    AlertView(const QString& title, const QString& message,
              std::weak_ptr<AlertViewDelegate> delegate = {}, const QString& cancelButtonTitle = {},
              const QStringList& otherButtonTitles = {});
    ~AlertView() override;

    [[nodiscard]] const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    [[nodiscard]] const QString& message() const { return message_; }
    void setMessage(const QString& message) { message_ = message; }
    // -1 when there are no other buttons.
    [[nodiscard]] int firstOtherButtonIndex() const;

    [[nodiscard]] AlertViewStyle alertViewStyle() const { return style_; }
    void setAlertViewStyle(AlertViewStyle style);
    // The fields of the input styles: 0 the text (or login), 1 the password.
    [[nodiscard]] TextField* textFieldAtIndex(int index) const;

    // Shows the alert above everything in the key window.
    void show();

protected:
    Rect buildPanel(View& panel, const Rect& area) override;
    void willPresent() override;
    void didPresent() override;
    void willDismissWithButtonIndex(int index) override;

private:
    void updateFirstOtherButton();

    QString title_;
    QString message_;
    AlertViewStyle style_ = AlertViewStyle::Default;
    std::vector<std::shared_ptr<TextField>> fields_;
};

}  // namespace ui
