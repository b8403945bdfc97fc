#pragma once

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

// The text-message composer. It lists the recipients and the body; "发送"
// works when the phone has text messaging and tells the delegate whether the
// message went, "取消" tells it the user gave up. Without messaging canSendText
// answers false, so screens offer no SMS; shown anyway, it can only be
// cancelled.
class MessageComposeViewController : public NavigationController {
public:
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
    // What "发送" does on a phone with messaging: tells the delegate whether the
    // message went.
    void send();

    void loadView() override;

private:
    void finish(MessageComposeResult result);

    QStringList recipients_;
    QString body_;
    std::weak_ptr<MessageComposeViewControllerDelegate> delegate_;
};

}  // namespace ui
