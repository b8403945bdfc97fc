#include "platform/uikit/gesture_recognizer.h"

#include "platform/uikit/animation.h"
#include "platform/uikit/event.h"
#include "platform/uikit/touch.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

#include <algorithm>
#include <map>

namespace ui {

namespace {

// Recognizers that would begin but wait for another recognizer to fail.
std::vector<std::weak_ptr<GestureRecognizer>>& waiting() {
    static std::vector<std::weak_ptr<GestureRecognizer>> list;
    return list;
}

void forgetWaiting(const GestureRecognizer* recognizer) {
    auto& list = waiting();
    std::erase_if(list, [&](const auto& weak) {
        auto locked = weak.lock();
        return !locked || locked.get() == recognizer;
    });
}

bool isActive(GestureRecognizerState state) {
    return state == GestureRecognizerState::Began || state == GestureRecognizerState::Changed;
}

bool isFinal(GestureRecognizerState state) {
    return state == GestureRecognizerState::Ended || state == GestureRecognizerState::Cancelled ||
           state == GestureRecognizerState::Failed;
}

}  // namespace

GestureRecognizer::GestureRecognizer(const void* owner, Action action) {
    if (action) addTarget(owner, std::move(action));
}

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addTarget(const void* owner, Action action) {
    if (action) targets_.push_back(Target{owner, std::move(action)});
}

void GestureRecognizer::removeTarget(const void* owner) {
    if (!owner) {
        targets_.clear();
        return;
    }
    std::erase_if(targets_, [&](const Target& target) { return target.owner == owner; });
}

void GestureRecognizer::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (enabled) return;
    if (isActive(state_)) {
        setState(State::Cancelled);
    } else if (state_ == State::Possible) {
        fail();
    }
}

void GestureRecognizer::setView(View* view) {
    if (view_ == view) return;
    if (view_ && isActive(state_)) setState(State::Cancelled);
    view_ = view;
    touches_.clear();
    forgetWaiting(this);
    pending_.reset();
    if (state_ != State::Possible) {
        state_ = State::Possible;
        reset();
    }
}

void GestureRecognizer::requireGestureRecognizerToFail(
    const std::shared_ptr<GestureRecognizer>& other) {
    if (other && other.get() != this) requiredToFail_.push_back(other);
}

bool GestureRecognizer::requiresFailureOf(const GestureRecognizer& other) const {
    return std::any_of(requiredToFail_.begin(), requiredToFail_.end(),
                       [&](const auto& weak) { return weak.lock().get() == &other; });
}

void GestureRecognizer::rememberCentroid() {
    if (touches_.empty()) return;
    Point centroid;
    for (const auto& touch : touches_) {
        const Point p = touch->locationInView(nullptr);
        centroid.x += p.x / double(touches_.size());
        centroid.y += p.y / double(touches_.size());
    }
    lastCentroid_ = centroid;
    lastWindow_ = touches_.front()->window();
}

Point GestureRecognizer::locationInView(const View* view) const {
    Point centroid = lastCentroid_;
    if (!touches_.empty()) {
        centroid = {};
        for (const auto& touch : touches_) {
            const Point p = touch->locationInView(nullptr);
            centroid.x += p.x / double(touches_.size());
            centroid.y += p.y / double(touches_.size());
        }
    }
    return view ? view->convertPointFromView(centroid, lastWindow_) : centroid;
}

Point GestureRecognizer::locationOfTouch(std::size_t index, const View* view) const {
    if (index >= touches_.size()) return {};
    return touches_[index]->locationInView(view);
}

bool GestureRecognizer::wantsTouch(Touch& touch) {
    if (!enabled_ || !view_) return false;
    if (auto d = delegate()) return d->gestureRecognizerShouldReceiveTouch(*this, touch);
    return true;
}

void GestureRecognizer::touchesBegan(const TouchSet&, const Event&) {}
void GestureRecognizer::touchesMoved(const TouchSet&, const Event&) {}
void GestureRecognizer::touchesEnded(const TouchSet&, const Event&) {}
void GestureRecognizer::touchesCancelled(const TouchSet&, const Event&) {}
void GestureRecognizer::reset() {}

ns::DelayedCall GestureRecognizer::moveIfStillPossible(double seconds, State then) {
    return ns::DelayedCall::schedule(ns::seconds(seconds), [weak = weak_from_this(), then] {
        auto self = weak.lock();
        if (self && self->state() == State::Possible) self->setState(then);
    });
}

void GestureRecognizer::setState(State state) {
    switch (state_) {
        case State::Possible:
            if (isWaiting()) {
                if (state == State::Failed || state == State::Cancelled) {
                    fail();
                } else if (state == State::Began || state == State::Ended) {
                    pending_ = state;
                }
                return;
            }
            if (state == State::Began || state == State::Ended) {
                attemptToBegin(state);
            } else if (state == State::Failed || state == State::Cancelled) {
                fail();
            }
            return;
        case State::Began:
        case State::Changed:
            if (state == State::Changed || state == State::Ended || state == State::Cancelled ||
                state == State::Failed) {
                state_ = state == State::Failed ? State::Cancelled : state;
                auto keep = shared_from_this();
                performActions();
                if (state_ != State::Changed) resetIfDone();
            }
            return;
        default:
            // A finished gesture waits for its reset.
            return;
    }
}

void GestureRecognizer::endGesture(State ending) {
    setState(state_ == State::Possible ? State::Failed : ending);
}

void GestureRecognizer::attemptToBegin(State target) {
    auto self = shared_from_this();
    // A single tap on a control is the control's, not an ancestor's tap recognizer's.
    if (isSingleTap() && !isWaiting()) {
        for (const auto& touch : touches_) {
            View* touched = touch->view();
            if (touched && touched != view_ && touched->handlesTapsItself() &&
                touched->isDescendantOfView(view_)) {
                fail();
                return;
            }
        }
    }
    for (const auto& weak : requiredToFail_) {
        auto other = weak.lock();
        if (!other || !other->view_) continue;
        if (other->state_ == State::Possible) {
            if (!isWaiting()) waiting().push_back(self);
            pending_ = target;
            return;
        }
        if (other->state_ != State::Failed && other->state_ != State::Cancelled) {
            fail();
            return;
        }
    }
    pending_.reset();
    forgetWaiting(this);

    if (auto d = delegate(); d && !d->gestureRecognizerShouldBegin(*this)) {
        fail();
        return;
    }
    if (view_ && !view_->gestureRecognizerShouldBegin(*this)) {
        fail();
        return;
    }
    const auto others = sharingTouches();
    for (const auto& other : others) {
        if (isActive(other->state_) && !canRunBeside(*other) &&
            other->canPreventGestureRecognizer(*this) &&
            canBePreventedByGestureRecognizer(*other)) {
            fail();
            return;
        }
    }

    state_ = target;
    // Whoever waited for this one to fail never will begin now.
    for (const auto& weak : std::vector(waiting())) {
        auto other = weak.lock();
        if (other && other != self && other->requiresFailureOf(*this)) other->fail();
    }
    for (const auto& other : others) {
        if (other->state_ == State::Possible && !canRunBeside(*other) &&
            canPreventGestureRecognizer(*other) &&
            other->canBePreventedByGestureRecognizer(*this)) {
            other->fail();
        }
    }
    if (cancelsTouchesInView_) takeTouchesFromViews();
    performActions();
    if (state_ == State::Ended) resetIfDone();
}

void GestureRecognizer::fail() {
    auto self = shared_from_this();
    pending_.reset();
    forgetWaiting(this);
    state_ = State::Failed;
    // Recognizers that waited for this failure may go now.
    for (const auto& weak : std::vector(waiting())) {
        auto other = weak.lock();
        if (other && other->isWaiting() && other->requiresFailureOf(*this)) {
            other->attemptToBegin(*other->pending_);
        }
    }
    resetIfDone();
}

void GestureRecognizer::resetIfDone() {
    if (!touches_.empty() || isWaiting() || !isFinal(state_)) return;
    state_ = State::Possible;
    reset();
}

void GestureRecognizer::performActions() {
    auto keep = shared_from_this();
    for (const Target& target : std::vector(targets_)) target.action(*this);
}

void GestureRecognizer::takeTouchesFromViews() {
    std::map<View*, TouchSet> cancelled;
    for (const auto& touch : touches_) {
        if (!touch->deliversToView_) continue;
        touch->deliversToView_ = false;
        if (touch->viewBegan_ && touch->view()) cancelled[touch->view()].insert(touch);
    }
    for (auto& [view, touches] : cancelled) {
        const Event event(mediaTime(), touches);
        auto keep = view->sharedView();
        view->touchesCancelled(touches, &event);
    }
}

bool GestureRecognizer::canRunBeside(GestureRecognizer& other) {
    if (auto d = delegate(); d && d->gestureRecognizerShouldRecognizeSimultaneously(*this, other)) {
        return true;
    }
    auto d = other.delegate();
    return d && d->gestureRecognizerShouldRecognizeSimultaneously(other, *this);
}

std::vector<std::shared_ptr<GestureRecognizer>> GestureRecognizer::sharingTouches() {
    std::vector<std::shared_ptr<GestureRecognizer>> others;
    for (const auto& touch : touches_) {
        for (const auto& other : touch->gestureRecognizers()) {
            if (other.get() == this || !other->view_) continue;
            if (std::find(others.begin(), others.end(), other) == others.end())
                others.push_back(other);
        }
    }
    return others;
}

void GestureRecognizer::deliverTouches(const std::vector<std::shared_ptr<Touch>>& changed,
                                       const Event& event) {
    std::vector<std::shared_ptr<GestureRecognizer>> order;
    for (const auto& touch : changed) {
        for (const auto& recognizer : touch->gestureRecognizers()) {
            if (std::find(order.begin(), order.end(), recognizer) == order.end()) {
                order.push_back(recognizer);
            }
        }
    }
    // Recognizers that were waiting for another's failure when new touches began;
    // if that failure comes during this delivery, they get the touches after all.
    std::vector<std::pair<std::shared_ptr<GestureRecognizer>, TouchSet>> skipped;
    for (const auto& recognizer : order) {
        std::map<TouchPhase, TouchSet> byPhase;
        for (const auto& touch : changed) {
            const auto& list = touch->gestureRecognizers();
            if (std::find(list.begin(), list.end(), recognizer) != list.end()) {
                byPhase[touch->phase()].insert(touch);
            }
        }
        auto& own = recognizer->touches_;
        const bool listening =
            recognizer->view_ && recognizer->enabled_ && !recognizer->isWaiting();
        for (auto& [phase, touches] : byPhase) {
            switch (phase) {
                case TouchPhase::Began:
                    if (recognizer->isWaiting()) skipped.emplace_back(recognizer, touches);
                    if (!listening || recognizer->state_ == State::Failed ||
                        recognizer->state_ == State::Cancelled ||
                        recognizer->state_ == State::Ended) {
                        break;
                    }
                    own.insert(own.end(), touches.begin(), touches.end());
                    recognizer->rememberCentroid();
                    recognizer->touchesBegan(touches, event);
                    break;
                case TouchPhase::Moved:
                case TouchPhase::Stationary:
                    recognizer->rememberCentroid();
                    if (listening &&
                        (recognizer->state_ == State::Possible || isActive(recognizer->state_))) {
                        recognizer->touchesMoved(touches, event);
                    }
                    break;
                case TouchPhase::Ended:
                case TouchPhase::Cancelled: {
                    recognizer->rememberCentroid();
                    const bool tracked =
                        std::any_of(touches.begin(), touches.end(), [&](const auto& t) {
                            return std::find(own.begin(), own.end(), t) != own.end();
                        });
                    if (tracked && listening &&
                        (recognizer->state_ == State::Possible || isActive(recognizer->state_))) {
                        if (phase == TouchPhase::Ended) {
                            recognizer->touchesEnded(touches, event);
                        } else {
                            recognizer->touchesCancelled(touches, event);
                        }
                    }
                    std::erase_if(own,
                                  [&ended = touches](const auto& t) { return ended.contains(t); });
                    break;
                }
            }
        }
    }
    for (auto& [recognizer, touches] : skipped) {
        if (recognizer->isWaiting() || recognizer->state_ != State::Possible ||
            !recognizer->view_ || !recognizer->enabled_) {
            continue;
        }
        recognizer->touches_.insert(recognizer->touches_.end(), touches.begin(), touches.end());
        recognizer->rememberCentroid();
        recognizer->touchesBegan(touches, event);
    }
}

void GestureRecognizer::touchesFinished(const std::vector<std::shared_ptr<Touch>>& changed) {
    std::vector<std::shared_ptr<GestureRecognizer>> seen;
    for (const auto& touch : changed) {
        if (touch->phase() != TouchPhase::Ended && touch->phase() != TouchPhase::Cancelled)
            continue;
        for (const auto& recognizer : touch->gestureRecognizers()) {
            if (std::find(seen.begin(), seen.end(), recognizer) != seen.end()) continue;
            seen.push_back(recognizer);
            recognizer->resetIfDone();
        }
    }
}

}  // namespace ui
