#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

namespace ui {

// What the blocks of a GIF say without decoding its pixels: its canvas, how it loops, and its
// frames' delays and places on the canvas. Read tolerantly, stopping quietly at the end of the
// bytes or at bytes that are no GIF block, and following the sizes of sub-blocks as the
// platform's decoder does: the frames found are those it draws, in order, and where it gives
// up sooner (on pixel data it cannot read) a few more.
struct GifBlocks {
    struct Frame {
        // Hundredths of a second, from the frame's graphic control block; absent without one.
        std::optional<int> delay;
        // Where the frame lies on the canvas, as its image descriptor says.
        QRect rect;
        // The offset in the bytes of its image descriptor (its 0x2C).
        qsizetype descriptorAt = 0;
        // The offset of its pixel data (the byte that gives its codes' first size); past the
        // bytes where they stop before it.
        qsizetype dataAt = 0;
        bool interlaced = false;
        // The colour index the decoder leaves undrawn in its pixels: the one the last graphic
        // control block set, which holds for the frames after it without a block of their own;
        // none where that block set none or was too short to tell one.
        std::optional<int> transparentIndex;
        // Whether that block sets the transparent flag, though it may be too short to tell the
        // colour: the decoder then gives the canvas an alpha channel.
        bool transparentFlag = false;
        // Whether the frame has a colour table of its own, after its descriptor.
        bool ownColourTable = false;
        // Whether the decoder restores its rectangle after it (to the background, or to what it
        // covered), as its graphic control block says.
        bool restoresItsRect = false;
    };

    QSize canvas;
    // The offset of the first block after the header and the global colour table.
    qsizetype blocksAt = 0;
    // The loop count (0: for ever), absent without a looping extension.
    std::optional<int> loopCount;
    // Those whose descriptor is whole, though their pixels may be cut off.
    std::vector<Frame> frames;

    [[nodiscard]] static GifBlocks read(const QByteArray& data);
};

}  // namespace ui
