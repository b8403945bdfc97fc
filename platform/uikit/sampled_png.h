#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace ui {

// Reads a PNG at a fraction of its size without decoding it whole, for the PNGs that the
// platform's decoder cannot scale as it reads: those whose rows are interlaced (only whole once
// the last of their seven passes is read), and those of grey or palette pixels or of 16 bits a
// sample (decoded whole, then made four bytes a pixel to be scaled). Every step-th pixel of
// every step-th row is read: an interlaced picture from its first passes alone, which hold
// them, the rest of its bytes not even inflated, and then scaled; another from its rows as they
// come, every step-th kept and scaled as it comes (RowScaler), so that it holds its result and
// a few rows. A picture to be shown at half its size or less so holds a quarter of its pixels
// or fewer.
class SampledPng {
public:
    // Whether `data` is a PNG that the platform's decoder decodes whole.
    [[nodiscard]] static bool isDecodedWhole(const QByteArray& data);
    // The largest step, 8, 4 or 2, whose pixels (every step-th of every step-th row) of a
    // picture of `full` pixels still make a picture of at least `wanted`; 1 when none does.
    [[nodiscard]] static int stepFor(QSize full, QSize wanted);
    // The size of a picture of `full` pixels read every `step` pixels.
    [[nodiscard]] static QSize sampledSize(QSize full, int step);
    // Whether `data` is a PNG that the platform's decoder decodes whole whose rows are
    // interlaced: its sampled pixels are held whole before they are scaled.
    [[nodiscard]] static bool isInterlaced(const QByteArray& data);
    // Every `step`-th pixel (8, 4 or 2) of every `step`-th row, scaled down to `size` (no larger
    // than they are), premultiplied ARGB32 (RGB32 without alpha); null when the bytes do not
    // decode or those pixels would take more than a read may allocate.
    [[nodiscard]] static QImage readScaled(const QByteArray& data, int step, QSize size);
};

}  // namespace ui
