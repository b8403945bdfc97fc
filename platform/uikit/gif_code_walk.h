#pragma once

#include "platform/uikit/gif_blocks.h"

#include <QByteArray>

#include <optional>

namespace ui {

// A GIF frame's LZW codes walked as the platform's decoder reads them, without decoding its
// pixels: how many pixels each code gives is kept in a table of its strings' lengths, so a code
// of thousands of pixels costs what a code of one does. The walk stops once the codes have given
// `landing` pixels (the most the frame can draw, GifFrameReach::landingPixels), at the end code,
// or where the decoder stops reading them.
struct GifCodeWalk {
    // Where in the bytes the codes walked end: the offset of the first byte not read, the offset
    // of the size byte of the sub-block it was read from, and how many bytes of that sub-block
    // are left from `at`.
    struct Stop {
        qsizetype at = 0;
        qsizetype blockAt = 0;
        int leftInBlock = 0;
    };

    // The offset among the frame's pixels of the last that is not transparent; -1 where none
    // is; none where the codes are of a size the decoder does not read as the others.
    std::optional<qint64> lastDrawn;
    // The pixels the codes walked give.
    qint64 pixels = 0;
    // Set where the walk stopped at `landing` pixels and a code that gives more follows: where
    // the codes that gave those pixels end.
    std::optional<Stop> stopBeforeMore;

    [[nodiscard]] static GifCodeWalk of(const QByteArray& data, const GifBlocks::Frame& frame,
                                        qint64 landing);
};

}  // namespace ui
