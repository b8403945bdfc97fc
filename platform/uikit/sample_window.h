#pragma once

#include <memory>
#include <vector>

namespace ui {

class ViewController;
class Window;

// A small window shaped like the app, to see the controllers work together in
// a host: a tab bar of two tabs, each a navigation stack. The first lists a
// hundred houses in a table; a tap opens a house's screen (which hides the
// tab bar) with a button that asks through an alert. The second is a grouped
// table of settings with a search bar; its bar button opens a voice note to record and play.
// Layers above may add tabs of their own (the app's widgets), each a root screen that gets the
// window's navigation stack and bar.
class SampleWindow {
public:
    [[nodiscard]] static std::shared_ptr<Window> create(
        const std::vector<std::shared_ptr<ViewController>>& moreTabs = {});
};

}  // namespace ui
