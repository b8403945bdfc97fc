#pragma once

#include "platform/uikit/gif_blocks.h"

#include <QByteArray>
#include <QRect>
#include <QSize>

namespace ui {

// Where a GIF frame changes the canvas, as the platform's decoder draws it: read from its codes
// without decoding its pixels. The decoder lays a frame's pixels row by row in the frame's
// width, one a row where it has no width, and goes on past the frame's height for as long as
// its codes give pixels, down to the canvas's bottom: the height only orders an interlaced
// frame's rows, which past it go on every second row. So a frame of no width or height draws
// what its codes hold, as any other, and nothing where they hold none. Pixels of the transparent
// colour in force change nothing. What the decoder restores after a frame is the frame's
// rectangle, and only that.
class GifFrameReach {
public:
    // The rectangle of `canvas` that the frame's pixels, and what is restored after it, change:
    // from the frame's corner to the last pixel that is not transparent. Empty where it changes
    // nothing, as a frame wholly off the canvas; the rest of the canvas below its corner where
    // its codes are of a size the decoder cannot read as the others.
    [[nodiscard]] static QRect onCanvas(const QByteArray& data, const GifBlocks::Frame& frame,
                                        QSize canvas);
    // How many of the frame's pixels, from its first, the decoder may still draw on `canvas`:
    // its width's worth of rows to the canvas's bottom or to its own, whichever is lower. Those
    // after them land nowhere.
    [[nodiscard]] static qint64 landingPixels(const GifBlocks::Frame& frame, QSize canvas);
};

}  // namespace ui
