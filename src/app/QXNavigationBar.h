#pragma once

#include "platform/uikit/navigation_bar.h"

#include <memory>

namespace ui {
class Image;
class NavigationController;
class ViewController;
}  // namespace ui
class XXNavigationController;

// The app's navigation bar: green, with the "顶部BG.png" background and white 18-point
// titles; and the factories of the app's two navigation stacks.
class QXNavigationBar : public ui::NavigationBar {
public:
    QXNavigationBar();
    void drawRect(const ui::Rect& rect) override;

    // A plain stack with the app's bar.
    [[nodiscard]] static std::shared_ptr<ui::NavigationController> NavigationControllerWithQXBar(
        std::shared_ptr<ui::ViewController> root);
    // A drag-back stack with the app's bar.
    [[nodiscard]] static std::shared_ptr<XXNavigationController> XXNavigationControllerWithQXBar(
        std::shared_ptr<ui::ViewController> root);
    // The image repeated across 320 points at its own height.
    [[nodiscard]] static std::shared_ptr<ui::Image> getImagePingPu(
        const std::shared_ptr<ui::Image>& image);
};
