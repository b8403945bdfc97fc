#pragma once

#include <QString>

namespace ui {

class ActionSheet;
class AlertOverlay;
class AlertView;
class TestDriver;

// The test driver's hands for alerts and action sheets: finds the one on top
// and presses its buttons by title or index, as a finger would, then lets the
// dismissal finish.
class AlertTestDriver {
public:
    explicit AlertTestDriver(TestDriver& driver) : driver_(driver) {}

    // The alert or sheet on top, or nullptr.
    [[nodiscard]] AlertOverlay* topOverlay() const;
    [[nodiscard]] AlertView* visibleAlert() const;
    [[nodiscard]] ActionSheet* visibleSheet() const;

    // Taps the button of the topmost alert or sheet; false when there is none
    // or the tap did not land on it.
    bool pressButton(const QString& title);
    bool pressButtonAtIndex(int index);

private:
    TestDriver& driver_;
};

}  // namespace ui
