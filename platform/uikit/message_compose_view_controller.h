#pragma once

#include "platform/uikit/navigation_controller.h"

#include <QString>
#include <QStringList>

#include <memory>

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

// The text-message composer of a phone that cannot send text: canSendText
// answers false, as on a device without messaging, so screens offer no SMS.
// Shown anyway, it lists the recipients and the body and can only be
// cancelled.
class MessageComposeViewController : public NavigationController {
public:
    MessageComposeViewController();
    ~MessageComposeViewController() override;

    [[nodiscard]] static bool canSendText() { return false; }

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

    void loadView() override;

private:
    QStringList recipients_;
    QString body_;
    std::weak_ptr<MessageComposeViewControllerDelegate> delegate_;
};

}  // namespace ui
