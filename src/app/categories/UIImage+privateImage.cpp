#include "app/categories/UIImage+privateImage.h"

#include "platform/uikit/image.h"

namespace UIImagePrivateImage {
std::shared_ptr<ui::Image> imageNamed(const QString& name, int capWidth, int capHeight) {
    const auto image = ui::Image::imageNamed(name);
    return image ? image->stretchableImageWithLeftCapWidth(capWidth, capHeight) : nullptr;
}
}  // namespace UIImagePrivateImage
