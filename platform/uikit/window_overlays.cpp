#include "platform/uikit/window_overlays.h"

#include "platform/uikit/view.h"

namespace ui {

namespace {
const std::string kLevelKey = "ui.overlayLevel";

// The index of the first subview whose level is above `level` (screens count as -1).
std::size_t firstAbove(const View& window, double level) {
    const auto& subviews = window.subviews();
    for (std::size_t i = 0; i < subviews.size(); ++i) {
        if (WindowOverlays::levelOf(*subviews[i]).value_or(-1) > level) return i;
    }
    return subviews.size();
}
}  // namespace

void WindowOverlays::add(View& window, std::shared_ptr<View> view, double level) {
    if (!view) return;
    // Re-inserting a view of the window moves it without taking it out of the tree.
    view->setAssociatedValue(kLevelKey, level);
    window.insertSubviewAtIndex(view, firstAbove(window, level));
}

void WindowOverlays::insertScreen(View& window, std::shared_ptr<View> view) {
    if (!view) return;
    view->setAssociatedValue(kLevelKey, {});
    window.insertSubviewAtIndex(view, firstAbove(window, -1));
}

std::optional<double> WindowOverlays::levelOf(const View& view) {
    if (const std::any* value = view.associatedValue(kLevelKey)) {
        if (const double* level = std::any_cast<double>(value)) return *level;
    }
    return std::nullopt;
}

const View* WindowOverlays::modalCover(const View& window) {
    const auto& subviews = window.subviews();
    // Every subview is looked at, from the top down: a view the app put on the window
    // without a level (a banner, a guide) lies above the overlays added before it, and
    // takes nothing from an alert beneath it.
    for (auto view = subviews.rbegin(); view != subviews.rend(); ++view) {
        const std::optional<double> level = levelOf(**view);
        if (!level || *level < kAlertLevel) continue;
        // One being dismissed (fading out) takes nothing. An older alert hidden beneath a
        // newer one is still up: it shows again when the newer goes.
        if ((*view)->isUserInteractionEnabled()) return view->get();
    }
    return nullptr;
}

}  // namespace ui
