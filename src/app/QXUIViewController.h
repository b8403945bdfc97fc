#pragma once

#include "platform/uikit/view_controller.h"

#include <QDateTime>

// Names the tab shell observes to fade its custom bar out and bring it back.
inline const QString kQXHideTableBarNotification = QStringLiteral("QXHideTableBar");
inline const QString kQXShowTableBarNotification = QStringLiteral("QXShowTableBar");

// The base of the app's screens: each time a navigation stack asks whether the screen
// hides the bottom bar, it tells the tab shell to hide or show its custom bar; it lays out
// under opaque bars with the light status bar, and carries whether push navigation opened it.
class QXUIViewController : public ui::ViewController {
public:
    [[nodiscard]] bool hidesBottomBarWhenPushed() const override;
    void viewWillAppear(bool animated) override;
    [[nodiscard]] ui::StatusBarStyle preferredStatusBarStyle() const override {
        return ui::StatusBarStyle::LightContent;
    }
    [[nodiscard]] bool canBecomeFirstResponder() const override { return true; }

    // Pops this screen's stack, or pops it to its root; both animated.
    void backMethod();
    void backToRootMethod();

    [[nodiscard]] bool isFromPush() const { return isFromPush_; }
    void setIsFromPush(bool fromPush) { isFromPush_ = fromPush; }
    [[nodiscard]] const QDateTime& pageShowTime() const { return pageShowTime_; }
    void setPageShowTime(const QDateTime& time) { pageShowTime_ = time; }

private:
    bool isFromPush_ = false;
    QDateTime pageShowTime_;
};
