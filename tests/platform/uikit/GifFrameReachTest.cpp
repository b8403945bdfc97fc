#include "UIKitTest.h"

#include "GifLzwEncoder.h"
#include "ReferenceImage.h"
#include "TestGifs.h"

#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/gif_frame_reach.h"

#include <QFile>

#include <functional>
#include <random>
#include <string_view>

namespace {

using namespace testgifs;
using ui::GifBlocks;
using ui::GifFrameReach;
using Kind = GifLzwEncoder::Kind;

class GifFrameReachTest : public UIKitTest {};

constexpr int kRed = 0, kBlue = 1;

// A colour table of 256 colours, each opaque and its own: red and blue first (blue the one
// kBlueTransparent leaves undrawn), so that whatever colour index a frame's codes give is drawn
// in a colour of its own.
QByteArray manyColours() {
    QByteArray table("\xff\x00\x00\x00\x00\xff", 6);
    for (int index = 2; index < 256; ++index) {
        table.append(char(index)).append(char(255 - index)).append(char(index * 37 % 256));
    }
    return table;
}

// Colour indices from letters: r red, t blue.
std::vector<int> pixelsOf(std::string_view letters) {
    std::vector<int> pixels;
    for (const char letter : letters) pixels.push_back(letter == 'r' ? kRed : kBlue);
    return pixels;
}

// `count` colour indices among red, blue and two others, the same on every machine: mixed
// enough that few strings repeat, so that the table fills and its codes grow.
std::vector<int> mixed(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<int> pixels;
    for (int pixel = 0; pixel < count; ++pixel) pixels.push_back(int(random() % 4));
    return pixels;
}

// `pixels`, then `count` blue ones.
std::vector<int> thenBlue(std::vector<int> pixels, int count) {
    pixels.insert(pixels.end(), std::size_t(count), kBlue);
    return pixels;
}

// The offset of the last pixel that is not blue; -1 where none is.
qint64 lastNotBlue(const std::vector<int>& pixels) {
    for (qint64 at = qint64(pixels.size()) - 1; at >= 0; --at) {
        if (pixels[std::size_t(at)] != kBlue) return at;
    }
    return -1;
}

// Where the platform's decoder changes the canvas with frame `index` of `gif`, in the shape
// GifFrameReach tells it: from the frame's corner, in its width (a column where it has none),
// down to the last pixel it changes, row by row to the canvas's bottom: its whole last row, or
// its first up to that pixel. A pixel is changed where it is not as the frame before left it, or
// for the first frame not the canvas's colour at (0, 0), which no frame of these GIFs touches.
QRect reachAsDecoded(const QByteArray& gif, std::size_t index) {
    const std::vector<QImage> frames = decodedWhole(gif);
    if (frames.size() <= index) {
        ADD_FAILURE() << "the decoder reads no frame " << index;
        return {};
    }
    const QRect frame = GifBlocks::read(gif).frames.at(index).rect;
    const QImage& canvas = frames[index];
    const auto changed = [&](int x, int y) {
        return canvas.pixel(x, y) !=
               (index > 0 ? frames[index - 1].pixel(x, y) : canvas.pixel(0, 0));
    };
    const int width = std::max(frame.width(), 1);
    QPoint last(-1, -1);
    for (int y = std::max(frame.y(), 0); y < canvas.height(); ++y) {
        for (int x = frame.x(); x < std::min(frame.x() + width, canvas.width()); ++x) {
            if (changed(x, y)) last = {x, y};
        }
    }
    if (last.y() < 0) return {};
    return last.y() == frame.y() ? QRect(frame.topLeft(), last)
                                 : QRect(frame.x(), frame.y(), width, last.y() - frame.y() + 1);
}

// What GifFrameReach tells of frame `index` of `gif`.
QRect reachOf(const QByteArray& gif, std::size_t index = 0) {
    const GifBlocks blocks = GifBlocks::read(gif);
    if (blocks.frames.size() <= index) {
        ADD_FAILURE() << "the blocks hold no frame " << index;
        return {};
    }
    return GifFrameReach::onCanvas(gif, blocks.frames[index], blocks.canvas);
}

// A GIF of a column of `rows` pixels at (1, 1), one a row, its data `data`, on a canvas of 3 x
// (rows + 3) of manyColours(); `before` the blocks before it (blue its transparent colour),
// `after` the frames after it.
QByteArray columnGif(int rows, int codeSize, const QByteArray& data,
                     const std::vector<GifFrame>& after = {},
                     const QByteArray& before = kBlueTransparent) {
    std::vector<GifFrame> frames = {
        {QRect(1, 1, 1, rows), std::nullopt, before, 0, char(codeSize), data}};
    frames.insert(frames.end(), after.begin(), after.end());
    return gifOfFrames(QSize(3, rows + 3), frames, manyColours());
}

// A general encoder's codes as the decoder reads them: codes that grow to 12 bits, a full table
// cleared or kept, a clear after the codes grew, strings of the table, codes just past it, long
// strings. Each frame is a column, a pixel a row, so that its reach's last row is its last
// pixel drawn: one taken too early or too late shows. The decoder reads the codes as written.
TEST_F(GifFrameReachTest, AGeneralEncodersCodesReachTheirLastPixelDrawn) {
    using Encoded = GifLzwEncoder::Encoded;
    // Whether the code that gives pixel `last` is of `kind` and gives it last.
    const auto givenLastBy = [](const Encoded& encoded, qint64 last, Kind kind) {
        const auto& code = encoded.giving(last);
        return code.kind == kind && code.at + code.length - 1 == last;
    };
    const struct {
        const char* what;
        std::vector<int> pixels;
        // That the codes are of the shape named.
        std::function<bool(const Encoded&, qint64 last)> shaped;
        GifLzwEncoder::Options options = {};
        int codeSize = 2;
    } shapes[] = {
        {"codes growing to 12 bits, the full table cleared, growing again",
         thenBlue(mixed(30000, 1), 40),
         [](const Encoded& encoded, qint64 last) {
             return encoded.widest == 12 && encoded.clears.size() == 1 &&
                    encoded.clears[0].second == 12 && last - encoded.clears[0].first > 5000;
         }},
        {"a clear asked for once the codes were 8 bits wide, growing again",
         thenBlue(mixed(1000, 2), 5),
         [](const Encoded& encoded, qint64 last) {
             return encoded.clears.size() == 1 && encoded.clears[0].second == 8 &&
                    last - encoded.clears[0].first > 400;
         },
         {.clearsBefore = {500}}},
        {"a full table not cleared: 12-bit codes of its strings go on",
         thenBlue(mixed(30000, 3), 40),
         [](const Encoded& encoded, qint64) {
             return encoded.widest == 12 && encoded.clears.empty() &&
                    encoded.pixelCodes.size() > 4096 + 1000;
         },
         {.clearsAFullTable = false}},
        {"a run of one colour: strings up to 99 pixels, each the code just past the table",
         thenBlue(std::vector<int>(99 * 100 / 2, kRed), 3),
         [&](const Encoded& encoded, qint64 last) {
             return encoded.longest() == 99 && givenLastBy(encoded, last, Kind::PastTheTable);
         }},
        {"a code just past the table appending its first pixel, drawn, after a blue one",
         pixelsOf("rtrtrtr"
                  "tttttt"),
         [&](const Encoded& encoded, qint64 last) {
             return givenLastBy(encoded, last, Kind::PastTheTable) &&
                    encoded.giving(last).length == 3;
         }},
        {"a string of the table whose last pixel alone is drawn",
         pixelsOf("trtr"
                  "tttttt"),
         [&](const Encoded& encoded, qint64 last) {
             return givenLastBy(encoded, last, Kind::String) && encoded.giving(last).length == 2;
         }},
        // The code before the clear began with a blue pixel.
        {"after a clear, a first code and the code just past the table",
         pixelsOf("tttttt"
                  "rrr"
                  "ttt"),
         [&](const Encoded& encoded, qint64 last) {
             return givenLastBy(encoded, last, Kind::PastTheTable) &&
                    encoded.giving(encoded.giving(last).at - 1).kind == Kind::FirstAfterClear;
         },
         {.clearsBefore = {6}}},
        {"after a clear, a first code drawn and no more",
         pixelsOf("ttt"
                  "rtttt"),
         [&](const Encoded& encoded, qint64 last) {
             return givenLastBy(encoded, last, Kind::FirstAfterClear);
         },
         {.clearsBefore = {3}}},
        {"codes of 12 bits from the first: a code size of 11",
         thenBlue(mixed(3000, 4), 10),
         [](const Encoded& encoded, qint64) {
             return encoded.widest == 12 && encoded.clears.empty();
         },
         {},
         11},
    };
    for (const auto& [what, pixels, shaped, options, codeSize] : shapes) {
        const auto encoded = GifLzwEncoder::encode(pixels, codeSize, options);
        const qint64 last = lastNotBlue(pixels);
        ASSERT_TRUE(shaped(encoded, last))
            << what << ": widest " << encoded.widest << ", clears " << encoded.clears.size()
            << " first at " << (encoded.clears.empty() ? -1 : encoded.clears[0].first) << " of "
            << (encoded.clears.empty() ? -1 : encoded.clears[0].second) << " bits, last " << last;
        const QByteArray gif =
            columnGif(int(pixels.size()), codeSize, gifCodeData(codeSize, encoded.codes));
        const QRect reach(1, 1, 1, int(last) + 1);
        ASSERT_EQ(reachAsDecoded(gif, 0), reach) << what << ": the decoder reads other pixels";
        EXPECT_EQ(reachOf(gif), reach) << what;
    }
}

// The codes of GIFs that general encoders made (gifs/README.md): growing to 12 bits, their full
// table cleared, strings of a run, codes just past the table, interlaced; the last rows of their
// frames of the transparent colour. Each frame's reach ends at the last pixel the decoder draws,
// or for the interlaced one holds all it draws.
TEST_F(GifFrameReachTest, CodesOfGeneralEncodersReachTheirLastPixelDrawn) {
    for (const char* name :
         {"noise-imagemagick.gif", "noise-gifsicle.gif", "noise-interlaced-imagemagick.gif"}) {
        QFile file(referenceImagePath(QStringLiteral("platform/uikit/gifs"), QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray gif = file.readAll();
        const GifBlocks blocks = GifBlocks::read(gif);
        ASSERT_EQ(blocks.frames.size(), 1u) << name;
        const QRect& frame = blocks.frames[0].rect;
        const QRect decoded = reachAsDecoded(gif, 0);
        ASSERT_LT(decoded.height(), frame.height()) << name << ": no rows are transparent";
        if (blocks.frames[0].interlaced) {
            EXPECT_TRUE(decoded.height() > 1 && reachOf(gif).contains(decoded)) << name;
        } else {
            EXPECT_EQ(reachOf(gif), decoded) << name;
        }
    }
}

// Codes end where the decoder stops reading them: at the empty sub-block though no end code came
// (what follows is other blocks), at the end of the bytes though neither came, at a string that
// would never end (an entry that is its own prefix, which only a first code after a clear that
// is no colour can make).
TEST_F(GifFrameReachTest, CodesEndWhereTheDecoderStopsReadingThem) {
    const std::vector<int> pixels = pixelsOf(
        "rrtrttrrtr"
        "tttt");
    const QByteArray noEndCode =
        gifCodeData(2, GifLzwEncoder::encode(pixels, 2, {.endCode = false}).codes);
    // A comment of bytes that, read as codes, would draw.
    QByteArray comment("\x21\xfe\x20", 3);
    comment.append(QByteArray(32, '\xff')).append('\0');
    const QByteArray beforeOtherBlocks =
        columnGif(14, 2, noEndCode, {{QRect(2, 1, 1, 1), {}, comment}});
    const QByteArray cutOff = columnGif(14, 2, noEndCode.chopped(1)).chopped(1);
    // Its first code, colour 6, then a blue pixel, which makes the entry 6 of 6 and blue; then
    // 6, and red pixels that are never read.
    constexpr int C = kClearCode, E = kEndCode;
    const QByteArray loop = columnGif(8, 2, gifCodeData(2, {C, 6, kBlue, 6, kRed, kRed, kRed, E}));
    const std::pair<const char*, QByteArray> cases[] = {
        {"no end code, then other blocks", beforeOtherBlocks},
        {"neither an end code nor an empty sub-block before the bytes end", cutOff},
    };
    // The bits that fill out the codes' last byte make one more code: red, past the frame's
    // height.
    for (const auto& [what, gif] : cases) {
        ASSERT_EQ(reachAsDecoded(gif, 0), QRect(1, 1, 1, 15)) << what;
        EXPECT_EQ(reachOf(gif), QRect(1, 1, 1, 15)) << what;
    }
    ASSERT_EQ(reachAsDecoded(loop, 0), QRect(1, 1, 1, 1));
    EXPECT_EQ(reachOf(loop), QRect(1, 1, 1, 1));
}

// The blocks around a frame's codes, read as the decoder reads them: what becomes of its
// rectangle after it (disposal 0 to 3), a graphic control block too short to name its
// transparent colour, a colour table of its own, bytes that end before its codes.
TEST_F(GifFrameReachTest, TheBlocksAroundAFramesCodesAreReadAsTheDecoderReadsThem) {
    constexpr int C = kClearCode, E = kEndCode;
    const QByteArray nothing = gifCodeData(2, {C, E});
    const QByteArray twoRed = gifCodeData(2, GifLzwEncoder::encode(pixelsOf("rr")).codes);
    // A frame that draws nothing between two red ones, its rectangle restored at the next
    // frame to the background (2), to what it covered (3), or left (0, 1). Restored to the
    // background, as its block leaves no colour transparent, it changes wherever it drew or
    // not, blue over the transparent canvas; restored to what it covered it changes nothing it
    // did not draw, but the reach takes the rectangle of either.
    const QRect drawsNothing(4, 1, 6, 5);
    for (const int disposal : {0, 1, 2, 3}) {
        QByteArray block("\x21\xf9\x04", 3);
        block.append(char(disposal << 2)).append("\x00\x00\x00\x00", 4);
        const QByteArray gif =
            gifOfFrames({16, 8},
                        {{QRect(1, 1, 1, 2), std::nullopt, kBlueTransparent, 0, 2, twoRed},
                         {drawsNothing, std::nullopt, block, 0, 2, nothing},
                         {QRect(12, 1, 1, 2), std::nullopt, {}, 0, 2, twoRed}},
                        manyColours());
        EXPECT_EQ(GifBlocks::read(gif).frames.at(1).restoresItsRect, disposal >= 2) << disposal;
        EXPECT_EQ(reachOf(gif, 1), disposal >= 2 ? drawsNothing : QRect()) << disposal;
        const std::vector<QImage> decoded = decodedWhole(gif);
        ASSERT_EQ(decoded.size(), 3u);
        EXPECT_EQ(decoded[2].pixel(6, 3) != decoded[1].pixel(6, 3), disposal == 2) << disposal;
    }

    // A block of 3 bytes whose flags say a transparent colour leaves none undrawn: the blue
    // pixels are drawn, and the red ones after them.
    const QByteArray shortBlock =
        columnGif(4, 2, gifCodeData(2, GifLzwEncoder::encode(pixelsOf("ttrr")).codes), {},
                  QByteArray("\x21\xf9\x03\x01\x00\x00\x00", 7));
    EXPECT_FALSE(GifBlocks::read(shortBlock).frames.at(0).transparentIndex.has_value());
    ASSERT_EQ(reachAsDecoded(shortBlock, 0), QRect(1, 1, 1, 4));
    EXPECT_EQ(reachOf(shortBlock), QRect(1, 1, 1, 4));

    // A frame with a table of 32 colours of its own, then one without.
    const QByteArray ownTable =
        gifOfFrames({5, 8},
                    {{QRect(1, 1, 1, 4), std::nullopt, kBlueTransparent, '\x84', 2,
                      gifCodeData(2, GifLzwEncoder::encode(pixelsOf("rrrt")).codes),
                      manyColours().left(3 * 32)},
                     {QRect(3, 1, 1, 2), std::nullopt, {}, 0, 2, twoRed}},
                    manyColours());
    for (const auto& [index, reach] :
         {std::pair(0, QRect(1, 1, 1, 3)), std::pair(1, QRect(3, 1, 1, 2))}) {
        ASSERT_EQ(reachAsDecoded(ownTable, index), reach) << index;
        EXPECT_EQ(reachOf(ownTable, index), reach) << index;
    }

    // Bytes that end after a frame's descriptor, before its codes or within its own colour
    // table: the decoder draws no such frame.
    for (const char flags : {'\0', '\x84'}) {
        const QByteArray whole =
            gifOfFrames({5, 8},
                        {{QRect(1, 1, 1, 2), std::nullopt, kBlueTransparent, 0, 2, twoRed},
                         {QRect(3, 1, 1, 2),
                          std::nullopt,
                          {},
                          flags,
                          2,
                          twoRed,
                          flags ? manyColours().left(3 * 32) : QByteArray()}},
                        manyColours());
        const QByteArray cut = whole.left(GifBlocks::read(whole).frames.at(1).descriptorAt + 10);
        ASSERT_EQ(GifBlocks::read(cut).frames.size(), 2u) << int(flags);
        EXPECT_EQ(decodedWhole(cut).size(), 1u) << int(flags);
        EXPECT_EQ(reachOf(cut, 1), QRect()) << int(flags);
    }
}

// An interlaced frame's rows land out of their order: the decoder copies each row of its first
// passes down over the rows to come where no colour is transparent, and lays the rows past its
// height every second row. The reach holds all it draws, as the part's rule takes it: once an
// interlaced frame draws, its whole rectangle, and past its height 2r + 3 rows for its row r.
TEST_F(GifFrameReachTest, AnInterlacedFrameReachesWhereItsRowsLand) {
    const QRect frame(1, 1, 10, 16);
    const struct {
        const char* what;
        int pixels;
        QRect reach;
    } cases[] = {
        {"codes that stop in its first row", 3, frame},
        {"four rows of its first passes", 40, frame},
        {"codes past its height", 200, QRect(1, 1, 10, 2 * 19 + 3)},
    };
    for (const QByteArray& before : {QByteArray(), kBlueTransparent}) {
        for (const auto& [what, pixels, reach] : cases) {
            const QByteArray gif = gifOfFrames(
                {12, 60},
                {{frame, std::nullopt, before, '\x40', 2,
                  gifCodeData(
                      2,
                      GifLzwEncoder::encode(std::vector<int>(std::size_t(pixels), kRed)).codes)}},
                manyColours());
            const QImage decoded = decodedWhole(gif).at(0);
            QRect drawn;
            for (int y = 0; y < decoded.height(); ++y) {
                for (int x = 0; x < decoded.width(); ++x) {
                    if (decoded.pixel(x, y) != decoded.pixel(0, 0)) drawn |= QRect(x, y, 1, 1);
                }
            }
            ASSERT_FALSE(drawn.isEmpty()) << what;
            EXPECT_TRUE(reach.contains(drawn)) << what << before.size();
            EXPECT_EQ(reachOf(gif), reach) << what << before.size();
        }
    }
}

}  // namespace
