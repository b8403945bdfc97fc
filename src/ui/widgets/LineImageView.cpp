#include "ui/widgets/LineImageView.h"

#include "platform/uikit/image_view.h"

std::shared_ptr<ui::ImageView> lineImageViewWithFrame(const ui::Rect& frame) {
    auto line = std::make_shared<ui::ImageView>(frame);
    line->setBackgroundColor(ui::Color::rgb(217, 217, 217));
    return line;
}
