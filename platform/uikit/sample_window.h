#pragma once

#include <memory>

namespace ui {

class Window;

// A small window shaped like the app, to see the controllers work together in
// a host: a tab bar of two tabs, each a navigation stack. The first lists a
// hundred houses in a table; a tap opens a house's screen (which hides the
// tab bar) with a button that asks through an alert. The second is a grouped
// table of settings with a search bar; its bar button opens a voice note to record and play.
class SampleWindow {
public:
    [[nodiscard]] static std::shared_ptr<Window> create();
};

}  // namespace ui
