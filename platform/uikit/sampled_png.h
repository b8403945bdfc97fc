#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace ui {

// Reads a PNG at a fraction of its size without decoding it whole, for the PNGs that the
// platform's decoder cannot scale as it reads: those whose rows are interlaced (only whole once
// the last of their seven passes is read), and those of grey or palette pixels or of 16 bits a
// sample (decoded whole, then made four bytes a pixel to be scaled). The picture is cut into
// blocks of step x step pixels (fewer at its right and bottom edges, scaled where those pixels
// lie), each averaged over every pixel it has, premultiplied, as the rows come, and the
// averages are scaled: a fine pattern
// (a one-pixel checkerboard, a picture dithered to black and white) comes as the grey it looks,
// where one pixel of each block would show it black or in moiré. A picture that is not
// interlaced gives each row of blocks, once whole, to the scaling (RowScaler), so that it holds
// its result and a few rows; an interlaced one folds each pass's pixels into the averages of
// the earlier passes', which it holds whole, a quarter of its pixels or fewer, before they are
// scaled.
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
    // interlaced: the averages of its blocks are held whole before they are scaled.
    [[nodiscard]] static bool isInterlaced(const QByteArray& data);
    // The averages of the blocks of `step` x `step` pixels (8, 4, 2, or 1: the pixels
    // themselves, for a PNG the platform's decoder misreads), each where its pixels lie, scaled
    // to `size` (no larger than the picture), premultiplied ARGB32 (RGB32 without alpha); null
    // when the bytes do not decode, the picture declares more pixels than a picture may
    // (ImageReader::kMostDeclaredPixels) or the averages would take more than a read may
    // allocate. Chunks other than the header, palette, transparency and picture data are gone
    // past without being held. An interlaced picture whose bytes end or break after the passes
    // that bring a pixel of every block (a download cut off) gives the averages of the pixels
    // that came.
    [[nodiscard]] static QImage readScaled(const QByteArray& data, int step, QSize size);
};

}  // namespace ui
