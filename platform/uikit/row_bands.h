#pragma once

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRectF>

namespace ui {

// Fills and copies in bands of a few dozen device rows. The raster engine hands a fill or a
// copy of 96 rows or more to its worker threads and blocks until they are done; a screen's
// bars, backgrounds and bubbles are that tall, and on a busy machine the painting thread then
// waits for a worker to be scheduled far longer than the rows take to paint (a chat frame ran
// 2.5 times slower with the cores loaded). Cut at whole device rows, the bands cover each pixel
// exactly once, so what is drawn is the same.
class RowBands {
public:
    // Device rows a band holds: below where the engine starts sharing the work.
    static constexpr int kRows = 64;

    // `rect` (in the painter's coordinates) filled with `brush`.
    static void fillRect(QPainter& painter, const QRectF& rect, const QBrush& brush);
    // `pixels` put down at device pixel `at` with no transformation but the painter's
    // translation to device pixels, which the caller has already undone.
    static void drawImage(QPainter& painter, QPoint at, const QImage& pixels);
};

}  // namespace ui
