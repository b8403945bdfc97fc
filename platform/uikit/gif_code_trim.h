#pragma once

#include <QByteArray>

namespace ui {

// Cuts each GIF frame's codes after the last pixel the platform's decoder may still draw. The
// decoder reads every code of a frame to its end, pixel by pixel, whatever it draws: a code may
// stand for thousands of pixels, so a frame of a few hundred declared pixels may carry a billion
// in a few hundred kilobytes. The codes are walked without decoding (GifCodeWalk) up to the
// frame's landing pixels (GifFrameReach::landingPixels); where a code that gives more follows,
// the frame's sub-block that holds the last code walked is shortened to end with it, the empty
// sub-block that ends a frame's data put after it, and the rest of the frame's sub-blocks passed
// over by their lengths, unread. The decoder then draws every pixel it drew before, in the same
// order, and stops there.
class GifCodeTrim {
public:
    // `data` with every frame's codes cut so; `data` itself, not copied, where no frame has codes
    // that give pixels past those it may draw (or where it is no GIF).
    [[nodiscard]] static QByteArray trimmed(const QByteArray& data);
};

}  // namespace ui
