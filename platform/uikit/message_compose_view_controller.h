#pragma once

#include "platform/uikit/alert_view.h"
#include "platform/uikit/navigation_controller.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace ui {

class MessageComposeViewController;

enum class MessageComposeResult { Cancelled = 0, Sent = 1, Failed = 2 };

// Hears how composing ended.
class MessageComposeViewControllerDelegate {
public:
    virtual ~MessageComposeViewControllerDelegate() = default;
    virtual void didFinishWithResult(MessageComposeViewController& controller,
                                     MessageComposeResult result) {
        (void)controller, (void)result;
    }
};

// What the phone's text messaging does with a message. By default the phone has a
// composer but no network to carry a text, so every send fails ($HOUSING_SMS=failed
// says the same); $HOUSING_SMS=sent gives one that sends every message, and
// $HOUSING_SMS=none a device without messaging at all.
enum class TextMessaging { None, Sends, Fails };

// The text-message composer. It lists the recipients and the body, which the user edits
// (a tap puts the caret in it, as in any text view); "发送"
// works when the phone has text messaging and tells the delegate whether the
// message went, "取消" tells it the user gave up. A message that could not go is
// first told to the user by the composer itself, as the phone does whatever the
// app makes of the result; the delegate hears of it once that notice is closed.
// The delegate hears one result, whatever else is tapped or called. Without
// messaging canSendText answers false, so screens offer no SMS; shown anyway,
// it can only be cancelled.
class MessageComposeViewController : public NavigationController, public AlertViewDelegate {
public:
    static inline const QString kNotSentTitle = QStringLiteral("信息未能发送");
    static inline const QString kNotSentMessage =
        QStringLiteral("此电话没有可用的短信服务，信息没有发出。");
    static inline const QString kNotSentButton = QStringLiteral("好");

    MessageComposeViewController();
    ~MessageComposeViewController() override;

    [[nodiscard]] static TextMessaging textMessaging();
    // A test's choice instead of the environment's; nullopt brings the
    // environment's back.
    static void setTextMessaging(std::optional<TextMessaging> messaging);
    [[nodiscard]] static bool canSendText() { return textMessaging() != TextMessaging::None; }

    [[nodiscard]] const QStringList& recipients() const { return recipients_; }
    void setRecipients(const QStringList& recipients) { recipients_ = recipients; }
    [[nodiscard]] const QString& body() const { return body_; }
    void setBody(const QString& body) { body_ = body; }
    [[nodiscard]] std::shared_ptr<MessageComposeViewControllerDelegate> messageComposeDelegate()
        const {
        return delegate_.lock();
    }
    void setMessageComposeDelegate(std::weak_ptr<MessageComposeViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // What "取消" does: tells the delegate, which dismisses the composer.
    void cancel();
    // What "发送" does on a phone with messaging: tells the delegate that the
    // message went, or says that it did not and then tells the delegate.
    void send();

    void loadView() override;
    void didDismissWithButtonIndex(AlertView& alert, int index) override;

private:
    void finish(MessageComposeResult result);

    QStringList recipients_;
    QString body_;
    std::weak_ptr<MessageComposeViewControllerDelegate> delegate_;
    std::shared_ptr<AlertView> notSentNotice_;
    bool finished_ = false;
};

}  // namespace ui
