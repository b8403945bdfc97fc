#include "ui/widgets/StarView.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"

namespace {
constexpr double kStarSide = 10;
}  // namespace

std::shared_ptr<ui::View> starViewByLevel(int level, int total) {
    auto stars = std::make_shared<ui::View>(ui::Rect(0, 0, total * kStarSide, kStarSide));
    stars->setBackgroundColor(ui::Color::clearColor());
    for (int i = 0; i < total; ++i) {
        auto star =
            std::make_shared<ui::ImageView>(ui::Rect(i * kStarSide, 0, kStarSide, kStarSide));
        star->setTag(i);
        star->setImage(ui::Image::imageNamed(i < level ? QStringLiteral("彩色五星")
                                                       : QStringLiteral("灰色五星")));
        stars->addSubview(star);
    }
    return stars;
}
