#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstdint>

namespace ui {

// Reads a PNG at a fraction of its size without decoding it whole, for the PNGs that the
// platform's decoder cannot scale as it reads: those whose rows are interlaced (only whole once
// the last of their seven passes is read), and those of grey or palette pixels or of 16 bits a
// sample (decoded whole, then made four bytes a pixel to be scaled). Each pixel of the result
// averages every pixel it covers, premultiplied, as the rows come, each weighed by what of it
// the result pixel covers. A step of 2 or more says how far the picture is scaled (stepFor).
// At 4 or 8 the two of each pair of columns (and rows) weigh nearly alike
// (AreaWeights::ofPairs): a fine pattern (a one-pixel checkerboard, a picture dithered to black
// and white) comes as the grey it looks, where one pixel of each block showed it black or in
// moiré, and detail coarser than a pixel as sharp as the result holds it. At 2, where a result
// pixel covers 2 to 4 pixels a side and the cuts of its edges matter most, it is the median of
// three averages (AreaWeights::ofSaddles, RowScaler): each pixel weighed exactly, the two of
// each pair alike, and the exact weights less their saddles across times those down; a grating
// or an edge comes as the exact average, a checkerboard as its grey, and no result pixel leaves
// the range of the pixels it covers. A picture that is not interlaced sums its rows' pixels
// that weigh alike and weighs them as the rows come (RowScaler), holding its result and a few
// rows. An interlaced one at a step of 4 or 8 weighs each pass's pixels into sums of the
// result's pixels; at a step of 1 or 2 it holds its even rows (those of the first six passes),
// half its pixels, and weighs its rows in order as the last pass brings the odd rows between
// them.
class SampledPng {
public:
    // Whether `data` is a PNG that the platform's decoder decodes whole.
    [[nodiscard]] static bool isDecodedWhole(const QByteArray& data);
    // The largest step, 8, 4 or 2, whose blocks of step x step pixels of a picture of `full`
    // pixels still make a picture of at least `wanted`; 1 when none does.
    [[nodiscard]] static int stepFor(QSize full, QSize wanted);
    // How many blocks of `step` x `step` pixels a picture of `full` pixels makes, across and
    // down; the last across and down hold fewer pixels where `step` does not divide the size.
    [[nodiscard]] static QSize sampledSize(QSize full, int step);
    // Whether `data` is a PNG that the platform's decoder decodes whole whose rows are
    // interlaced.
    [[nodiscard]] static bool isInterlaced(const QByteArray& data);
    // What a read of `data` at `step` holds beside its result, at most, in bytes: an
    // interlaced picture's even rows at a step of 1 or 2 (a byte a sample, a palette's index
    // one, and one more for alpha, or for a transparent level or colour), and four bytes a
    // block of the step at 4 or 8 (it holds eight a result pixel, the result in the first half
    // of them); nothing for a picture read row by row.
    [[nodiscard]] static std::int64_t heldBytes(const QByteArray& data, int step);
    // The picture averaged to `size` (no larger than it) as read at `step` (8, 4, 2, or 1:
    // every pixel weighing what of it each result pixel covers, for a PNG the platform's
    // decoder misreads), premultiplied ARGB32 (RGB32 without alpha); null when the bytes do not
    // decode, the picture declares more pixels than a picture may
    // (ImageReader::kMostDeclaredPixels) or the blocks of the step would take more than a read
    // may allocate. Chunks other than the header, palette, transparency and picture data are
    // gone past without being held. An interlaced picture whose bytes end or break after the
    // passes that bring a pixel to every result pixel gives the averages of the pixels that
    // came (at a step of 2, after the first five passes: each pixel not come taken as the one
    // left of it, or a row not come as the one above it).
    [[nodiscard]] static QImage readScaled(const QByteArray& data, int step, QSize size);
};

}  // namespace ui
