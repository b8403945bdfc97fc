#include "ui/widgets/BoxBlur.h"

#include "platform/uikit/image.h"

#include <QDebug>

namespace {

constexpr int kPasses = 3;

}  // namespace

int BoxBlur::boxSizeForStrength(double strength) {
    const int box = strength < 0 || strength > 1 ? 80 : static_cast<int>(strength * 160);
    return box | 1;
}

std::shared_ptr<ui::Image> blurredImage(const ui::Image& image, double strength) {
    auto blurred = image.boxConvolved(BoxBlur::boxSizeForStrength(strength), kPasses);
    if (!blurred || blurred->isNull()) {
        qWarning() << "No pixelbuffer";
        return nullptr;
    }
    // The blurred bytes are read as they are, their alpha byte skipped: the result is
    // opaque, and what was transparent shows dark.
    QImage opaque = blurred->pixels();
    for (int y = 0; y < opaque.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < opaque.width(); ++x) line[x] |= 0xFF000000u;
    }
    opaque.reinterpretAsFormat(QImage::Format_RGB32);
    return ui::Image::imageWithQImage(std::move(opaque), 1);
}
