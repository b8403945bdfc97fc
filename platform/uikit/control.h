#pragma once

#include "platform/uikit/view.h"

#include <functional>
#include <vector>

namespace ui {

class Touch;

// The events a control reports, as the platform's bits.
enum ControlEvents : unsigned {
    kControlEventTouchDown = 1u << 0,
    kControlEventTouchDownRepeat = 1u << 1,
    kControlEventTouchDragInside = 1u << 2,
    kControlEventTouchDragOutside = 1u << 3,
    kControlEventTouchDragEnter = 1u << 4,
    kControlEventTouchDragExit = 1u << 5,
    kControlEventTouchUpInside = 1u << 6,
    kControlEventTouchUpOutside = 1u << 7,
    kControlEventTouchCancel = 1u << 8,
    kControlEventValueChanged = 1u << 12,
    kControlEventEditingDidBegin = 1u << 16,
    kControlEventEditingChanged = 1u << 17,
    kControlEventEditingDidEnd = 1u << 18,
    kControlEventEditingDidEndOnExit = 1u << 19,
    kControlEventAllTouchEvents = 0x00000FFFu,
    kControlEventAllEditingEvents = 0x000F0000u,
    kControlEventAllEvents = 0xFFFFFFFFu,
};

// A control's state bits; Normal is none of them.
enum ControlState : unsigned {
    kControlStateNormal = 0,
    kControlStateHighlighted = 1u << 0,
    kControlStateDisabled = 1u << 1,
    kControlStateSelected = 1u << 2,
};

enum class ControlContentHorizontalAlignment { Center = 0, Left = 1, Right = 2, Fill = 3 };
enum class ControlContentVerticalAlignment { Center = 0, Top = 1, Bottom = 2, Fill = 3 };

// A view that tracks a finger and reports what it does through target-action:
// handlers registered per event under an owner token. While the finger is down
// the control is highlighted when the finger is near it (70 points around).
// Check boxes and other custom controls build on the tracking hooks.
class Control : public View {
public:
    using Action = std::function<void(Control& sender, const Event* event)>;

    static constexpr double kTrackingSlop = 70;

    Control();
    explicit Control(const Rect& frame);

    void addTarget(const void* owner, unsigned events, Action action);
    // Removes the owner's handlers for those events; a null owner removes every owner's.
    void removeTarget(const void* owner, unsigned events = kControlEventAllEvents);
    [[nodiscard]] bool hasActionsForEvents(unsigned events) const;
    [[nodiscard]] std::size_t targetCount() const { return targets_.size(); }
    // Runs the handlers of `events`, in the order they were added.
    virtual void sendActionsForControlEvents(unsigned events, const Event* event = nullptr);

    [[nodiscard]] bool isEnabled() const { return enabled_; }
    virtual void setEnabled(bool enabled);
    [[nodiscard]] bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected);
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    [[nodiscard]] unsigned state() const;

    [[nodiscard]] ControlContentHorizontalAlignment contentHorizontalAlignment() const {
        return horizontalAlignment_;
    }
    void setContentHorizontalAlignment(ControlContentHorizontalAlignment alignment);
    [[nodiscard]] ControlContentVerticalAlignment contentVerticalAlignment() const {
        return verticalAlignment_;
    }
    void setContentVerticalAlignment(ControlContentVerticalAlignment alignment);

    [[nodiscard]] bool isTracking() const { return tracking_; }
    [[nodiscard]] bool isTouchInside() const { return touchInside_; }

    // Tracking hooks: answering false from the first two stops tracking.
    virtual bool beginTrackingWithTouch(Touch& touch, const Event* event);
    virtual bool continueTrackingWithTouch(Touch& touch, const Event* event);
    virtual void endTrackingWithTouch(Touch* touch, const Event* event);
    virtual void cancelTrackingWithEvent(const Event* event);

    void touchesBegan(const TouchSet& touches, const Event* event) override;
    void touchesMoved(const TouchSet& touches, const Event* event) override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;
    void touchesCancelled(const TouchSet& touches, const Event* event) override;
    [[nodiscard]] bool handlesTapsItself() const override { return true; }

protected:
    // Called when enabled, selected or highlighted change.
    virtual void stateDidChange() {}

private:
    [[nodiscard]] bool isNear(const Touch& touch) const;

    struct Target {
        const void* owner;
        unsigned events;
        Action action;
    };
    std::vector<Target> targets_;
    std::shared_ptr<Touch> trackedTouch_;
    ControlContentHorizontalAlignment horizontalAlignment_ =
        ControlContentHorizontalAlignment::Center;
    ControlContentVerticalAlignment verticalAlignment_ = ControlContentVerticalAlignment::Center;
    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
    bool tracking_ = false;
    bool touchInside_ = false;
};

}  // namespace ui
