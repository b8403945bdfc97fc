#pragma once

#include "IMChat/qximlib/QXIMMessage.h"

#include "platform/uikit/alert_view.h"
#include "platform/uikit/bar_button_item.h"

#include <QVariantMap>

#include <optional>

// An alert that carries what its answer is about: the resend question carries the message, its
// position and whether it is the user's own.
class QXMAlertView : public ui::AlertView {
public:
    using ui::AlertView::AlertView;

    QVariantMap info;
    std::optional<QXIMMessage> message;
};

// A bar button that carries a dictionary for its action.
class QXBarButtonItem : public ui::BarButtonItem {
public:
    QVariantMap info;
};
