#include "AreaAverage.h"

#include <algorithm>
#include <cmath>

namespace testpictures {

QImage areaAverage(const QImage& picture, QSize size) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double across = double(pixels.width()) / size.width();
    const double down = double(pixels.height()) / size.height();
    QImage averaged(size, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row < size.height(); ++row) {
        for (int column = 0; column < size.width(); ++column) {
            double sums[4] = {};
            for (int y = int(row * down);
                 y < std::min(pixels.height(), int(std::ceil((row + 1) * down))); ++y) {
                const double height =
                    std::min(y + 1.0, (row + 1) * down) - std::max(double(y), row * down);
                for (int x = int(column * across);
                     x < std::min(pixels.width(), int(std::ceil((column + 1) * across))); ++x) {
                    const double width = std::min(x + 1.0, (column + 1) * across) -
                                         std::max(double(x), column * across);
                    const QRgb pixel = pixels.pixel(x, y);
                    sums[0] += qRed(pixel) * width * height;
                    sums[1] += qGreen(pixel) * width * height;
                    sums[2] += qBlue(pixel) * width * height;
                    sums[3] += qAlpha(pixel) * width * height;
                }
            }
            const auto mean = [&](double sum) { return int(std::lround(sum / (across * down))); };
            averaged.setPixel(column, row,
                              qRgba(mean(sums[0]), mean(sums[1]), mean(sums[2]), mean(sums[3])));
        }
    }
    return averaged;
}

}  // namespace testpictures
