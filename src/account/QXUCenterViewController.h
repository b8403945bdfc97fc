#pragma once

#include "platform/uikit/view_controller.h"

#include <memory>

namespace ui {
class Button;
class Label;
}  // namespace ui
class QXUserInfo;

// Posted after a logon or logout changed the user.
inline const QString kUserChangedNotification = QStringLiteral("kUserChangedNotification");

// The personal centre in its least form: who is logged on, a button that logs on (a demo
// account of the users server) or off, and the way to the housing news.
class QXUCenterViewController : public ui::ViewController {
public:
    explicit QXUCenterViewController(std::shared_ptr<QXUserInfo> userInfo);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // What the logon button does: logs on when logged off, else logs off.
    void logonOrLogout();
    void openNews();

private:
    void refresh();

    std::shared_ptr<QXUserInfo> userInfo_;
    std::shared_ptr<ui::Label> stateLabel_;
    std::shared_ptr<ui::Button> logonButton_;
    std::shared_ptr<ui::Button> newsButton_;
};
