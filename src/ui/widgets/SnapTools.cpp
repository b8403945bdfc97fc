#include "ui/widgets/SnapTools.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/view.h"

std::shared_ptr<ui::Image> capture(ui::View& view) {
    const ui::Size size = view.bounds().size;
    ui::GraphicsContext::beginImageContextWithOptions(size, view.isOpaque(), 0);
    view.drawViewHierarchyInRect({{0, 0}, size});
    auto image = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    return image;
}
