#include "account/FailureAlert.h"

#include "net/TransportFailure.h"
#include "platform/uikit/alert_view.h"

#include <memory>

void showFailureAlert(const QString& reason) {
    std::make_shared<ui::AlertView>(
        QString(), reason.isEmpty() ? QStringLiteral("您的网络好像有些问题，请重试。") : reason,
        std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确  定"))
        ->show();
}

bool wasCancelled(const QVariantMap& transportFailure) {
    return transportFailure.value(TransportFailure::kMsg)
        .toString()
        .contains(QLatin1String("Code=-999"));
}
