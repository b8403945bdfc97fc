#include "ui/widgets/AlertMessages.h"

#include "platform/uikit/alert_view.h"

namespace AlertMessages {

std::shared_ptr<ui::AlertView> showAlertViewWithAlertTitle(const QString& title,
                                                           const QString& text) {
    auto alert = std::make_shared<ui::AlertView>(title, text,
                                                 std::weak_ptr<ui::AlertViewDelegate>(), kOkTitle);
    alert->show();
    return alert;
}

std::shared_ptr<ui::AlertView> showAlertViewWithAlertString(const QString& text) {
    return showAlertViewWithAlertTitle(QString(), text.isEmpty() ? kNetworkTrouble : text);
}

}  // namespace AlertMessages
