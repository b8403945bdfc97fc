#include "platform/uikit/row_bands.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

namespace ui {

void RowBands::fillRect(QPainter& painter, const QRectF& rect, const QBrush& brush) {
    const QTransform device = painter.combinedTransform();
    const QRectF placed = device.mapRect(rect.normalized());
    // Turned or sheared fills, and short ones, go to the engine whole.
    if (device.type() > QTransform::TxScale || device.m22() <= 0 || placed.height() < 1.5 * kRows) {
        painter.fillRect(rect, brush);
        return;
    }
    const double scale = device.m22();
    const double offset = device.dy();
    const QRectF area = rect.normalized();
    // Band edges at whole device rows, mapped back to the painter's coordinates.
    double top = placed.top();
    while (top < placed.bottom()) {
        const double edge = std::min(placed.bottom(), std::floor(top) + kRows);
        const double from = (top - offset) / scale;
        const double to = (edge - offset) / scale;
        painter.fillRect(QRectF(area.left(), from, area.width(), to - from), brush);
        top = edge;
    }
}

void RowBands::drawImage(QPainter& painter, QPoint at, const QImage& pixels) {
    for (int row = 0; row < pixels.height(); row += kRows) {
        const int rows = std::min(kRows, pixels.height() - row);
        painter.drawImage(QPoint(at.x(), at.y() + row), pixels,
                          QRect(0, row, pixels.width(), rows));
    }
}

}  // namespace ui
