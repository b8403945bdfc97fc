#include "platform/uikit/message_compose_view_controller.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"

namespace ui {

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
    auto send = BarButtonItem::itemWithTitle(QStringLiteral("发送"), BarButtonItemStyle::Done, {});
    send->setEnabled(false);
    screen->navigationItem().setRightBarButtonItem(send);
    screen->view()->setBackgroundColor(Color::whiteColor());
    auto to = std::make_shared<Label>(Rect(15, 74, 290, 24));
    to->setText(QStringLiteral("收件人：") + recipients_.join(QStringLiteral("、")));
    screen->view()->addSubview(to);
    auto text = std::make_shared<Label>(Rect(15, 108, 290, 200));
    text->setText(body_);
    text->setNumberOfLines(0);
    text->setLineBreakMode(LineBreakMode::CharacterWrap);
    screen->view()->addSubview(text);
    setViewControllers({screen});
}

void MessageComposeViewController::cancel() {
    const auto keep = sharedAs<MessageComposeViewController>();
    if (auto delegate = delegate_.lock()) {
        delegate->didFinishWithResult(*this, MessageComposeResult::Cancelled);
    } else {
        dismissViewControllerAnimated(true);
    }
}

}  // namespace ui
