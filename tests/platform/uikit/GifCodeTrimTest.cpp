#include "UIKitTest.h"

#include "GifLzwEncoder.h"
#include "ReferenceImage.h"
#include "TestGifs.h"

#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/gif_code_trim.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/image_source.h"

#include <algorithm>
#include <random>

namespace {
// The helpers' own namespace: the test program compiles this file in one unit with others.
namespace gif_code_trim {

using namespace testgifs;
using ui::GifBlocks;
using ui::GifCodeTrim;
using ui::ImageReader;
using ui::ImageSource;

class GifCodeTrimTest : public UIKitTest {};

constexpr int C = kClearCode, E = kEndCode;
constexpr QRgb kRed = 0xffff0000;

// Codes of 2 bits' colours that give `pixels` red ones, each as long as the table allows: from a
// colour, each code the one just past the table, its string one longer than the last, then once
// the table is full its longest string (4,091 pixels, 12 bits) over and over; the last code a
// string of the table as long as what is left.
std::vector<int> redRunCodes(qint64 pixels) {
    std::vector<int> codes = {C, 0};
    int next = 6;
    for (qint64 given = 1; given < pixels;) {
        const qint64 left = pixels - given;
        if (next < 4096 && left >= next - 4) {
            given += next - 4;
            codes.push_back(next++);
        } else {
            const int length = int(std::min<qint64>(left, next - 5));
            given += length;
            codes.push_back(length == 1 ? 0 : length + 4);
        }
    }
    codes.push_back(E);
    return codes;
}

// `count` colour indices below `colours`, the same on every machine.
std::vector<int> mixed(int count, int colours = 2, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::vector<int> pixels;
    for (int pixel = 0; pixel < count; ++pixel) pixels.push_back(int(random() % colours));
    return pixels;
}

// A colour table of `count` colours, each opaque and its own: red and blue first.
QByteArray colours(int count) {
    QByteArray table("\xff\x00\x00\x00\x00\xff", 6);
    for (int index = 2; index < count; ++index) {
        table.append(char(index)).append(char(255 - index)).append(char(index * 37 % 256));
    }
    return table;
}

// A frame at `rect` whose codes are `codes` of 2 bits' colours, after `before`.
GifFrame codedFrame(const QRect& rect, const std::vector<int>& codes, char flags = 0,
                    const QByteArray& before = {}) {
    return {rect, std::nullopt, before, flags, 2, gifCodeData(2, codes)};
}

// `pixels` as a general encoder's codes.
std::vector<int> encoded(const std::vector<int>& pixels,
                         const GifLzwEncoder::Options& options = {}) {
    return GifLzwEncoder::encode(pixels, 2, options).codes;
}

// Whether `gif` was cut, and Qt's reader draws the frames of the cut bytes as it draws those of
// `gif`, to the level, as many.
::testing::AssertionResult cutAndDrawnAlike(const QByteArray& gif) {
    const QByteArray cut = GifCodeTrim::trimmed(gif);
    if (cut.isSharedWith(gif)) return ::testing::AssertionFailure() << "not cut";
    const std::vector<QImage> before = decodedWhole(gif);
    const std::vector<QImage> after = decodedWhole(cut);
    if (before.empty() || before.size() != after.size()) {
        return ::testing::AssertionFailure()
               << before.size() << " frames drawn, " << after.size() << " once cut";
    }
    for (std::size_t index = 0; index < before.size(); ++index) {
        auto alike = picturesMatch(after[index], before[index], PictureTolerance{.levels = 0});
        if (!alike) return alike << " (frame " << index << ")";
    }
    return ::testing::AssertionSuccess();
}

// The picture an honest 16 x 16 red frame draws on a canvas of 16 x 16.
QImage sixteenRed() {
    return decodedWhole(gifOfFrames({16, 16}, {codedFrame({0, 0, 16, 16}, redRunCodes(256))}))
        .at(0);
}

// A frame of 16 x 16 whose codes give a billion red pixels, in 393 KB, is cut after its 256th:
// a few hundred bytes, which draw its picture, the whole way and as a thumbnail of a canvas of
// 5,000 x 5,000; the decoder reads it at once rather than for seconds.
TEST_F(GifCodeTrimTest, ABillionPixelsOfCodesInASmallFrameAreCutAfterItsLastPixel) {
    const std::vector<int> codes = redRunCodes(qint64(1) << 30);
    const QByteArray gif = gifOfFrames({16, 16}, {codedFrame({0, 0, 16, 16}, codes)});
    ASSERT_GT(gif.size(), 390'000);
    const QByteArray cut = GifCodeTrim::trimmed(gif);
    EXPECT_LT(cut.size(), 100);
    ASSERT_EQ(GifBlocks::read(cut).frames.size(), 1u);
    EXPECT_TRUE(cut.endsWith("\x00\x3b"));

    const QImage red = sixteenRed();
    const auto image = ui::Image::imageWithData(gif);
    ASSERT_TRUE(image);
    EXPECT_TRUE(picturesMatch(image->pixels(), red, PictureTolerance{.levels = 0}));

    const QByteArray onAHugeCanvas =
        gifOfFrames({5000, 5000}, {codedFrame({2496, 2496, 16, 16}, codes)});
    ImageReader thumbnail(onAHugeCanvas, 500 * 500);
    const QImage read = thumbnail.read();
    ASSERT_EQ(read.size(), QSize(500, 500));
    // The frame's pixel, averaged with the blue around it.
    EXPECT_GT(qRed(read.pixel(250, 250)), 150);
    EXPECT_EQ(read.pixel(100, 100), 0xff0000ffu);
}

// The decoder takes the first sub-block of a graphic control or looping block for the block
// itself, an empty one too, and reads on to the next empty one; other blocks end at their first
// empty sub-block. A billion pixels' codes after such a block of an empty first sub-block are
// cut as after an honest one, and a frame's bytes in the sub-blocks the decoder reads on are no
// frame: the frames cut draw as before.
TEST_F(GifCodeTrimTest, BlocksOfAnEmptyFirstSubBlockAreReadToTheirEndAsTheDecoderReadsThem) {
    const std::vector<int> codes = redRunCodes(qint64(1) << 30);
    const QImage red = sixteenRed();
    for (const QByteArray& before :
         {QByteArray("\x21\xf9\x04\x00\x00\x00\x00\x00", 8), QByteArray("\x21\xf9\x00\x00", 4),
          QByteArray("\x21\xff\x00\x00", 4), QByteArray("\x21\xf9\x00\x02\x01\x02\x00", 7),
          QByteArray("\x21\xfe\x00", 3)}) {
        const QByteArray gif =
            gifOfFrames({16, 16}, {codedFrame({0, 0, 16, 16}, codes, 0, before)});
        const QByteArray cut = GifCodeTrim::trimmed(gif);
        EXPECT_LT(cut.size(), 100) << before.toHex().constData();
        EXPECT_TRUE(cutAndDrawnAlike(gif)) << before.toHex().constData();
        const std::vector<QImage> drawn = decodedWhole(cut);
        ASSERT_EQ(drawn.size(), 1u) << before.toHex().constData();
        EXPECT_TRUE(picturesMatch(drawn[0], red, PictureTolerance{.levels = 0}));
    }

    // A sub-block of 44 bytes (0x2c, an image descriptor's introducer) after an empty first one,
    // holding what reads as a frame of 16 x 16 and many pixels' codes; then an honest frame.
    QByteArray hidden("\x21\xf9\x00\x2c", 4);
    for (const int word : {0, 0, 16, 16}) appendWord(hidden, word);
    hidden.append('\0').append('\x02').append('\x21');
    hidden.append(gifCodeData(2, redRunCodes(1 << 20)).mid(1, 33));
    ASSERT_EQ(hidden.size(), 4 + 44);
    hidden.append('\0');
    const QByteArray gif =
        gifOfFrames({16, 16}, {codedFrame({0, 0, 16, 16}, redRunCodes(256), 0, hidden)});
    const GifBlocks blocks = GifBlocks::read(gif);
    ASSERT_EQ(blocks.frames.size(), 1u);
    EXPECT_EQ(blocks.frames[0].descriptorAt, gif.indexOf(hidden) + hidden.size());
    EXPECT_TRUE(GifCodeTrim::trimmed(gif).isSharedWith(gif));
    const std::vector<QImage> drawn = decodedWhole(gif);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(picturesMatch(drawn[0], red, PictureTolerance{.levels = 0}));
}

// Codes that give no pixel past the frame's last that can land are left as they are, not copied:
// those that end at that pixel, with the end code or with clears before it, or stop short of it,
// or carry on below the frame's height down to the canvas's bottom; as are codes of a size the
// decoder does not read, and bytes of no frame or no GIF. One pixel more is cut.
TEST_F(GifCodeTrimTest, CodesThatGiveNoPixelPastTheLastThatCanLandAreLeftAsTheyAre) {
    const QRect frame(0, 0, 4, 4);
    std::vector<int> clearsThenEnd = encoded(mixed(16));
    clearsThenEnd.insert(clearsThenEnd.end() - 1, {C, C});
    const std::pair<const char*, QByteArray> honest[] = {
        {"ending at its last pixel", gifOfFrames({4, 4}, {codedFrame(frame, encoded(mixed(16)))})},
        {"clears, then the end", gifOfFrames({4, 4}, {codedFrame(frame, clearsThenEnd)})},
        {"stopping short", gifOfFrames({4, 4}, {codedFrame(frame, encoded(mixed(10)))})},
        {"down to the canvas's bottom",
         gifOfFrames({4, 8}, {codedFrame(frame, encoded(mixed(32)))})},
        {"codes of 13 bits",
         gifOfFrames({4, 4},
                     {{frame, std::nullopt, {}, 0, 12, gifCodeData(2, encoded(mixed(400)))}})},
        {"no frame", gifOfFrames({0, 0}, {})},
        {"no GIF", gifOfFrames({4, 4}, {codedFrame(frame, redRunCodes(100))}).replace(0, 1, "X")},
    };
    for (const auto& [what, gif] : honest) {
        EXPECT_TRUE(GifCodeTrim::trimmed(gif).isSharedWith(gif)) << what;
    }
    EXPECT_EQ(decodedWhole(honest[3].second).at(0).pixel(0, 7),
              mixed(32)[28] == 0 ? kRed : 0xff0000ffu);

    // A code of one pixel more.
    const auto oneMore = [](std::vector<int> codes) {
        codes.insert(codes.end() - 1, 1);
        return codes;
    };
    EXPECT_TRUE(
        cutAndDrawnAlike(gifOfFrames({4, 4}, {codedFrame(frame, oneMore(encoded(mixed(16))))})));
    EXPECT_TRUE(
        cutAndDrawnAlike(gifOfFrames({4, 8}, {codedFrame(frame, oneMore(encoded(mixed(32))))})));
    // Clears after the last pixel, then a code that gives more.
    std::vector<int> clearsThenMore = clearsThenEnd;
    clearsThenMore.insert(clearsThenMore.end() - 1, 1);
    EXPECT_TRUE(cutAndDrawnAlike(gifOfFrames({4, 4}, {codedFrame(frame, clearsThenMore)})));
}

// A frame's pixels past its height land down to the canvas's bottom, and are kept; those past
// the canvas's bottom are cut. Codes that carry on within the sub-block of the last pixel, or
// end a sub-block with it.
TEST_F(GifCodeTrimTest, AFrameIsCutAfterItsLastRowOnTheCanvas) {
    const QByteArray gif =
        gifOfFrames({8, 8}, {codedFrame({2, 2, 4, 4}, encoded(mixed(400, 4)))}, colours(4));
    EXPECT_TRUE(cutAndDrawnAlike(gif));
    // Its pixels draw two rows below its height.
    const QImage drawn = decodedWhole(gif).at(0);
    int below = 0;
    for (int x = 2; x < 6; ++x) below += drawn.pixel(x, 6) != drawn.pixel(0, 0) ? 1 : 0;
    EXPECT_GT(below, 0);

    // Codes of 3 bits, a clear every two pixels: the 24th pixel's code ends in the 14th byte, at
    // the end of a sub-block of 14 bytes, within one of 5.
    const std::vector<int> pixels = mixed(60);
    for (const int blockSize : {14, 5}) {
        const QByteArray inBlocks = gifOfFrames(
            {8, 8}, {{{2, 2, 4, 4}, std::nullopt, {}, 0, 2, gifCodes(pixels, blockSize)}});
        EXPECT_TRUE(cutAndDrawnAlike(inBlocks)) << blockSize;
    }
    // A canvas of no size, which the decoder makes as large as its first frame: a later, smaller
    // frame's pixels land down to that frame's bottom.
    EXPECT_TRUE(cutAndDrawnAlike(
        gifOfFrames({0, 0}, {codedFrame({0, 0, 4, 8}, encoded(mixed(32))),
                             codedFrame({0, 0, 4, 4}, encoded(mixed(400, 2, 3)))})));
    // A frame of no height below the canvas: none of its pixels land.
    EXPECT_TRUE(
        cutAndDrawnAlike(gifOfFrames({8, 8}, {codedFrame({2, 2, 4, 4}, encoded(mixed(16))),
                                              codedFrame({2, 10, 4, 0}, encoded(mixed(16)))})));
}

// An interlaced frame's rows past the canvas's bottom in their order may land within its height,
// higher up: they are kept, down to the frame's height. A frame on the canvas from its top, and
// one that passes its bottom.
TEST_F(GifCodeTrimTest, AnInterlacedFrameIsCutWhereItsRowsStopLanding) {
    for (const auto& [canvas, rect] : {std::pair(QSize(12, 60), QRect(1, 1, 10, 16)),
                                       std::pair(QSize(4, 8), QRect(0, 4, 4, 16))}) {
        const QByteArray gif =
            gifOfFrames(canvas, {codedFrame(rect, encoded(mixed(2000, 4)), '\x40')}, colours(4));
        EXPECT_TRUE(cutAndDrawnAlike(gif)) << rect.height();
    }
}

// Of three frames, the second carries codes for a million pixels: it alone is cut, and the
// frames are found with their delays, drawn as before.
TEST_F(GifCodeTrimTest, OnlyTheFrameThatOverrunsIsCutAndEveryFrameIsFound) {
    const auto delayed = [](int hundredths) {
        return QByteArray("\x21\xf9\x04\x00", 4).append(char(hundredths)).append("\x00\x00\x00", 3);
    };
    const QByteArray gif =
        gifOfFrames({16, 16}, {codedFrame({0, 0, 8, 8}, encoded(mixed(64)), 0, delayed(10)),
                               codedFrame({4, 4, 8, 8}, redRunCodes(1 << 20), 0, delayed(20)),
                               codedFrame({8, 8, 8, 8}, encoded(mixed(64, 2, 2)), 0, delayed(30))});
    ASSERT_TRUE(cutAndDrawnAlike(gif));
    const GifBlocks blocks = GifBlocks::read(gif);
    const QByteArray cut = GifCodeTrim::trimmed(gif);
    EXPECT_TRUE(cut.startsWith(gif.left(blocks.frames[1].dataAt)));
    EXPECT_TRUE(cut.endsWith(gif.mid(blocks.frames[2].descriptorAt - 8)));
    const GifBlocks cutBlocks = GifBlocks::read(cut);
    ASSERT_EQ(cutBlocks.frames.size(), 3u);
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_EQ(cutBlocks.frames[index].delay, blocks.frames[index].delay) << index;
        EXPECT_EQ(cutBlocks.frames[index].rect, blocks.frames[index].rect) << index;
    }

    const auto source = ImageSource::createWithData(gif);
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 3u);
    const std::vector<QImage> expected = decodedWhole(gif);
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_EQ(source->gifPropertiesAtIndex(index).unclampedDelayTime, (index + 1) / 10.0);
        const auto frame = source->createImageAtIndex(index);
        ASSERT_TRUE(frame) << index;
        EXPECT_TRUE(picturesMatch(frame->pixels(), expected[index], PictureTolerance{.levels = 0}))
            << index;
    }
}

// Bytes that end within a frame's codes, a download cut off: past its last pixel it is cut and
// ended, and drawn as before; short of it the bytes are left as they are.
TEST_F(GifCodeTrimTest, AFrameCutOffInTheMiddleOfItsCodes) {
    const QByteArray whole =
        gifOfFrames({16, 16}, {codedFrame({0, 0, 16, 16}, redRunCodes(1 << 20))});
    const qsizetype dataAt = GifBlocks::read(whole).frames.at(0).dataAt;
    const QByteArray cutOff = whole.left(dataAt + 200);
    EXPECT_TRUE(cutAndDrawnAlike(cutOff));
    const QByteArray cut = GifCodeTrim::trimmed(cutOff);
    EXPECT_TRUE(cut.endsWith('\0'));

    const QByteArray shortOfIt =
        gifOfFrames({16, 16}, {codedFrame({0, 0, 16, 16}, encoded(mixed(256)))});
    const QByteArray shortCut = shortOfIt.left(GifBlocks::read(shortOfIt).frames.at(0).dataAt + 10);
    EXPECT_TRUE(GifCodeTrim::trimmed(shortCut).isSharedWith(shortCut));
}

// The code size the walk reads the codes after the last pixel at: a full table of 12-bit codes
// kept, or cleared and grown again, a clear just before the last pixel, codes of 12 bits from the
// first.
TEST_F(GifCodeTrimTest, CodesAreCutAtTheSizeTheDecoderReadsThem) {
    const QRect frame(0, 0, 192, 192);
    const qint64 landing = 192 * 192;
    const std::vector<int> pixels = mixed(60000, 4);
    const auto full = GifLzwEncoder::encode(pixels, 2, {.clearsAFullTable = false});
    const auto before = std::count_if(full.pixelCodes.begin(), full.pixelCodes.end(),
                                      [&](const auto& code) { return code.at < landing; });
    ASSERT_TRUE(full.clears.empty() && before > 4096) << before;
    const auto cleared = GifLzwEncoder::encode(pixels, 2);
    ASSERT_TRUE(cleared.clears.size() >= 1 && cleared.clears[0].first < landing);
    const auto clearBefore = GifLzwEncoder::encode(pixels, 2, {.clearsBefore = {landing - 1}});
    const std::pair<const char*, std::vector<int>> cases[] = {
        {"a full table kept", full.codes},
        {"a full table cleared", cleared.codes},
        {"a clear before the last pixel", clearBefore.codes},
    };
    for (const auto& [what, codes] : cases) {
        EXPECT_TRUE(
            cutAndDrawnAlike(gifOfFrames({192, 192}, {codedFrame(frame, codes)}, colours(4))))
            << what;
    }
    const QByteArray wide =
        gifOfFrames({8, 8},
                    {{{0, 0, 8, 8},
                      std::nullopt,
                      {},
                      0,
                      11,
                      gifCodeData(11, GifLzwEncoder::encode(mixed(300, 256), 11).codes)}},
                    colours(256));
    EXPECT_TRUE(cutAndDrawnAlike(wide));
}

// The decoder gives up on a GIF at a code it cannot read, with the frame it was in; after its last
// pixel that can land, such a code is cut away, and every road reads the frames after it: whole,
// on a part of a huge canvas, and one by one from an image source.
TEST_F(GifCodeTrimTest, EveryRoadReadsTheFramesCut) {
    // Four red pixels, a clear, then a first code of 6, a blue pixel and 6 again: an entry
    // that is its own prefix.
    const std::vector<int> thenALoop = {C, 0, C, 0, C, 0, C, 0, C, 6, 1, 6, 0, E};
    // The frames at the canvas's bottom, so that the codes after the four pixels land nowhere.
    const auto gifAt = [&](QSize canvas, QPoint at) {
        return gifOfFrames(canvas, {codedFrame(QRect(at, QSize(1, 4)), thenALoop),
                                    codedFrame(QRect(at + QPoint(1, 0), QSize(1, 1)), {C, 0, E})});
    };
    const QByteArray small = gifAt({3, 5}, {1, 1});
    ASSERT_EQ(decodedWhole(small).size(), 1u) << "the decoder reads the second frame";
    EXPECT_EQ(decodedWhole(GifCodeTrim::trimmed(small)).size(), 2u);

    ImageReader whole(small);
    EXPECT_FALSE(whole.read().isNull());
    const QImage second = whole.read();
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second.pixel(2, 1), kRed);

    ImageReader part(gifAt({4000, 4000}, {2000, 3996}), 400 * 400);
    EXPECT_FALSE(part.read().isNull());
    const QImage partSecond = part.read();
    ASSERT_FALSE(partSecond.isNull());
    EXPECT_LT(part.decodingBytes(), 4000 * 400 * 4) << "the part's road";

    const auto source = ImageSource::createWithData(small);
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 2u);
    const auto frame = source->createImageAtIndex(1);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->pixels().pixel(2, 1), kRed);
}

}  // namespace gif_code_trim
}  // namespace
