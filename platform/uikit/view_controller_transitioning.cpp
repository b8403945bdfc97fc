#include "platform/uikit/view_controller_transitioning.h"

#include "platform/uikit/view.h"
#include "platform/uikit/view_controller.h"

namespace ui {

TransitionContext::TransitionContext(std::shared_ptr<View> container,
                                     std::shared_ptr<ViewController> from,
                                     std::shared_ptr<ViewController> to, bool animated,
                                     std::function<void(bool)> done)
    : container_(std::move(container)),
      from_(std::move(from)),
      to_(std::move(to)),
      done_(std::move(done)),
      animated_(animated) {}

Rect TransitionContext::initialFrameForViewController(const ViewController* controller) const {
    if (controller == from_.get() && container_) return container_->bounds();
    return controller == to_.get() ? toInitial_ : Rect();
}

Rect TransitionContext::finalFrameForViewController(const ViewController* controller) const {
    return controller == to_.get() ? toFinal_ : Rect();
}

void TransitionContext::completeTransition(bool didComplete) {
    cancelled_ = !didComplete;
    if (auto done = std::move(done_)) done(didComplete);
}

}  // namespace ui
