#pragma once

#include <memory>

namespace ns {
class Timer;
}
namespace ui {
class View;
}

// The trusted-house banner of the housing lists: "该信息是放心房，经纪人承诺房源真实有效！"
// over the lower part of the screen for five seconds, shown once per installation (the
// user-defaults text "fangXinFangFlag" becomes "1"), on the lists of rent, shared rent and
// sale houses only.
class FangXinFangBanner {
public:
    static constexpr int kTag = 10102;
    static constexpr double kShowSeconds = 5.0;

    // Shows the banner over `view` when it is due; the timer that hides it, or nullptr when
    // nothing was shown.
    [[nodiscard]] static std::shared_ptr<ns::Timer> showOnce(ui::View& view, int masterId,
                                                             int majorId);
};
