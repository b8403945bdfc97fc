#include "platform/uikit/alert_overlay.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/window.h"
#include "platform/uikit/window_overlays.h"

#include <algorithm>

namespace ui {

namespace {

// The overlays on screen, oldest first.
std::vector<AlertOverlay*>& shownStack() {
    static std::vector<AlertOverlay*> stack;
    return stack;
}

}  // namespace

AlertOverlay::AlertOverlay() : panel_(std::make_shared<View>()) {
    setBackgroundColor(Color::colorWithWhite(0, 0.4));
    setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    addSubview(panel_);
}

AlertOverlay::~AlertOverlay() {
    std::erase(shownStack(), this);
    for (const auto& button : buttons_) button->removeTarget(this);
}

int AlertOverlay::addButtonWithTitle(const QString& title) {
    titles_ << title;
    if (visible_) rebuild();
    return int(titles_.size()) - 1;
}

QString AlertOverlay::buttonTitleAtIndex(int index) const {
    return index >= 0 && index < titles_.size() ? titles_[index] : QString();
}

void AlertOverlay::setCancelButtonIndex(int index) {
    cancelIndex_ = index >= 0 && index < titles_.size() ? index : -1;
    if (visible_) rebuild();
}

Button* AlertOverlay::buttonAtIndex(int index) const {
    if (!visible_ || index < 0 || std::size_t(index) >= buttons_.size()) return nullptr;
    return buttons_[std::size_t(index)].get();
}

std::vector<AlertOverlay*> AlertOverlay::visibleOverlays() {
    std::vector<AlertOverlay*> visible;
    for (AlertOverlay* overlay : shownStack()) {
        if (overlay->visible_) visible.push_back(overlay);
    }
    return visible;
}

std::shared_ptr<Button> AlertOverlay::makeButton(int index) {
    auto button = std::make_shared<Button>();
    button->setTitle(buttonTitleAtIndex(index), kControlStateNormal);
    button->setBackgroundImage(Image::imageWithColor(Color::colorWithWhite(0.85)),
                               kControlStateHighlighted);
    button->addTarget(this, kControlEventTouchUpInside,
                      [this, index](Control&, const Event*) { pressButtonAtIndex(index); });
    if (std::size_t(index) >= buttons_.size()) buttons_.resize(std::size_t(index) + 1);
    buttons_[std::size_t(index)] = button;
    return button;
}

std::shared_ptr<View> AlertOverlay::makeSeparator(const Rect& frame) {
    auto line = std::make_shared<View>(frame);
    line->setBackgroundColor(Color::colorWithWhite(0.8));
    return line;
}

void AlertOverlay::rebuild() {
    for (const auto& subview : std::vector(panel_->subviews())) subview->removeFromSuperview();
    for (const auto& button : buttons_) {
        if (button) button->removeTarget(this);
    }
    buttons_.clear();
    panel_->setFrame(buildPanel(*panel_, bounds()));
}

void AlertOverlay::present(Window* window) {
    if (visible_) return;
    if (!window) window = Window::keyWindow();
    if (!window) return;
    const auto keep = sharedAs<AlertOverlay>();
    for (AlertOverlay* older : shownStack()) older->setHidden(true);
    shownStack().push_back(this);
    visible_ = true;
    dismissing_ = false;
    setHidden(false);
    setUserInteractionEnabled(true);
    setFrame(window->bounds());
    willPresent();
    rebuild();
    WindowOverlays::add(*window, keep, WindowOverlays::kAlertLevel);
    prepareEntrance(*panel_);
    setAlpha(0);
    std::weak_ptr<AlertOverlay> weak = keep;
    View::animateWithDuration(
        kFadeDuration, 0, kViewAnimationOptionAllowUserInteraction,
        [&] {
            setAlpha(1);
            animateEntrance(*panel_);
        },
        [weak](bool) {
            if (auto self = weak.lock(); self && self->visible_ && !self->dismissing_)
                self->didPresent();
        });
}

bool AlertOverlay::pressButtonAtIndex(int index) {
    if (!visible_ || dismissing_ || index < 0 || index >= titles_.size()) return false;
    const auto keep = sharedAs<AlertOverlay>();
    clickedButtonAtIndex(index);
    dismissWithClickedButtonIndex(index, true);
    return true;
}

void AlertOverlay::dismissWithClickedButtonIndex(int index, bool animated) {
    if (!visible_ || dismissing_) return;
    const auto keep = sharedAs<AlertOverlay>();
    dismissing_ = true;
    setUserInteractionEnabled(false);
    willDismissWithButtonIndex(index);
    if (!animated) {
        finishDismiss(index);
        return;
    }
    View::animateWithDuration(
        kFadeDuration,
        [&] {
            setAlpha(0);
            animateExit(*panel_);
        },
        [keep, index](bool) { keep->finishDismiss(index); });
}

void AlertOverlay::finishDismiss(int index) {
    if (!visible_) return;
    const auto keep = sharedAs<AlertOverlay>();
    visible_ = false;
    dismissing_ = false;
    removeFromSuperview();
    std::erase(shownStack(), this);
    if (!shownStack().empty()) shownStack().back()->setHidden(false);
    didDismissWithButtonIndex(index);
}

}  // namespace ui
