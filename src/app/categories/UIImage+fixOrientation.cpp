#include "app/categories/UIImage+fixOrientation.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

#include <cmath>

namespace UIImageFixOrientation {
std::shared_ptr<ui::Image> fixOrientation(const std::shared_ptr<ui::Image>& image) {
    if (!image || image->imageOrientation() == ui::ImageOrientation::Up) return image;
    // Drawing applies the orientation's turn and mirror, so the redrawn pixels are upright.
    const ui::Size upright(std::trunc(image->size().width), std::trunc(image->size().height));
    ui::GraphicsContext::beginImageContextWithOptions(upright, false, 1);
    image->drawInRect(ui::Rect(0, 0, upright.width, upright.height));
    auto result = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    return result;
}
}  // namespace UIImageFixOrientation
