#include "platform/uikit/tab_bar_controller.h"

#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_item.h"

#include <algorithm>

namespace ui {

TabBarController::TabBarController(BarFactory barFactory) : barFactory_(std::move(barFactory)) {}

TabBarController::~TabBarController() {
    if (bar_) bar_->setSelectAction({});
}

void TabBarController::ensureBar() {
    if (bar_) return;
    if (barFactory_) bar_ = barFactory_();
    if (!bar_) bar_ = std::make_shared<TabBar>();
    bar_->setSelectAction([this](TabBarItem& item) {
        const auto& tabs = childViewControllers();
        for (std::size_t i = 0; i < tabs.size(); ++i) {
            if (tabs[i]->tabBarItem().get() == &item) {
                selectFromTabBar(i);
                return;
            }
        }
    });
    itemsChanged();
}

TabBar* TabBarController::tabBar() {
    ensureBar();
    return bar_.get();
}

void TabBarController::loadView() {
    ViewController::loadView();
    ensureBar();
    view_->addSubview(bar_);
}

void TabBarController::itemsChanged() {
    if (!bar_) return;
    std::vector<std::shared_ptr<TabBarItem>> items;
    for (const auto& controller : childViewControllers()) items.push_back(controller->tabBarItem());
    bar_->setItems(std::move(items));
    const auto selected = selectedViewController();
    bar_->setSelectedItem(selected ? selected->tabBarItem().get() : nullptr);
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                          bool) {
    const auto keep = sharedAs<TabBarController>();
    const auto previous = selectedViewController();
    std::erase(controllers, nullptr);
    const bool shown = appearance() == Appearance::Appeared;
    const auto old = children_;
    for (const auto& controller : old) {
        if (std::find(controllers.begin(), controllers.end(), controller) != controllers.end())
            continue;
        if (controller == previous && shown) controller->beginAppearanceTransition(false, false);
        if (controller->view_ && controller->view_->superview() == view_.get())
            controller->view_->removeFromSuperview();
        if (controller == previous && shown) controller->endAppearanceTransition();
        controller->removeFromParentViewController();
    }
    for (const auto& controller : controllers) {
        if (controller->parent_.lock().get() == this) continue;
        addChildViewController(controller);
        controller->didMoveToParentViewController(this);
    }
    children_ = std::move(controllers);
    selected_ = kNotFound;
    if (!children_.empty()) {
        const auto at = std::find(children_.begin(), children_.end(), previous);
        selected_ = at == children_.end() ? 0 : std::size_t(at - children_.begin());
    }
    itemsChanged();
    const auto now = selectedViewController();
    if (now && now != previous && shown) {
        now->beginAppearanceTransition(true, false);
        layoutChildViews();
        now->endAppearanceTransition();
    } else if (isViewLoaded()) {
        view_->setNeedsLayout();
    }
    updateBottomBarForSelection();
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
    const auto& tabs = childViewControllers();
    return selected_ < tabs.size() ? tabs[selected_] : nullptr;
}

void TabBarController::setSelectedIndex(std::size_t index) {
    select(index);
}

void TabBarController::setSelectedViewController(
    const std::shared_ptr<ViewController>& controller) {
    const auto& tabs = childViewControllers();
    const auto at = std::find(tabs.begin(), tabs.end(), controller);
    if (at != tabs.end()) select(std::size_t(at - tabs.begin()));
}

void TabBarController::select(std::size_t index) {
    const auto& tabs = childViewControllers();
    if (index >= tabs.size() || index == selected_) return;
    const auto keep = sharedAs<TabBarController>();
    const auto from = selectedViewController();
    const auto to = tabs[index];
    const bool shown = appearance() == Appearance::Appeared;
    if (shown) {
        if (from) from->beginAppearanceTransition(false, false);
        to->beginAppearanceTransition(true, false);
    }
    selected_ = index;
    if (from && from->view_ && view_ && from->view_->superview() == view_.get())
        from->view_->removeFromSuperview();
    if (bar_) bar_->setSelectedItem(to->tabBarItem().get());
    updateBottomBarForSelection();
    if (isViewLoaded()) layoutChildViews();
    if (shown) {
        if (from) from->endAppearanceTransition();
        to->endAppearanceTransition();
    }
}

void TabBarController::selectFromTabBar(std::size_t index) {
    const auto& tabs = childViewControllers();
    if (index >= tabs.size()) return;
    const auto keep = sharedAs<TabBarController>();
    const auto controller = tabs[index];
    auto delegate = delegate_.lock();
    if (delegate && !delegate->shouldSelectViewController(*this, *controller)) return;
    if (index == selected_) {
        if (auto* navigation = dynamic_cast<NavigationController*>(controller.get()))
            navigation->popToRootViewControllerAnimated(true);
    } else {
        select(index);
    }
    if (delegate) delegate->didSelectViewController(*this, *controller);
}

void TabBarController::setBottomBarHidden(bool hidden, bool) {
    bottomBarHidden_ = hidden;
    ensureBar();
    // Through the bar's own setHidden, which a custom bar may override.
    bar_->setHidden(hidden);
    if (isViewLoaded()) layoutChildViews();
}

void TabBarController::updateBottomBarForSelection() {
    const auto selected = selectedViewController();
    if (auto* navigation = dynamic_cast<NavigationController*>(selected.get())) {
        navigation->updateBottomBar(false);
    } else if (bottomBarHidden_) {
        setBottomBarHidden(false, false);
    }
}

void TabBarController::layoutChildViews() {
    if (!view_) return;
    ensureBar();
    const Rect b = view_->bounds();
    bar_->setFrame(Rect(0, b.size.height - TabBar::kHeight, b.size.width, TabBar::kHeight));
    if (bar_->superview() != view_.get()) view_->addSubview(bar_);
    const auto selected = selectedViewController();
    if (!selected) return;
    if (!selected->isViewLoaded() && appearance() == Appearance::Disappeared) return;
    const auto& view = selected->view();
    // The screens lie below the bar and below whatever the app adds to this view.
    if (view->superview() != view_.get()) view_->insertSubviewAtIndex(view, 0);
    const bool underBar = bar_->isHidden() || bar_->isTranslucent();
    view->setFrame(underBar ? Rect(0, 0, b.size.width, b.size.height)
                            : Rect(0, 0, b.size.width, b.size.height - TabBar::kHeight));
}

std::vector<std::shared_ptr<ViewController>> TabBarController::childrenForAppearance() const {
    if (auto selected = selectedViewController()) return {selected};
    return {};
}

}  // namespace ui
