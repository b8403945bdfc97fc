#include "platform/uikit/navigation_controller.h"

#include "platform/uikit/application.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/tab_bar_controller.h"

#include <algorithm>

namespace ui {

namespace {

// How far the screen underneath moves while another slides over it.
constexpr double kParallax = 0.3;

bool contains(const std::vector<std::shared_ptr<ViewController>>& list,
              const std::shared_ptr<ViewController>& controller) {
    return std::find(list.begin(), list.end(), controller) != list.end();
}

}  // namespace

std::shared_ptr<NavigationController> NavigationController::withRootViewController(
    std::shared_ptr<ViewController> root) {
    auto navigation = std::make_shared<NavigationController>();
    if (root) navigation->setViewControllers({std::move(root)}, false);
    return navigation;
}

NavigationController::NavigationController(BarFactory barFactory)
    : barFactory_(std::move(barFactory)) {}

NavigationController::~NavigationController() {
    if (bar_) bar_->setBackAction({});
}

void NavigationController::ensureBar() {
    if (bar_) return;
    if (barFactory_) bar_ = barFactory_();
    if (!bar_) bar_ = std::make_shared<NavigationBar>();
    bar_->setBackAction([this] {
        if (!isTransitioning()) popViewControllerAnimated(true);
    });
    syncBarItems(false);
}

NavigationBar* NavigationController::navigationBar() {
    ensureBar();
    return bar_.get();
}

void NavigationController::loadView() {
    ViewController::loadView();
    ensureBar();
    view_->addSubview(bar_);
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    const auto& stack = childViewControllers();
    return stack.empty() ? nullptr : stack.back();
}

std::shared_ptr<ViewController> NavigationController::visibleViewController() const {
    if (auto presented = presentedViewController()) return presented;
    auto top = topViewController();
    if (top && top->presentedViewController()) return top->presentedViewController();
    return top;
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller,
                                              bool animated) {
    // A screen is on one stack once; pushing it again is refused.
    if (!controller || contains(childViewControllers(), controller) || controller.get() == this) {
        return;
    }
    finishTransition();
    const auto old = childViewControllers();
    auto stack = old;
    stack.push_back(std::move(controller));
    replaceStack(std::move(stack));
    transition(old, Operation::Push, animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
    if (childViewControllers().size() < 2) return nullptr;
    finishTransition();
    const auto old = childViewControllers();
    auto stack = old;
    auto popped = stack.back();
    stack.pop_back();
    replaceStack(std::move(stack));
    transition(old, Operation::Pop, animated);
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(
    const std::shared_ptr<ViewController>& controller, bool animated) {
    const auto old = childViewControllers();
    const auto at = std::find(old.begin(), old.end(), controller);
    if (at == old.end() || at + 1 == old.end()) return {};
    finishTransition();
    std::vector<std::shared_ptr<ViewController>> popped(at + 1, old.end());
    replaceStack(std::vector<std::shared_ptr<ViewController>>(old.begin(), at + 1));
    transition(old, Operation::Pop, animated);
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewControllerAnimated(
    bool animated) {
    const auto& stack = childViewControllers();
    if (stack.size() < 2) return {};
    return popToViewController(stack.front(), animated);
}

void NavigationController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers, bool animated) {
    std::vector<std::shared_ptr<ViewController>> stack;
    for (auto& controller : controllers) {
        if (controller && controller.get() != this && !contains(stack, controller))
            stack.push_back(std::move(controller));
    }
    finishTransition();
    const auto old = childViewControllers();
    replaceStack(std::move(stack));
    transition(old, Operation::None, animated);
}

void NavigationController::replaceStack(std::vector<std::shared_ptr<ViewController>> controllers) {
    const auto old = children_;
    for (const auto& controller : old) {
        if (!contains(controllers, controller)) {
            controller->willMoveToParentViewController(nullptr);
            controller->parent_.reset();
        }
    }
    for (const auto& controller : controllers) {
        if (contains(old, controller)) continue;
        if (controller->parent_.lock()) controller->removeFromParentViewController();
        controller->willMoveToParentViewController(this);
        controller->setParent(this);
    }
    children_ = std::move(controllers);
}

void NavigationController::transition(const std::vector<std::shared_ptr<ViewController>>& oldStack,
                                      Operation operation, bool animated) {
    const auto keep = sharedAs<NavigationController>();
    const auto& stack = childViewControllers();
    std::vector<std::shared_ptr<ViewController>> added, removed;
    for (const auto& controller : stack) {
        if (!contains(oldStack, controller)) added.push_back(controller);
    }
    for (const auto& controller : oldStack) {
        if (!contains(stack, controller)) removed.push_back(controller);
    }
    const auto from = oldStack.empty() ? nullptr : oldStack.back();
    const auto to = topViewController();
    if (operation == Operation::None) {
        operation = to && contains(oldStack, to) ? Operation::Pop : Operation::Push;
    }
    const bool shown = appearance() == Appearance::Appeared;
    const bool appearing = appearance() == Appearance::Appearing;
    const bool changed = from != to;
    animated = animated && changed && shown && from && to && isViewLoaded();
    auto delegate = delegate_.lock();

    if (changed) {
        // The new top's view loads with the stack's own, not before.
        if (to && isViewLoaded()) to->view();
        updateBottomBar(animated);
        if (delegate && to) delegate->willShowViewController(*this, *to, animated);
        if (shown || appearing) {
            if (from) from->beginAppearanceTransition(false, animated);
            if (to) to->beginAppearanceTransition(true, animated);
        }
    }
    syncBarItems(animated);

    pendingFinish_ = [this, from, to, added, removed, shown, animated, changed, delegate] {
        if (changed && from && from->view_ && from->view_->superview() == view_.get()) {
            from->view_->removeFromSuperview();
            View::performWithoutAnimation([&] { from->view_->setFrame(frameForChild(*from)); });
        }
        if (changed && shown) {
            if (from) from->endAppearanceTransition();
            if (to) to->endAppearanceTransition();
        } else if (changed && from) {
            // The stack is still appearing: the old top never finished appearing.
            from->endAppearanceTransition();
        }
        for (const auto& controller : added) controller->didMoveToParentViewController(this);
        for (const auto& controller : removed) controller->didMoveToParentViewController(nullptr);
        if (changed && delegate && to) delegate->didShowViewController(*this, *to, animated);
    };

    if (!changed || !to || !isViewLoaded()) {
        finishTransition();
        return;
    }
    ensureBar();
    layoutChildViews();
    const auto& toView = to->view_;
    const Rect toFinal = frameForChild(*to);
    if (toView->superview() != view_.get()) view_->insertSubviewBelowSubview(toView, bar_.get());
    toView->setFrame(toFinal);
    if (!animated) {
        finishTransition();
        return;
    }
    const double width = view_->bounds().size.width;
    const auto& fromView = from->view_;
    const Rect fromStart = fromView ? fromView->frame() : Rect();
    if (operation == Operation::Push) {
        toView->setFrame(toFinal.offsetBy(width, 0));
    } else {
        if (fromView) view_->insertSubviewBelowSubview(toView, fromView.get());
        toView->setFrame(toFinal.offsetBy(-width * kParallax, 0));
    }
    std::weak_ptr<NavigationController> weak = keep;
    auto serial = std::make_shared<int>(0);
    pendingSerial_ = serial;
    View::animateWithDuration(
        kTransitionDuration,
        [&] {
            toView->setFrame(toFinal);
            if (fromView) {
                fromView->setFrame(fromStart.offsetBy(
                    operation == Operation::Push ? -width * kParallax : width, 0));
            }
        },
        [weak, serial](bool) {
            auto self = weak.lock();
            if (self && self->pendingSerial_.lock() == serial) self->finishTransition();
        });
}

void NavigationController::finishTransition() {
    pendingSerial_.reset();
    if (!pendingFinish_) return;
    auto finish = std::move(pendingFinish_);
    pendingFinish_ = nullptr;
    const auto keep = sharedAs<NavigationController>();
    finish();
}

void NavigationController::updateBottomBar(bool animated) {
    auto* tabs = tabBarController();
    if (!tabs || tabs->selectedViewController().get() != this) return;
    // Asked from the top down: the first screen that hides the bar decides.
    bool hide = false;
    const auto& stack = childViewControllers();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if ((*it)->hidesBottomBarWhenPushed()) {
            hide = true;
            break;
        }
    }
    tabs->setBottomBarHidden(hide, animated);
}

void NavigationController::syncBarItems(bool animated) {
    if (!bar_) return;
    std::vector<std::shared_ptr<NavigationItem>> items;
    for (const auto& controller : childViewControllers())
        items.push_back(controller->navigationItemPointer());
    bar_->setItems(std::move(items), animated);
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    if (hidden == barHidden_) return;
    barHidden_ = hidden;
    if (!isViewLoaded()) return;
    if (animated) {
        View::animateWithDuration(kTransitionDuration, [&] { layoutChildViews(); });
    } else {
        layoutChildViews();
    }
}

Rect NavigationController::frameForChild(ViewController& controller) {
    const Rect b = view_ ? view_->bounds() : Rect();
    if (barHidden_ || !bar_) return Rect(0, 0, b.size.width, b.size.height);
    const double barBottom = bar_->frame().maxY();
    if ((controller.edgesForExtendedLayout() & kRectEdgeTop) &&
        (bar_->isTranslucent() || controller.extendedLayoutIncludesOpaqueBars())) {
        return Rect(0, 0, b.size.width, b.size.height);
    }
    return Rect(0, barBottom, b.size.width, std::max(0.0, b.size.height - barBottom));
}

void NavigationController::layoutChildViews() {
    if (!view_) return;
    ensureBar();
    const Rect b = view_->bounds();
    // The bar sits below the status bar when the stack reaches the screen's top.
    double inset = 0;
    const Application& application = Application::sharedApplication();
    if (!application.isStatusBarHidden()) {
        const double top = view_->convertPointToView(Point(0, 0), nullptr).y;
        if (top < Application::kStatusBarHeight)
            inset = Application::kStatusBarHeight - std::max(0.0, top);
    }
    bar_->setFrame(Rect(0, inset, b.size.width, NavigationBar::kHeight));
    bar_->setHidden(barHidden_);
    if (bar_->superview() != view_.get()) {
        view_->addSubview(bar_);
    } else if (view_->subviews().back() != bar_) {
        view_->bringSubviewToFront(bar_.get());
    }
    if (isTransitioning()) return;
    if (auto top = topViewController(); top && top->isViewLoaded()) {
        if (top->view_->superview() != view_.get())
            view_->insertSubviewBelowSubview(top->view_, bar_.get());
        top->view_->setFrame(frameForChild(*top));
    } else if (top && appearance() != Appearance::Disappeared) {
        view_->insertSubviewBelowSubview(top->view(), bar_.get());
        top->view_->setFrame(frameForChild(*top));
    }
}

std::vector<std::shared_ptr<ViewController>> NavigationController::childrenForAppearance() const {
    if (auto top = topViewController()) return {top};
    return {};
}

}  // namespace ui
