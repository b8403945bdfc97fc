#pragma once

#include <memory>
#include <vector>

namespace ui {
class BarButtonItem;
}

// Bar items 11 points closer to the screen edge on every navigation bar of the process, on
// system version 7 and later: a single item with a custom view, and every non-empty list,
// is stored behind a fixed space of -11 points. install() sets the rule once at start-up.
namespace UINavigationItemSpacing {
inline constexpr double kSpacerWidth = -11.0;

[[nodiscard]] std::shared_ptr<ui::BarButtonItem> spacer();
// The items a setter stores under the rule.
[[nodiscard]] std::vector<std::shared_ptr<ui::BarButtonItem>> spaced(
    std::vector<std::shared_ptr<ui::BarButtonItem>> items, bool single, bool isIOS7);
// Applies the rule to every navigation item from now on (when the system is version 7 or
// later); installing again changes nothing.
void install();
}  // namespace UINavigationItemSpacing
