#include "ui/widgets/SheetModalViewController.h"

#include "platform/uikit/animation_block.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/window.h"
#include "ui/widgets/SnapTools.h"

#include <algorithm>

SheetModalViewController::SheetModalViewController(
    std::shared_ptr<ui::ViewController> root, const std::shared_ptr<ui::ViewController>& parent)
    : ModalSheetViewController(std::move(root), parent) {}

void SheetModalViewController::presentRootViewControllerWithPresentationStyle(
    int style, std::function<void()> completion) {
    auto parent = fromViewController_.lock();
    if (!parent) return;
    currentPresentationStyle_ = style;
    setModalPresentationStyle(ui::ModalPresentationStyle::Custom);
    setTransitioningDelegate(sharedAs<SheetModalViewController>());
    parent->presentViewController(sharedAs<SheetModalViewController>(), true,
                                  std::move(completion));
}

void SheetModalViewController::dismissRootViewControllerWithcompletion(
    std::function<void()> completion) {
    if (rootViewController_) {
        rootViewController_->dismissViewControllerAnimated(true, std::move(completion));
    }
}

std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
SheetModalViewController::animationControllerForPresentedController(ui::ViewController&,
                                                                    ui::ViewController&,
                                                                    ui::ViewController&) {
    presenting_ = true;
    return sharedAs<SheetModalViewController>();
}

std::shared_ptr<ui::ViewControllerAnimatedTransitioning>
SheetModalViewController::animationControllerForDismissedController(ui::ViewController&) {
    presenting_ = false;
    return sharedAs<SheetModalViewController>();
}

double SheetModalViewController::transitionDuration(ui::TransitionContext&) {
    return animationSpeed_;
}

void SheetModalViewController::animateTransition(
    const std::shared_ptr<ui::TransitionContext>& context) {
    if (presenting_) {
        animateOpening(context);
    } else {
        animateClosing(context);
    }
}

void SheetModalViewController::animateOpening(
    const std::shared_ptr<ui::TransitionContext>& context) {
    auto parent = fromViewController_.lock();
    auto parentView = this->parentView();
    ui::View* container = context->containerView();
    if (!parent || !parentView || !container) {
        context->completeTransition(false);
        return;
    }
    const auto& sheet = view();
    ui::Rect frame = container->bounds();
    frame.origin.y = frame.size.height + 30;
    sheet->setFrame(frame);
    if (ui::Window* window = parentView->window()) {
        window->setBackgroundColor(ui::Color::blackColor());
    }
    parent->beginAppearanceTransition(false, true);
    saveParent(*parentView);
    parentSuperview_ = parentView->superview();
    if (parentSuperview_) {
        const auto& siblings = parentSuperview_->subviews();
        parentIndex_ = static_cast<std::size_t>(
            std::find(siblings.begin(), siblings.end(), parentView) - siblings.begin());
    }
    auto overlay = makeOverlay(parentView->bounds());
    container->addSubview(parentView);
    container->addSubview(overlay);
    container->addSubview(sheet);
    auto self = sharedAs<SheetModalViewController>();
    ui::View::animateWithDuration(
        animationSpeed_,
        [&] {
            tiltParent(*parentView, true);
            overlay->setAlpha(kOverlayAlpha);
        },
        [self, parent, parentView, context](bool) {
            ui::View::animateWithDuration(self->animationSpeed_, 0,
                                          ui::kViewAnimationOptionCurveEaseIn, [&] {
                                              self->shrinkParent(*parentView);
                                              self->originalTransform_ = parentView->transform();
                                          });
            after(kOpeningStepDelay, [self, parent, parentView, context] {
                const auto& sheet = self->view();
                ui::View::animateWithDuration(
                    self->animationSpeed_,
                    [&] {
                        ui::Rect shown = sheet->frame();
                        shown.origin.y = self->currentPresentationStyle_ == kStandard
                                             ? 0
                                             : shown.size.height - self->rootHeight_;
                        sheet->setFrame(shown);
                    },
                    [self, parent, parentView, context](bool) {
                        ui::View* container = context->containerView();
                        self->backgroundView_ =
                            std::make_shared<ui::ImageView>(parentView->frame());
                        self->backgroundView_->setImage(capture(*parentView));
                        if (container) container->insertSubviewAtIndex(self->backgroundView_, 0);
                        parentView->setHidden(true);
                        context->completeTransition(true);
                        parent->endAppearanceTransition();
                    });
            });
        });
}

void SheetModalViewController::animateClosing(
    const std::shared_ptr<ui::TransitionContext>& context) {
    auto parent = fromViewController_.lock();
    auto parentView = this->parentView();
    if (backgroundView_) backgroundView_->removeFromSuperview();
    backgroundView_.reset();
    if (!parent || !parentView) {
        if (overlayView_) overlayView_->removeFromSuperview();
        context->completeTransition(true);
        return;
    }
    parentView->setHidden(false);
    parentView->setTransform(originalTransform_);
    parent->beginAppearanceTransition(true, true);
    const auto& sheet = view();
    ui::View::animateWithDuration(animationSpeed_, [&] {
        ui::Rect gone = sheet->frame();
        gone.origin.y = gone.size.height;
        sheet->setFrame(gone);
    });
    auto self = sharedAs<SheetModalViewController>();
    ui::View::animateWithDuration(
        animationSpeed_, kClosingTiltDelay, ui::kViewAnimationOptionCurveEaseIn,
        [&] { tiltParent(*parentView, false); },
        [self, parent, parentView, context](bool) {
            ui::View::animateWithDuration(
                self->animationSpeed_,
                [&] {
                    if (self->overlayView_) self->overlayView_->setAlpha(0);
                    self->restoreParent(*parentView);
                },
                [self, parent, parentView, context](bool) {
                    // Even when the fade was cut short, nothing stays over the parent.
                    if (self->overlayView_) self->overlayView_->removeFromSuperview();
                    self->returnParentView(*parentView);
                    self->reportClosed({});
                    parent->endAppearanceTransition();
                    context->completeTransition(true);
                });
        });
}

void SheetModalViewController::returnParentView(ui::View& parentView) {
    if (!parentSuperview_) return;
    auto shared = parentView.sharedView();
    const std::size_t index = std::min(parentIndex_, parentSuperview_->subviews().size());
    parentSuperview_->insertSubviewAtIndex(shared, index);
    parentSuperview_ = nullptr;
}
