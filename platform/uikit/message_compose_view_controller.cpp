#include "platform/uikit/message_compose_view_controller.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/text_view.h"

#include <atomic>

namespace ui {

namespace {

// -1: the environment decides; otherwise the TextMessaging a test chose.
std::atomic<int> chosenMessaging{-1};

}  // namespace

TextMessaging MessageComposeViewController::textMessaging() {
    const int chosen = chosenMessaging.load();
    if (chosen >= 0) return TextMessaging(chosen);
    const QString setting = qEnvironmentVariable("HOUSING_SMS");
    if (setting == QLatin1String("sent")) return TextMessaging::Sends;
    if (setting == QLatin1String("none")) return TextMessaging::None;
    return TextMessaging::Fails;
}

void MessageComposeViewController::setTextMessaging(std::optional<TextMessaging> messaging) {
    chosenMessaging = messaging ? int(*messaging) : -1;
}

MessageComposeViewController::MessageComposeViewController() = default;
MessageComposeViewController::~MessageComposeViewController() = default;

void MessageComposeViewController::loadView() {
    NavigationController::loadView();
    if (!viewControllers().empty()) return;
    auto screen = std::make_shared<ViewController>();
    screen->setTitle(QStringLiteral("新信息"));
    std::weak_ptr<MessageComposeViewController> weak = sharedAs<MessageComposeViewController>();
    screen->navigationItem().setLeftBarButtonItem(BarButtonItem::itemWithTitle(
        QStringLiteral("取消"), BarButtonItemStyle::Plain, [weak](BarButtonItem&) {
            if (auto self = weak.lock()) self->cancel();
        }));
    auto send = BarButtonItem::itemWithTitle(QStringLiteral("发送"), BarButtonItemStyle::Done,
                                             [weak](BarButtonItem&) {
                                                 if (auto self = weak.lock()) self->send();
                                             });
    send->setEnabled(canSendText());
    screen->navigationItem().setRightBarButtonItem(send);
    screen->view()->setBackgroundColor(Color::whiteColor());
    auto to = std::make_shared<Label>(Rect(15, 74, 290, 24));
    to->setText(QStringLiteral("收件人：") + recipients_.join(QStringLiteral("、")));
    screen->view()->addSubview(to);
    // The body is the user's to edit: a tap puts the caret in it and the keys reach it. Its
    // first line starts at (15, 108), inside the view's insets, and it ends where the
    // keyboard's top comes, so that the caret it keeps in view is never beneath the keys.
    const double top = 100;
    const double bottom = screen->view()->bounds().size.height - Keyboard::kHeight;
    auto text = std::make_shared<TextView>(Rect(10, top, 300, bottom - top));
    text->setFont(Font::systemFontOfSize(Font::kLabelFontSize));
    text->setText(body_);
    screen->view()->addSubview(text);
    setViewControllers({screen});
}

void MessageComposeViewController::cancel() {
    finish(MessageComposeResult::Cancelled);
}

void MessageComposeViewController::send() {
    const TextMessaging messaging = textMessaging();
    if (messaging == TextMessaging::None || finished_ || notSentNotice_) return;
    if (messaging == TextMessaging::Sends) {
        finish(MessageComposeResult::Sent);
        return;
    }
    notSentNotice_ = std::make_shared<AlertView>(
        kNotSentTitle, kNotSentMessage, weakAs<MessageComposeViewController>(), kNotSentButton);
    notSentNotice_->show();
}

void MessageComposeViewController::didDismissWithButtonIndex(AlertView& alert, int) {
    if (&alert != notSentNotice_.get()) return;
    notSentNotice_.reset();
    finish(MessageComposeResult::Failed);
}

void MessageComposeViewController::finish(MessageComposeResult result) {
    if (finished_) return;
    finished_ = true;
    const auto keep = sharedAs<MessageComposeViewController>();
    if (auto delegate = delegate_.lock()) {
        delegate->didFinishWithResult(*this, result);
    } else {
        dismissViewControllerAnimated(true);
    }
}

}  // namespace ui
