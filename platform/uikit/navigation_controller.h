#pragma once

#include "platform/uikit/view_controller.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class NavigationBar;
class NavigationController;

// Hears the navigation controller show a screen. Both methods are optional.
class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    virtual void willShowViewController(NavigationController& navigation,
                                        ViewController& controller, bool animated) {
        (void)navigation, (void)controller, (void)animated;
    }
    virtual void didShowViewController(NavigationController& navigation, ViewController& controller,
                                       bool animated) {
        (void)navigation, (void)controller, (void)animated;
    }
};

// A stack of screens under a navigation bar: the top screen shows; pushing
// slides a new one in from the right, popping slides it out again (0.35 s on
// the clock when animated). The screen going away hears will-disappear, the
// one coming hears will-appear, then did-disappear and did-appear once the
// move is over. A change asked for while another is still moving finishes
// that one at once first.
//
// Subclasses may override push and pop (a stack with drag-back does); the
// back button and the tab bar's second tap go through the overridden methods.
class NavigationController : public ViewController {
public:
    using BarFactory = std::function<std::shared_ptr<NavigationBar>()>;

    // A stack with `root` at the bottom.
    [[nodiscard]] static std::shared_ptr<NavigationController> withRootViewController(
        std::shared_ptr<ViewController> root);
    // A stack whose bar is made by `barFactory` (a custom bar class).
    explicit NavigationController(BarFactory barFactory = {});
    ~NavigationController() override;

    virtual void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // The popped screen; none when only the root is left.
    virtual std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    // The popped screens, lowest first; none when `controller` is not on the stack.
    virtual std::vector<std::shared_ptr<ViewController>> popToViewController(
        const std::shared_ptr<ViewController>& controller, bool animated);
    virtual std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(
        bool animated);
    virtual void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                    bool animated = false);
    [[nodiscard]] const std::vector<std::shared_ptr<ViewController>>& viewControllers() const {
        return childViewControllers();
    }
    [[nodiscard]] std::shared_ptr<ViewController> topViewController() const;
    // The top screen, or the screen it presents.
    [[nodiscard]] std::shared_ptr<ViewController> visibleViewController() const;

    [[nodiscard]] NavigationBar* navigationBar();
    [[nodiscard]] bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated = false);

    [[nodiscard]] std::shared_ptr<NavigationControllerDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<NavigationControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // True while a push or pop is moving.
    [[nodiscard]] bool isTransitioning() const { return static_cast<bool>(pendingFinish_); }

    void loadView() override;

protected:
    [[nodiscard]] std::vector<std::shared_ptr<ViewController>> childrenForAppearance()
        const override;
    void layoutChildViews() override;

private:
    friend class TabBarController;
    enum class Operation { None, Push, Pop };
    void ensureBar();
    // Shows the new top screen after the stack changed from `oldStack`.
    void transition(const std::vector<std::shared_ptr<ViewController>>& oldStack,
                    Operation operation, bool animated);
    void finishTransition();
    void updateBottomBar(bool animated);
    void syncBarItems(bool animated);
    [[nodiscard]] Rect frameForChild(ViewController& controller);
    void replaceStack(std::vector<std::shared_ptr<ViewController>> controllers);

    BarFactory barFactory_;
    std::shared_ptr<NavigationBar> bar_;
    std::weak_ptr<NavigationControllerDelegate> delegate_;
    std::function<void()> pendingFinish_;
    // Tells the animation that ends a move whether that move is still the current one.
    std::weak_ptr<int> pendingSerial_;
    bool barHidden_ = false;
};

}  // namespace ui
