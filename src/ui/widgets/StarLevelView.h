#pragma once

#include <memory>

namespace ui {
class View;
}

// A rating in stars: a clear view (total × 10) points wide and 10 high holding one 10 × 10
// image view per unit of the total at x = 10 i (tag i), the full star "彩色五星" below the
// level and the empty star "灰色五星" from it on.
class StarLevelView {
public:
    [[nodiscard]] static std::shared_ptr<ui::View> starViewByLevel(int level, int totalLevel);
};
