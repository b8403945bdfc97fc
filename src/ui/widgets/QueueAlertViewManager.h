#pragma once

#include "platform/uikit/control.h"

#include <QString>

#include <memory>
#include <vector>

namespace ui {
class Button;
class Image;
class ImageView;
class Label;
class View;
}  // namespace ui
namespace ns {
class Timer;
}

class QueueAlertView;

// Shows the app's own alerts one at a time over the top window: a white box of
// 266 x 132 points over a half-black cover. Alerts stack: one shown while another is
// up takes its place at once, and the one beneath returns when it is dismissed.
class QueueAlertViewManager {
public:
    static constexpr double kBoxWidth = 266;
    static constexpr double kBoxHeight = 132;
    static constexpr double kAnimationDuration = 0.2;
    static constexpr double kCoverAlpha = 0.5;

    [[nodiscard]] static QueueAlertViewManager& sharedAlertViewManager();
    QueueAlertViewManager();
    ~QueueAlertViewManager();
    QueueAlertViewManager(const QueueAlertViewManager&) = delete;
    QueueAlertViewManager& operator=(const QueueAlertViewManager&) = delete;

    void show(const std::shared_ptr<QueueAlertView>& alert);
    // A one-button notice "提示" with the message; returns the alert it showed.
    std::shared_ptr<QueueAlertView> showAlertView(const QString& message);
    void dismiss(const std::shared_ptr<QueueAlertView>& alert, int buttonIndex);
    void dismiss(const std::shared_ptr<QueueAlertView>& alert) { dismiss(alert, 0); }
    // Every box button's action: dismisses the top alert with the button's tag.
    void onButtonTapped(ui::Control& button);

    void prepareAlertToDisplay(const QueueAlertView& alert);
    void showAlertViewWithAnimation(const std::shared_ptr<QueueAlertView>& alert);
    void dismissAlertViewWithAnimation(const std::shared_ptr<QueueAlertView>& alert,
                                       int buttonIndex);
    void checkoutInStackAlertView();
    // Background pictures of the buttons by style; none, so the buttons stay plain.
    [[nodiscard]] std::shared_ptr<ui::Image> buttonImageByStyle(int style, unsigned state) const;

    // The loading notice has no look of its own: showing does nothing, and a dismissal
    // completes at once.
    void showLoadingViewWithAnimation(const std::shared_ptr<QueueAlertView>& view);
    void dismissLoadingViewWithAnimation(const std::shared_ptr<QueueAlertView>& view);
    // Replaces the loading notice on top with a "注意" notice of the message.
    void dismissLoadingView(const std::shared_ptr<QueueAlertView>& view,
                            const QString& failedMessage);
    void updateLoadingAnimation();
    // Takes everything off the screen and empties the stack.
    void cleanupAllViews();

    [[nodiscard]] const std::vector<std::shared_ptr<QueueAlertView>>& alertViewQueue() const {
        return alertViewQueue_;
    }
    [[nodiscard]] bool isDismissing() const { return isDismissing_; }
    [[nodiscard]] ui::ImageView* alertView() const { return alertView_.get(); }
    [[nodiscard]] ui::View* blackBG() const { return blackBG_.get(); }

private:
    // The screen's bounds, width and height swapped while the status bar stands
    // landscape; the cover and the centring use them.
    [[nodiscard]] static ui::Rect orientedScreenBounds();
    void removeViewsFromScreen();
    void finishDismissal(const std::shared_ptr<QueueAlertView>& alert,
                         const std::shared_ptr<ui::ImageView>& box, int buttonIndex);

    std::vector<std::shared_ptr<QueueAlertView>> alertViewQueue_;
    std::shared_ptr<ui::ImageView> alertView_;
    std::weak_ptr<QueueAlertView> shownAlert_;
    std::shared_ptr<ui::View> blackBG_;
    std::shared_ptr<ui::Label> loadingLabel_;
    std::shared_ptr<ns::Timer> loadingTimer_;
    bool isDismissing_ = false;
};
