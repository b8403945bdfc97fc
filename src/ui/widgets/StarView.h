#pragma once

#include <memory>

namespace ui {
class View;
}

// A row of rating stars: a clear view `total` x 10 points wide and 10 high holding one
// 10 x 10 image view per star at x = 10 i (tag i), the full star "彩色五星" for i below
// `level` and the empty star "灰色五星" from it on.
[[nodiscard]] std::shared_ptr<ui::View> starViewByLevel(int level, int total);
