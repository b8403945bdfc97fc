#include "platform/uikit/display_link.h"

#include "platform/uikit/animation.h"

namespace ui {

std::shared_ptr<DisplayLink> DisplayLink::displayLinkWithTarget(Target target) {
    return std::shared_ptr<DisplayLink>(new DisplayLink(std::move(target)));
}

DisplayLink::~DisplayLink() {
    if (timer_) timer_->invalidate();
}

void DisplayLink::addToRunLoop() {
    if (running_ || !target_) return;
    running_ = true;
    arm();
}

void DisplayLink::arm() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    if (!running_ || paused_) return;
    // The timer holds the link weakly: a link nobody keeps stops.
    auto weak = weak_from_this();
    timer_ = ns::Timer::scheduledTimer(ns::seconds(kRefreshInterval * frameInterval_), true,
                                       [weak](ns::Timer& timer) {
                                           auto self = weak.lock();
                                           if (!self) {
                                               timer.invalidate();
                                               return;
                                           }
                                           self->timestamp_ = mediaTime();
                                           if (auto target = self->target_) target(*self);
                                       });
}

void DisplayLink::invalidate() {
    running_ = false;
    target_ = nullptr;
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void DisplayLink::setPaused(bool paused) {
    if (paused == paused_) return;
    paused_ = paused;
    arm();
}

void DisplayLink::setFrameInterval(int interval) {
    frameInterval_ = std::max(1, interval);
    if (running_) arm();
}

}  // namespace ui
