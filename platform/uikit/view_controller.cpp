#include "platform/uikit/view_controller.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/view_controller_transitioning.h"
#include "platform/uikit/window.h"
#include "platform/uikit/window_overlays.h"

namespace ui {

namespace {

constexpr unsigned kFlexibleSize = kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight;

// The view that holds a presented screen while it is up.
class TransitionView : public View {
public:
    using View::View;
};

// The window's direct subview that holds `view`.
std::shared_ptr<View> screenOf(View* view, const Window* window) {
    while (view && view->superview() && view->superview() != window) view = view->superview();
    return view && view->superview() == window ? view->sharedView() : nullptr;
}

}  // namespace

void ControllerView::layoutSubviews() {
    auto* controller = dynamic_cast<ViewController*>(viewControllerResponder());
    if (!controller) return View::layoutSubviews();
    const auto keep = controller->sharedAs<ViewController>();
    controller->viewWillLayoutSubviews();
    View::layoutSubviews();
    controller->layoutChildViews();
    controller->viewDidLayoutSubviews();
}

ViewController::ViewController() = default;

ViewController::~ViewController() {
    if (view_) view_->setViewControllerResponder({});
    if (navigationItem_) navigationItem_->setChangeHandler({});
}

const std::shared_ptr<View>& ViewController::view() {
    if (!view_) {
        const auto keep = sharedAs<ViewController>();
        loadView();
        if (!view_) ViewController::loadView();
        observeMemoryWarnings();
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (view_ == view) return;
    if (view_) view_->setViewControllerResponder({});
    view_ = std::move(view);
    if (view_) view_->setViewControllerResponder(weak_from_this());
}

void ViewController::loadView() {
    auto view = std::make_shared<ControllerView>(Screen::mainScreen().bounds());
    view->setAutoresizingMask(kFlexibleSize);
    setView(std::move(view));
}

void ViewController::observeMemoryWarnings() {
    if (memoryWarningToken_) return;
    memoryWarningToken_ = ns::NotificationCenter::defaultCenter().addObserver(
        kApplicationDidReceiveMemoryWarningNotification,
        [weak = weakAs<ViewController>()](const ns::Notification&) {
            if (auto self = weak.lock()) self->didReceiveMemoryWarning();
        });
}

void ViewController::didReceiveMemoryWarning() {
    if (!view_ || view_->window() || presented_) return;
    const auto keep = sharedAs<ViewController>();
    viewWillUnload();
    setView(nullptr);
    viewDidUnload();
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    if (appearing) {
        if (appearance_ == Appearance::Appearing || appearance_ == Appearance::Appeared) return;
        view();
        appearance_ = Appearance::Appearing;
        lastAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (appearance_ == Appearance::Disappearing || appearance_ == Appearance::Disappeared)
            return;
        appearance_ = Appearance::Disappearing;
        lastAnimated_ = animated;
        viewWillDisappear(animated);
    }
    forwardAppearance(true, appearing, animated);
}

void ViewController::endAppearanceTransition() {
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear(lastAnimated_);
        forwardAppearance(false, true, lastAnimated_);
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear(lastAnimated_);
        forwardAppearance(false, false, lastAnimated_);
    }
}

void ViewController::forwardAppearance(bool begin, bool appearing, bool animated) {
    if (!shouldAutomaticallyForwardAppearanceMethods()) return;
    const auto keep = sharedAs<ViewController>();
    for (const auto& child : childrenForAppearance()) {
        if (begin) {
            child->beginAppearanceTransition(appearing, animated);
        } else if (child->appearance_ ==
                   (appearing ? Appearance::Appearing : Appearance::Disappearing)) {
            child->endAppearanceTransition();
        }
    }
}

std::vector<std::shared_ptr<ViewController>> ViewController::childrenForAppearance() const {
    std::vector<std::shared_ptr<ViewController>> shown;
    if (!view_) return shown;
    for (const auto& child : children_) {
        if (child->view_ && child->view_->isDescendantOfView(view_.get())) shown.push_back(child);
    }
    return shown;
}

void ViewController::setTitle(const QString& title) {
    title_ = title;
    navigationItem().setTitle(title);
    tabBarItem()->setTitle(title);
}

NavigationItem& ViewController::navigationItem() {
    return *navigationItemPointer();
}

std::shared_ptr<NavigationItem> ViewController::navigationItemPointer() {
    if (!navigationItem_) navigationItem_ = std::make_shared<NavigationItem>(title_);
    return navigationItem_;
}

const std::shared_ptr<TabBarItem>& ViewController::tabBarItem() {
    if (!tabBarItem_) {
        tabBarItem_ = std::make_shared<TabBarItem>();
        tabBarItem_->setTitle(title_);
    }
    return tabBarItem_;
}

void ViewController::setTabBarItem(std::shared_ptr<TabBarItem> item) {
    tabBarItem_ = std::move(item);
    if (auto* tabs = dynamic_cast<TabBarController*>(parent_.lock().get())) tabs->itemsChanged();
}

void ViewController::setNeedsStatusBarAppearanceUpdate() {
    Application& application = Application::sharedApplication();
    application.setStatusBarStyle(preferredStatusBarStyle());
    application.setStatusBarHidden(prefersStatusBarHidden());
}

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this) return;
    if (child->parent_.lock().get() == this) return;
    child->removeFromParentViewController();
    child->willMoveToParentViewController(this);
    children_.push_back(child);
    child->setParent(this);
}

void ViewController::removeFromParentViewController() {
    auto parent = parent_.lock();
    if (!parent) return;
    const auto keep = sharedAs<ViewController>();
    std::erase(parent->children_, keep);
    parent_.reset();
    didMoveToParentViewController(nullptr);
}

void ViewController::setParent(ViewController* parent) {
    parent_ = parent ? parent->weakAs<ViewController>() : std::weak_ptr<ViewController>();
}

NavigationController* ViewController::navigationController() const {
    for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock()) {
        if (auto* navigation = dynamic_cast<NavigationController*>(parent.get())) return navigation;
    }
    return nullptr;
}

TabBarController* ViewController::tabBarController() const {
    for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock()) {
        if (auto* tabs = dynamic_cast<TabBarController*>(parent.get())) return tabs;
    }
    return nullptr;
}

Responder* ViewController::nextResponder() const {
    if (view_ && view_->superview()) return view_->superview();
    if (auto presenting = presenting_.lock()) return presenting.get();
    return parent_.lock().get();
}

Window* ViewController::responderWindow() const {
    return view_ ? view_->window() : nullptr;
}

std::shared_ptr<ViewController> ViewController::presentationRoot() {
    auto root = sharedAs<ViewController>();
    while (auto parent = root->parent_.lock()) root = parent;
    return root;
}

void ViewController::presentViewController(const std::shared_ptr<ViewController>& controller,
                                           bool animated, std::function<void()> completion) {
    if (!controller || controller.get() == this || controller->presenting_.lock() ||
        controller->parent_.lock()) {
        return;
    }
    const auto presenter = presentationRoot();
    // One screen at a time is presented by a presenter; the platform refuses a second.
    if (presenter->presented_) return;
    Window* window = presenter->view_ ? presenter->view_->window() : nullptr;
    if (!window) window = Window::keyWindow();
    if (!window) return;

    // A presenter that asked for presentations in its own context keeps showing under
    // them (the presented screen is seen through where it draws nothing), as custom
    // presentations do; every other presentation covers the screen.
    const bool fullScreen = controller->presentationStyle_ != ModalPresentationStyle::Custom &&
                            presenter->presentationStyle_ != ModalPresentationStyle::CurrentContext;
    presenter->presented_ = controller;
    controller->presenting_ = presenter;
    controller->beingPresented_ = true;

    auto container = std::make_shared<TransitionView>(window->bounds());
    container->setAutoresizingMask(kFlexibleSize);
    WindowOverlays::insertScreen(*window, container);
    controller->presentation_ = {container, nullptr, fullScreen};
    const auto& view = controller->view();
    view->setAutoresizingMask(kFlexibleSize);

    std::shared_ptr<ViewControllerAnimatedTransitioning> animator;
    if (auto delegate = controller->transitioningDelegate()) {
        animator =
            delegate->animationControllerForPresentedController(*controller, *presenter, *this);
    }
    if (fullScreen) presenter->beginAppearanceTransition(false, animated);
    controller->beginAppearanceTransition(true, animated);

    // The finish is held by the animation of the presented view's layer: it holds the screens
    // weakly, so that screens let go of before their animation ended do not keep each other.
    auto finish = [weakPresenter = std::weak_ptr<ViewController>(presenter),
                   weakController = std::weak_ptr<ViewController>(controller), fullScreen, animator,
                   completion = std::move(completion)](bool completed) {
        const auto presenter = weakPresenter.lock();
        const auto controller = weakController.lock();
        if (!presenter || !controller) return;
        controller->beingPresented_ = false;
        if (!completed) {
            // The animator gave up: everything goes back as it was.
            controller->beginAppearanceTransition(false, false);
            controller->presentation_.container->removeFromSuperview();
            controller->presentation_ = {};
            controller->presenting_.reset();
            presenter->presented_.reset();
            if (fullScreen) presenter->beginAppearanceTransition(true, false);
            controller->endAppearanceTransition();
            if (fullScreen) presenter->endAppearanceTransition();
        } else {
            if (fullScreen) {
                // The covered screen leaves the window, as on the platform.
                const auto& container = controller->presentation_.container;
                Window* shownIn = container ? container->window() : nullptr;
                auto covered =
                    presenter->view_ ? screenOf(presenter->view_.get(), shownIn) : nullptr;
                if (covered && covered != controller->presentation_.container) {
                    controller->presentation_.covered = covered;
                    covered->removeFromSuperview();
                }
                presenter->endAppearanceTransition();
            }
            controller->endAppearanceTransition();
        }
        if (animator) animator->animationEnded(completed);
        if (completed && completion) completion();
    };

    const Rect final = container->bounds();
    if (animator) {
        auto context = std::make_shared<TransitionContext>(container, presenter, controller,
                                                           animated, std::move(finish));
        context->setFrames(Rect(), final);
        animator->animateTransition(context);
        return;
    }
    view->setFrame(final);
    container->addSubview(view);
    if (!animated) {
        finish(true);
        return;
    }
    if (controller->transitionStyle_ == ModalTransitionStyle::CoverVertical) {
        view->setFrame(final.offsetBy(0, final.size.height));
        View::animateWithDuration(
            kTransitionDuration, [&] { view->setFrame(final); }, [finish](bool) { finish(true); });
    } else {
        view->setAlpha(0);
        View::animateWithDuration(
            kTransitionDuration, [&] { view->setAlpha(1); }, [finish](bool) { finish(true); });
    }
}

void ViewController::dismissViewControllerAnimated(bool animated,
                                                   std::function<void()> completion) {
    std::shared_ptr<ViewController> host;
    if (presented_) {
        host = sharedAs<ViewController>();
    } else {
        const auto root = presentationRoot();
        host = root->presented_ ? root : root->presenting_.lock();
    }
    if (!host || !host->presented_) return;
    const auto target = host->presented_;
    if (target->beingDismissed_ || target->beingPresented_) return;
    // Screens presented above the dismissed one go with it, at once.
    if (target->presented_) target->dismissViewControllerAnimated(false);

    target->beingDismissed_ = true;
    const Presentation presentation = target->presentation_;
    const auto& container = presentation.container;
    Window* window = container ? container->window() : nullptr;
    if (presentation.fullScreen && presentation.covered && window && container) {
        window->insertSubviewBelowSubview(presentation.covered, container.get());
    }
    std::shared_ptr<ViewControllerAnimatedTransitioning> animator;
    if (auto delegate = target->transitioningDelegate()) {
        animator = delegate->animationControllerForDismissedController(*target);
    }
    target->beginAppearanceTransition(false, animated);
    if (presentation.fullScreen) host->beginAppearanceTransition(true, animated);

    // Held by the animation of the dismissed view's layer, so it holds the screens and the
    // container weakly (see the presentation's finish).
    auto finish = [weakHost = std::weak_ptr<ViewController>(host),
                   weakTarget = std::weak_ptr<ViewController>(target),
                   weakContainer = std::weak_ptr<View>(presentation.container),
                   fullScreen = presentation.fullScreen, animator,
                   completion = std::move(completion)](bool) {
        const auto host = weakHost.lock();
        const auto target = weakTarget.lock();
        if (!host || !target) return;
        const auto container = weakContainer.lock();
        if (target->view_ && target->view_->isDescendantOfView(container.get())) {
            target->view_->removeFromSuperview();
        }
        if (container) container->removeFromSuperview();
        target->presentation_ = {};
        target->beingDismissed_ = false;
        target->presenting_.reset();
        host->presented_.reset();
        target->endAppearanceTransition();
        if (fullScreen) host->endAppearanceTransition();
        if (animator) animator->animationEnded(true);
        if (completion) completion();
    };

    if (animator && container) {
        auto context = std::make_shared<TransitionContext>(container, target, host, animated,
                                                           std::move(finish));
        animator->animateTransition(context);
        return;
    }
    const auto& view = target->view_;
    if (!animated || !view || !container) {
        finish(true);
        return;
    }
    if (target->transitionStyle_ == ModalTransitionStyle::CoverVertical) {
        const Rect gone = container->bounds().offsetBy(0, container->bounds().size.height);
        View::animateWithDuration(
            kTransitionDuration, [&] { view->setFrame(gone); }, [finish](bool) { finish(true); });
    } else {
        View::animateWithDuration(
            kTransitionDuration, [&] { view->setAlpha(0); }, [finish](bool) { finish(true); });
    }
}

// The window's root controller is defined here, with the controllers.
void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == rootViewController_) return;
    const auto keep = sharedView();
    if (auto old = std::move(rootViewController_)) {
        old->beginAppearanceTransition(false, false);
        if (old->view_ && old->view_->superview() == this) old->view_->removeFromSuperview();
        old->endAppearanceTransition();
    }
    rootViewController_ = std::move(controller);
    if (!rootViewController_) return;
    const auto& view = rootViewController_->view();
    view->setFrame(bounds());
    view->setAutoresizingMask(kFlexibleSize);
    rootViewController_->beginAppearanceTransition(true, false);
    // The root screen lies below every other screen and overlay.
    insertSubviewAtIndex(view, 0);
    view->layoutIfNeeded();
    rootViewController_->endAppearanceTransition();
}

}  // namespace ui
