#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <vector>

namespace ui {

// Scales a picture down as its rows come, top to bottom: each pixel of the result is the
// average of the pixels it covers, those at its edges weighed by how much of them it covers.
// It holds the result and a few rows, never the picture it scales: a picture read row by row (a
// PNG that the platform's decoder would decode whole) or one whose pixels are not in the
// drawing layout (a GIF canvas with transparency) is scaled without a copy of it whole.
class RowScaler {
public:
    // Scales `from` down to `to`, which is no larger on either side; the result is
    // premultiplied ARGB32 when `alpha`, else RGB32.
    RowScaler(QSize from, QSize to, bool alpha) : RowScaler(from, 1, to, alpha) {}
    // Scales down to `to` a picture of `full` pixels that comes as the averages of its blocks
    // of `step` x `step` pixels, (full.width() + step - 1) / step of them a row: those at its
    // right and bottom edges hold fewer pixels where `step` does not divide its size, and
    // weigh as the pixels they hold, placed where those pixels lie. `to` is no larger than
    // `full`; it may be a little larger than the blocks (63 pixels in 32 blocks of 2, to 32).
    RowScaler(QSize full, int step, QSize to, bool alpha);

    // The next `repeats` rows of the picture, alike: a row's premultiplied ARGB32 pixels (or
    // block averages).
    // Rows alike cost the weighing of one and a step for each result row they reach.
    void addRow(const QRgb* pixels, int repeats = 1);
    // The next rows of the picture, as `band` holds them, in any layout, its last row
    // `lastRepeats` times.
    void addRows(const QImage& band, int lastRepeats = 1);
    // The result once every row has come; null before, and when `to` is empty or larger than
    // `from`.
    [[nodiscard]] QImage result() const { return row_ == from_.height() ? result_ : QImage(); }

    // `picture` scaled down to `to`, read a band of rows at a time; the rows alike the one above
    // them (the fill of a canvas around its frames) come with it as one, so that a picture of
    // few distinct rows costs a comparison of its rows' bytes and its result.
    [[nodiscard]] static QImage scaled(const QImage& picture, QSize to);

private:
    void addToSums(std::uint64_t weight);
    void finishRow();

    // The pixels (or blocks) of the rows that come, the picture's size in pixels and how many
    // of them a block holds across and down.
    QSize from_;
    QSize full_;
    int step_ = 1;
    QSize to_;
    QImage result_;
    // The current source row summed into the result's columns, and the result's row being
    // filled, four channels a pixel.
    std::vector<std::uint64_t> across_;
    std::vector<std::uint64_t> sums_;
    std::vector<QRgb> premultiplied_;
    // Rows are measured in units where a row of pixels is to.height() high (a row of blocks
    // step times that, less at the bottom edge) and a result row full.height(): where the next
    // source row starts and the result's row being filled ends.
    int row_ = 0;
    int resultRow_ = 0;
    std::int64_t rowStart_ = 0;
    std::int64_t resultRowEnd_ = 0;
};

}  // namespace ui
