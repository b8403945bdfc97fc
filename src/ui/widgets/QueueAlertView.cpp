#include "ui/widgets/QueueAlertView.h"

#include "ui/widgets/QueueAlertViewManager.h"

std::shared_ptr<QueueAlertView> QueueAlertView::alertViewWithTitle(
    const QString& title, const QString& message, const QStringList& buttons,
    std::weak_ptr<QxAlertViewDelegate> delegate, AfterDismiss afterDismiss) {
    return std::make_shared<QueueAlertView>(title, message, buttons, std::move(delegate),
                                            std::move(afterDismiss));
}

QueueAlertView::QueueAlertView(const QString& title, const QString& message,
                               const QStringList& buttons,
                               std::weak_ptr<QxAlertViewDelegate> delegate,
                               AfterDismiss afterDismiss)
    : title_(title),
      message_(message),
      blockAfterDismiss_(std::move(afterDismiss)),
      delegate_(std::move(delegate)) {
    setButtons(buttons);
}

void QueueAlertView::setButtons(const QStringList& buttons) {
    buttons_ = buttons;
    buttonsStyle_.assign(static_cast<std::size_t>(buttons.size()), kAppGreen);
}

void QueueAlertView::setButtonStyle(int style, int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < buttonsStyle_.size()) {
        buttonsStyle_[static_cast<std::size_t>(index)] = style;
    }
}

void QueueAlertView::show() {
    QueueAlertViewManager::sharedAlertViewManager().show(shared_from_this());
}

void QueueAlertView::dismiss(int buttonIndex) {
    QueueAlertViewManager::sharedAlertViewManager().dismiss(shared_from_this(), buttonIndex);
}

void QueueAlertView::dismissWithClickedButtonIndex(int, bool) {}
