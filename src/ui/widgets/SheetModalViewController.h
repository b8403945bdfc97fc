#pragma once

#include "platform/uikit/view_controller_transitioning.h"
#include "ui/widgets/ModalSheetViewController.h"

// The sheet built on the platform's custom presentation (version 7 and later): it is
// its own transitioning delegate and animator, so both animations run in the
// presentation's container, where a still snapshot stands in for the parent while
// the sheet is up.
class SheetModalViewController : public ModalSheetViewController,
                                 public ui::ViewControllerTransitioningDelegate,
                                 public ui::ViewControllerAnimatedTransitioning {
public:
    SheetModalViewController(std::shared_ptr<ui::ViewController> root,
                             const std::shared_ptr<ui::ViewController>& parent);

    void presentRootViewControllerWithPresentationStyle(int style,
                                                        std::function<void()> completion) override;
    void dismissRootViewControllerWithcompletion(std::function<void()> completion) override;

    [[nodiscard]] bool isPresenting() const { return presenting_; }
    [[nodiscard]] ui::ImageView* backgroundView() const { return backgroundView_.get(); }

    std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
    animationControllerForPresentedController(ui::ViewController& presented,
                                              ui::ViewController& presenting,
                                              ui::ViewController& source) override;
    std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
    animationControllerForDismissedController(ui::ViewController& dismissed) override;
    [[nodiscard]] double transitionDuration(ui::TransitionContext& context) override;
    void animateTransition(const std::shared_ptr<ui::TransitionContext>& context) override;

private:
    void animateOpening(const std::shared_ptr<ui::TransitionContext>& context);
    void animateClosing(const std::shared_ptr<ui::TransitionContext>& context);
    // The parent's view goes into the container while the sheet is up; this puts it
    // back where it was.
    void returnParentView(ui::View& parentView);

    std::shared_ptr<ui::ImageView> backgroundView_;
    ui::AffineTransform originalTransform_;
    ui::View* parentSuperview_ = nullptr;
    std::size_t parentIndex_ = 0;
    bool presenting_ = false;
};
