#pragma once

#include "platform/uikit/area_weights.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <vector>

namespace ui {

// Scales a picture down as its rows come, top to bottom: each pixel of the result is the
// average of the pixels it covers, those at its edges weighed by how much of them it covers
// (AreaWeights). It holds the result and a few rows, never the picture it scales: a picture read
// row by row (a PNG that the platform's decoder would decode whole) or one whose pixels are not
// in the drawing layout (a GIF canvas with transparency) is scaled without a copy of it whole.
// The pixels of a row that weigh alike, and the rows that weigh alike, are summed before they
// are weighed, so that what a result pixel covers inside costs an addition a pixel.
// Weights with saddles (AreaWeights::ofSaddles, across or down) make each result pixel the
// median of three averages: X, each pixel weighed exactly; P, the two of each pair alike (the
// weights without their saddles); and E, X less the saddles across times those down. X and P
// weigh no pixel below nothing, so the median, E held between them, lies within the range of
// the pixels they cover; E is X where the picture changes one way only (a grating, an edge),
// and P where it alternates both ways (a one-pixel checkerboard stays its grey where X shows
// the result pixels' edges cutting it).
class RowScaler {
public:
    // Where a scaler gives each result row once whole rather than to its result: the row's
    // index and its pixels, four numbers each (red, green, blue and alpha, premultiplied, in
    // levels), each the sum of the levels of the units that came weighed by what of them it
    // covers (so their average where all came).
    using RowSink = std::function<void(int row, const float* pixels)>;

    // Scales `from` down to `to`, which is no larger on either side; the result is
    // premultiplied ARGB32 when `alpha`, else RGB32.
    RowScaler(QSize from, QSize to, bool alpha);
    // Scales down to `to` a picture of `full` pixels that comes as the averages of its blocks
    // of `step` x `step` pixels, (full.width() + step - 1) / step of them a row: those at its
    // right and bottom edges hold fewer pixels where `step` does not divide its size, and
    // weigh as the pixels they hold, placed where those pixels lie. `to` is no larger than
    // `full`; it may be a little larger than the blocks (63 pixels in 32 blocks of 2, to 32).
    RowScaler(QSize full, int step, QSize to, bool alpha);
    // Scales a picture whose units (pixels, or blocks) weigh `across` and `down`.
    RowScaler(AreaWeights across, AreaWeights down, bool alpha);
    // The same, giving every result row to `sink` rather than to a result.
    RowScaler(AreaWeights across, AreaWeights down, RowSink sink);

    // The next `repeats` rows of the picture, alike: a row's premultiplied ARGB32 pixels (or
    // block averages).
    // Rows alike cost the summing of one and an addition of its sums for each span of rows
    // weighing alike (AreaWeights) they reach.
    void addRow(const QRgb* pixels, int repeats = 1);
    // The next rows of the picture, as `band` holds them, in any layout, its last row
    // `lastRepeats` times.
    void addRows(const QImage& band, int lastRepeats = 1);

    // For a reader that sums the units of its rows itself (SampledPng, from the samples it
    // reads): where row `row`'s units are to be added, by the spans of the weights across,
    // four sums a span (red, green, blue and alpha; a span's units over the rows of a span
    // down fit in 31 bits, AreaWeights::kMostUnits). Rows are asked for in order, each once;
    // those never asked for weigh nothing.
    [[nodiscard]] std::int32_t* sumsFor(int row);
    // The sums are premultiplied levels times `colourUnit` for red, green and blue (255: each
    // level times an alpha of 0-255) and levels for alpha; `grey`: the level is red's alone.
    void sumsAre(int colourUnit, bool grey);
    // The reader adds to the sums of these spans across alone (the pixels of a pass of an
    // interlaced picture lie in some): the others are not weighed. In order, each once.
    void sumsOnlyIn(const std::vector<std::uint32_t>& spans);
    // Weighs the rows summed last (sumsFor) and ends the result rows not ended.
    void finish();

    // The result once every row has come (or the reader has finished); null before, when
    // `to` is empty or larger than `from`, and when the rows go to a sink.
    [[nodiscard]] QImage result() const { return finished_ ? result_ : QImage(); }

    // `picture` scaled down to `to`, read a band of rows at a time; the rows alike the one above
    // them (the fill of a canvas around its frames) come with it as one, so that a picture of
    // few distinct rows costs a comparison of its rows' bytes and its result.
    [[nodiscard]] static QImage scaled(const QImage& picture, QSize to);

private:
    void start();
    // Weighs the sums of the rows of span `down` across, then down into the result rows.
    void weighSpan(int down);
    // Weighs the sums of a row of units (or of the rows of a span down) across into a row of
    // the result's pixels, four numbers each; with saddles across, weighed by them into
    // `saddled` too.
    void weighAcross(const std::int32_t* sums, float* weighed, float* saddled = nullptr) const;
    // Adds `times` a row `weighed` across into the result rows span `span` down reaches, by
    // what it weighs in each; ends the result rows before them.
    void addDown(const AreaWeights::Span& span, float times, const float* weighed);
    // Adds the row of rows alike weighed across to the result rows before `before` that it
    // reaches, as many times as it weighs in each.
    void addRepeated(int before);
    // Adds the sums of the rows of span `span` down weighed across, `weighed`, and weighed by
    // the saddles across, `saddled`, into the three sums of the result rows it reaches (see
    // rowOf).
    void addDownSaddled(const AreaWeights::Span& span, const float* weighed, const float* saddled);
    // Ends the result rows before `row`: to the sink, or into the result.
    void endRowsBefore(int row);
    // A result row's sums, four numbers a pixel; with saddles, three rows of them: P (the
    // pixels weighed without their saddles), E less P (the saddles across times the weights
    // down, and the weights across times the saddles down) and X less E (the saddles across
    // times those down).
    [[nodiscard]] float* rowOf(int row) {
        return rows_.data() + std::size_t(row % live_) * std::size_t(across_.cells()) * 4 *
                                  std::size_t(saddled_ ? 3 : 1);
    }

    AreaWeights across_;
    AreaWeights down_;
    bool valid_ = false;
    bool finished_ = false;
    QImage result_;
    RowSink sink_;
    int colourUnit_ = 1;
    bool grey_ = false;
    // The sums of the rows of the span of the weights down that came, four a span across.
    std::vector<std::int32_t> sums_;
    // The shares of the weights across, by the result pixel they weigh in: where a span's
    // sums are, where the result pixel is in a row, and how much the span weighs there; and
    // those of their saddles, where they have any.
    struct Weighing {
        std::size_t sums;
        std::size_t cell;
        float weight;
    };
    std::vector<Weighing> weighings_;
    std::vector<Weighing> saddleWeighings_;
    // Where the sums of the first of each cut pair across are, the second's after them
    // (start): they are made the pair's sum and difference before they are weighed.
    std::vector<std::size_t> pairedSums_;
    // Whether the weights across or down have saddles.
    bool saddled_ = false;
    // One row's sums, for rows alike, and that row weighed across.
    std::vector<std::int32_t> rowSums_;
    std::vector<float> repeated_;
    // What that row weighs in the result rows [repeatedFrom_, repeatedTo_), by their place in
    // `rows_`, not added yet.
    std::vector<float> timesRepeated_;
    int repeatedFrom_ = 0;
    int repeatedTo_ = 0;
    // A span's sums weighed across into a result row, and the result rows that spans still
    // reach, `live_` of them, four numbers a pixel.
    std::vector<float> weighed_;
    std::vector<float> saddleWeighed_;
    std::vector<float> rows_;
    int live_ = 1;
    // How many unit rows the picture has; the next one addRow takes; the span down that the
    // sums are of, and whether they hold any row; the first result row not ended.
    int unitRows_ = 0;
    int row_ = 0;
    int span_ = 0;
    bool summed_ = false;
    int firstLive_ = 0;
    std::vector<QRgb> premultiplied_;
};

}  // namespace ui
