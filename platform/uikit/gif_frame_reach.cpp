#include "platform/uikit/gif_frame_reach.h"

#include "platform/uikit/gif_code_walk.h"

#include <algorithm>

namespace ui {

QRect GifFrameReach::onCanvas(const QByteArray& data, const GifBlocks::Frame& frame, QSize canvas) {
    const QRect bounds(QPoint(0, 0), canvas);
    const QRect& rect = frame.rect;
    const QRect restored = frame.restoresItsRect ? rect & bounds : QRect();
    const int width = std::max(rect.width(), 1);
    const int rowsBelow = canvas.height() - rect.y();
    const auto lastDrawn = GifCodeWalk::of(data, frame, landingPixels(frame, canvas)).lastDrawn;
    // Below its corner to the canvas's bottom, in its width: what is restored after it too.
    if (!lastDrawn) return QRect(rect.x(), rect.y(), width, rowsBelow) & bounds;
    if (*lastDrawn < 0) return restored;
    // An interlaced frame's row r lands within its height, or past it at most 2r + 2 rows down.
    const qint64 row = *lastDrawn / width;
    const qint64 rows = frame.interlaced ? std::max<qint64>(rect.height(), 2 * row + 3) : row + 1;
    const qint64 across = !frame.interlaced && row == 0 ? *lastDrawn + 1 : width;
    const QRect drawn(rect.x(), rect.y(), int(std::min<qint64>(across, width)),
                      int(std::min<qint64>(rows, rowsBelow)));
    return (drawn & bounds) | restored;
}

qint64 GifFrameReach::landingPixels(const GifBlocks::Frame& frame, QSize canvas) {
    // Past these rows no pixel lands on the canvas: an interlaced frame's rows past its height
    // land at least as far down as they come.
    const qint64 landingRows = std::max(frame.rect.height(), canvas.height() - frame.rect.y());
    return qint64(std::max(frame.rect.width(), 1)) * landingRows;
}

}  // namespace ui
