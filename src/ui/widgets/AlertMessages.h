#pragma once

#include <QString>

#include <memory>

namespace ui {
class AlertView;
}

// The app's plain alerts: an optional title, the message and the one button "确  定", with no
// delegate. Screens of every layer show them through here or through the app's utilities.
namespace AlertMessages {

// Shown in place of an empty message.
inline const QString kNetworkTrouble = QStringLiteral("您的网络好像有些问题，请重试。");
inline const QString kOkTitle = QStringLiteral("确  定");

// No title; an empty message reads kNetworkTrouble.
std::shared_ptr<ui::AlertView> showAlertViewWithAlertString(const QString& text);
std::shared_ptr<ui::AlertView> showAlertViewWithAlertTitle(const QString& title,
                                                           const QString& text);

}  // namespace AlertMessages
