#include "platform/uikit/menu_controller.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/window.h"
#include "platform/uikit/window_overlays.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kItemHeight = 36;
constexpr double kItemPadding = 10;
constexpr double kGap = 8;
constexpr double kTopMargin = 20;  // the status bar's
constexpr double kFontSize = 14;

struct Standard {
    const char* action;
    const char* title;
};
constexpr Standard kStandardActions[] = {
    {"cut", "剪切"},       {"copy", "拷贝"},  {"select", "选择"},
    {"selectAll", "全选"}, {"paste", "粘贴"}, {"delete", "删除"},
};

// Covers the window while the menu shows: a touch outside the bubble puts the menu away. Its
// layout places the bubble where the target shows.
class MenuOverlay : public View {
public:
    explicit MenuOverlay(std::function<void()> layout) : layout_(std::move(layout)) {}
    void touchesBegan(const TouchSet&, const Event*) override {
        MenuController::sharedMenuController().setMenuVisible(false);
    }
    void touchesMoved(const TouchSet&, const Event*) override {}
    void touchesEnded(const TouchSet&, const Event*) override {}
    void touchesCancelled(const TouchSet&, const Event*) override {}
    void layoutSubviews() override { layout_(); }

private:
    std::function<void()> layout_;
};

}  // namespace

MenuController& MenuController::sharedMenuController() {
    static MenuController menu;
    return menu;
}

void MenuController::setTargetRect(const Rect& rect, View* view) {
    targetView_ = view ? view->sharedView() : nullptr;
    targetsView_ = view != nullptr;
    target_ = rect;
    if (visible_) rebuild();
}

Rect MenuController::visibleTarget() const {
    Window* window = Window::keyWindow();
    if (!window) return Rect::null();
    Rect shown = target_;
    if (targetsView_) {
        const std::shared_ptr<View> view = targetView_.lock();
        if (!view || view->window() != window) return Rect::null();
        shown = view->convertRectToView(target_, nullptr);
        for (const View* around = view->superview(); around; around = around->superview()) {
            if (around->clipsToBounds())
                shown = shown.intersection(around->convertRectToView(around->bounds(), nullptr));
        }
    }
    return shown.intersection(window->bounds());
}

void MenuController::setMenuItems(std::vector<MenuItem> items) {
    items_ = std::move(items);
    if (visible_) rebuild();
}

std::vector<MenuController::Entry> MenuController::entries() const {
    std::vector<Entry> found;
    Window* window = Window::keyWindow();
    Responder* responder = window ? window->firstResponder() : nullptr;
    if (!responder) return found;
    for (const Standard& standard : kStandardActions) {
        const QString action = QString::fromLatin1(standard.action);
        if (responder->canPerformAction(action))
            found.push_back({QString::fromUtf8(standard.title), action});
    }
    for (const MenuItem& item : items_) {
        if (responder->canPerformAction(item.action)) found.push_back({item.title, item.action});
    }
    return found;
}

void MenuController::update() {
    if (visible_) rebuild();
}

void MenuController::rebuild() {
    Window* window = Window::keyWindow();
    if (!window) return;
    shown_ = entries();
    if (!overlay_) overlay_ = std::make_shared<MenuOverlay>([this] { followTarget(); });
    overlay_->setFrame(window->bounds());
    for (const auto& subview : std::vector(overlay_->subviews())) subview->removeFromSuperview();
    auto bubble = std::make_shared<View>();
    bubble->setBackgroundColor(Color::colorWithWhite(0.1, 0.9));
    bubble->layer()->setCornerRadius(5);
    bubble->setClipsToBounds(true);
    const Font font = Font::systemFontOfSize(kFontSize);
    double x = 0;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const QString title = shown_[i].title;
        const double width =
            std::ceil(StringDrawing::sizeWithFont(title, font).width + 2 * kItemPadding);
        auto button = std::make_shared<Button>(Rect(x, 0, width, kItemHeight));
        button->setTitle(title, kControlStateNormal);
        button->setFont(font);
        button->setTitleColor(Color::whiteColor(), kControlStateNormal);
        button->setTitleColor(Color::colorWithWhite(0.6), kControlStateHighlighted);
        button->addTarget(this, kControlEventTouchUpInside, [title](Control&, const Event*) {
            MenuController::sharedMenuController().performItem(title);
        });
        bubble->addSubview(button);
        x += width;
        if (i + 1 < shown_.size()) {
            auto line = std::make_shared<View>(Rect(x, 6, 0.5, kItemHeight - 12));
            line->setBackgroundColor(Color::colorWithWhite(0.5));
            bubble->addSubview(line);
        }
    }
    bubble->setFrame(Rect(0, 0, x, kItemHeight));
    overlay_->addSubview(bubble);
    bubble_ = bubble;
    WindowOverlays::add(*window, overlay_, WindowOverlays::kMenuLevel);
    followTarget();
}

void MenuController::followTarget() {
    Window* window = Window::keyWindow();
    if (!visible_ || !bubble_ || !window) return;
    const Rect target = visibleTarget();
    if (target.isNull()) {
        setMenuVisible(false);
        return;
    }
    // Above the target, else below it, else (no room on either side) inside it at its top.
    const Rect area = window->bounds();
    const double width = bubble_->frame().size.width;
    double top = target.minY() - kGap - kItemHeight;
    if (top < kTopMargin) top = target.maxY() + kGap;
    if (top + kItemHeight > area.maxY()) {
        top = std::clamp(target.minY() + kGap, kTopMargin,
                         std::max(kTopMargin, area.maxY() - kItemHeight));
    }
    const double left =
        std::clamp(target.midX() - width / 2, 5.0, std::max(5.0, area.size.width - 5 - width));
    const Rect frame(std::round(left), std::round(top), width, kItemHeight);
    if (bubble_->frame() != frame) bubble_->setFrame(frame);
    watchTarget();
}

void MenuController::watchTarget() {
    Layer::waitForChange(this, [overlay = std::weak_ptr<View>(overlay_)] {
        if (const auto shown = overlay.lock()) shown->setNeedsLayout();
    });
}

Rect MenuController::menuFrame() const {
    if (!visible_ || !bubble_) return Rect();
    return bubble_->frame();
}

void MenuController::setMenuVisible(bool visible, bool) {
    if (visible == visible_) {
        if (visible) rebuild();
        return;
    }
    auto& center = ns::NotificationCenter::defaultCenter();
    if (visible) {
        if (entries().empty() || visibleTarget().isNull()) return;
        center.post(kMenuControllerWillShowMenuNotification, this);
        visible_ = true;
        rebuild();
        center.post(kMenuControllerDidShowMenuNotification, this);
        return;
    }
    center.post(kMenuControllerWillHideMenuNotification, this);
    visible_ = false;
    shown_.clear();
    bubble_.reset();
    Layer::stopWaitingForChange(this);
    if (overlay_) overlay_->removeFromSuperview();
    center.post(kMenuControllerDidHideMenuNotification, this);
}

QStringList MenuController::visibleTitles() const {
    QStringList titles;
    if (!visible_) return titles;
    for (const Entry& entry : shown_) titles << entry.title;
    return titles;
}

bool MenuController::performItem(const QString& title) {
    if (!visible_) return false;
    const auto found = std::find_if(shown_.begin(), shown_.end(),
                                    [&](const Entry& entry) { return entry.title == title; });
    if (found == shown_.end()) return false;
    const QString action = found->action;
    setMenuVisible(false);
    Window* window = Window::keyWindow();
    Responder* responder = window ? window->firstResponder() : nullptr;
    if (!responder || !responder->canPerformAction(action)) return false;
    const auto keep = responder->shared_from_this();
    responder->performAction(action);
    return true;
}

}  // namespace ui
