#include "ui/widgets/QueueAlertViewManager.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window.h"
#include "ui/widgets/LineImageView.h"
#include "ui/widgets/QueueAlertView.h"

#include <algorithm>
#include <numbers>

namespace {

constexpr double kButtonWidth = 131.5;
constexpr double kButtonTop = 96;
constexpr double kButtonHeight = 36;
// The box holds two buttons side by side; more share its width.
constexpr double kButtonsWidth = 2 * kButtonWidth;

const ui::Color kTextColour = ui::Color::rgb(64, 64, 64);

ui::Window* hostWindow() {
    const auto windows = ui::Application::sharedApplication().windows();
    if (!windows.empty()) return windows.back();
    return ui::Window::keyWindow();
}

void moveTopTo(ui::View& box, double top) {
    ui::Rect frame = box.frame();
    frame.origin.y = top;
    box.setFrame(frame);
}

}  // namespace

QueueAlertViewManager& QueueAlertViewManager::sharedAlertViewManager() {
    static QueueAlertViewManager shared;
    return shared;
}

QueueAlertViewManager::QueueAlertViewManager() = default;

QueueAlertViewManager::~QueueAlertViewManager() {
    alertViewQueue_.clear();
    if (loadingTimer_) loadingTimer_->invalidate();
}

ui::Rect QueueAlertViewManager::orientedScreenBounds() {
    ui::Rect bounds = ui::Screen::mainScreen().bounds();
    const int orientation = ui::Application::sharedApplication().statusBarOrientation();
    if (orientation == 3 || orientation == 4) std::swap(bounds.size.width, bounds.size.height);
    return bounds;
}

void QueueAlertViewManager::show(const std::shared_ptr<QueueAlertView>& alert) {
    if (!alert) return;
    if (isDismissing_ && !alertViewQueue_.empty()) {
        alertViewQueue_.insert(alertViewQueue_.end() - 1, alert);
        return;
    }
    alertViewQueue_.push_back(alert);
    removeViewsFromScreen();
    prepareAlertToDisplay(*alert);
    showAlertViewWithAnimation(alert);
}

std::shared_ptr<QueueAlertView> QueueAlertViewManager::showAlertView(const QString& message) {
    auto alert = QueueAlertView::alertViewWithTitle(QStringLiteral("提示"), message,
                                                    {QStringLiteral("确定")}, {}, {});
    show(alert);
    return alert;
}

void QueueAlertViewManager::removeViewsFromScreen() {
    if (loadingTimer_) loadingTimer_->invalidate();
    loadingTimer_.reset();
    if (alertView_) alertView_->removeFromSuperview();
    if (blackBG_) blackBG_->removeFromSuperview();
    if (loadingLabel_) loadingLabel_->removeFromSuperview();
}

void QueueAlertViewManager::prepareAlertToDisplay(const QueueAlertView& alert) {
    const ui::Rect screen = orientedScreenBounds();
    if (!blackBG_) {
        blackBG_ = std::make_shared<ui::View>(screen);
        blackBG_->setBackgroundColor(ui::Color::blackColor());
        blackBG_->setOpaque(true);
        blackBG_->setAlpha(kCoverAlpha);
        blackBG_->setUserInteractionEnabled(true);
    }
    alertView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, kBoxWidth, kBoxHeight));
    alertView_->setBackgroundColor(ui::Color::whiteColor());
    alertView_->setUserInteractionEnabled(true);
    alertView_->setCenter({screen.size.width / 2, screen.size.height / 2});
    alertView_->layer()->setCornerRadius(5);
    alertView_->setClipsToBounds(true);

    auto title = std::make_shared<ui::Label>(ui::Rect(0, 10, kBoxWidth, 20));
    title->setTextAlignment(ui::TextAlignment::Center);
    title->setBackgroundColor(ui::Color::clearColor());
    title->setTextColor(kTextColour);
    title->setFont(ui::Font::systemFontOfSize(14));
    title->setText(alert.title());
    alertView_->addSubview(title);

    auto message = std::make_shared<ui::Label>(ui::Rect(15, 30, 236, 70));
    message->setBackgroundColor(ui::Color::clearColor());
    message->setTextColor(kTextColour);
    message->setFont(ui::Font::systemFontOfSize(14));
    message->setLineBreakMode(ui::LineBreakMode::WordWrap);
    message->setNumberOfLines(3);
    message->setText(alert.message());
    alertView_->addSubview(message);

    alertView_->addSubview(lineImageViewWithFrame({0, 95, kBoxWidth, 1}));

    const auto count = static_cast<int>(alert.buttons().size());
    // Two buttons fill the width; a third and more share it, so all stay inside.
    const double width = count > 2 ? kButtonsWidth / count : kButtonWidth;
    for (int i = 0; i < count; ++i) {
        auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
        button->setTitle(alert.buttons()[i], ui::kControlStateNormal);
        button->setFont(ui::Font::systemFontOfSize(14));
        const int style = alert.buttonsStyle()[static_cast<std::size_t>(i)];
        if (style == QueueAlertView::kHighlightGreen) {
            button->setTitleColor(ui::Color::rgb(0, 255, 0), ui::kControlStateHighlighted);
        } else {
            button->setTitleColor(ui::Color::rgb(83, 188, 44), ui::kControlStateNormal);
        }
        button->setBackgroundImage(buttonImageByStyle(style, ui::kControlStateNormal),
                                   ui::kControlStateNormal);
        button->setBackgroundImage(buttonImageByStyle(style, ui::kControlStateHighlighted),
                                   ui::kControlStateHighlighted);
        button->setFrame(count == 1 ? ui::Rect(67.25, kButtonTop, kButtonWidth, kButtonHeight)
                                    : ui::Rect(3 + width * i, kButtonTop, width, kButtonHeight));
        button->setTag(i);
        button->addTarget(
            this, ui::kControlEventTouchUpInside,
            [this](ui::Control& sender, const ui::Event*) { onButtonTapped(sender); });
        alertView_->addSubview(button);
        const double lineX = count > 2 ? 3 + width * (i + 1) - 2 : 132.5;
        if (count <= 2 || i + 1 < count) {
            alertView_->addSubview(lineImageViewWithFrame({lineX, kButtonTop, 1, kButtonHeight}));
        }
    }
}

void QueueAlertViewManager::showAlertViewWithAnimation(
    const std::shared_ptr<QueueAlertView>& alert) {
    if (!alert || !alertView_ || !blackBG_) return;
    ui::Window* host = hostWindow();
    if (!host) return;
    shownAlert_ = alert;
    blackBG_->setAlpha(0);
    moveTopTo(*alertView_, -kBoxHeight);
    host->addSubview(blackBG_);
    host->addSubview(alertView_);
    ui::View::animateWithDuration(kAnimationDuration, [&] {
        const ui::Rect screen = orientedScreenBounds();
        blackBG_->setAlpha(kCoverAlpha);
        alertView_->setCenter({screen.size.width / 2, screen.size.height / 2});
    });
}

void QueueAlertViewManager::onButtonTapped(ui::Control& button) {
    if (alertViewQueue_.empty()) return;
    dismiss(alertViewQueue_.back(), button.tag());
}

void QueueAlertViewManager::dismiss(const std::shared_ptr<QueueAlertView>& alert, int buttonIndex) {
    if (alertViewQueue_.empty() || !alert) return;
    if (alert == alertViewQueue_.back()) {
        isDismissing_ = true;
        dismissAlertViewWithAnimation(alert, buttonIndex);
        return;
    }
    // A lower alert goes without animation; nothing on screen changes, so no
    // dismissal is under way.
    auto found = std::find(alertViewQueue_.begin(), alertViewQueue_.end(), alert);
    if (found == alertViewQueue_.end()) return;
    alertViewQueue_.erase(found);
    if (alert->blockAfterDismiss()) alert->blockAfterDismiss()(buttonIndex);
}

void QueueAlertViewManager::dismissAlertViewWithAnimation(
    const std::shared_ptr<QueueAlertView>& alert, int buttonIndex) {
    if (!alert) return;
    auto box = alertView_;
    if (!box || !blackBG_) {
        finishDismissal(alert, box, buttonIndex);
        return;
    }
    ui::View::animateWithDuration(
        kAnimationDuration,
        [&] {
            blackBG_->setAlpha(0);
            moveTopTo(*box, -kBoxHeight);
        },
        [this, alert, box, buttonIndex](bool) { finishDismissal(alert, box, buttonIndex); });
}

void QueueAlertViewManager::finishDismissal(const std::shared_ptr<QueueAlertView>& alert,
                                            const std::shared_ptr<ui::ImageView>& box,
                                            int buttonIndex) {
    // Only this alert's own views go: an alert shown meanwhile keeps its box and the cover.
    if (box) box->removeFromSuperview();
    if (box == alertView_ && blackBG_) blackBG_->removeFromSuperview();
    auto found = std::find(alertViewQueue_.rbegin(), alertViewQueue_.rend(), alert);
    if (found != alertViewQueue_.rend()) alertViewQueue_.erase(std::next(found).base());
    isDismissing_ = false;
    if (alert->blockAfterDismiss()) alert->blockAfterDismiss()(buttonIndex);
    if (auto delegate = alert->QxAlertDelegate()) {
        delegate->alertViewClickedButtonAtIndex(*alert, buttonIndex);
    }
    checkoutInStackAlertView();
}

void QueueAlertViewManager::checkoutInStackAlertView() {
    if (alertViewQueue_.empty()) return;
    auto top = alertViewQueue_.back();
    // The top alert may already be on screen (shown while the one above went away).
    if (top == shownAlert_.lock() && alertView_ && alertView_->superview()) return;
    removeViewsFromScreen();
    prepareAlertToDisplay(*top);
    showAlertViewWithAnimation(top);
}

std::shared_ptr<ui::Image> QueueAlertViewManager::buttonImageByStyle(int, unsigned) const {
    return nullptr;
}

void QueueAlertViewManager::showLoadingViewWithAnimation(const std::shared_ptr<QueueAlertView>&) {}

void QueueAlertViewManager::dismissLoadingViewWithAnimation(
    const std::shared_ptr<QueueAlertView>& view) {
    auto found = std::find(alertViewQueue_.rbegin(), alertViewQueue_.rend(), view);
    if (found != alertViewQueue_.rend()) alertViewQueue_.erase(std::next(found).base());
    isDismissing_ = false;
    checkoutInStackAlertView();
}

void QueueAlertViewManager::dismissLoadingView(const std::shared_ptr<QueueAlertView>& view,
                                               const QString& failedMessage) {
    if (alertViewQueue_.empty() || view != alertViewQueue_.back()) return;
    isDismissing_ = true;
    auto notice = QueueAlertView::alertViewWithTitle(QStringLiteral("注意"), failedMessage,
                                                     {QStringLiteral("确定")}, {}, {});
    alertViewQueue_.insert(alertViewQueue_.end() - 1, notice);
    dismissLoadingViewWithAnimation(view);
}

void QueueAlertViewManager::updateLoadingAnimation() {
    if (!alertView_) return;
    alertView_->setTransform(alertView_->transform().rotate(std::numbers::pi / 20));
}

void QueueAlertViewManager::cleanupAllViews() {
    if (loadingTimer_) loadingTimer_->invalidate();
    loadingTimer_.reset();
    if (alertView_) alertView_->removeFromSuperview();
    alertView_.reset();
    if (blackBG_) blackBG_->removeFromSuperview();
    if (loadingLabel_) loadingLabel_->removeFromSuperview();
    alertViewQueue_.clear();
    // The dismissal under way, if any, has lost its views: the next alert shows at once.
    isDismissing_ = false;
}
