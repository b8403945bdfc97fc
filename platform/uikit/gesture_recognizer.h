#pragma once

#include "platform/foundation/timer.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/responder.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

class Event;
class GestureRecognizer;
class Touch;
class View;
class Window;

enum class GestureRecognizerState {
    Possible = 0,
    Began = 1,
    Changed = 2,
    Ended = 3,
    Cancelled = 4,
    Failed = 5,
    Recognized = Ended,
};

// Optional answers a recognizer asks of its delegate; the defaults are the
// platform's.
class GestureRecognizerDelegate {
public:
    virtual ~GestureRecognizerDelegate() = default;
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer&) { return true; }
    virtual bool gestureRecognizerShouldReceiveTouch(GestureRecognizer&, Touch&) { return true; }
    virtual bool gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer&,
                                                                GestureRecognizer&) {
        return false;
    }
};

// Turns touches on a view (and its subviews) into a gesture. Recognizers see
// touches before the view does; one that begins takes them from the view
// (touchesCancelled) unless cancelsTouchesInView is off, and keeps recognizers
// that may not run beside it from beginning. A recognizer made to wait for
// another's failure begins only once that one has failed.
//
// Continuous gestures report Began, Changed..., Ended; discrete ones only
// Recognized. Actions run on each of those reports.
class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
public:
    using State = GestureRecognizerState;
    using Action = std::function<void(GestureRecognizer& recognizer)>;

    GestureRecognizer() = default;
    GestureRecognizer(const void* owner, Action action);
    virtual ~GestureRecognizer();
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    // Actions, each registered under an owner token so that it can be removed.
    void addTarget(const void* owner, Action action);
    // Removes the owner's actions; nullptr removes all.
    void removeTarget(const void* owner);

    [[nodiscard]] State state() const { return state_; }
    [[nodiscard]] View* view() const { return view_; }
    [[nodiscard]] bool isEnabled() const { return enabled_; }
    // Disabling a recognizer in the middle of a gesture cancels it.
    void setEnabled(bool enabled);
    [[nodiscard]] bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }

    [[nodiscard]] std::shared_ptr<GestureRecognizerDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<GestureRecognizerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // This recognizer begins only after `other` has failed.
    void requireGestureRecognizerToFail(const std::shared_ptr<GestureRecognizer>& other);

    // The centroid of the touches (nullptr: window coordinates).
    [[nodiscard]] Point locationInView(const View* view) const;
    [[nodiscard]] std::size_t numberOfTouches() const { return touches_.size(); }
    [[nodiscard]] Point locationOfTouch(std::size_t index, const View* view) const;

    [[nodiscard]] virtual bool canPreventGestureRecognizer(const GestureRecognizer&) const {
        return true;
    }
    [[nodiscard]] virtual bool canBePreventedByGestureRecognizer(const GestureRecognizer&) const {
        return true;
    }

    // Touch delivery from the window; not for callers.
    static void deliverTouches(const std::vector<std::shared_ptr<Touch>>& changed,
                               const Event& event);
    static void touchesFinished(const std::vector<std::shared_ptr<Touch>>& changed);
    [[nodiscard]] bool wantsTouch(Touch& touch);

protected:
    // Subclasses watch touches here and move the state with setState.
    virtual void touchesBegan(const TouchSet& touches, const Event& event);
    virtual void touchesMoved(const TouchSet& touches, const Event& event);
    virtual void touchesEnded(const TouchSet& touches, const Event& event);
    virtual void touchesCancelled(const TouchSet& touches, const Event& event);
    // Back to Possible after a gesture; subclasses clear their own state.
    virtual void reset();
    // Whether it is a plain one-finger single tap, which controls keep for themselves.
    [[nodiscard]] virtual bool isSingleTap() const { return false; }

    void setState(State state);
    // After `seconds` on the clock, moves the gesture to `then` if it is still Possible by
    // then (a tap waited for too long fails, a press held long enough begins). Cancelling
    // the returned call, or losing the recognizer, drops the move.
    [[nodiscard]] ns::DelayedCall moveIfStillPossible(double seconds, State then);
    // Ends a continuous gesture as `ending` (Ended or Cancelled); one that has not begun
    // fails instead, so that nothing is reported for it.
    void endGesture(State ending);
    [[nodiscard]] const std::vector<std::shared_ptr<Touch>>& touches() const { return touches_; }

private:
    friend class View;
    friend class Window;
    void setView(View* view);
    void attemptToBegin(State target);
    void fail();
    void performActions();
    void resetIfDone();
    void takeTouchesFromViews();
    void rememberCentroid();
    [[nodiscard]] bool isWaiting() const { return pending_.has_value(); }
    [[nodiscard]] bool canRunBeside(GestureRecognizer& other);
    [[nodiscard]] bool requiresFailureOf(const GestureRecognizer& other) const;
    [[nodiscard]] std::vector<std::shared_ptr<GestureRecognizer>> sharingTouches();

    struct Target {
        const void* owner;
        Action action;
    };
    std::vector<Target> targets_;
    View* view_ = nullptr;
    State state_ = State::Possible;
    std::optional<State> pending_;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
    std::weak_ptr<GestureRecognizerDelegate> delegate_;
    std::vector<std::weak_ptr<GestureRecognizer>> requiredToFail_;
    std::vector<std::shared_ptr<Touch>> touches_;
    // Where the touches were last (window coordinates), for reports after they ended.
    Point lastCentroid_;
    Window* lastWindow_ = nullptr;
};

}  // namespace ui
