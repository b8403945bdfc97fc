#pragma once

#include <memory>

namespace ui {
class ViewController;
class Window;
}  // namespace ui

// Sample screens of the app's reusable widgets, one per group, from which the widgets' tests
// take their reference screenshots: the banner carousel, pull-to-refresh, the modal sheet, the
// alert queue, the icon menu, the expanding text input, and the slider with the link buttons
// and small views.
class WidgetSamples {
public:
    // The list of groups; a row opens its sample screen.
    [[nodiscard]] static std::shared_ptr<ui::ViewController> samplesList();
    // A window made as the user-interface stand-in's sample window, with a tab of these
    // samples after its own two.
    [[nodiscard]] static std::shared_ptr<ui::Window> sampleWindow();
};
