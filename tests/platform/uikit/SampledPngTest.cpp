#include "UIKitTest.h"

#include "ReferenceImage.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/sampled_png.h"

#include <QBuffer>
#include <QFile>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace {

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

// Each step x step block of `picture` averaged, premultiplied, those at its right and bottom
// edges over the pixels they have.
QImage blockAverages(const QImage& picture, int step) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage averages(SampledPng::sampledSize(pixels.size(), step),
                    QImage::Format_ARGB32_Premultiplied);
    for (int blockY = 0; blockY < averages.height(); ++blockY) {
        for (int blockX = 0; blockX < averages.width(); ++blockX) {
            double sums[4] = {};
            int count = 0;
            for (int y = blockY * step; y < std::min(pixels.height(), (blockY + 1) * step); ++y) {
                for (int x = blockX * step; x < std::min(pixels.width(), (blockX + 1) * step);
                     ++x) {
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

// `picture` scaled down to `size`, each pixel the average of the pixels it covers, those at its
// edges weighed by how much of them it covers; premultiplied.
QImage areaAverage(const QImage& picture, QSize size) {
    const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double across = double(pixels.width()) / size.width();
    const double down = double(pixels.height()) / size.height();
    QImage averaged(size, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row < size.height(); ++row) {
        for (int column = 0; column < size.width(); ++column) {
            double sums[4] = {};
            for (int y = int(row * down);
                 y < std::min(pixels.height(), int(std::ceil((row + 1) * down))); ++y) {
                const double height =
                    std::min(y + 1.0, (row + 1) * down) - std::max(double(y), row * down);
                for (int x = int(column * across);
                     x < std::min(pixels.width(), int(std::ceil((column + 1) * across))); ++x) {
                    const double width = std::min(x + 1.0, (column + 1) * across) -
                                         std::max(double(x), column * across);
                    const QRgb pixel = pixels.pixel(x, y);
                    sums[0] += qRed(pixel) * width * height;
                    sums[1] += qGreen(pixel) * width * height;
                    sums[2] += qBlue(pixel) * width * height;
                    sums[3] += qAlpha(pixel) * width * height;
                }
            }
            const auto mean = [&](double sum) { return int(std::lround(sum / (across * down))); };
            averaged.setPixel(column, row,
                              qRgba(mean(sums[0]), mean(sums[1]), mean(sums[2]), mean(sums[3])));
        }
    }
    return averaged;
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
    // Whether a palette's entries are translucent, each its own alpha (a tRNS chunk).
    bool translucentPalette = false;
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
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        if (how.translucentPalette)
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    }
    if (how.transparentGrey) {
        png_color_16 transparent{};
        transparent.gray = png_uint_16(*how.transparentGrey);
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

// The block averages of `bytes` at `step`, unscaled.
QImage readBlocks(const QByteArray& bytes, int step) {
    const QSize full = QImage::fromData(bytes, "PNG").size();
    return SampledPng::readScaled(bytes, step, SampledPng::sampledSize(full, step));
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
                picturesMatch(blocks, blockAverages(whole, step), PictureTolerance{.levels = 2}))
                << name << " every " << step;
        }
    }
}

// Pictures written by hand of every size around the steps, one or two blocks and a few pixels
// (so that some passes bring no pixel at all, and the right and bottom blocks are cut), each
// pixel unlike its neighbours: every pixel counts once in its block, interlaced or not, with
// alpha, a transparent grey, 16 or 1 bit a sample, a palette of translucent colours.
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
                for (const int step : {2, 4, 8}) {
                    EXPECT_TRUE(picturesMatch(readBlocks(bytes, step), blockAverages(whole, step),
                                              PictureTolerance{.levels = 2}))
                        << "colour type " << how.colorType << ", " << how.bitDepth << " bits, "
                        << (how.interlaced ? "interlaced, " : "") << width << " x " << height
                        << " every " << step;
                }
            }
        }
    }
}

// A picture decoded within the size of its blocks is their averages, on the road every decode
// takes: interlaced, and of a palette read row by row.
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
                                      PictureTolerance{.levels = 2}))
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
            // The blocks scaled by the platform (interlaced) or as their rows come: within a
            // level or two of an exact average of what each pixel covers.
            const QImage expected = areaAverage(blockAverages(whole, step), size);
            EXPECT_LT(meanDifference(image->pixels(), expected), 1.0)
                << name << " within " << bound;
            EXPECT_TRUE(picturesMatch(image->pixels(), expected, PictureTolerance{.levels = 3}))
                << name << " within " << bound;
        }
    }
}

// An interlaced picture cut off (a download under way) once the passes that bring a pixel of
// every block have come shows the pixels that came, each block their average; cut off before
// them, nothing.
TEST_F(SampledPngTest, AnInterlacedPictureCutOffAfterItsFirstPassesShowsThePixelsThatCame) {
    // Black where x and y are both even (the first five passes), white elsewhere (the last
    // two); stored, not deflated, so that a share of the bytes is about that share of the rows:
    // the first five passes the first quarter, the last the second half.
    const QByteArray bytes =
        written({64, 64}, {.colorType = PNG_COLOR_TYPE_GRAY, .compression = 0},
                [](int x, int y, int) { return x % 2 == 0 && y % 2 == 0 ? 0 : 255; });
    const auto red = [](const QImage& image, int x, int y) { return qRed(image.pixel(x, y)); };
    // Whole, every block of 2 x 2 has three white pixels of four.
    const QImage whole = SampledPng::readScaled(bytes, 2, {32, 32});
    ASSERT_FALSE(whole.isNull());
    EXPECT_NEAR(red(whole, 0, 0), 191, 1);
    EXPECT_NEAR(red(whole, 31, 31), 191, 1);
    // Cut off in the last pass: the blocks of the rows it brought are whole; those below lack
    // their second row, and have one black pixel and one white.
    const QImage cut = SampledPng::readScaled(bytes.left(bytes.size() * 3 / 4), 2, {32, 32});
    ASSERT_FALSE(cut.isNull());
    EXPECT_NEAR(red(cut, 0, 0), 191, 1);
    EXPECT_NEAR(red(cut, 31, 31), 128, 1);
    // Cut off in the fifth pass: blocks of 2 x 2 without a pixel yet give nothing; blocks of
    // 8 x 8 have the first pass's.
    const QByteArray early = bytes.left(bytes.size() / 5);
    EXPECT_TRUE(SampledPng::readScaled(early, 2, {32, 32}).isNull());
    const QImage coarse = SampledPng::readScaled(early, 8, {8, 8});
    ASSERT_FALSE(coarse.isNull());
    EXPECT_EQ(red(coarse, 7, 7), 0);
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
    const QImage coarse = SampledPng::readScaled(bytes.left(bytes.size() / 5), 8, {8, 8});
    ASSERT_FALSE(coarse.isNull());
    EXPECT_EQ(red(coarse, 7, 7), 0);
}

}  // namespace
