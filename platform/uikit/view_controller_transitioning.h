#pragma once

#include "platform/uikit/geometry.h"

#include <functional>
#include <memory>

namespace ui {

class View;
class ViewController;
class ViewControllerAnimatedTransitioning;

// What an animator of a custom presentation works with: the view the
// transition happens in, the two screens, and the call that ends it.
class TransitionContext {
public:
    enum class Key { From, To };

    TransitionContext(std::shared_ptr<View> container, std::shared_ptr<ViewController> from,
                      std::shared_ptr<ViewController> to, bool animated,
                      std::function<void(bool didComplete)> done);

    [[nodiscard]] View* containerView() const { return container_.get(); }
    [[nodiscard]] std::shared_ptr<ViewController> viewControllerForKey(Key key) const {
        return key == Key::From ? from_ : to_;
    }
    [[nodiscard]] bool isAnimated() const { return animated_; }
    // Where a screen's view starts and ends (empty when the transition does not set it).
    [[nodiscard]] Rect initialFrameForViewController(const ViewController* controller) const;
    [[nodiscard]] Rect finalFrameForViewController(const ViewController* controller) const;
    void setFrames(Rect toInitial, Rect toFinal) {
        toInitial_ = toInitial;
        toFinal_ = toFinal;
    }
    // The animator calls this once its animation is over; later calls do nothing.
    void completeTransition(bool didComplete);
    [[nodiscard]] bool transitionWasCancelled() const { return cancelled_; }

private:
    std::shared_ptr<View> container_;
    std::shared_ptr<ViewController> from_;
    std::shared_ptr<ViewController> to_;
    std::function<void(bool)> done_;
    Rect toInitial_;
    Rect toFinal_;
    bool animated_;
    bool cancelled_ = false;
};

// Animates a custom presentation or dismissal.
class ViewControllerAnimatedTransitioning {
public:
    virtual ~ViewControllerAnimatedTransitioning() = default;
    [[nodiscard]] virtual double transitionDuration(TransitionContext& context) = 0;
    // Puts the "to" view into the container, animates, and completes the context.
    virtual void animateTransition(const std::shared_ptr<TransitionContext>& context) = 0;
    virtual void animationEnded(bool transitionCompleted) { (void)transitionCompleted; }
};

// Hands out the animators of a screen's presentation and dismissal; none means
// the standard animation.
class ViewControllerTransitioningDelegate {
public:
    virtual ~ViewControllerTransitioningDelegate() = default;
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning>
    animationControllerForPresentedController(ViewController& presented, ViewController& presenting,
                                              ViewController& source) {
        (void)presented, (void)presenting, (void)source;
        return nullptr;
    }
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning>
    animationControllerForDismissedController(ViewController& dismissed) {
        (void)dismissed;
        return nullptr;
    }
};

}  // namespace ui
