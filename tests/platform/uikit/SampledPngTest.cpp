#include "UIKitTest.h"

#include "AreaAverage.h"
#include "DecodingBudgetProbes.h"
#include "ReferenceImage.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/png_chunks.h"
#include "platform/uikit/sampled_png.h"
#include "standin/FlatPicture.h"
#include "standin/SamplePictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <png.h>
#include <zlib.h>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

namespace {

using testpictures::areaAverage;

using ui::Image;
using ui::SampledPng;

class SampledPngTest : public UIKitTest {};

// A picture of pictures/, written by a general encoder (pictures/README.md says how).
QByteArray committed(const QString& name) {
    QFile file(referenceImagePath(QStringLiteral("platform/uikit/pictures"), name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The platform decoder's picture of `bytes`, whole and premultiplied.
QImage wholeAndPremultiplied(const QByteArray& bytes) {
    return QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Each step x step block of `picture` averaged, premultiplied; those at its right and bottom
// edges, which lie over fewer pixels where the step does not divide its size, over the pixels
// they have and, where those are an odd number, their neighbour's last.
QImage blockAverages(const QImage& picture, int step) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage averages(SampledPng::sampledSize(pixels.size(), step),
                    QImage::Format_ARGB32_Premultiplied);
    const auto from = [&](int block, int length) {
        const int start = block * step;
        const int count = std::min(length, start + step) - start;
        return count % 2 == 1 && count < step && start > 0 ? start - 1 : start;
    };
    for (int blockY = 0; blockY < averages.height(); ++blockY) {
        for (int blockX = 0; blockX < averages.width(); ++blockX) {
            double sums[4] = {};
            int count = 0;
            for (int y = from(blockY, pixels.height());
                 y < std::min(pixels.height(), (blockY + 1) * step); ++y) {
                for (int x = from(blockX, pixels.width());
                     x < std::min(pixels.width(), (blockX + 1) * step); ++x) {
                    const QRgb pixel = pixels.pixel(x, y);
                    sums[0] += qRed(pixel);
                    sums[1] += qGreen(pixel);
                    sums[2] += qBlue(pixel);
                    sums[3] += qAlpha(pixel);
                    ++count;
                }
            }
            const auto mean = [&](double sum) { return int(std::lround(sum / count)); };
            averages.setPixel(blockX, blockY,
                              qRgba(mean(sums[0]), mean(sums[1]), mean(sums[2]), mean(sums[3])));
        }
    }
    return averages;
}

// The mean difference of the channels of two pictures of one size, premultiplied, in levels.
double meanDifference(const QImage& actual, const QImage& expected) {
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = e.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * a.width() * a.height());
}

void appendWrittenBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

// How a hand-built PNG is written.
struct Written {
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = true;
    // The grey level that is transparent (a tRNS chunk), for grey pictures.
    std::optional<int> transparentGrey = std::nullopt;
    // The red, green and blue that are transparent (a tRNS chunk), for RGB pictures.
    std::optional<std::array<int, 3>> transparentColour = std::nullopt;
    // Whether a palette's entries are translucent, each its own alpha (a tRNS chunk).
    bool translucentPalette = false;
    // How many colours the palette has, and how many of them the tRNS chunk gives an alpha;
    // 0: as many as the bit depth indexes. Pixels may index past the palette.
    int paletteColours = 0;
    int paletteAlphas = 0;
    // 0 stores the rows as they are, unfiltered, in chunks of 256 bytes, so that a share of the
    // bytes is about that share of the rows, and bytes cut off lose little more than their rows.
    int compression = 6;
    // The most bytes an IDAT chunk of stored rows holds: an encoder may write them all in one.
    int storedChunkBytes = 256;
};

// A PNG of `size` whose sample `channel` of pixel (x, y) is `sample(x, y, channel)`, within the
// bit depth.
QByteArray written(QSize size, const Written& how,
                   const std::function<int(int x, int y, int channel)>& sample) {
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendWrittenBytes, nullptr);
    png_set_compression_level(png, how.compression);
    if (how.compression == 0) {
        png_set_filter(png, 0, PNG_FILTER_NONE);
        png_set_compression_buffer_size(png, std::size_t(how.storedChunkBytes));
    }
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), how.bitDepth,
                 how.colorType, how.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // A palette of as many colours as the bit depth indexes, all of them different.
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    for (int index = 0; index < 1 << std::min(how.bitDepth, 8); ++index) {
        palette.push_back({png_byte(index * 37), png_byte(255 - index), png_byte(index * 7)});
        alphas.push_back(png_byte(index * 53));
    }
    if (how.colorType == PNG_COLOR_TYPE_PALETTE) {
        const int colours = how.paletteColours > 0 ? how.paletteColours : int(palette.size());
        png_set_PLTE(png, info, palette.data(), colours);
        if (how.translucentPalette) {
            png_set_tRNS(png, info, alphas.data(),
                         how.paletteAlphas > 0 ? how.paletteAlphas : colours, nullptr);
        }
        // Indices past the palette are written as they are.
        png_set_check_for_invalid_index(png, 0);
    }
    if (how.transparentGrey) {
        png_color_16 transparent{};
        transparent.gray = png_uint_16(*how.transparentGrey);
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    if (how.transparentColour) {
        png_color_16 transparent{};
        transparent.red = png_uint_16((*how.transparentColour)[0]);
        transparent.green = png_uint_16((*how.transparentColour)[1]);
        transparent.blue = png_uint_16((*how.transparentColour)[2]);
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const std::size_t rowBytes = (std::size_t(size.width()) * channels * how.bitDepth + 7) / 8;
    std::vector<png_byte> row(rowBytes);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < size.height(); ++y) {
            std::fill(row.begin(), row.end(), 0);
            for (int x = 0; x < size.width(); ++x) {
                for (int channel = 0; channel < channels; ++channel) {
                    const int value = sample(x, y, channel);
                    const std::size_t at = std::size_t(x) * channels + channel;
                    if (how.bitDepth == 16) {
                        row[at * 2] = png_byte(value >> 8);
                        row[at * 2 + 1] = png_byte(value);
                    } else if (how.bitDepth == 8) {
                        row[at] = png_byte(value);
                    } else {
                        const std::size_t bit = at * how.bitDepth;
                        row[bit / 8] |= png_byte(value << (8 - how.bitDepth - bit % 8));
                    }
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// A sample that is unlike its neighbours' at every pixel and channel, within `levels`.
int scattered(int x, int y, int channel, int levels = 256) {
    return int((std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u ^
                std::uint32_t(channel) * 977u) >>
               7) %
           levels;
}

// How much pixel `pixel` of a side of `length` pixels weighs in pixel `cell` of that side
// scaled to `cells`, as a share of all that the result pixel weighs, as the road weighs it. At
// a step of 1, what of it the result pixel covers. Else in pairs, pixels 0 and 1, 2 and 3, ...:
// each half what of the two the result pixel covers, one more and the other less by half of
// how much more of the first it covers than of the second, taken to at most `uneven` (0 at a
// step of 2, and where the pair reaches three result pixels); a last pixel without a pair
// shares its own place with its neighbour, half each.
double weightOf(int pixel, int cell, int length, int cells, int step, double uneven) {
    const double across = double(length) / cells;
    const auto covered = [&](double from, double to) {
        return std::max(0.0, std::min(to, (cell + 1) * across) - std::max(from, cell * across));
    };
    if (step == 1) return covered(pixel, pixel + 1) / across;
    double weight = 0;
    if (pixel < length - length % 2) {
        const int first = pixel - pixel % 2;
        const double ofFirst = covered(first, first + 1);
        const double ofSecond = covered(first + 1, first + 2);
        const bool threeCells = int((first + 2) / across - 1e-9) - int(first / across) >= 2;
        // What the road takes `uneven` to, in whole shares of a pixel of 1 / cells.
        const double most =
            step == 2 || threeCells ? 0 : std::floor(std::min(1.0, uneven) * cells) / cells;
        const double apart = std::clamp(ofFirst - ofSecond, -most, most);
        weight += (ofFirst + ofSecond + (pixel == first ? apart : -apart)) / 2;
    }
    if (length == 1) {
        weight = covered(0, 1);
    } else if (length % 2 == 1 && pixel >= length - 2) {
        weight += covered(length - 1, length) / 2;
    }
    return weight / across;
}

// How much pixel `pixel` weighs in `cell` of the part of its exact weights (weightOf at a step
// of 1) that alternates within its pair: half the difference of the pair's weights, plus for
// the first and minus for the second; the last pixel of an odd side half its own weight, and
// its neighbour minus that, there.
double saddleOf(int pixel, int cell, int length, int cells) {
    const auto exact = [&](int of) { return weightOf(of, cell, length, cells, 1, 0); };
    double saddle = 0;
    const int first = pixel - pixel % 2;
    if (first + 1 < length) {
        saddle += (pixel == first ? 1 : -1) * (exact(first) - exact(first + 1)) / 2;
    }
    if (length % 2 == 1 && length > 1 && pixel >= length - 2) {
        saddle += (pixel == length - 1 ? 1 : -1) * exact(length - 1) / 2;
    }
    return saddle;
}

// The road's picture of `size` of a picture whose platform decode is `whole`, read at `step`:
// each result pixel the sum of the pixels it covers, premultiplied, each weighed by weightOf
// across and down, with what the road takes the pairs' `uneven` to at steps of 4 and 8: so
// that a one-pixel checkerboard stays within three quarters of a level of its grey, the square
// root of 1.5 times the result pixel's area, in pixels, over 255. At a step of 2, the median of
// three such sums: X, each pixel weighed exactly (weightOf at a step of 1); P, the two of each pair
// alike; and E, X less the saddles across (saddleOf) times those down.
QImage weighedAverage(const QImage& whole, QSize size, int step) {
    const QImage pixels = whole.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double uneven = std::sqrt(1.5 * double(pixels.width()) * pixels.height() /
                                    (size.width() * size.height() * 255.0));
    const auto weights = [&](int length, int cells, const auto& weight) {
        auto ofCells = std::vector(std::size_t(cells), std::vector<double>(std::size_t(length)));
        for (int cell = 0; cell < cells; ++cell) {
            for (int pixel = 0; pixel < length; ++pixel) {
                ofCells[std::size_t(cell)][std::size_t(pixel)] = weight(pixel, cell, length, cells);
            }
        }
        return ofCells;
    };
    const auto ofStep = [&](int pixel, int cell, int length, int cells) {
        return weightOf(pixel, cell, length, cells, step, uneven);
    };
    const auto exact = [&](int pixel, int cell, int length, int cells) {
        return weightOf(pixel, cell, length, cells, 1, 0);
    };
    const auto across = weights(pixels.width(), size.width(), ofStep);
    const auto down = weights(pixels.height(), size.height(), ofStep);
    const bool median = step == 2;
    const auto exactAcross = weights(pixels.width(), median ? size.width() : 0, exact);
    const auto exactDown = weights(pixels.height(), median ? size.height() : 0, exact);
    const auto saddlesAcross = weights(pixels.width(), median ? size.width() : 0, saddleOf);
    const auto saddlesDown = weights(pixels.height(), median ? size.height() : 0, saddleOf);
    // The pixels each result pixel's weights reach, from the first to the last that weighs
    // anything in any of them: the others add nothing, and summing them made the picture's
    // pixels times the result's, minutes for a few hundred pixels a side on a busy machine.
    const auto reach = [](int cells, int length, const auto&... tables) {
        std::vector<std::pair<int, int>> reached(std::size_t(cells), {length, 0});
        for (std::size_t cell = 0; cell < std::size_t(cells); ++cell) {
            for (int pixel = 0; pixel < length; ++pixel) {
                const bool weighs =
                    ((tables.size() > cell && tables[cell][std::size_t(pixel)] != 0) || ...);
                if (!weighs) continue;
                reached[cell].first = std::min(reached[cell].first, pixel);
                reached[cell].second = pixel + 1;
            }
        }
        return reached;
    };
    const auto reachedAcross =
        reach(size.width(), pixels.width(), across, exactAcross, saddlesAcross);
    const auto reachedDown = reach(size.height(), pixels.height(), down, exactDown, saddlesDown);
    QImage averaged(size, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row < size.height(); ++row) {
        for (int column = 0; column < size.width(); ++column) {
            // P, X and E.
            double sums[3][4] = {};
            const auto add = [&](double(&to)[4], double weight, QRgb pixel) {
                to[0] += qRed(pixel) * weight;
                to[1] += qGreen(pixel) * weight;
                to[2] += qBlue(pixel) * weight;
                to[3] += qAlpha(pixel) * weight;
            };
            const auto [top, bottom] = reachedDown[std::size_t(row)];
            const auto [left, right] = reachedAcross[std::size_t(column)];
            for (int y = top; y < bottom; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
                for (int x = left; x < right; ++x) {
                    const QRgb pixel = line[x];
                    add(sums[0],
                        down[std::size_t(row)][std::size_t(y)] *
                            across[std::size_t(column)][std::size_t(x)],
                        pixel);
                    if (!median) continue;
                    const double weight = exactDown[std::size_t(row)][std::size_t(y)] *
                                          exactAcross[std::size_t(column)][std::size_t(x)];
                    add(sums[1], weight, pixel);
                    add(sums[2],
                        weight - saddlesDown[std::size_t(row)][std::size_t(y)] *
                                     saddlesAcross[std::size_t(column)][std::size_t(x)],
                        pixel);
                }
            }
            const auto level = [&](int channel) {
                const double alike = sums[0][channel];
                if (!median) return int(std::lround(alike));
                const double x = sums[1][channel];
                return int(std::lround(
                    std::clamp(sums[2][channel], std::min(alike, x), std::max(alike, x))));
            };
            // A colour held to its alpha, as the road holds it.
            const int alpha = level(3);
            const auto colour = [&](int channel) { return std::min(level(channel), alpha); };
            averaged.setPixel(column, row, qRgba(colour(0), colour(1), colour(2), alpha));
        }
    }
    return averaged;
}

// How far the red levels of `actual` lie from those of `expected` on average, for grey
// pictures.
double meanRedOff(const QImage& actual, const QImage& expected) {
    double sum = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            sum += std::abs(qRed(actual.pixel(x, y)) - qRed(expected.pixel(x, y)));
        }
    }
    return sum / (double(expected.width()) * expected.height());
}

// The road's picture of `bytes` at `step` at the size of its blocks of `step` x `step` pixels.
QImage readBlocks(const QByteArray& bytes, int step) {
    const QSize full = QImage::fromData(bytes, "PNG").size();
    return SampledPng::readScaled(bytes, step, SampledPng::sampledSize(full, step));
}

// What readBlocks reads of a picture whose platform decode is `whole`.
QImage expectedBlocks(const QImage& whole, int step) {
    return weighedAverage(whole, SampledPng::sampledSize(whole.size(), step), step);
}

constexpr const char* kCommitted[] = {"grey.png",
                                      "grey-alpha.png",
                                      "grey-16bit.png",
                                      "grey-2bit.png",
                                      "dithered-1bit.png",
                                      "palette.png",
                                      "palette-trns.png",
                                      "palette-2bit.png",
                                      "palette-4bit.png",
                                      "rgba-16bit.png",
                                      "interlaced-grey.png",
                                      "interlaced-grey-4bit.png",
                                      "interlaced-checkerboard-1bit.png",
                                      "interlaced-palette.png",
                                      "interlaced-rgb.png",
                                      "interlaced-rgba.png",
                                      "interlaced-rgb16.png"};

// Every pixel of a step x step block counts once in its average, premultiplied, whatever the
// kind of PNG, its passes and its edges: the blocks read are those of the platform decoder's
// picture averaged, within two levels (16 bits a sample are cut to 8 where the decoder rounds,
// and an interlaced picture's averages are kept to whole levels between its passes).
TEST_F(SampledPngTest, EveryPixelOfABlockCountsOnceInEveryKindOfPng) {
    for (const char* name : kCommitted) {
        const QByteArray bytes = committed(QString::fromLatin1(name));
        ASSERT_FALSE(bytes.isEmpty()) << name;
        const QImage whole = wholeAndPremultiplied(bytes);
        for (const int step : {2, 4, 8}) {
            const QImage blocks = readBlocks(bytes, step);
            ASSERT_FALSE(blocks.isNull()) << name << " every " << step;
            EXPECT_EQ(blocks.format(), QImage::fromData(bytes).hasAlphaChannel()
                                           ? QImage::Format_ARGB32_Premultiplied
                                           : QImage::Format_RGB32)
                << name;
            EXPECT_TRUE(
                picturesMatch(blocks, expectedBlocks(whole, step), PictureTolerance{.levels = 2}))
                << name << " every " << step;
        }
    }
}

// Pictures written by hand of every size around the steps, one or two blocks and a few pixels
// (so that some passes bring no pixel at all, and the right and bottom blocks are cut), each
// pixel unlike its neighbours: every pixel counts once, by what of it each result pixel
// covers, interlaced or not, with alpha, a transparent grey, 16 or 1 bit a sample, a palette of
// translucent colours; read at the size of the blocks of each step, and at some 3 / 5 of the
// picture's (result pixels narrower than a pair, which a pair's edges may cut twice). And a
// picture whose result pixels each sum 250 x 250 translucent pixels.
TEST_F(SampledPngTest, PicturesOfEverySizeAverageEachBlockOverThePixelsItHas) {
    const Written kinds[] = {
        {.colorType = PNG_COLOR_TYPE_RGB_ALPHA},
        {.colorType = PNG_COLOR_TYPE_RGB_ALPHA, .interlaced = false},
        {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA},
        {.colorType = PNG_COLOR_TYPE_GRAY, .transparentGrey = 77},
        {.colorType = PNG_COLOR_TYPE_GRAY, .interlaced = false, .transparentGrey = 77},
        {.colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 16},
        {.colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1},
        {.colorType = PNG_COLOR_TYPE_PALETTE, .translucentPalette = true},
        {.colorType = PNG_COLOR_TYPE_PALETTE,
         .bitDepth = 2,
         .interlaced = false,
         .translucentPalette = true},
        {.colorType = PNG_COLOR_TYPE_PALETTE, .bitDepth = 4},
    };
    for (const Written& how : kinds) {
        const int levels = 1 << how.bitDepth;
        for (const int width : {1, 2, 3, 5, 8, 9, 13, 17}) {
            for (const int height : {1, 2, 4, 7, 8, 11, 16}) {
                // A grey of 77 a few times, to be transparent where it says so.
                const QByteArray bytes =
                    written({width, height}, how, [&](int x, int y, int channel) {
                        return (x + y) % 5 == 0 ? 77 % levels : scattered(x, y, channel, levels);
                    });
                const QImage whole = wholeAndPremultiplied(bytes);
                ASSERT_EQ(whole.size(), QSize(width, height));
                const QSize narrow((width * 3 + 4) / 5, (height * 3 + 4) / 5);
                for (const int step : {2, 4, 8}) {
                    const auto described = [&] {
                        return testing::Message()
                               << "colour type " << how.colorType << ", " << how.bitDepth
                               << " bits, " << (how.interlaced ? "interlaced, " : "") << width
                               << " x " << height << " every " << step;
                    };
                    EXPECT_TRUE(picturesMatch(readBlocks(bytes, step), expectedBlocks(whole, step),
                                              PictureTolerance{.levels = 2}))
                        << described();
                    EXPECT_TRUE(picturesMatch(SampledPng::readScaled(bytes, step, narrow),
                                              weighedAverage(whole, narrow, step),
                                              PictureTolerance{.levels = 2}))
                        << described() << " to " << narrow.width() << " x " << narrow.height();
                }
            }
        }
    }
    const QByteArray large = written(
        {500, 500}, {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .interlaced = false},
        [](int x, int y, int channel) { return channel == 1 ? 128 + (x + y) % 128 : 255 - x % 7; });
    EXPECT_TRUE(picturesMatch(SampledPng::readScaled(large, 8, {2, 2}),
                              weighedAverage(wholeAndPremultiplied(large), {2, 2}, 8),
                              PictureTolerance{.levels = 2}));
}

// Pixels that index past the palette show as the platform decoder shows them in the whole
// picture (its first entry), at every bit depth, opaque or translucent: where they were black,
// a thumbnail was darker than the picture.
TEST_F(SampledPngTest, AnIndexPastThePaletteShowsAsInTheWholePicture) {
    for (const int depth : {1, 2, 4, 8}) {
        for (const bool translucent : {false, true}) {
            const int levels = 1 << depth;
            const Written how{.colorType = PNG_COLOR_TYPE_PALETTE,
                              .bitDepth = depth,
                              .interlaced = depth == 4,
                              .translucentPalette = translucent,
                              .paletteColours = std::max(1, levels / 2 - 1)};
            const QByteArray bytes = written({19, 13}, how, [&](int x, int y, int channel) {
                return scattered(x, y, channel, levels);
            });
            const QImage whole = wholeAndPremultiplied(bytes);
            ASSERT_EQ(whole.size(), QSize(19, 13)) << depth << " bits";
            for (const int step : {2, 4, 8}) {
                EXPECT_TRUE(picturesMatch(readBlocks(bytes, step), expectedBlocks(whole, step),
                                          PictureTolerance{.levels = 2}))
                    << depth << " bits, " << (translucent ? "translucent, " : "") << "every "
                    << step;
            }
        }
    }
}

// A tRNS chunk may give fewer alphas than the palette has colours: the entries past its end
// are opaque, as in the whole picture.
TEST_F(SampledPngTest, PaletteEntriesPastTheAlphasOfTheirTrnsChunkAreOpaque) {
    for (const bool interlaced : {false, true}) {
        const Written how{.colorType = PNG_COLOR_TYPE_PALETTE,
                          .interlaced = interlaced,
                          .translucentPalette = true,
                          .paletteColours = 16,
                          .paletteAlphas = 5};
        // Indices 0 to 4 translucent (entry 0 clear), 5 to 15 opaque, in blocks of a kind.
        const QByteArray bytes =
            written({24, 16}, how, [](int x, int y, int) { return (x / 8) * 5 + (x + y) % 5; });
        const QImage whole = wholeAndPremultiplied(bytes);
        ASSERT_EQ(qAlpha(whole.pixel(16, 0)), 255) << "an entry past the alphas";
        for (const int step : {2, 4, 8}) {
            const QImage blocks = readBlocks(bytes, step);
            EXPECT_TRUE(
                picturesMatch(blocks, expectedBlocks(whole, step), PictureTolerance{.levels = 2}))
                << (interlaced ? "interlaced, " : "") << "every " << step;
            EXPECT_EQ(qAlpha(blocks.pixel(blocks.width() - 1, 0)), 255)
                << (interlaced ? "interlaced, " : "") << "every " << step;
        }
    }
}

// A picture decoded within the size of its blocks is their averages, within a level, on the
// road every decode takes: interlaced, and of a palette read row by row.
TEST_F(SampledPngTest, APictureWithinTheSizeOfItsBlocksIsTheirAverages) {
    QImage pattern(48, 32, QImage::Format_ARGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            pattern.setPixel(x, y, qRgba(x * 5, y * 8, (x * 3 + y * 7) % 256, 255 - x - y));
        }
    }
    const QByteArray interlaced = written(pattern.size(), {}, [&](int x, int y, int channel) {
        const QRgb pixel = pattern.pixel(x, y);
        return channel == 0   ? qRed(pixel)
               : channel == 1 ? qGreen(pixel)
               : channel == 2 ? qBlue(pixel)
                              : qAlpha(pixel);
    });
    QByteArray indexed;
    QBuffer buffer(&indexed);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(pattern.convertToFormat(QImage::Format_Indexed8).save(&buffer, "PNG"));
    for (const QByteArray& bytes : {interlaced, indexed}) {
        const QImage whole = wholeAndPremultiplied(bytes);
        for (const int step : {8, 4, 2}) {
            const QSize blocks(48 / step, 32 / step);
            const auto image = Image::imageWithData(bytes, 1, blocks.width() * blocks.height());
            ASSERT_TRUE(image) << step;
            EXPECT_TRUE(picturesMatch(image->pixels(), blockAverages(whole, step),
                                      PictureTolerance{.levels = 1}))
                << step;
        }
    }
}

// A one-pixel checkerboard of black and white, a thumbnail of it an even grey, at every bound
// that halves it or more down to a quarter (16 x 16 to 32 x 32): where one pixel of a block
// showed it, it was black. Plain of 8 bits a sample, and interlaced of 1 bit.
TEST_F(SampledPngTest, AOnePixelCheckerboardIsAnEvenGreyAtEveryBound) {
    for (const char* name : {"checkerboard-grey.png", "interlaced-checkerboard-1bit.png"}) {
        const QByteArray bytes = committed(QString::fromLatin1(name));
        ASSERT_FALSE(bytes.isEmpty()) << name;
        for (int bound = 256; bound <= 1024; ++bound) {
            const auto image = Image::imageWithData(bytes, 1, bound);
            ASSERT_TRUE(image) << name << " within " << bound;
            const QImage& pixels = image->pixels();
            ASSERT_EQ(pixels.size(), ui::ImageReader::boundedSize({64, 64}, bound));
            for (int y = 0; y < pixels.height(); ++y) {
                for (int x = 0; x < pixels.width(); ++x) {
                    const QRgb pixel = pixels.pixel(x, y);
                    // Within 8 levels of 127.5 in each channel.
                    for (const int level : {qRed(pixel), qGreen(pixel), qBlue(pixel)}) {
                        ASSERT_LE(std::abs(2 * level - 255), 16)
                            << name << " within " << bound << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

// A one-pixel checkerboard of a size that no step divides is an even grey, each pixel one of
// the two levels nearest it, to its right and bottom edges and in its corner, at every step: the
// last pixel of an odd side, whose black and white do not pair, is averaged with its neighbour
// where it lies. Taken to the last whole block, the corner was 120 levels from grey (63 x 65 within
// 1,024 pixels); averaging a lone black pixel there, 30. At steps of 4 and 8, where each pixel
// weighs nearly what of it a result pixel covers, the two of a pair weigh alike enough to keep it
// so: weighed exactly so, a result pixel of some 4 x 4 pixels whose edges cut them is up to 8
// levels off.
TEST_F(SampledPngTest, ACheckerboardOfAnOddSizeIsAnEvenGreyToItsEdges) {
    for (const Written& how : {Written{.colorType = PNG_COLOR_TYPE_GRAY, .interlaced = false},
                               Written{.colorType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1}}) {
        for (const QSize size : {QSize(63, 65), QSize(257, 255), QSize(63, 63), QSize(66, 61)}) {
            const QByteArray bytes = written(size, how, [&](int x, int y, int) {
                return (x + y) % 2 == 0 ? 0 : (1 << how.bitDepth) - 1;
            });
            for (const std::int64_t bound : {16, 64, 256, 700, 1024, 1100}) {
                const auto image = Image::imageWithData(bytes, 1, bound);
                ASSERT_TRUE(image);
                const QImage& pixels = image->pixels();
                ASSERT_EQ(pixels.size(), ui::ImageReader::boundedSize(size, bound));
                for (int y = 0; y < pixels.height(); ++y) {
                    for (int x = 0; x < pixels.width(); ++x) {
                        ASSERT_LE(std::abs(2 * qRed(pixels.pixel(x, y)) - 255), 1)
                            << how.bitDepth << " bits, " << size.width() << " x " << size.height()
                            << " within " << bound << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

// A sine grating across a picture of 1,000 x 100 read within 1,500 pixels (122 x 12: each
// result pixel some 8.2 x 8.3 pixels, read at a step of 8) is as sharp as an exact average of
// what each result pixel covers, within 0.75 of a level on average at periods of 32, 24 and 12
// pixels, read row by row or in passes: averaged by blocks of 8 x 8, then the blocks by what
// of them each result pixel covers, it was 12, 21 and 32 levels off, twice blurred (the
// platform's smooth scaling of the whole picture lies 0.4 to 0.5 from it).
TEST_F(SampledPngTest, AGratingReadBetweenStepsIsAsSharpAsAnAreaAverage) {
    const QSize size(1000, 100);
    constexpr std::int64_t kBound = 1500;
    const QSize bounded = ui::ImageReader::boundedSize(size, kBound);
    ASSERT_EQ(bounded, QSize(122, 12));
    ASSERT_EQ(SampledPng::stepFor(size, bounded), 8);
    for (const bool interlaced : {false, true}) {
        for (const int period : {32, 24, 12}) {
            const QByteArray bytes = written(
                size, {.colorType = PNG_COLOR_TYPE_GRAY, .interlaced = interlaced},
                [&](int x, int, int) {
                    return int(
                        std::lround(127.5 + 127.5 * std::sin(2 * M_PI * (x + 0.5) / period)));
                });
            const auto image = Image::imageWithData(bytes, 1, kBound);
            ASSERT_TRUE(image);
            const QImage exact = areaAverage(wholeAndPremultiplied(bytes), bounded);
            EXPECT_LT(meanRedOff(image->pixels(), exact), 0.75)
                << (interlaced ? "interlaced, " : "") << "every " << period << " pixels";
        }
    }
}

// The same gratings, across and down, read within 10,000 pixels (316 x 31: each result pixel
// some 3.2 x 3.2 pixels, a step of 2), row by row or in passes, are within half a level of an
// exact average of what each result pixel covers on average at periods of 24 down to 3
// pixels (the median of the averages is the exact one, the grating changing one way only):
// with the two of each pair weighing alike (and an interlaced picture's blocks of 2 x 2
// averaged) they were 2.2, 5.6, 11.8 and 20.4 levels off, in moiré at a period of 3. Within
// 3,000 (173 x 17: some 5.8 x 5.9, a step of 4), where the two of a pair weigh apart by at
// most 0.45 of a pixel, they are within 2 (1.77 at most, at a period of 12 down; 2.1 when the
// two weighed apart by a third of a pixel at most).
TEST_F(SampledPngTest, AGratingReadAtAStepOfTwoOrFourIsAsSharpAsAnAreaAverage) {
    const QSize size(1000, 100);
    for (const auto& [bound, step, most] :
         {std::tuple<std::int64_t, int, double>{10000, 2, 0.5}, {3000, 4, 2.0}}) {
        const QSize bounded = ui::ImageReader::boundedSize(size, bound);
        ASSERT_EQ(SampledPng::stepFor(size, bounded), step) << bound;
        for (const bool interlaced : {false, true}) {
            for (const bool down : {false, true}) {
                for (const int period : {24, 12, 6, 3}) {
                    const QByteArray bytes = written(
                        size, {.colorType = PNG_COLOR_TYPE_GRAY, .interlaced = interlaced},
                        [&](int x, int y, int) {
                            return int(std::lround(
                                127.5 +
                                127.5 * std::sin(2 * M_PI * ((down ? y : x) + 0.5) / period)));
                        });
                    const auto image = Image::imageWithData(bytes, 1, bound);
                    ASSERT_TRUE(image);
                    const QImage exact = areaAverage(wholeAndPremultiplied(bytes), bounded);
                    EXPECT_LT(meanRedOff(image->pixels(), exact), most)
                        << "within " << bound << ", " << (interlaced ? "interlaced, " : "")
                        << (down ? "down, " : "across, ") << "every " << period << " pixels";
                }
            }
        }
    }
}

// A pixel weighed exactly less its saddles may weigh below nothing: a grey of 128 whose one
// black pixel lies diagonally past the corner of a result pixel whose edges cut its pairs
// (10 x 10 within 4 x 4, each result pixel 2.5 x 2.5 pixels), the pixel's saddle across times
// its saddle down take away 0.04 of it, and the result pixel read 133, lighter than any pixel
// it covers. Held between the exact average and the pairs weighed alike, no pixel is lighter
// than the grey, plain or interlaced, grey or with alpha.
TEST_F(SampledPngTest, APixelWeighedLessItsSaddlesStaysWithinThePixelsItCovers) {
    for (const Written& how : {Written{.colorType = PNG_COLOR_TYPE_GRAY, .interlaced = false},
                               Written{.colorType = PNG_COLOR_TYPE_GRAY},
                               Written{.colorType = PNG_COLOR_TYPE_GRAY_ALPHA}}) {
        const QByteArray bytes = written({10, 10}, how, [](int x, int y, int channel) {
            return channel == 1 ? 255 : x == 5 && y == 5 ? 0 : 128;
        });
        const QImage read = SampledPng::readScaled(bytes, 2, {4, 4});
        ASSERT_EQ(read.size(), QSize(4, 4));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                EXPECT_LE(qRed(read.pixel(x, y)), 128)
                    << how.colorType << (how.interlaced ? ", interlaced" : "") << " at " << x
                    << ", " << y;
            }
        }
        // The result pixel the black one is past the corner of is the grey it covers.
        EXPECT_EQ(qRed(read.pixel(1, 1)), 128);
    }
}

// A picture dithered to black and white, a checkerboard, and a PNG of each kind whose fine
// pattern changes at every pixel and every block, at a step of 2, 4 and 8 and scaled after it:
// a thumbnail looks as the platform decoder's picture does smoothly scaled, or, where the
// pattern changes from block to block, as its blocks averaged then smoothly scaled.
TEST_F(SampledPngTest, AThumbnailLooksAsTheWholePictureSmoothlyScaled) {
    // Pictures whose blocks are as smooth as they look: within two levels on average of the
    // platform's own smooth scaling, which leaves a checkerboard a level or two from an even
    // grey where its pixels straddle the result's (one pixel of a block kept, 24 to 95 apart).
    const std::pair<const char*, std::int64_t> smooth[] = {
        {"dithered-1bit.png", 120 * 120}, {"dithered-1bit.png", 60 * 60},
        {"dithered-1bit.png", 30 * 30},   {"dithered-1bit.png", 6 * 6},
        {"checkerboard-grey.png", 700},   {"interlaced-checkerboard-1bit.png", 150}};
    for (const auto& [name, bound] : smooth) {
        const QByteArray bytes = committed(QString::fromLatin1(name));
        const QImage whole = wholeAndPremultiplied(bytes);
        const QSize size = ui::ImageReader::boundedSize(whole.size(), bound);
        ASSERT_GT(SampledPng::stepFor(whole.size(), size), 1) << name;
        const auto image = Image::imageWithData(bytes, 1, bound);
        ASSERT_TRUE(image) << name << " within " << bound;
        const QImage scaled = whole.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(meanDifference(image->pixels(), scaled), 2.5) << name << " within " << bound;
        EXPECT_TRUE(picturesMatch(image->pixels(), scaled, PictureTolerance{.levels = 8}))
            << name << " within " << bound;
    }
    // 67 x 45 within 700 pixels is 32 x 21, read every 2nd; within 150, 14 x 10 every 4th;
    // within 40, 7 x 5 every 8th.
    for (const char* name : kCommitted) {
        const QByteArray bytes = committed(QString::fromLatin1(name));
        // Grey with alpha of 8 bits the platform's decoder scales as it reads.
        if (!SampledPng::isDecodedWhole(bytes)) continue;
        const QImage whole = wholeAndPremultiplied(bytes);
        for (const std::int64_t bound : {700, 150, 40}) {
            const QSize size = ui::ImageReader::boundedSize(whole.size(), bound);
            const int step = SampledPng::stepFor(whole.size(), size);
            const auto image = Image::imageWithData(bytes, 1, bound);
            ASSERT_TRUE(image) << name << " within " << bound;
            // Within a level or two of the pixels weighed as the road weighs them.
            const QImage expected = weighedAverage(whole, size, step);
            EXPECT_LT(meanDifference(image->pixels(), expected), 1.0)
                << name << " within " << bound;
            EXPECT_TRUE(picturesMatch(image->pixels(), expected, PictureTolerance{.levels = 3}))
                << name << " within " << bound;
        }
    }
}

// The kinds of PNG that the platform's decoder decodes whole, by colour type and bit depth.
constexpr std::pair<int, int> kDecodedWholeKinds[] = {
    {PNG_COLOR_TYPE_GRAY, 1},        {PNG_COLOR_TYPE_GRAY, 2},       {PNG_COLOR_TYPE_GRAY, 4},
    {PNG_COLOR_TYPE_GRAY, 8},        {PNG_COLOR_TYPE_GRAY, 16},      {PNG_COLOR_TYPE_GRAY_ALPHA, 8},
    {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, {PNG_COLOR_TYPE_RGB, 8},        {PNG_COLOR_TYPE_RGB, 16},
    {PNG_COLOR_TYPE_RGB_ALPHA, 8},   {PNG_COLOR_TYPE_RGB_ALPHA, 16}, {PNG_COLOR_TYPE_PALETTE, 1},
    {PNG_COLOR_TYPE_PALETTE, 2},     {PNG_COLOR_TYPE_PALETTE, 4},    {PNG_COLOR_TYPE_PALETTE, 8}};

// Pictures of random sizes (odd, prime, a pixel thin), kinds, interlaced or not (colour and
// grey with alpha of 8 bits only interlaced: else the platform's decoder scales them as it
// reads), within random bounds that halve them or more. A thumbnail of a photo (the stand-in's;
// of a palette maybe too short for its indices, maybe translucent in part) is its blocks'
// averages where they lie, exactly scaled, and, of 64 pixels across or more, looks as the
// whole picture smoothly scaled, within two levels on average. One of a one-pixel checkerboard
// is an even grey, within 8 levels at every pixel, at its right and bottom edges too. The seed
// is printed on failure.
TEST_F(SampledPngTest, ThumbnailsOfPicturesOfAnySizeLookAsTheWholePictureSmoothlyScaled) {
    // A failure's seed, given in HOUSING_TEST_SEED, draws the same pictures again.
    const unsigned seed = qEnvironmentVariableIsSet("HOUSING_TEST_SEED")
                              ? qEnvironmentVariable("HOUSING_TEST_SEED").toUInt()
                              : std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto side = [&] {
        constexpr int kThinAndPrime[] = {1, 2, 3, 5, 7, 11, 13, 17, 31, 61, 127, 257, 383};
        switch (uniform(0, 2)) {
            case 0:
                return kThinAndPrime[uniform(0, int(std::size(kThinAndPrime)) - 1)];
            case 1:
                return 2 * uniform(1, 200) + 1;
            default:
                return uniform(1, 400);
        }
    };
    for (int round = 0; round < 40; ++round) {
        const auto [colorType, depth] =
            kDecodedWholeKinds[uniform(0, int(std::size(kDecodedWholeKinds)) - 1)];
        const int levels = 1 << std::min(depth, 16);
        const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
        Written how{.colorType = colorType, .bitDepth = depth, .interlaced = uniform(0, 1) == 1};
        if (depth == 8 && !palette && colorType != PNG_COLOR_TYPE_GRAY) how.interlaced = true;
        if (palette) {
            how.paletteColours = uniform(1, std::min(levels, 256));
            how.translucentPalette = uniform(0, 1) == 1;
            how.paletteAlphas = uniform(1, how.paletteColours);
        }
        const QSize size(side(), side());
        const std::int64_t pixels = std::int64_t(size.width()) * size.height();
        if (pixels < 4) continue;
        const std::int64_t bound = std::max<std::int64_t>(1, pixels / (4 << uniform(0, 6)));
        const QSize bounded = ui::ImageReader::boundedSize(size, bound);
        const bool alphaChannel = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
        const int alphaAt = colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 1 : 3;
        // A housing photo of the stand-in's, cut to the size; with alpha, the lighter the more
        // opaque.
        const auto rendition =
            standin::SamplePictures::render(QStringLiteral("posts/%1_%2-%3c_9-0.png")
                                                .arg(uniform(1, 99999))
                                                .arg(size.width())
                                                .arg(size.height()));
        ASSERT_TRUE(rendition);
        const QImage source = QImage::fromData(*rendition).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(source.size(), size);
        const auto photo = [&](int x, int y, int channel) {
            const QRgb pixel = source.pixel(x, y);
            const int level = alphaChannel && channel == alphaAt ? 128 + qGray(pixel) / 2
                              : palette || colorType == PNG_COLOR_TYPE_GRAY ||
                                      colorType == PNG_COLOR_TYPE_GRAY_ALPHA
                                  ? qGray(pixel)
                              : channel == 0 ? qRed(pixel)
                              : channel == 1 ? qGreen(pixel)
                                             : qBlue(pixel);
            return level * (levels - 1) / 255;
        };
        const auto checkerboard = [&](int x, int y, int channel) {
            return (alphaChannel && channel == alphaAt) || (x + y) % 2 == 1 ? levels - 1 : 0;
        };
        const auto described = [&] {
            return testing::Message() << "colour type " << colorType << ", " << depth << " bits, "
                                      << (how.interlaced ? "interlaced, " : "") << size.width()
                                      << " x " << size.height() << " within " << bound << " ("
                                      << bounded.width() << " x " << bounded.height() << ")";
        };

        const QByteArray photoBytes = written(size, how, photo);
        const QImage whole = wholeAndPremultiplied(photoBytes);
        ASSERT_EQ(whole.size(), size) << described();
        const auto image = Image::imageWithData(photoBytes, 1, bound);
        ASSERT_TRUE(image) << described();
        ASSERT_EQ(image->pixels().size(), bounded) << described();
        // The pixels weighed as the road weighs them, within the levels of rounding.
        const int step = SampledPng::stepFor(size, bounded);
        EXPECT_TRUE(picturesMatch(image->pixels(), weighedAverage(whole, bounded, step),
                                  PictureTolerance{.levels = 2}))
            << described();
        // A thumbnail of a few pixels is nearly all edges: a block that a pixel's edge cuts is
        // spread evenly over it, some levels off where the photo changes sharply within it.
        if (std::max(bounded.width(), bounded.height()) >= 64) {
            EXPECT_LT(meanDifference(image->pixels(), whole.scaled(bounded, Qt::IgnoreAspectRatio,
                                                                   Qt::SmoothTransformation)),
                      2.0)
                << described();
        }

        // A palette's colours are not black and white.
        if (palette) continue;
        const QByteArray boardBytes = written(size, how, checkerboard);
        const auto board = Image::imageWithData(boardBytes, 1, bound);
        ASSERT_TRUE(board) << described();
        const QImage& boardPixels = board->pixels();
        ASSERT_EQ(boardPixels.size(), bounded) << described();
        // A thumbnail pixel covering few pixels of a thin picture, three black of five, is as
        // far from grey as they are.
        const QImage exact = areaAverage(wholeAndPremultiplied(boardBytes), bounded);
        for (int y = 0; y < boardPixels.height(); ++y) {
            for (int x = 0; x < boardPixels.width(); ++x) {
                const int allowed = 16 + std::abs(2 * qRed(exact.pixel(x, y)) - 255);
                const QRgb pixel = boardPixels.pixel(x, y);
                for (const int level : {qRed(pixel), qGreen(pixel), qBlue(pixel)}) {
                    ASSERT_LE(std::abs(2 * level - 255), allowed)
                        << described() << ", a checkerboard at " << x << ", " << y;
                }
            }
        }
    }
}

// An interlaced picture read at a step of 1 or 2 holds its even rows, a byte a sample of what
// libpng gives (a palette's index; grey or colour, and alpha where it has it or a tRNS chunk
// names a transparent level or colour); at 4 or 8, four bytes a block of the step. A picture
// read row by row holds nothing beside its result. The read comes whatever the allocation
// limit allows of it: past it, nothing.
TEST_F(SampledPngTest, AReadHoldsAnInterlacedPicturesEvenRowsAByteASample) {
    const QSize size(61, 45);
    const std::pair<Written, int> kinds[] = {
        {{.colorType = PNG_COLOR_TYPE_GRAY}, 1},
        {{.colorType = PNG_COLOR_TYPE_GRAY, .transparentGrey = 77}, 2},
        {{.colorType = PNG_COLOR_TYPE_GRAY_ALPHA}, 2},
        {{.colorType = PNG_COLOR_TYPE_RGB}, 3},
        {{.colorType = PNG_COLOR_TYPE_RGB, .transparentColour = std::array{1, 2, 3}}, 4},
        {{.colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 16}, 3},
        {{.colorType = PNG_COLOR_TYPE_RGB_ALPHA}, 4},
        {{.colorType = PNG_COLOR_TYPE_PALETTE, .translucentPalette = true}, 1},
    };
    for (const auto& [how, bytes] : kinds) {
        const QByteArray png =
            written(size, how, [](int x, int y, int channel) { return scattered(x, y, channel); });
        ASSERT_TRUE(SampledPng::isInterlaced(png)) << how.colorType;
        EXPECT_EQ(SampledPng::heldBytes(png, 2), 23 * 61 * bytes) << how.colorType;
        EXPECT_EQ(SampledPng::heldBytes(png, 1), 23 * 61 * bytes) << how.colorType;
        EXPECT_EQ(SampledPng::heldBytes(png, 4), 16 * 12 * 4) << how.colorType;
        EXPECT_EQ(SampledPng::heldBytes(png, 8), 8 * 6 * 4) << how.colorType;
    }
    Written plain{.colorType = PNG_COLOR_TYPE_GRAY, .interlaced = false};
    EXPECT_EQ(SampledPng::heldBytes(
                  written(size, plain, [](int x, int y, int) { return scattered(x, y, 0); }), 2),
              0);

    // 2,000 x 2,000 interlaced RGB: its even rows take 6 MB, past an allocation limit of 4 MB.
    const QByteArray large = written({2000, 2000}, {.colorType = PNG_COLOR_TYPE_RGB},
                                     [](int x, int, int) { return x % 256; });
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(4);
    const QImage past = SampledPng::readScaled(large, 2, {1000, 1000});
    QImageReader::setAllocationLimit(8);
    const QImage within = SampledPng::readScaled(large, 2, {1000, 1000});
    QImageReader::setAllocationLimit(limit);
    EXPECT_TRUE(past.isNull());
    EXPECT_EQ(within.size(), QSize(1000, 1000));
}

// An interlaced picture cut off (a download under way) once the passes that bring a pixel of
// every block have come shows the pixels that came, each block their average; cut off before
// them, nothing.
TEST_F(SampledPngTest, AnInterlacedPictureCutOffAfterItsFirstPassesShowsThePixelsThatCame) {
    // Black where x and y are both even (the first five passes), light grey elsewhere (the
    // last two: not white, so that a block divided by too few pixels cannot pass for another);
    // stored, not deflated, so that a share of the bytes is about that share of the rows: the first
    // five passes the first quarter, the last the second half.
    const QByteArray bytes =
        written({64, 64}, {.colorType = PNG_COLOR_TYPE_GRAY, .compression = 0},
                [](int x, int y, int) { return x % 2 == 0 && y % 2 == 0 ? 0 : 200; });
    const auto red = [](const QImage& image, int x, int y) { return qRed(image.pixel(x, y)); };
    // Whole, every block of 2 x 2 has three grey pixels of four.
    const QImage whole = SampledPng::readScaled(bytes, 2, {32, 32});
    ASSERT_FALSE(whole.isNull());
    EXPECT_NEAR(red(whole, 0, 0), 150, 1);
    EXPECT_NEAR(red(whole, 31, 31), 150, 1);
    // Cut off in the last pass: the blocks of the rows it brought are whole; those below lack
    // their second row, and have one black pixel and one grey.
    const QImage cut = SampledPng::readScaled(bytes.left(bytes.size() * 3 / 4), 2, {32, 32});
    ASSERT_FALSE(cut.isNull());
    EXPECT_NEAR(red(cut, 0, 0), 150, 1);
    EXPECT_NEAR(red(cut, 31, 31), 100, 1);
    // Every block is one or the other, the whole ones above the others: a block is divided by
    // the pixels that came to it, the last row the pass brought among them.
    int wholeRows = 0;
    while (wholeRows < 32 && std::abs(red(cut, 0, wholeRows) - 150) <= 1) ++wholeRows;
    EXPECT_GT(wholeRows, 0);
    EXPECT_LT(wholeRows, 32);
    int unlike = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            unlike += std::abs(red(cut, x, y) - (y < wholeRows ? 150 : 100)) > 1;
    }
    EXPECT_EQ(unlike, 0) << "the blocks of the first " << wholeRows << " rows whole";
    // Cut off in the fifth pass: blocks of 2 x 2 without a pixel yet give nothing; blocks of
    // 8 x 8 have the first pass's.
    const QByteArray early = bytes.left(bytes.size() / 5);
    EXPECT_TRUE(SampledPng::readScaled(early, 2, {32, 32}).isNull());
    const QImage coarse = SampledPng::readScaled(early, 8, {8, 8});
    ASSERT_FALSE(coarse.isNull());
    EXPECT_EQ(red(coarse, 7, 7), 0);

    // Cut off in the sixth pass, which brings the odd columns of the even rows: where it came,
    // a block has its even row's two pixels, 100 and 200; below, the pixel of the first five
    // passes alone, 100, taken for the one left of it too.
    const QByteArray lighter =
        written({64, 64}, {.colorType = PNG_COLOR_TYPE_GRAY, .compression = 0},
                [](int x, int y, int) { return x % 2 == 0 && y % 2 == 0 ? 100 : 200; });
    const QImage sixth = SampledPng::readScaled(lighter.left(lighter.size() * 3 / 8), 2, {32, 32});
    ASSERT_FALSE(sixth.isNull());
    EXPECT_NEAR(red(sixth, 0, 0), 150, 1);
    EXPECT_NEAR(red(sixth, 31, 31), 100, 1);
    int cameRows = 0;
    while (cameRows < 32 && std::abs(red(sixth, 0, cameRows) - 150) <= 1) ++cameRows;
    EXPECT_GT(cameRows, 0);
    EXPECT_LT(cameRows, 32);
    int otherwise = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            otherwise += std::abs(red(sixth, x, y) - (y < cameRows ? 150 : 100)) > 1;
    }
    EXPECT_EQ(otherwise, 0) << "the first " << cameRows << " rows of blocks whole";
}

// A translucent picture's colour is premultiplied: never more than its alpha, whatever the
// blocks' and the result pixels' averages round to. White of every alpha, read at each step
// and within sizes whose edges cut pixels.
TEST_F(SampledPngTest, ATranslucentPicturesColourNeverPassesItsAlpha) {
    const QSize size(203, 157);
    for (const bool interlaced : {false, true}) {
        const QByteArray bytes =
            written(size, {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .interlaced = interlaced},
                    [](int x, int y, int channel) {
                        return channel == 0 ? 255 : scattered(x, y, channel);
                    });
        for (const int step : {1, 2, 4, 8}) {
            const QSize blocks = SampledPng::sampledSize(size, step);
            for (const QSize within : {blocks, QSize(blocks.width() * 2 / 3, blocks.height() / 2),
                                       QSize(blocks.width() - 1, blocks.height() - 1)}) {
                const QImage read = SampledPng::readScaled(bytes, step, within);
                ASSERT_FALSE(read.isNull()) << step;
                int past = 0;
                for (int y = 0; y < read.height(); ++y) {
                    for (int x = 0; x < read.width(); ++x) {
                        const QRgb pixel = read.pixel(x, y);
                        past += qRed(pixel) > qAlpha(pixel) || qGreen(pixel) > qAlpha(pixel) ||
                                qBlue(pixel) > qAlpha(pixel);
                    }
                }
                EXPECT_EQ(past, 0) << "interlaced " << interlaced << ", every " << step
                                   << ", within " << within.width() << " x " << within.height();
            }
        }
    }
}

// The roads a picture of 61 x 45 pixels takes: whole; scaled by less than half (52 x 38), which
// no step reaches; and a thumbnail (30 x 22) read every 2nd pixel.
constexpr std::int64_t kWhole = ui::ImageReader::kMaxPixels;
constexpr std::int64_t kScaledLittle = 2000;
constexpr std::int64_t kThumbnail = 30 * 22;

// RGB of 16 bits a sample with a transparent colour: the platform's decoder showed it
// translucent, the right quarter of each row transparent, from memory it had not written,
// while a thumbnail of it was right. On every road each pixel is as its samples say: of
// exactly the transparent colour transparent, all others opaque however near they come to it
// (its high bytes and a low byte one apart, which a comparison of 8 bits would take for it);
// interlaced or not, and so are the kinds beside it that the platform's decoder reads.
TEST_F(SampledPngTest, SixteenBitRgbWithATransparentColourShowsItsSamplesOnEveryRoad) {
    const std::array<int, 3> wide = {0xc8c8, 0x0a0a, 0x1e1e};
    const Written kinds[] = {
        {.colorType = PNG_COLOR_TYPE_RGB,
         .bitDepth = 16,
         .interlaced = false,
         .transparentColour = wide},
        {.colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 16, .transparentColour = wide},
        {.colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 16, .interlaced = false},
        {.colorType = PNG_COLOR_TYPE_RGB, .bitDepth = 16},
        {.colorType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = 16, .interlaced = false},
        {.colorType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = 16},
        {.colorType = PNG_COLOR_TYPE_RGB,
         .interlaced = false,
         .transparentColour = std::array{0xc8, 0x0a, 0x1e}},
        {.colorType = PNG_COLOR_TYPE_GRAY,
         .bitDepth = 16,
         .interlaced = false,
         .transparentGrey = 0xc8c8},
    };
    const QSize size(61, 45);
    for (const Written& how : kinds) {
        const int top = (1 << how.bitDepth) - 1;
        const bool grey = how.colorType == PNG_COLOR_TYPE_GRAY;
        // The transparent colour, or where there is none one of the same levels.
        const std::array<int, 3> transparent =
            how.transparentColour ? *how.transparentColour
            : how.transparentGrey
                ? std::array{*how.transparentGrey, *how.transparentGrey, *how.transparentGrey}
            : how.bitDepth == 16 ? wide
                                 : std::array{0xc8, 0x0a, 0x1e};
        // One pixel of six of the transparent colour, three of six a level of one channel
        // away from it (at 16 bits, in the low byte), the rest unlike their neighbours.
        const auto sample = [&](int x, int y, int channel) {
            const int kind = (x * 7 + y * 3) % 6;
            if (channel == 3 || kind >= 4) return scattered(x, y, channel, top + 1);
            return transparent[std::size_t(channel)] + (kind == channel + 1 ? 1 : 0);
        };
        const QByteArray bytes = written(size, how, sample);
        // Each pixel as its samples say, 8 bits a sample.
        QImage expected(size, QImage::Format_ARGB32);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const auto level = [&](int channel) {
                    return int(std::lround(sample(x, y, grey ? 0 : channel) * 255.0 / top));
                };
                const bool isTransparent = (how.transparentColour || how.transparentGrey) &&
                                           (grey ? sample(x, y, 0) == transparent[0]
                                                 : sample(x, y, 0) == transparent[0] &&
                                                       sample(x, y, 1) == transparent[1] &&
                                                       sample(x, y, 2) == transparent[2]);
                const int alpha = isTransparent                               ? 0
                                  : how.colorType == PNG_COLOR_TYPE_RGB_ALPHA ? level(3)
                                                                              : 255;
                expected.setPixel(x, y, qRgba(level(0), level(1), level(2), alpha));
            }
        }
        const auto what = [&] {
            return QStringLiteral("colour type %1, %2 bits%3%4")
                .arg(how.colorType)
                .arg(how.bitDepth)
                .arg(how.interlaced ? ", interlaced" : "")
                .arg(how.transparentColour || how.transparentGrey ? ", transparent colour" : "")
                .toStdString();
        };
        for (int decode = 0; decode < 3; ++decode) {
            const auto whole = Image::imageWithData(bytes, 1, kWhole);
            ASSERT_TRUE(whole) << what();
            EXPECT_TRUE(picturesMatch(whole->pixels(), expected, PictureTolerance{.levels = 1}))
                << what() << ", decode " << decode;
        }
        // Plain RGB of 8 bits the platform's decoder scales as it reads, by its own measure.
        if (!SampledPng::isDecodedWhole(bytes)) continue;
        const QSize little = ui::ImageReader::boundedSize(size, kScaledLittle);
        ASSERT_EQ(SampledPng::stepFor(size, little), 1);
        const auto scaled = Image::imageWithData(bytes, 1, kScaledLittle);
        ASSERT_TRUE(scaled) << what();
        const QImage smooth = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                  .scaled(little, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(meanDifference(scaled->pixels(), smooth), 2.5) << what();
        EXPECT_TRUE(picturesMatch(scaled->pixels(), smooth, PictureTolerance{.levels = 8}))
            << what();
        const QSize thumbnailSize = ui::ImageReader::boundedSize(size, kThumbnail);
        const auto thumbnail = Image::imageWithData(bytes, 1, kThumbnail);
        ASSERT_TRUE(thumbnail) << what();
        const int thumbnailStep = SampledPng::stepFor(size, thumbnailSize);
        ASSERT_EQ(thumbnailStep, 2);
        EXPECT_TRUE(picturesMatch(thumbnail->pixels(),
                                  weighedAverage(expected, thumbnailSize, thumbnailStep),
                                  PictureTolerance{.levels = 3}))
            << what();
    }
}

// Read pixel by pixel, an interlaced picture shows nothing until its last pass has come: cut
// off in its last two passes (a download under way) it would show pixels never written; whole
// but for its end chunk, it shows them all.
TEST_F(SampledPngTest, SixteenBitRgbWithATransparentColourCutOffBeforeItsLastPassEndsShowsNothing) {
    const QByteArray bytes =
        written({64, 64},
                {.colorType = PNG_COLOR_TYPE_RGB,
                 .bitDepth = 16,
                 .transparentColour = std::array{0, 0, 0},
                 .compression = 0},
                [](int x, int y, int) { return x % 2 == 0 && y % 2 == 0 ? 0 : 0xffff; });
    const auto whole = Image::imageWithData(bytes.chopped(12));
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->pixels().pixel(0, 0), 0u);
    EXPECT_EQ(whole->pixels().pixel(63, 63), 0xffffffffu);
    for (const qsizetype cut : {bytes.size() * 3 / 8, bytes.size() * 3 / 4}) {
        EXPECT_FALSE(Image::imageWithData(bytes.left(cut))) << cut << " bytes";
    }
}

// The header of a chunk of `type` whose length says `claimed`, then `data`, without its check.
QByteArray chunkHeadAnd(const char* type, quint32 claimed, const QByteArray& data) {
    QByteArray chunk;
    for (const int shift : {24, 16, 8, 0}) chunk.append(char(claimed >> shift & 0xff));
    return chunk.append(type, 4).append(data);
}

// A whole chunk of `type` holding `data`, with its check.
QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray chunk = chunkHeadAnd(type, quint32(data.size()), data);
    const uLong check =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(chunk.constData() + 4),
              uInt(chunk.size() - 4));
    for (const int shift : {24, 16, 8, 0}) chunk.append(char(check >> shift & 0xff));
    return chunk;
}

// Where the chunk after the header chunk starts, and the end chunk's length.
constexpr qsizetype kAfterHeader = 8 + 25;
constexpr qsizetype kEndChunk = 12;

// The roads of a picture of 64 x 64: whole, scaled by less than half, and within 32 x 32.
constexpr std::int64_t kSquareRoads[] = {ui::ImageReader::kMaxPixels, 48 * 48, 32 * 32};

// Pictures of 64 x 64 RGB, interlaced (decoded whole by the platform's decoder, sampled by our
// own within 32 x 32) and plain (scaled as they are read); stored, not deflated, so that a
// share of their picture data is about that share of rows, in chunks of a few hundred bytes,
// and, interlaced, in one chunk, which the decoders read a few kilobytes at a time.
std::vector<QByteArray> squarePictures() {
    std::vector<QByteArray> pictures;
    for (const bool interlaced : {true, false}) {
        pictures.push_back(written(
            {64, 64}, {.colorType = PNG_COLOR_TYPE_RGB, .interlaced = interlaced, .compression = 0},
            [](int x, int y, int channel) { return scattered(x, y, channel); }));
    }
    const QByteArray& chunked = pictures.front();
    const qsizetype firstData = chunked.indexOf("IDAT") - 4;
    QByteArray data;
    for (qsizetype at = firstData; at < chunked.size() - kEndChunk;) {
        const auto length = qsizetype(qFromBigEndian<quint32>(chunked.constData() + at));
        data.append(chunked.mid(at + 8, length));
        at += 12 + length;
    }
    pictures.push_back(chunked.left(firstData) + pngChunk("IDAT", data) + chunked.right(kEndChunk));
    return pictures;
}

// A chunk after the picture data that says it holds more bytes than the file has (1.3 GB in
// the one seen: a file cut off, or one made to cost its reader) had the platform's decoder
// read seconds over bytes that are not there, then give nothing, where a thumbnail showed the
// picture. On every road it shows the picture, as the file ending as it should does, whatever
// the chunk claims past the bytes left, a text or a compressed one, and wherever a download
// is cut off after the picture data (where the platform's decoder, missing the end chunk, gave
// nothing); such a chunk before the picture data, which it takes in, leaves nothing to show.
TEST_F(SampledPngTest, AChunkLongerThanTheFileShowsThePictureBeforeItOnEveryRoad) {
    const QByteArray text(
        "date:modify\0"
        "2026-12-10T01:13:55+00:00",
        37);
    for (const QByteArray& honest : squarePictures()) {
        const QByteArray picture = honest.chopped(kEndChunk);
        std::vector<QByteArray> longer;
        for (const quint32 claimed :
             {1'313'279'242u, 100'000'000u, 10'000'000u, quint32(text.size()) + 1}) {
            longer.push_back(picture + chunkHeadAnd("tEXt", claimed, text));
        }
        longer.push_back(picture +
                         chunkHeadAnd("zTXt", 1'313'279'242u, QByteArray("Comment\0\0x", 10)));
        // Cut off anywhere after the picture data: in a text chunk after it, after that, or
        // in the end chunk.
        const QByteArray withText = picture + pngChunk("tEXt", text) + honest.right(kEndChunk);
        for (qsizetype cut = picture.size(); cut < withText.size(); ++cut) {
            longer.push_back(withText.left(cut));
        }
        const QByteArray before = honest.left(kAfterHeader) +
                                  chunkHeadAnd("tEXt", 1'313'279'242u, text) +
                                  honest.mid(kAfterHeader);
        for (const std::int64_t bound : kSquareRoads) {
            const auto expected = Image::imageWithData(honest, 1, bound);
            ASSERT_TRUE(expected) << bound;
            for (const QByteArray& bytes : longer) {
                const auto image = Image::imageWithData(bytes, 1, bound);
                ASSERT_TRUE(image) << "within " << bound << ", " << bytes.size() << " bytes";
                EXPECT_TRUE(picturesMatch(image->pixels(), expected->pixels(),
                                          PictureTolerance{.levels = 0}))
                    << "within " << bound << ", " << bytes.size() << " bytes";
            }
            EXPECT_FALSE(Image::imageWithData(before, 1, bound)) << "within " << bound;
        }
    }
}

// Encoders may end the picture data with an IDAT chunk that holds nothing. A download cut off
// inside that chunk has all the picture's data: on every road it shows the picture, wherever
// in the chunk's 12 bytes the cut falls (the platform's decoder, reading on for the chunk's
// check, gave nothing for some), as where the cut falls in the end chunk after it.
TEST_F(SampledPngTest, APictureCutOffInAnEmptyIdatAfterItsDataShowsOnEveryRoad) {
    for (const QByteArray& picture : squarePictures()) {
        const QByteArray withEmptyData =
            picture.chopped(kEndChunk) + pngChunk("IDAT", {}) + picture.right(kEndChunk);
        for (const std::int64_t bound : kSquareRoads) {
            const auto expected = Image::imageWithData(picture, 1, bound);
            ASSERT_TRUE(expected) << bound;
            const qsizetype emptyAt = picture.size() - kEndChunk;
            for (qsizetype cut = emptyAt; cut <= withEmptyData.size(); ++cut) {
                const auto image = Image::imageWithData(withEmptyData.left(cut), 1, bound);
                EXPECT_TRUE(image) << "cut " << cut - emptyAt << " bytes into the empty IDAT, "
                                   << "within " << bound;
                if (!image) continue;
                EXPECT_TRUE(picturesMatch(image->pixels(), expected->pixels(),
                                          PictureTolerance{.levels = 0}))
                    << "cut " << cut - emptyAt << " bytes into the empty IDAT, within " << bound;
            }
        }
    }
}

// The shapes of honest files are read as they come: text chunks of a megabyte before and after
// the picture data, and bytes after the end chunk, pass untouched; and a file cut off in its
// picture data (a download under way) shows on every road what its decoder makes of the
// bytes that came, as it did: an interlaced picture's first passes sampled, nothing whole.
TEST_F(SampledPngTest, HonestChunksAndAFileCutOffInItsPictureDataDecodeAsTheyCome) {
    const QByteArray large(1 << 20, 'x');
    for (const QByteArray& honest : squarePictures()) {
        // A zlib stream is what qCompress gives after the length it puts first.
        const QByteArray withLargeTexts =
            honest.left(kAfterHeader) + pngChunk("tEXt", QByteArray("Comment\0", 8) + large) +
            honest.mid(kAfterHeader).chopped(kEndChunk) +
            pngChunk("zTXt", QByteArray("Comment\0\0", 9) + qCompress(large).mid(4)) +
            honest.right(kEndChunk);
        const QByteArray trailing = honest + chunkHeadAnd("tEXt", 1'313'279'242u, "x");
        for (const QByteArray& bytes : {honest, withLargeTexts, trailing}) {
            EXPECT_EQ(ui::PngChunks::wholeChunks(bytes), bytes) << bytes.size() << " bytes";
        }
        for (const std::int64_t bound : kSquareRoads) {
            const auto expected = Image::imageWithData(honest, 1, bound);
            ASSERT_TRUE(expected);
            const auto image = Image::imageWithData(withLargeTexts, 1, bound);
            ASSERT_TRUE(image) << "within " << bound;
            EXPECT_TRUE(
                picturesMatch(image->pixels(), expected->pixels(), PictureTolerance{.levels = 0}))
                << "within " << bound;
        }
        // Cut off in each picture data chunk, in its header, at a quarter, half and three
        // quarters of its data and in its check, and where one ends.
        std::vector<qsizetype> cuts;
        for (qsizetype at = honest.indexOf("IDAT") - 4; at < honest.size() - kEndChunk;) {
            const auto length = qsizetype(qFromBigEndian<quint32>(honest.constData() + at));
            for (const qsizetype into : {qsizetype(0), qsizetype(5), 8 + length / 4, 8 + length / 2,
                                         8 + length * 3 / 4, 10 + length}) {
                cuts.push_back(at + into);
            }
            at += 12 + length;
        }
        for (const qsizetype cut : cuts) {
            const QByteArray bytes = honest.left(cut);
            const QImage whole = ui::ImageReader::drawingPixels(QImage::fromData(bytes, "PNG"));
            const QImage sampled = SampledPng::isInterlaced(bytes)
                                       ? SampledPng::readScaled(bytes, 2, {32, 32})
                                       : QImage();
            const std::pair<std::int64_t, QImage> roads[] = {{ui::ImageReader::kMaxPixels, whole},
                                                             {32 * 32, sampled}};
            for (const auto& [bound, expected] : roads) {
                if (bound == 32 * 32 && !SampledPng::isInterlaced(bytes)) continue;
                const auto image = Image::imageWithData(bytes, 1, bound);
                ASSERT_EQ(bool(image), !expected.isNull()) << cut << " bytes within " << bound;
                if (image) {
                    EXPECT_TRUE(
                        picturesMatch(image->pixels(), expected, PictureTolerance{.levels = 0}))
                        << cut << " bytes within " << bound;
                }
            }
        }
    }
}

// `raw` deflated on from where `stream` is, all of it written out: each part is a chunk of its
// own.
QByteArray deflated(z_stream* stream, const QByteArray& raw, int flush) {
    QByteArray out(int(deflateBound(stream, uLong(raw.size()))) + 64, '\0');
    stream->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.constData()));
    stream->avail_in = uInt(raw.size());
    stream->next_out = reinterpret_cast<Bytef*>(out.data());
    stream->avail_out = uInt(out.size());
    deflate(stream, flush);
    out.truncate(out.size() - int(stream->avail_out));
    return out;
}

// SampledPng has libpng go past the chunks the blocks do not need without holding them: a text
// chunk of 64 MB before the picture data costs its reader no memory, where libpng held it, and
// the picture shows as without it. One claiming 1.3 GB in a file of a few hundred bytes, which
// the image reader leaves out before this road but SampledPng read on its own is given, is gone
// past the same way, where libpng allocated what it claimed.
TEST_F(SampledPngTest, AChunkTheBlocksDoNotNeedIsGonePastWithoutBeingHeld) {
    const QByteArray honest = squarePictures().front();
    const QByteArray bytes =
        honest.left(kAfterHeader) +
        pngChunk("tEXt", QByteArray("Comment\0", 8) + QByteArray(64 << 20, 'x')) +
        honest.mid(kAfterHeader);
    const QImage expected = SampledPng::readScaled(honest, 2, {32, 32});
    ASSERT_FALSE(expected.isNull());
    QImage read;
    const auto peak = residentPeakGrowthWhile([&] {
        read = SampledPng::readScaled(bytes, 2, {32, 32});
    });
    ASSERT_FALSE(read.isNull());
    EXPECT_TRUE(picturesMatch(read, expected, PictureTolerance{.levels = 0}));
    if (!peak) GTEST_SKIP() << "the system does not tell the resident peak";
    EXPECT_LT(*peak, 16 * 1024 * 1024);
}

// Nor, read on its own, does it read a row of a picture that declares more pixels than a
// picture may (ImageReader::kMostDeclaredPixels, 8,192 x 8,192), though its blocks would be few;
// one of exactly that many it reads.
TEST_F(SampledPngTest, APictureDeclaringMorePixelsThanAPictureMayIsNotRead) {
    using standin::FlatPicture;
    const auto grey = [](int height) {
        return FlatPicture::png({8192, height}, false, FlatPicture::Pixels::Grey);
    };
    EXPECT_EQ(SampledPng::readScaled(grey(8192), 8, {4, 4}).size(), QSize(4, 4));
    EXPECT_TRUE(SampledPng::readScaled(grey(8193), 8, {4, 4}).isNull());
}

// An interlaced picture that ends right after the passes that bring a pixel of every block
// of a step (the first of 8, three of 4, five of 2) decodes: every block the level of the pass
// of its pixel, its rows in many chunks or in one. One that ends a byte before, in the last row
// of those passes, gives nothing, as one cut off before them does.
TEST_F(SampledPngTest, AnInterlacedPictureEndingRightAfterThePassesOfItsStepDecodes) {
    constexpr int kSide = 64;
    const auto levelOf = [](int pass) { return 10 + 30 * pass; };
    for (const auto& [step, needed] : {std::pair(8, 1), std::pair(4, 3), std::pair(2, 5)}) {
        // Grey of 8 bits, unfiltered: each pass's rows, their pixels the level of the pass.
        QByteArray passes;
        QByteArray later;
        for (int pass = 0; pass < 7; ++pass) {
            QByteArray& into = pass < needed ? passes : later;
            const int columns = int(PNG_PASS_COLS(png_uint_32(kSide), pass));
            for (png_uint_32 row = 0; row < PNG_PASS_ROWS(png_uint_32(kSide), pass); ++row) {
                into += QByteArray(1, '\0') + QByteArray(columns, char(levelOf(pass)));
            }
        }
        z_stream stream{};
        ASSERT_EQ(deflateInit(&stream, 6), Z_OK);
        const QByteArray allButLast = deflated(&stream, passes.chopped(1), Z_SYNC_FLUSH);
        const QByteArray last = deflated(&stream, passes.right(1), Z_SYNC_FLUSH);
        const QByteArray rest = deflated(&stream, later, Z_FINISH);
        deflateEnd(&stream);
        QByteArray header(13, '\0');
        qToBigEndian(quint32(kSide), header.data());
        qToBigEndian(quint32(kSide), header.data() + 4);
        header[8] = 8;   // bits a sample
        header[12] = 1;  // Adam7
        const QByteArray upToPasses = QByteArray("\x89PNG\r\n\x1a\n", 8) +
                                      pngChunk("IHDR", header) + pngChunk("IDAT", allButLast) +
                                      pngChunk("IDAT", last);
        const QByteArray bytes =
            upToPasses + pngChunk("IDAT", rest) + pngChunk("IEND", QByteArray());
        const QSize blocks = SampledPng::sampledSize({kSide, kSide}, step);
        ASSERT_FALSE(SampledPng::readScaled(bytes, step, blocks).isNull()) << "every " << step;

        const QImage ended = SampledPng::readScaled(upToPasses, step, blocks);
        ASSERT_FALSE(ended.isNull()) << "ended after " << needed << " passes, every " << step;
        // A block's one pixel of the passes that came is its first.
        const auto passOf = [](int x, int y) {
            for (int pass = 0; pass < 7; ++pass) {
                if (PNG_ROW_IN_INTERLACE_PASS(y, pass) && PNG_COL_IN_INTERLACE_PASS(x, pass)) {
                    return pass;
                }
            }
            return -1;
        };
        for (int y = 0; y < blocks.height(); ++y) {
            for (int x = 0; x < blocks.width(); ++x) {
                EXPECT_NEAR(qRed(ended.pixel(x, y)), levelOf(passOf(x * step, y * step)), 1)
                    << "every " << step << " at " << x << ", " << y;
            }
        }
        // The chunk that holds the passes' last byte gone.
        EXPECT_TRUE(
            SampledPng::readScaled(upToPasses.chopped(pngChunk("IDAT", last).size()), step, blocks)
                .isNull())
            << "cut a byte before the end of " << needed << " passes, every " << step;
        // The same in one chunk cut off right after the passes, or a byte before: every byte
        // that came is read, though libpng reads a few kilobytes at a time.
        const QByteArray inOneChunk = upToPasses.left(kAfterHeader) +
                                      pngChunk("IDAT", allButLast + last + rest) +
                                      pngChunk("IEND", QByteArray());
        const qsizetype passesEnd = kAfterHeader + 8 + allButLast.size() + last.size();
        const QImage cut = SampledPng::readScaled(inOneChunk.left(passesEnd), step, blocks);
        ASSERT_FALSE(cut.isNull()) << "one chunk cut after " << needed << " passes, every " << step;
        EXPECT_TRUE(picturesMatch(cut, ended, PictureTolerance{.levels = 0})) << "every " << step;
        EXPECT_TRUE(
            SampledPng::readScaled(inOneChunk.left(passesEnd - last.size()), step, blocks).isNull())
            << "one chunk cut a byte before the end of " << needed << " passes, every " << step;
    }
}

// The same picture with its rows in one IDAT chunk, as encoders may write a small picture (and
// in chunks of 8 KB or more a large one): cut off inside that chunk, it shows the pixels that
// came before the cut as well, short of the last few hundred bytes.
TEST_F(SampledPngTest,
       AnInterlacedPictureInOneChunkCutOffAfterItsFirstPassesShowsThePixelsThatCame) {
    const QByteArray bytes =
        written({64, 64},
                {.colorType = PNG_COLOR_TYPE_GRAY, .compression = 0, .storedChunkBytes = 64 * 1024},
                [](int x, int y, int) { return x % 2 == 0 && y % 2 == 0 ? 0 : 255; });
    ASSERT_EQ(bytes.count("IDAT"), 1);
    const auto red = [](const QImage& image, int x, int y) { return qRed(image.pixel(x, y)); };
    const QImage cut = SampledPng::readScaled(bytes.left(bytes.size() * 3 / 4), 2, {32, 32});
    ASSERT_FALSE(cut.isNull());
    EXPECT_NEAR(red(cut, 0, 0), 191, 1);
    EXPECT_NEAR(red(cut, 31, 31), 128, 1);
    // Every block is one or the other, the whole ones above the others: a block is divided by
    // the pixels that came to it, the last row the pass brought among them.
    int wholeRows = 0;
    while (wholeRows < 32 && std::abs(red(cut, 0, wholeRows) - 191) <= 1) ++wholeRows;
    EXPECT_GT(wholeRows, 0);
    EXPECT_LT(wholeRows, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            EXPECT_NEAR(red(cut, x, y), y < wholeRows ? 191 : 128, 1) << x << ", " << y;
        }
    }
    const QImage coarse = SampledPng::readScaled(bytes.left(bytes.size() / 5), 8, {8, 8});
    ASSERT_FALSE(coarse.isNull());
    EXPECT_EQ(red(coarse, 7, 7), 0);
}

}  // namespace
