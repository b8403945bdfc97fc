#include "ui/image/StretchedImage.h"

#include "platform/uikit/image.h"

std::shared_ptr<ui::Image> StretchedImage::fromCentre(const QString& name) {
    const auto image = ui::Image::imageNamed(name);
    return image ? image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                           int(image->size().height / 2))
                 : nullptr;
}

std::shared_ptr<ui::Image> StretchedImage::fromCentreColumn(const QString& name) {
    const auto image = ui::Image::imageNamed(name);
    return image ? image->stretchableImageWithLeftCapWidth(int(image->size().width / 2), 0)
                 : nullptr;
}

std::shared_ptr<ui::Image> StretchedImage::withCaps(const QString& name, int leftCap, int topCap) {
    const auto image = ui::Image::imageNamed(name);
    return image ? image->stretchableImageWithLeftCapWidth(leftCap, topCap) : nullptr;
}
