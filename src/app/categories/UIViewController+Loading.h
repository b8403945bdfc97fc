#pragma once

#include <QString>

#include <functional>

namespace ui {
class ViewController;
}

// The loading overlay of every screen: a dimmed cover over the screen's view with a
// spinning indicator (and a text), found again by its tag, LoadingOverlay::kTag. Adding one
// while one is up does nothing, so a screen that starts two requests shows one overlay and
// removes it once.
namespace UIViewControllerLoading {
inline constexpr int kIndicatorTag = 9528;

void AddLoading(ui::ViewController& controller);
void AddLoadingWithMessage(ui::ViewController& controller, const QString& text);
void RemoveLoading(ui::ViewController& controller);
// The list screens' overlays: on the window from y 64 to the bottom (ErShou), over the fixed
// area (0, 64, 320, 416) of the screen (RE), and from y 105 to the bottom with a text (Fav).
void AddErShouLoading();
void RemoveErShouLoading();
void AddRELoading(ui::ViewController& controller);
void AddFavLoadingWithMessage(ui::ViewController& controller, const QString& text);
// The payment check over the whole window: "确认当前支付状态" with "遇到问题" and "完成支付";
// a tap elsewhere removes it. Removal fades it out over 0.5 s.
void AddPayWapLoading(std::function<void()> error, std::function<void()> finish);
void RemovePayWapLoading();
// Shows the alert, then removes the overlay.
void RemoveLoadingWithAlertTitle(ui::ViewController& controller, const QString& title,
                                 const QString& message);
}  // namespace UIViewControllerLoading
