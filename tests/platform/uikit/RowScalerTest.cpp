#include "AreaAverage.h"

#include "platform/uikit/area_weights.h"
#include "platform/uikit/row_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using testpictures::areaAverage;
using ui::AreaWeights;
using ui::RowScaler;

// The most two pictures of one size differ by in a level; 256 for pictures of other sizes.
int mostApart(const QImage& one, const QImage& other) {
    if (one.size() != other.size()) return 256;
    int most = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y), b = other.pixel(x, y);
            most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                             std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
    }
    return most;
}

// A premultiplied picture of `size` whose rows come in runs alike, of 1 to `longestRun` rows.
QImage runsOfRows(QSize size, int longestRun, bool alpha, std::mt19937* random) {
    QImage picture(size, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    std::uniform_int_distribution<int> level(0, 255);
    std::uniform_int_distribution<int> run(1, longestRun);
    for (int y = 0; y < size.height();) {
        for (int x = 0; x < size.width(); ++x) {
            const int a = alpha ? level(*random) : 255;
            picture.setPixel(x, y,
                             qRgba(level(*random) * a / 255, level(*random) * a / 255,
                                   level(*random) * a / 255, a));
        }
        const int end = std::min(size.height(), y + run(*random));
        for (int next = y + 1; next < end; ++next) {
            std::copy_n(picture.constScanLine(y), picture.bytesPerLine(), picture.scanLine(next));
        }
        y = end;
    }
    return picture;
}

// Rows alike come as one and weigh as the rows they are, wherever their runs begin and end
// among the rows a result row covers whole, in part, or beside another run: the result is the
// exact area average, as it is of the rows given one at a time. A run covers spans down whole
// and the result rows they reach get it weighed once, however many spans it covers, before
// the next run takes its place.
TEST(RowScalerTest, RunsOfRowsAlikeWeighAsTheRowsTheyAre) {
    std::mt19937 random(7);
    for (const bool alpha : {false, true}) {
        for (const QSize from : {QSize(9, 300), QSize(5, 131), QSize(13, 64), QSize(4, 1000)}) {
            for (const int height : {1, 2, 7, 16, 63}) {
                for (const int longestRun : {2, 9, 40, 200}) {
                    SCOPED_TRACE(std::to_string(from.width()) + " x " +
                                 std::to_string(from.height()) + " to " + std::to_string(height) +
                                 " rows, runs of up to " + std::to_string(longestRun) +
                                 (alpha ? ", translucent" : ""));
                    const QImage picture = runsOfRows(from, longestRun, alpha, &random);
                    const QSize to(std::max(1, from.width() * 2 / 3), height);
                    const QImage expected = areaAverage(picture, to);
                    EXPECT_LE(mostApart(RowScaler::scaled(picture, to), expected), 1);
                    RowScaler oneByOne(from, to, alpha);
                    for (int y = 0; y < from.height(); ++y) {
                        oneByOne.addRow(reinterpret_cast<const QRgb*>(picture.constScanLine(y)));
                    }
                    EXPECT_LE(mostApart(oneByOne.result(), expected), 1) << "one by one";
                }
            }
        }
    }
}

// A run of rows alike that ends inside a result row leaves the rest of it to the rows after
// it: two runs that share every result row, and a run that ends inside the last.
TEST(RowScalerTest, RunsSharingAResultRowAddUp) {
    const QRgb red = qRgb(250, 0, 0), blue = qRgb(0, 0, 250);
    // 1 x 1,000 into 1 x 3: 333 1/3 rows a result row, each run of 500 reaching two of them
    // whole in spans down and the middle one in part.
    RowScaler halves({1, 1000}, {1, 3}, false);
    halves.addRow(&red, 500);
    EXPECT_TRUE(halves.result().isNull());
    halves.addRow(&blue, 500);
    const QImage result = halves.result();
    ASSERT_EQ(result.size(), QSize(1, 3));
    EXPECT_EQ(result.pixel(0, 0), red);
    EXPECT_EQ(result.pixel(0, 1), qRgb(125, 0, 125));
    EXPECT_EQ(result.pixel(0, 2), blue);
    // A run ending a row short of the picture's end, then the last row alone.
    RowScaler lastAlone({1, 1000}, {1, 3}, false);
    lastAlone.addRow(&red, 999);
    lastAlone.addRow(&blue);
    const QImage last = lastAlone.result();
    ASSERT_EQ(last.size(), QSize(1, 3));
    // 332 1/3 rows of red and one of blue over 333 1/3.
    EXPECT_EQ(last.pixel(0, 2), qRgb(249, 0, 1));
}

// Pictures of a row or a column, and sides scaled by exactly 1, weigh as the area average.
TEST(RowScalerTest, ARowAColumnAndASideKeptWeighAsTheAreaAverage) {
    std::mt19937 random(11);
    const std::pair<QSize, QSize> cases[] = {
        {{1, 1}, {1, 1}},     {{1, 90}, {1, 7}},   {{90, 1}, {7, 1}},   {{90, 1}, {90, 1}},
        {{1, 90}, {1, 90}},   {{7, 300}, {7, 13}}, {{300, 7}, {13, 7}}, {{17, 17}, {17, 17}},
        {{33, 50}, {33, 49}}, {{5, 5}, {4, 4}}};
    for (const bool alpha : {false, true}) {
        for (const auto& [from, to] : cases) {
            SCOPED_TRACE(std::to_string(from.width()) + " x " + std::to_string(from.height()) +
                         " to " + std::to_string(to.width()) + " x " + std::to_string(to.height()));
            const QImage picture = runsOfRows(from, 3, alpha, &random);
            const QImage scaled = RowScaler::scaled(picture, to);
            ASSERT_EQ(scaled.size(), to);
            EXPECT_LE(mostApart(scaled, areaAverage(picture, to)), 1);
        }
    }
}

// Sums given by a reader end as levels, four pixels at a time and those left alone alike:
// rounded, within 0-255, a colour no more than its alpha though it rounds past it, grey the
// level of red in all three, an opaque result's alpha 255 whatever the sums say.
TEST(RowScalerTest, SumsEndAsLevelsNoMoreThanTheirAlpha) {
    // Five result pixels a row, each of one unit: four together, and one alone.
    constexpr int kPixels = 5;
    const auto scaledSums = [](bool alpha, int colourUnit, bool grey,
                               const std::vector<std::int32_t>& pixel) {
        RowScaler scaler(AreaWeights::ofBlocks(kPixels, 1, kPixels), AreaWeights::ofBlocks(1, 1, 1),
                         alpha);
        scaler.sumsAre(colourUnit, grey);
        std::int32_t* sums = scaler.sumsFor(0);
        for (int x = 0; x < kPixels; ++x) std::copy(pixel.begin(), pixel.end(), sums + x * 4);
        scaler.finish();
        return scaler.result();
    };
    const auto expectAll = [](const QImage& picture, QRgb pixel, const char* what) {
        ASSERT_EQ(picture.size(), QSize(kPixels, 1)) << what;
        for (int x = 0; x < kPixels; ++x) {
            EXPECT_EQ(picture.pixel(x, 0), pixel) << what << ", pixel " << x;
        }
    };
    // Red 100.6 rounds to 101, past an alpha of 100; blue 300 to 255, then to 100.
    expectAll(scaledSums(true, 255, false, {25653, 0, 255 * 300, 100}), qRgba(100, 0, 100, 100),
              "past the alpha");
    expectAll(scaledSums(true, 255, false, {255 * 40 + 127, 255 * 40 + 128, 0, 200}),
              qRgba(40, 41, 0, 200), "rounded to the nearest");
    expectAll(scaledSums(true, 255, true, {255 * 60, 0, 0, 90}), qRgba(60, 60, 60, 90), "grey");
    expectAll(scaledSums(false, 1, false, {70, 300, 20, 3}), qRgb(70, 255, 20), "opaque");
    expectAll(scaledSums(false, 1, true, {70, 0, 0, 0}), qRgb(70, 70, 70), "opaque grey");
}

// A reader that adds to some spans alone from a row on (an interlaced pass) leaves the result
// pixels of the others nothing in the rows after it, not what they weighed above.
TEST(RowScalerTest, SpansNoLongerSummedWeighNothing) {
    constexpr int kPixels = 4;
    RowScaler scaler(AreaWeights::ofBlocks(kPixels, 1, kPixels), AreaWeights::ofBlocks(2, 1, 2),
                     false);
    scaler.sumsAre(1, true);
    std::int32_t* sums = scaler.sumsFor(0);
    for (int x = 0; x < kPixels; ++x) sums[x * 4] = 100;
    sums = scaler.sumsFor(1);
    scaler.sumsOnlyIn({0, 1});
    for (int x = 0; x < kPixels; ++x) sums[x * 4] = 50;
    scaler.finish();
    const QImage result = scaler.result();
    ASSERT_EQ(result.size(), QSize(kPixels, 2));
    for (int x = 0; x < kPixels; ++x) {
        EXPECT_EQ(result.pixel(x, 0), qRgb(100, 100, 100)) << "above, pixel " << x;
        EXPECT_EQ(result.pixel(x, 1), x < 2 ? qRgb(50, 50, 50) : qRgb(0, 0, 0)) << "pixel " << x;
    }
}

// Weights with saddles make each result pixel the median of the exact average, the pairs
// weighed alike and the exact average less the saddles across times those down: a picture that
// changes across alone comes as its exact area average, its rows given one at a time or all
// as one row repeated (each then weighed as it comes), and a one-pixel checkerboard as its
// grey, where the exact average shows the result pixels' edges cutting it.
TEST(RowScalerTest, WeightsWithSaddlesGiveTheMedianOfTheirAverages) {
    const QSize from(61, 23);
    for (const QSize to : {QSize(25, 9), QSize(17, 7), QSize(30, 11)}) {
        SCOPED_TRACE(std::to_string(to.width()) + " x " + std::to_string(to.height()));
        const auto saddled = [&] {
            return RowScaler(AreaWeights::ofSaddles(from.width(), to.width()),
                             AreaWeights::ofSaddles(from.height(), to.height()), false);
        };
        QImage stripes(from, QImage::Format_RGB32);
        for (int x = 0; x < from.width(); ++x) {
            const int level = (x * 97) % 256;
            for (int y = 0; y < from.height(); ++y) stripes.setPixel(x, y, qRgb(level, 0, 255));
        }
        RowScaler oneByOne = saddled();
        oneByOne.addRows(stripes);
        EXPECT_LE(mostApart(oneByOne.result(), areaAverage(stripes, to)), 1);
        RowScaler repeated = saddled();
        repeated.addRow(reinterpret_cast<const QRgb*>(stripes.constScanLine(0)), from.height());
        EXPECT_LE(mostApart(repeated.result(), areaAverage(stripes, to)), 1);

        QImage board(from, QImage::Format_RGB32);
        for (int y = 0; y < from.height(); ++y) {
            for (int x = 0; x < from.width(); ++x) {
                board.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            }
        }
        RowScaler grey = saddled();
        grey.addRows(board);
        const QImage result = grey.result();
        ASSERT_EQ(result.size(), to);
        for (int y = 0; y < to.height(); ++y) {
            for (int x = 0; x < to.width(); ++x) {
                EXPECT_LE(std::abs(2 * qRed(result.pixel(x, y)) - 255), 1) << x << ", " << y;
            }
        }
    }
}

}  // namespace
