#include "ui/widgets/StarLevelView.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"

std::shared_ptr<ui::View> StarLevelView::starViewByLevel(int level, int totalLevel) {
    auto stars = std::make_shared<ui::View>(ui::Rect(0, 0, totalLevel * 10, 10));
    stars->setBackgroundColor(ui::Color::clearColor());
    for (int i = 0; i < totalLevel; ++i) {
        auto star = std::make_shared<ui::ImageView>(ui::Rect(i * 10, 0, 10, 10));
        star->setTag(i);
        star->setImage(ui::Image::imageNamed(i < level ? QStringLiteral("彩色五星")
                                                       : QStringLiteral("灰色五星")));
        stars->addSubview(star);
    }
    return stars;
}
