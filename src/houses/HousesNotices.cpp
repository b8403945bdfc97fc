#include "houses/HousesNotices.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/window.h"
#include "ui/widgets/FloatView.h"

void HousesNotices::showAlert(const QString& message, const QString& title) {
    std::make_shared<ui::AlertView>(title, message, std::weak_ptr<ui::AlertViewDelegate>(),
                                    QStringLiteral("确  定"))
        ->show();
}

void HousesNotices::showFloatMessage(const QString& message, double delay) {
    const auto show = [message] {
        if (ui::Window* window = ui::Window::keyWindow()) FloatView::showMessage(*window, message);
    };
    if (delay <= 0) {
        show();
        return;
    }
    ns::DelayedCall::schedule(ns::seconds(delay), show);
}
