#pragma once

#include <QString>

namespace ui {
class ViewController;
}

// The loading overlay of every screen: a dimmed cover over the screen's view with a
// spinning indicator (and a text), found again by its tag. Adding one while one is up does
// nothing, so a screen that starts two requests shows one overlay and removes it once.
namespace UIViewControllerLoading {
inline constexpr int kLoadingTag = 9527;
inline constexpr int kIndicatorTag = 9528;

void AddLoading(ui::ViewController& controller);
void AddLoadingWithMessage(ui::ViewController& controller, const QString& text);
void RemoveLoading(ui::ViewController& controller);
// Shows the alert, then removes the overlay.
void RemoveLoadingWithAlertTitle(ui::ViewController& controller, const QString& title,
                                 const QString& message);
}  // namespace UIViewControllerLoading
