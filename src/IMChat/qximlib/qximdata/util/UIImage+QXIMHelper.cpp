#include "IMChat/qximlib/qximdata/util/UIImage+QXIMHelper.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"

#include <QPainter>

namespace UIImageQXIMHelper {

std::shared_ptr<ui::Image> imageQXIMName(const QString& name) {
    if (auto image = ui::Image::imageNamed(name)) return image;
    const QString path =
        ns::Bundle::pathForResource(QStringLiteral("resource.bundle/%1@2x").arg(name), "png");
    return path.isEmpty() ? nullptr : ui::Image::imageWithContentsOfFile(path);
}

std::shared_ptr<ui::Image> imageQXIMNameWith10(const QString& name) {
    const auto image = imageQXIMName(name);
    return image ? imageWithColor(*image, ui::Color::blackColor(), 0.1) : nullptr;
}

std::shared_ptr<ui::Image> imageWithColor(const ui::Image& image, const ui::Color& color,
                                          double level) {
    // The stored pixels are tinted as they are: laying a colour over every opaque pixel
    // does not depend on how the image is turned, and the copy keeps the orientation.
    QImage pixels = image.pixels().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&pixels);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.setOpacity(level);
    painter.fillRect(pixels.rect(), color.toQt());
    painter.end();
    return ui::Image::imageWithQImage(std::move(pixels), image.scale(), image.imageOrientation());
}

}  // namespace UIImageQXIMHelper
