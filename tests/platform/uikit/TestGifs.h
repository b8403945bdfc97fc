#pragma once

#include "platform/uikit/image_reader.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

// A rectangle as a failed expectation shows it.
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "(" << rect.x() << ", " << rect.y() << ") " << rect.width() << " x " << rect.height();
}

// GIF bytes made on the spot for the picture tests, and what the platform's decoder draws of
// them.
namespace testgifs {

void appendWord(QByteArray& bytes, int value);

// A frame of a test GIF: where its descriptor puts it, the colour indices its codes hold (0
// red, 1 blue; red for each pixel of its rectangle where none are given), the blocks before it
// (a graphic control block), its descriptor's flags, the size its codes start from, as its
// data says (they are written for 2), and its data's sub-blocks where they are given whole.
struct GifFrame {
    QRect rect;
    std::optional<std::vector<int>> pixels = std::nullopt;
    QByteArray before = {};
    char flags = 0;
    char codeSize = 2;
    QByteArray data = {};
    // Its own colour table, after its descriptor (whose flags say so).
    QByteArray colourTable = {};
};

constexpr int kClearCode = -1, kEndCode = -2;

// `codes` as a frame's data for codes from `codeSize` bits (kClearCode and kEndCode for those
// two), each as wide as the decoder reads it then: a bit wider once its table reaches the
// next power of two, up to 12 bits.
QByteArray gifCodeData(int codeSize, const std::vector<int>& codes);

// A graphic control block whose transparent colour is blue.
inline const QByteArray kBlueTransparent("\x21\xf9\x04\x01\x00\x00\x01\x00", 8);
// One that has the frame's rectangle restored to the background after it.
inline const QByteArray kRestoresBackground("\x21\xf9\x04\x08\x00\x00\x00\x00", 8);

// `pixels` as a frame's codes of three bits, the table cleared every two pixels so that they
// stay three bits, in sub-blocks of at most `blockSize` bytes, and the empty one that ends them.
QByteArray gifCodes(const std::vector<int>& pixels, int blockSize = 255);

// A GIF of a canvas of `canvas` pixels, blue its background, with `frames`; no table of their
// own, codes of at least three bits, unless a frame says otherwise. Its colour table is red and
// blue, or `colourTable` (of a power of two colours), the background its entry `background`.
QByteArray gifOfFrames(QSize canvas, const std::vector<GifFrame>& frames,
                       const QByteArray& colourTable = {}, int background = 1);

// A GIF of a canvas of `canvas` pixels, blue where no frame is, and a red frame at each of
// `frames`; with `transparent`, blue is its transparent colour.
QByteArray gifOf(QSize canvas, const std::vector<QRect>& frames, bool transparent = false);

// Each frame Qt's reader draws of `gif`, its whole canvas, premultiplied; as many as it reads.
// Where the first frame has a colour table of its own, Qt's reader fills the canvas around it
// with memory not written (the background colour looked up in that table before it has read it):
// the frames are those it draws when that frame has none. A frame on the first one's rectangle
// without a table that draws nothing, put before it, has the canvas filled so, and is left out;
// not where a transparent colour is in force, which fills the canvas transparent whatever the
// table and gives it an alpha channel that such a frame would not.
std::vector<QImage> decodedWhole(const QByteArray& gif);

// `count` pixels, red and blue in turn.
std::vector<int> redAndBlue(int count);

// Whether a GIF taken on the part of its canvas that its frames change looks, frame by frame,
// as the platform's decoder draws its whole canvas, scaled as the part is; with as many frames.
::testing::AssertionResult looksAsDecodedWhole(const QByteArray& gif, std::int64_t bound,
                                               ui::ImageReader& reader);

}  // namespace testgifs
