#pragma once

#include "platform/uikit/view.h"

#include <QString>

#include <memory>

// The white loading view the app's screens lay over their content while a request runs: a
// turning spinner on its base in the middle and the tip text under it, followed by "...".
namespace LoadingTipView {

inline constexpr int kLoadingTag = 9527;
inline constexpr int kLoadingTipTag = 999999;

[[nodiscard]] std::shared_ptr<ui::View> make(const ui::Rect& frame, const QString& tip);

}  // namespace LoadingTipView
