#pragma once

#include "platform/uikit/transform3d.h"
#include "platform/uikit/view_controller.h"

#include <functional>
#include <memory>

namespace ui {
class GestureRecognizer;
class ImageView;
class NavigationBar;
class PanGestureRecognizer;
class TapGestureRecognizer;
}  // namespace ui

class ModalSheetViewController;

// Told after each close of a sheet.
class QXCustomViewControllerDelegate {
public:
    virtual ~QXCustomViewControllerDelegate() = default;
    virtual void customModalViewControllerDidDismiss(ModalSheetViewController&) {}
};
using SheetModalViewControllerDelegate = QXCustomViewControllerDelegate;

// What the two sheets share: a root controller rising from the bottom of the screen
// over its parent, which tilts back, shrinks and moves up behind a darkened overlay.
// A tap on the overlay or a drag of the sheet down past half its height closes it.
// Each close puts the parent back as it was before the opening.
class ModalSheetViewController : public ui::ViewController {
public:
    enum PresentationStyle { kStandard = 0, kSheetInContext = 1 };
    static constexpr double kOverlayAlpha = 0.2;
    static constexpr double kParentZPosition = -4000;
    static constexpr double kDragAnimationDuration = 0.2;
    static constexpr double kOpeningStepDelay = 0.010;
    static constexpr double kClosingStepDelay = 0.020;
    static constexpr double kClosingTiltDelay = 0.05;

    ModalSheetViewController(std::shared_ptr<ui::ViewController> root,
                             const std::shared_ptr<ui::ViewController>& parent);
    ~ModalSheetViewController() override;

    virtual void presentRootViewControllerWithPresentationStyle(
        int style, std::function<void()> completion) = 0;
    virtual void dismissRootViewControllerWithcompletion(std::function<void()> completion) = 0;
    virtual void onTapGesture();
    void onPanGesture(ui::PanGestureRecognizer& pan);

    [[nodiscard]] bool isTapParentViewToClose() const { return tapParentViewToClose_; }
    void setTapParentViewToClose(bool close);
    [[nodiscard]] bool isAllowDragRootViewNavigationBar() const { return allowDragBar_; }
    void setAllowDragRootViewNavigationBar(bool allow);
    [[nodiscard]] bool isAllowDragRootView() const { return allowDragRootView_; }
    void setAllowDragRootView(bool allow);
    [[nodiscard]] bool isAllowDragFromBottomToTop() const { return allowDragUp_; }
    void setAllowDragFromBottomToTop(bool allow) { allowDragUp_ = allow; }

    [[nodiscard]] const std::shared_ptr<ui::ViewController>& rootViewController() const {
        return rootViewController_;
    }
    [[nodiscard]] std::shared_ptr<ui::ViewController> fromViewController() const {
        return fromViewController_.lock();
    }
    [[nodiscard]] double rootViewControllerHeight() const { return rootHeight_; }
    void setRootViewControllerHeight(double height) { rootHeight_ = height; }
    [[nodiscard]] double animationSpeed() const { return animationSpeed_; }
    void setAnimationSpeed(double seconds) { animationSpeed_ = seconds; }
    [[nodiscard]] double parentViewScaling() const { return parentViewScaling_; }
    void setParentViewScaling(double scaling) { parentViewScaling_ = scaling; }
    [[nodiscard]] double parentViewYPath() const { return parentViewYPath_; }
    void setParentViewYPath(double points) { parentViewYPath_ = points; }
    [[nodiscard]] double draggedRootViewAlphaValue() const { return draggedAlpha_; }
    void setDraggedRootViewAlphaValue(double alpha) { draggedAlpha_ = alpha; }
    void setCloseCompletionBlock(std::function<void()> block) {
        closeCompletionBlock_ = std::move(block);
    }
    void setDelegate(std::weak_ptr<QXCustomViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] int currentPresentationStyle() const { return currentPresentationStyle_; }
    [[nodiscard]] ui::View* overlayView() const { return overlayView_.get(); }
    [[nodiscard]] ui::NavigationBar* contentNavBar() const { return contentNavBar_; }
    [[nodiscard]] ui::TapGestureRecognizer* tapGesture() const { return tapGesture_.get(); }

    void viewDidLoad() override;

protected:
    // The extra height the root view gets below its visible part.
    [[nodiscard]] virtual double rootViewExtraHeight() const { return 0; }
    // The parent's view, if the parent is still there.
    [[nodiscard]] std::shared_ptr<ui::View> parentView() const;
    // The dark overlay over the parent, transparent until the opening animates it.
    std::shared_ptr<ui::View> makeOverlay(const ui::Rect& frame);
    void tiltParent(ui::View& parent, bool opening) const;
    // Shrinks the parent and moves it up, remembering how it looked before.
    void shrinkParent(ui::View& parent);
    // Remembers the parent's look before the opening, then puts it back after a close.
    void saveParent(ui::View& parent);
    void restoreParent(ui::View& parent);
    // The delegate, then the closer's completion, then the close completion block.
    void reportClosed(const std::function<void()>& completion);
    static void after(double seconds, std::function<void()> action);

    std::shared_ptr<ui::ViewController> rootViewController_;
    std::weak_ptr<ui::ViewController> fromViewController_;
    std::shared_ptr<ui::View> overlayView_;
    std::shared_ptr<ui::TapGestureRecognizer> tapGesture_;
    std::shared_ptr<ui::PanGestureRecognizer> panGesture_;
    std::shared_ptr<ui::PanGestureRecognizer> panFullView_;
    ui::NavigationBar* contentNavBar_ = nullptr;
    std::weak_ptr<QXCustomViewControllerDelegate> delegate_;
    std::function<void()> closeCompletionBlock_;
    int currentPresentationStyle_ = kStandard;
    ui::Point initialPoint_;
    ui::Transform3D parentTransformBeforeOpening_;
    ui::Point parentCentreBeforeOpening_;
    double parentZBeforeOpening_ = 0;
    bool parentSaved_ = false;
    double rootHeight_ = 300.0;
    double animationSpeed_ = 0.2;
    double parentViewScaling_ = 0.8;
    double parentViewYPath_ = 0;
    double draggedAlpha_ = 0.8;
    bool tapParentViewToClose_ = true;
    bool allowDragBar_ = true;
    bool allowDragRootView_ = false;
    bool allowDragUp_ = false;
};

// The sheet holding `controller`: its parent, or its navigation controller's parent,
// when that is a sheet; else nothing.
[[nodiscard]] std::shared_ptr<ModalSheetViewController> customModalViewController(
    ui::ViewController& controller);
