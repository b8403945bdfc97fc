#pragma once

#include "platform/uikit/geometry.h"
#include "platform/uikit/responder.h"
#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class NavigationController;
class NavigationItem;
class TabBarController;
class TabBarItem;
class View;
class ViewControllerTransitioningDelegate;
class Window;

// Which edges of a screen may extend under the bars around it, as the platform's bits.
enum RectEdge : unsigned {
    kRectEdgeNone = 0,
    kRectEdgeTop = 1u << 0,
    kRectEdgeLeft = 1u << 1,
    kRectEdgeBottom = 1u << 2,
    kRectEdgeRight = 1u << 3,
    kRectEdgeAll = 0xFu,
};

enum class ModalPresentationStyle {
    FullScreen = 0,
    PageSheet = 1,
    FormSheet = 2,
    CurrentContext = 3,
    Custom = 4,
};

enum class ModalTransitionStyle {
    CoverVertical = 0,
    FlipHorizontal = 1,
    CrossDissolve = 2,
    PartialCurl = 3,
};

enum class StatusBarStyle { Default = 0, LightContent = 1 };

// The view a controller builds by default: its layout lets the controller
// place its children's views, between viewWillLayoutSubviews and
// viewDidLayoutSubviews.
class ControllerView : public View {
public:
    using View::View;
    void layoutSubviews() override;
};

// One screen of the app: it owns a view, built on first use by loadView and
// finished by viewDidLoad, and hears when that view is about to appear, has
// appeared, is about to disappear and has disappeared. Containers (navigation
// and tab controllers, or any controller with child controllers) pass those
// calls on to the children whose views they show, so every screen hears each
// of them once per transition.
//
// Controllers are held by shared pointers: a container owns its children; the
// way up (parent, presenting controller) is a weak reference.
class ViewController : public Responder {
public:
    // The state of the view between appearance calls.
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };

    ViewController();
    ~ViewController() override;

    // The view, loaded on first use.
    const std::shared_ptr<View>& view();
    void setView(std::shared_ptr<View> view);
    [[nodiscard]] bool isViewLoaded() const { return view_ != nullptr; }
    // Builds the view; the default is an empty view as large as the screen. A
    // subclass that builds its own view calls setView here.
    virtual void loadView();
    virtual void viewDidLoad() {}
    // The view was released after a memory warning (the controller was not shown).
    virtual void viewWillUnload() {}
    virtual void viewDidUnload() {}
    // The default releases the view when it is in no window.
    virtual void didReceiveMemoryWarning();

    // Appearance, heard by subclasses.
    virtual void viewWillAppear(bool animated) { (void)animated; }
    virtual void viewDidAppear(bool animated) { (void)animated; }
    virtual void viewWillDisappear(bool animated) { (void)animated; }
    virtual void viewDidDisappear(bool animated) { (void)animated; }
    virtual void viewWillLayoutSubviews() {}
    virtual void viewDidLayoutSubviews() {}
    // Drives the calls above: each transition calls "will" once, and its end
    // "did" once; a transition that is already under way is not started again.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    [[nodiscard]] Appearance appearance() const { return appearance_; }
    // Whether appearance calls reach the children by themselves (true).
    [[nodiscard]] virtual bool shouldAutomaticallyForwardAppearanceMethods() const { return true; }

    // Title and the items the bars show for this screen.
    [[nodiscard]] const QString& title() const { return title_; }
    // Also names the screen's navigation item and tab item.
    virtual void setTitle(const QString& title);
    [[nodiscard]] NavigationItem& navigationItem();
    [[nodiscard]] std::shared_ptr<NavigationItem> navigationItemPointer();
    [[nodiscard]] const std::shared_ptr<TabBarItem>& tabBarItem();
    void setTabBarItem(std::shared_ptr<TabBarItem> item);

    // Layout under the bars (the platform's version-7 rules).
    [[nodiscard]] unsigned edgesForExtendedLayout() const { return edgesForExtendedLayout_; }
    void setEdgesForExtendedLayout(unsigned edges) { edgesForExtendedLayout_ = edges; }
    [[nodiscard]] bool extendedLayoutIncludesOpaqueBars() const { return extendedOpaque_; }
    void setExtendedLayoutIncludesOpaqueBars(bool includes) { extendedOpaque_ = includes; }

    // Asked by a navigation controller each time its stack changes; while a
    // screen answering true is on a stack above its root, the tab bar is hidden.
    [[nodiscard]] virtual bool hidesBottomBarWhenPushed() const { return hidesBottomBar_; }
    void setHidesBottomBarWhenPushed(bool hides) { hidesBottomBar_ = hides; }

    // The status bar.
    [[nodiscard]] virtual StatusBarStyle preferredStatusBarStyle() const {
        return StatusBarStyle::Default;
    }
    [[nodiscard]] virtual bool prefersStatusBarHidden() const { return false; }
    // Applies this screen's status-bar wishes to the application.
    void setNeedsStatusBarAppearanceUpdate();

    // Child controllers. Adding tells the child willMoveToParentViewController;
    // removing tells it didMoveToParentViewController with no parent.
    void addChildViewController(const std::shared_ptr<ViewController>& child);
    void removeFromParentViewController();
    [[nodiscard]] const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const {
        return children_;
    }
    [[nodiscard]] std::shared_ptr<ViewController> parentViewController() const {
        return parent_.lock();
    }
    virtual void willMoveToParentViewController(ViewController* parent) { (void)parent; }
    virtual void didMoveToParentViewController(ViewController* parent) { (void)parent; }
    // The nearest navigation or tab controller above this screen (or presenting it).
    [[nodiscard]] NavigationController* navigationController() const;
    [[nodiscard]] TabBarController* tabBarController() const;

    // Modal presentation. The presented screen covers its presenter (the
    // outermost controller of the window, or the presenter's own presented
    // screen); it appears above everything but alerts and the keyboard. A presenter
    // whose own style is CurrentContext stays in the window under the presented screen.
    void presentViewController(const std::shared_ptr<ViewController>& controller, bool animated,
                               std::function<void()> completion = {});
    // Dismisses the screen this controller presents, or, when it presents none,
    // itself from its presenter.
    void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
    [[nodiscard]] std::shared_ptr<ViewController> presentedViewController() const {
        return presented_;
    }
    [[nodiscard]] std::shared_ptr<ViewController> presentingViewController() const {
        return presenting_.lock();
    }
    [[nodiscard]] ModalPresentationStyle modalPresentationStyle() const {
        return presentationStyle_;
    }
    void setModalPresentationStyle(ModalPresentationStyle style) { presentationStyle_ = style; }
    [[nodiscard]] ModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
    void setModalTransitionStyle(ModalTransitionStyle style) { transitionStyle_ = style; }
    [[nodiscard]] std::shared_ptr<ViewControllerTransitioningDelegate> transitioningDelegate()
        const {
        return transitioningDelegate_.lock();
    }
    void setTransitioningDelegate(std::weak_ptr<ViewControllerTransitioningDelegate> delegate) {
        transitioningDelegate_ = std::move(delegate);
    }
    [[nodiscard]] bool isBeingPresented() const { return beingPresented_; }
    [[nodiscard]] bool isBeingDismissed() const { return beingDismissed_; }

    // Responder chain: after the view comes the controller, then the view's
    // superview (or the presenting controller).
    [[nodiscard]] Responder* nextResponder() const override;
    [[nodiscard]] Window* responderWindow() const override;

    // Seconds a modal presentation or a navigation push takes when animated.
    static constexpr double kTransitionDuration = 0.35;

protected:
    // The children that share this controller's appearance: by default those
    // whose views are inside this controller's view.
    [[nodiscard]] virtual std::vector<std::shared_ptr<ViewController>> childrenForAppearance()
        const;
    // Lets a container lay out its children's views.
    virtual void layoutChildViews() {}

private:
    friend class NavigationController;
    friend class TabBarController;
    friend class Window;
    friend class ControllerView;
    void setParent(ViewController* parent);
    void forwardAppearance(bool begin, bool appearing, bool animated);
    void observeMemoryWarnings();
    [[nodiscard]] std::shared_ptr<ViewController> presentationRoot();

    // How a presented screen was put up, to take it down the same way.
    struct Presentation {
        std::shared_ptr<View> container;
        std::shared_ptr<View> covered;  // the presenter's screen, out of the window meanwhile
        bool fullScreen = true;
    };

    std::shared_ptr<View> view_;
    Presentation presentation_;
    QString title_;
    std::shared_ptr<NavigationItem> navigationItem_;
    std::shared_ptr<TabBarItem> tabBarItem_;
    std::weak_ptr<ViewController> parent_;
    std::vector<std::shared_ptr<ViewController>> children_;
    std::shared_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    std::weak_ptr<ViewControllerTransitioningDelegate> transitioningDelegate_;
    std::shared_ptr<void> memoryWarningToken_;
    Appearance appearance_ = Appearance::Disappeared;
    bool lastAnimated_ = false;
    unsigned edgesForExtendedLayout_ = kRectEdgeAll;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
    ModalTransitionStyle transitionStyle_ = ModalTransitionStyle::CoverVertical;
    bool extendedOpaque_ = false;
    bool hidesBottomBar_ = false;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
};

}  // namespace ui
