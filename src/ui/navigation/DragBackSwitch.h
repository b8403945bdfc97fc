#pragma once

#include <memory>

namespace ui {
class ViewController;
}

// A navigation stack whose drag-back gesture a screen may switch off while it shows (a
// screen with horizontal gestures of its own). Screens reach it through their navigation
// controller without knowing the stack's class.
class DragBackSwitch {
public:
    virtual ~DragBackSwitch() = default;
    [[nodiscard]] virtual bool canDragBack() const = 0;
    virtual void setCanDragBack(bool canDragBack) = 0;
};

// Switches drag-back off on a screen's stack while the screen shows and on again when it
// goes. It keeps the stack it switched off: a screen being popped no longer knows its stack
// when it disappears.
class DragBackPause {
public:
    // Off on the screen's stack, when that stack has the switch.
    void begin(ui::ViewController& screen);
    // On again on the stack that begin() switched off; nothing when there is none.
    void end();

private:
    std::weak_ptr<DragBackSwitch> stack_;
};
