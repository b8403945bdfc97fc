#pragma once

#include <memory>
#include <optional>

namespace ui {

class View;

// The views that lie above the screens of a window, by level: the keyboard,
// the edit menu, then alerts and sheets. Screens (root and presented views) always go below
// them, so an alert stays on top of a screen presented after it.
struct WindowOverlays {
    static constexpr double kKeyboardLevel = 10;
    static constexpr double kMenuLevel = 1000;
    static constexpr double kAlertLevel = 2000;

    // Adds `view` to `window` above the screens and every overlay of its level or lower.
    static void add(View& window, std::shared_ptr<View> view, double level);
    // Inserts a screen's view above the other screens and below every overlay.
    static void insertScreen(View& window, std::shared_ptr<View> view);
    // The overlay level of a view, or none for a screen.
    [[nodiscard]] static std::optional<double> levelOf(const View& view);
    // The topmost alert or sheet of `window` that is up (shown, or hidden beneath a newer
    // one, and not being dismissed), or null. It covers everything beneath it: nothing
    // there takes touches or keys until it goes. A view added above it without a level
    // (`View::addSubview`) uncovers nothing: keys go to the alert's own fields or nowhere.
    [[nodiscard]] static const View* modalCover(const View& window);
};

}  // namespace ui
