#include "UIKitTest.h"

#include "ReferenceImage.h"
#include "TestGifs.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/image_source.h"

#include <QFile>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

namespace {
// The helpers' own namespace: the test program compiles this file in one unit with others.
namespace gif_decoding {

using testgifs::decodedWhole;
using ui::Image;
using ui::ImageReader;
using ui::ImageSource;

class GifDecodingTest : public UIKitTest {};

constexpr QRgb kBlue = 0xff0000ff, kGreen = 0xff00ff00, kRed = 0xffff0000, kWhite = 0xffffffff;
constexpr QRgb kOrange = 0xffff8000;

// A colour table's bytes, filled to `size` entries with black.
QByteArray colourTable(const std::vector<QRgb>& colours, int size) {
    QByteArray table;
    for (int index = 0; index < size; ++index) {
        const QRgb colour = index < int(colours.size()) ? colours[std::size_t(index)] : 0;
        table.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    }
    return table;
}

// A frame of a test GIF: its rectangle, the colour index of each of its pixels, its own table
// of eight colours where it has one, and the blocks before it.
struct Frame {
    QRect rect;
    int index = 0;
    std::vector<QRgb> ownTable = {};
    QByteArray before = {};
};

// A GIF on `canvas` whose global table holds `colours` (eight entries), its background colour
// index `background`, with `frames`; codes of four bits, a clear before every pixel, so that the
// decoder's table never grows.
QByteArray gifOf(QSize canvas, const std::vector<QRgb>& colours, int background,
                 const std::vector<Frame>& frames) {
    std::vector<testgifs::GifFrame> gifFrames;
    for (const Frame& frame : frames) {
        std::vector<int> codes;
        for (int pixel = 0; pixel < frame.rect.width() * frame.rect.height(); ++pixel) {
            codes.insert(codes.end(), {testgifs::kClearCode, frame.index});
        }
        codes.push_back(testgifs::kEndCode);
        const bool ownTable = !frame.ownTable.empty();
        gifFrames.push_back({frame.rect, std::nullopt, frame.before, ownTable ? '\x82' : '\0', 3,
                             testgifs::gifCodeData(3, codes),
                             ownTable ? colourTable(frame.ownTable, 8) : QByteArray()});
    }
    return testgifs::gifOfFrames(canvas, gifFrames, colourTable(colours, 8), background);
}

// Frees blocks of `bytes` bytes filled with 0x5a, which the allocator hands out again first:
// a colour table of that size that the decoder reads before it writes it then reads 0x5a past
// the few bytes the allocator keeps in a free block, and never what it read the time before.
void leaveFreedBlocksOf(std::size_t bytes) {
    static void* volatile blocks[8];
    for (auto& block : blocks) {
        void* const taken = std::malloc(bytes);
        std::memset(taken, 0x5a, bytes);
        block = taken;
    }
    for (auto& block : blocks) std::free(block);
}

int pixelsOfColour(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour ? 1 : 0;
    }
    return count;
}

// Qt's reader fills the canvas around a first frame that has a colour table of its own with the
// background colour looked up in that table before it has read it: memory not written, a
// colour that changes from decode to decode. The canvas around it is the logical screen's
// background colour, as around a first frame without a table: on the whole canvas and on a part
// of it, in the first frame and in every later one.
TEST_F(GifDecodingTest, TheCanvasAroundAFirstFrameWithATableOfItsOwnIsTheScreensBackground) {
    // 8 x 8, a global table {blue, green}, background 1; a frame of 4 x 4 at (0, 0) with a
    // table of its own {red, white}, red and white in a checkerboard.
    const QByteArray ownTable = QByteArray::fromHex(
        "47494638376108000800800100"
        "0000ff00ff00"
        "2c000000000400040080"
        "ff0000ffffff"
        "0205447c67b805003b");
    ASSERT_EQ(ownTable.size(), 44);
    for (int round = 0; round < 3; ++round) {
        leaveFreedBlocksOf(3 * sizeof(QRgb));
        const auto image = Image::imageWithData(ownTable);
        ASSERT_TRUE(image) << round;
        const QImage& pixels = image->pixels();
        ASSERT_EQ(pixels.size(), QSize(8, 8));
        EXPECT_EQ(pixelsOfColour(pixels, kRed), 8) << round;
        EXPECT_EQ(pixelsOfColour(pixels, kWhite), 8) << round;
        EXPECT_EQ(pixelsOfColour(pixels, kGreen), 48)
            << round << ": " << QString::number(pixels.pixel(7, 7), 16).toStdString();
    }

    // Tables of eight colours, the background's index 5 (orange): past the bytes the allocator
    // keeps in a free block. A first frame of white from its own table at (2, 2), then a blue
    // one from the global table at (0, 0).
    const std::vector<QRgb> global = {kBlue, kRed, kWhite, 0, 0, kOrange};
    const std::vector<QRgb> own = {kGreen, kWhite};
    const std::vector<Frame> frames = {{QRect(2, 2, 4, 4), 1, own}, {QRect(0, 0, 2, 2), 0}};
    const auto source = ImageSource::createWithData(gifOf({8, 8}, global, 5, frames));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 2u);
    for (std::size_t index = 0; index < 2; ++index) {
        leaveFreedBlocksOf(9 * sizeof(QRgb));
        const auto frame = source->createImageAtIndex(index);
        ASSERT_TRUE(frame) << index;
        EXPECT_EQ(pixelsOfColour(frame->pixels(), kWhite), 16) << index;
        EXPECT_EQ(pixelsOfColour(frame->pixels(), kBlue), index == 0 ? 0 : 4) << index;
        EXPECT_EQ(pixelsOfColour(frame->pixels(), kOrange), index == 0 ? 48 : 44) << index;
    }

    // On a canvas of 3,000 x 3,000 within 2,048 x 2,048, taken on the part the frames change.
    std::vector<Frame> inAPart = frames;
    for (Frame& frame : inAPart) frame.rect.translate(1500, 1500);
    ImageReader reader(gifOf({3000, 3000}, global, 5, inAPart));
    for (int index = 0; index < 2; ++index) {
        leaveFreedBlocksOf(9 * sizeof(QRgb));
        const QImage read = reader.read();
        ASSERT_EQ(read.size(), QSize(2048, 2048)) << index;
        EXPECT_LT(reader.decodingBytes(), 2 * 2048 * 2048 * 4) << "the part's road";
        for (const QPoint at : {QPoint(0, 0), QPoint(2047, 2047), QPoint(1022, 1022)}) {
            EXPECT_EQ(read.pixel(at), kOrange) << index << ", " << at.x();
        }
    }
}

// What the first frame's graphic control block says of it holds where that frame has a table of
// its own: its rectangle is restored after it, to the background (the colour of the background's
// index in its table, as Qt's reader restores any frame with a table) or to what it covered (the
// screen's background, filled around it).
TEST_F(GifDecodingTest, AFirstFrameWithATableOfItsOwnIsRestoredAsItsBlockSays) {
    const std::vector<QRgb> global = {kBlue, kRed, kWhite, 0, 0, kOrange};
    const std::vector<QRgb> own = {kGreen, kWhite, 0, 0, 0, kRed};
    const std::tuple<const char*, QByteArray, QRgb> disposals[] = {
        {"to the background", QByteArray("\x21\xf9\x04\x08\x07\x00\x00\x00", 8), kRed},
        {"to what it covered", QByteArray("\x21\xf9\x04\x0c\x07\x00\x00\x00", 8), kOrange},
    };
    for (const auto& [what, block, restored] : disposals) {
        const std::vector<Frame> frames = {{QRect(2, 2, 4, 4), 1, own, block},
                                           {QRect(0, 0, 2, 2), 0}};
        const auto source = ImageSource::createWithData(gifOf({8, 8}, global, 5, frames));
        ASSERT_TRUE(source) << what;
        ASSERT_EQ(source->count(), 2u) << what;
        EXPECT_EQ(source->gifPropertiesAtIndex(0).unclampedDelayTime, 0.07) << what;
        const auto first = source->createImageAtIndex(0);
        const auto second = source->createImageAtIndex(1);
        ASSERT_TRUE(first && second) << what;
        EXPECT_EQ(pixelsOfColour(first->pixels(), kWhite), 16) << what;
        EXPECT_EQ(pixelsOfColour(first->pixels(), kOrange), 48) << what;
        const QImage& pixels = second->pixels();
        EXPECT_EQ(pixelsOfColour(pixels, kBlue), 4) << what;
        EXPECT_EQ(pixelsOfColour(pixels, restored), restored == kOrange ? 60 : 16) << what;
        EXPECT_EQ(pixels.pixel(3, 3), restored) << what;
    }
}

// Where a transparent colour is in force for the first frame (though its block is too short to
// tell which), the canvas around it is transparent, as Qt's reader draws it, whatever the
// frame's table.
TEST_F(GifDecodingTest, TheCanvasAroundAFirstFrameUnderATransparentColourIsTransparent) {
    const std::vector<QRgb> global = {kBlue, kRed, kWhite, 0, 0, kOrange};
    const std::pair<const char*, QByteArray> blocks[] = {
        {"a whole block", QByteArray("\x21\xf9\x04\x01\x00\x00\x07\x00", 8)},
        {"a block of its flags alone", QByteArray("\x21\xf9\x01\x01\x00", 5)},
    };
    for (const auto& [what, block] : blocks) {
        const QByteArray gif =
            gifOf({8, 8}, global, 5, {{QRect(2, 2, 4, 4), 1, {kGreen, kWhite}, block}});
        const std::vector<QImage> byQt = decodedWhole(gif);
        ASSERT_EQ(byQt.size(), 1u) << what;
        const auto image = Image::imageWithData(gif);
        ASSERT_TRUE(image) << what;
        EXPECT_TRUE(picturesMatch(image->pixels(), byQt.front(), PictureTolerance{.levels = 0}))
            << what;
        EXPECT_EQ(image->pixels().pixel(0, 0), 0u) << what;
        EXPECT_EQ(image->pixels().pixel(3, 3), kWhite) << what;
    }
}

QByteArray testGif(const char* name) {
    QFile file(
        referenceImagePath(QStringLiteral("platform/uikit/gifs"), QString::fromLatin1(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// GIFs written by general encoders (gifs/README.md tells how each was made) decode as Qt's
// reader draws them, to the level, frame by frame, read in order or asked for in any order; and
// where the first frame has a colour table of its own and leaves canvas, as Qt's reader draws
// them when it has none. Their frames, delays and loop counts come through the image source.
TEST_F(GifDecodingTest, GifsOfGeneralEncodersDecodeAsQtsReaderDrawsThem) {
    const struct {
        const char* name;
        std::vector<int> delays;
        std::optional<int> loopCount;
    } files[] = {
        {"magick-optimized.gif", {12, 12, 12, 12}, 2},
        {"magick-disposals.gif", {10, 20, 15, 25}, 0},
        {"pillow-palettes.gif", {5, 12, 7, 3}, 2},
        {"gifsicle-interlaced-disposals.gif", {8, 12, 9}, 0},
        {"gifsicle-first-frame-own-table.gif", {30, 20, 40}, 5},
    };
    constexpr PictureTolerance kExact{.levels = 0};
    for (const auto& [name, delays, loopCount] : files) {
        const QByteArray gif = testGif(name);
        ASSERT_FALSE(gif.isEmpty()) << name;
        const std::vector<QImage> expected = decodedWhole(gif);
        ASSERT_EQ(expected.size(), delays.size()) << name;

        ImageReader reader(gif);
        for (std::size_t index = 0; index < expected.size(); ++index) {
            leaveFreedBlocksOf(257 * sizeof(QRgb));
            EXPECT_TRUE(picturesMatch(reader.read(), expected[index], kExact)) << name << index;
        }
        EXPECT_TRUE(reader.read().isNull()) << name;

        const auto source = ImageSource::createWithData(gif);
        ASSERT_TRUE(source) << name;
        ASSERT_EQ(source->count(), delays.size()) << name;
        EXPECT_EQ(source->gifLoopCount(), loopCount) << name;
        for (std::size_t index = 0; index < delays.size(); ++index) {
            EXPECT_EQ(source->gifPropertiesAtIndex(index).unclampedDelayTime, delays[index] / 100.0)
                << name << index;
        }
        // The last, then each in turn.
        const auto last = source->createImageAtIndex(expected.size() - 1);
        ASSERT_TRUE(last) << name;
        EXPECT_TRUE(picturesMatch(last->pixels(), expected.back(), kExact)) << name;
        for (std::size_t index = 0; index < expected.size(); ++index) {
            const auto frame = source->createImageAtIndex(index);
            ASSERT_TRUE(frame) << name << index;
            EXPECT_TRUE(picturesMatch(frame->pixels(), expected[index], kExact)) << name << index;
        }
    }
    // The canvas around gifsicle's first frame is the global table's colour 169.
    const auto first = Image::imageWithData(testGif("gifsicle-first-frame-own-table.gif"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->pixels().pixel(0, 0), 0xff64e41eu);
    EXPECT_EQ(first->pixels().pixel(29, 19), 0xff64e41eu);
}

}  // namespace gif_decoding
}  // namespace
