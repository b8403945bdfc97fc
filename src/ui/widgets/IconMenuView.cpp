#include "ui/widgets/IconMenuView.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/button.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"
#include "ui/widgets/BoxBlur.h"
#include "ui/widgets/IconMenuItemButton.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSideMargin = 30;
constexpr double kRowHeight = 96;
constexpr double kRowGap = 30;
constexpr double kRowsOffset = 82;
constexpr double kBlurStrength = 1.0;

ui::MediaTimingFunction riseTiming() {
    return ui::MediaTimingFunction::withControlPoints(0.45, 1.2, 0.75, 1.0);
}

ui::MediaTimingFunction dropTiming() {
    return ui::MediaTimingFunction::withControlPoints(0.3, 0.5, 1.0, 1.0);
}

}  // namespace

IconMenuView::IconMenuView(const ui::Rect& frame) : ui::View(frame) {
    // The recognizer belongs to this view and goes with it.
    addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(
        this, [this](ui::GestureRecognizer&) { dismiss(); }));
    setBackgroundColor(ui::Color::clearColor());
    backgroundImgView_ = std::make_shared<ui::ImageView>(bounds());
    backgroundImgView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                            ui::kAutoresizingFlexibleHeight);
    addSubview(backgroundImgView_);
    buttons_.reserve(6);
}

void IconMenuView::addMenuItemWithTitle(const QString& title, std::shared_ptr<ui::Image> icon,
                                        std::function<void()> selectedBlock) {
    auto entry = IconMenuItemButton::IconMenuItemButtonWithTitle(title, std::move(icon),
                                                                 std::move(selectedBlock));
    entry->setExclusiveTouch(true);
    entry->addTarget(this, ui::kControlEventTouchUpInside,
                     [this](ui::Control& sender, const ui::Event*) {
                         buttonTapped(static_cast<IconMenuItemButton&>(sender));
                     });
    addSubview(entry);
    buttons_.push_back(entry);
    setNeedsLayout();
}

int IconMenuView::rows() const {
    return static_cast<int>((buttons_.size() + 2) / 3);
}

ui::Rect IconMenuView::frameForButtonAtIndex(std::size_t index) const {
    const int rows = this->rows();
    const auto row = static_cast<double>(index / 3);
    const auto column = static_cast<double>(index % 3);
    const ui::Size size = bounds().size;
    const double total = rows * kEntryHeight + (rows >= 2 ? kRowGap * (rows - 1) : 0);
    const double gap = (size.width - 2 * kSideMargin - 3 * kEntryWidth) / 2;
    return {kSideMargin + column * (gap + kEntryWidth),
            row * kRowHeight + (size.height - total) / 2 + kRowsOffset, kEntryWidth, kEntryHeight};
}

void IconMenuView::layoutSubviews() {
    View::layoutSubviews();
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setFrame(frameForButtonAtIndex(i));
    }
}

double IconMenuView::startDelay(std::size_t index) const {
    // Within a row the middle icon starts first, then the left, then the right.
    static constexpr double kColumnDelay[] = {kStagger, 0, 2 * kStagger};
    return 3 * kStagger * static_cast<double>(index / 3) + kColumnDelay[index % 3];
}

void IconMenuView::show() {
    ui::Window* window = ui::Window::keyWindow();
    if (!window || !window->rootViewController()) return;
    auto host = window->rootViewController();
    while (host->presentedViewController()) host = host->presentedViewController();
    const auto& hostView = host->view();
    if (ui::View* old = hostView->viewWithTag(kReplacedViewTag); old && old != hostView.get()) {
        old->removeFromSuperview();
    }
    setFrame(hostView->bounds());
    hostView->addSubview(sharedView());
    layoutIfNeeded();

    ui::GraphicsContext::beginImageContext(bounds().size);
    hostView->drawViewHierarchyInRect({{0, 0}, bounds().size});
    auto snapshot = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    setHidden(true);
    if (snapshot) {
        // A coarse copy blurs as well and costs less.
        auto coarse = ui::Image::imageWithData(snapshot->JPEGRepresentation(0.01));
        if (coarse) backgroundImgView_->setImage(blurredImage(*coarse, kBlurStrength));
    }

    const double screenHeight = ui::Screen::mainScreen().bounds().size.height;
    auto close = ui::Button::buttonWithType(ui::ButtonType::Custom);
    close->setFrame({0, screenHeight - 70, 38, 38});
    close->setCenter({bounds().midX(), close->center().y});
    close->setTag(kCloseButtonTag);
    close->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("首页关闭.png")),
                              ui::kControlStateNormal);
    close->setBackgroundImage(ui::Image::imageNamed(QStringLiteral("首页关闭点击.png")),
                              ui::kControlStateHighlighted);
    // It has no action: a tap on it counts as one on the background.
    close->setUserInteractionEnabled(false);
    backgroundImgView_->addSubview(close);

    setHidden(false);
    riseAnimation();
}

void IconMenuView::moveEntries(bool rising) {
    const int rows = this->rows();
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        ui::Layer* layer = buttons_[i]->layer();
        const ui::Rect frame = frameForButtonAtIndex(i);
        const int row = static_cast<int>(i / 3);
        const ui::Point place{frame.origin.x + 33, frame.origin.y + 43};
        const ui::Point below{place.x, place.y + 200.0 * (rows - row) + 400};
        auto move = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("position"));
        move->setFromValue(rising ? below : place);
        move->setToValue(rising ? place : below);
        move->setTimingFunction(rising ? riseTiming() : dropTiming());
        move->setDuration(kMoveDuration);
        move->setBeginTime(layer->convertTime(ui::mediaTime(), nullptr) + startDelay(i));
        // As each move starts, the entry's own state becomes where it ends.
        const ui::Point settled =
            rising ? place : ui::Point(place.x, frame.origin.y - (row * 200.0 + 400) + 43 - 70);
        move->setDidStart([weak = std::weak_ptr<ui::View>(buttons_[i]), settled, rising] {
            if (auto entry = weak.lock()) {
                entry->layer()->setPosition(settled);
                if (rising) entry->layer()->setOpacity(1);
            }
        });
        if (rising) layer->setOpacity(0);
        layer->addAnimation(move, kRiseAnimationKey);
    }
}

void IconMenuView::riseAnimation() {
    moveEntries(true);
}

void IconMenuView::dropAnimation() {
    moveEntries(false);
    ui::View* close = backgroundImgView_->viewWithTag(kCloseButtonTag);
    if (!close) return;
    auto fall = ui::BasicAnimation::animationWithKeyPath(QStringLiteral("position"));
    fall->setFromValue(close->center());
    fall->setToValue(ui::Point(close->center().x, ui::Screen::mainScreen().bounds().size.height));
    fall->setTimingFunction(dropTiming());
    fall->setDuration(kMoveDuration);
    close->layer()->addAnimation(fall);
    close->removeFromSuperview();
}

void IconMenuView::runFinishingBlock() {
    if (finished_) return;
    finished_ = true;
    if (finiallyShowBlock_) finiallyShowBlock_();
}

void IconMenuView::dismiss() {
    if (closing_) return;
    closing_ = true;
    dropAnimation();
    const double wait = static_cast<double>(buttons_.size()) * kStagger + kMoveDuration - 0.3;
    ns::DelayedCall::schedule(ns::seconds(wait), [weak = weakAs<IconMenuView>()] {
        auto self = weak.lock();
        if (!self) return;
        View::animateWithDuration(
            kFadeDuration,
            [&] {
                self->setAlpha(0);
                self->backgroundImgView_->setAlpha(0);
            },
            [self](bool) { self->removeFromSuperview(); });
        self->runFinishingBlock();
    });
}

void IconMenuView::buttonTapped(IconMenuItemButton& entry) {
    if (closing_) return;
    dismiss();
    const double wait =
        std::max(0.0, static_cast<double>(buttons_.size()) * kStagger + kMoveDuration - 0.8);
    ns::DelayedCall::schedule(ns::seconds(wait),
                              [weak = weakAs<IconMenuView>(), block = entry.selectedBlock()] {
                                  if (auto self = weak.lock()) self->runFinishingBlock();
                                  if (block) block();
                              });
}

bool IconMenuView::gestureRecognizerShouldBegin(ui::GestureRecognizer& recognizer) {
    const ui::Point location = recognizer.locationInView(this);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (frameForButtonAtIndex(i).contains(location)) return false;
    }
    return View::gestureRecognizerShouldBegin(recognizer);
}
