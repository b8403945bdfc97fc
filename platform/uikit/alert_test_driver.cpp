#include "platform/uikit/alert_test_driver.h"

#include "platform/uikit/action_sheet.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/test_driver.h"

namespace ui {

AlertOverlay* AlertTestDriver::topOverlay() const {
    const auto visible = AlertOverlay::visibleOverlays();
    return visible.empty() ? nullptr : visible.back();
}

AlertView* AlertTestDriver::visibleAlert() const {
    return dynamic_cast<AlertView*>(topOverlay());
}

ActionSheet* AlertTestDriver::visibleSheet() const {
    return dynamic_cast<ActionSheet*>(topOverlay());
}

bool AlertTestDriver::pressButton(const QString& title) {
    AlertOverlay* overlay = topOverlay();
    if (!overlay) return false;
    for (int i = 0; i < overlay->numberOfButtons(); ++i) {
        if (overlay->buttonTitleAtIndex(i) == title) return pressButtonAtIndex(i);
    }
    return false;
}

bool AlertTestDriver::pressButtonAtIndex(int index) {
    AlertOverlay* overlay = topOverlay();
    Button* button = overlay ? overlay->buttonAtIndex(index) : nullptr;
    if (!button || !driver_.tap(button)) return false;
    driver_.wait(AlertOverlay::kFadeDuration);
    return true;
}

}  // namespace ui
