#include "UIKitTest.h"

#include "DecodingBudgetProbes.h"
#include "TestGifs.h"

#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_source.h"

#include <array>

namespace {

using ui::ImageSource;

class ImageSourceTest : public UIKitTest {};

// A 1 x 1 GIF whose frames alternate red and blue; `delays` in hundredths of a
// second, a negative one meaning "no graphic control block".
QByteArray makeGif(const std::vector<int>& delays, int loopCount) {
    QByteArray gif("GIF89a");
    gif.append("\x01\x00\x01\x00\x80\x00\x00", 7);  // 1 x 1, a global table of two colours
    gif.append("\xff\x00\x00\x00\x00\xff", 6);      // red, blue
    if (loopCount >= 0) {
        gif.append("\x21\xff\x0b", 3);
        gif.append("NETSCAPE2.0");
        gif.append("\x03\x01", 2);
        gif.append(char(loopCount & 0xff));
        gif.append(char(loopCount >> 8));
        gif.append('\0');
    }
    for (std::size_t i = 0; i < delays.size(); ++i) {
        if (delays[i] >= 0) {
            gif.append("\x21\xf9\x04\x00", 4);
            gif.append(char(delays[i] & 0xff));
            gif.append(char(delays[i] >> 8));
            gif.append("\x00\x00", 2);
        }
        gif.append("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
        // LZW: clear, colour index 0 (red) or 1 (blue), end.
        gif.append(i % 2 ? QByteArray("\x02\x02\x4c\x01\x00", 5)
                         : QByteArray("\x02\x02\x44\x01\x00", 5));
    }
    gif.append('\x3b');
    return gif;
}

TEST_F(ImageSourceTest, GifFramesComeWithTheirDelaysAndLoopCount) {
    auto source = ImageSource::createWithData(makeGif({0, 1, 2, -1}, 3));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), ImageSource::kTypeGIF);
    ASSERT_EQ(source->count(), 4u);
    EXPECT_EQ(source->gifLoopCount(), 3);

    EXPECT_EQ(source->gifPropertiesAtIndex(0).unclampedDelayTime, 0.0);
    EXPECT_EQ(source->gifPropertiesAtIndex(0).delayTime, 0.1);  // clamped
    EXPECT_EQ(source->gifPropertiesAtIndex(1).unclampedDelayTime, 0.01);
    EXPECT_EQ(source->gifPropertiesAtIndex(1).delayTime, 0.1);
    EXPECT_EQ(source->gifPropertiesAtIndex(2).delayTime, 0.02);
    EXPECT_FALSE(source->gifPropertiesAtIndex(3).delayTime.has_value());
    EXPECT_FALSE(source->gifPropertiesAtIndex(3).unclampedDelayTime.has_value());

    // Frames in any order, each a whole picture.
    auto third = source->createImageAtIndex(2, 2);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->scale(), 2);
    EXPECT_EQ(pixelAt(*third, 0, 0), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*source->createImageAtIndex(1), 0, 0), QColor(Qt::blue));
    EXPECT_EQ(pixelAt(*source->createImageAtIndex(3), 0, 0), QColor(Qt::blue));
    EXPECT_EQ(source->createImageAtIndex(4), nullptr);

    // Decoding bytes as one image takes the first frame.
    auto still = ui::Image::imageWithData(makeGif({5, 5}, 0));
    ASSERT_TRUE(still);
    EXPECT_EQ(pixelAt(*still, 0, 0), QColor(Qt::red));
}

// The frames counted are those the decoder finds: a looping block without a loop count ends
// where its sub-blocks do, and a frame whose descriptor the bytes cut, or that follows bytes
// which are no block, is none.
TEST_F(ImageSourceTest, TheFramesCountedAreThoseTheDecoderFinds) {
    const QByteArray start = makeGif({}, -1).chopped(1);  // the header and the table
    const QByteArray red("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 15);
    const QByteArray blue("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x4c\x01\x00", 15);
    const QByteArray looping("\x21\xff\x0bNETSCAPE2.0\x00", 15);
    const std::pair<QByteArray, std::size_t> gifs[] = {
        {start + looping + red + blue + ';', 2},
        {start + red + blue.left(9), 1},
        {start + red + 'x' + blue + ';', 1},
    };
    for (const auto& [bytes, count] : gifs) {
        const auto source = ImageSource::createWithData(bytes);
        ASSERT_TRUE(source);
        EXPECT_EQ(source->count(), count) << bytes.toHex().toStdString();
        const auto last = source->createImageAtIndex(count - 1);
        ASSERT_TRUE(last);
        EXPECT_EQ(pixelAt(*last, 0, 0), count == 2 ? QColor(Qt::blue) : QColor(Qt::red));
    }
}

TEST_F(ImageSourceTest, OtherImagesHaveOneFrameAndNoGifProperties) {
    auto source = ImageSource::createWithData(
        ui::Image::imageWithColor(ui::Color::greenColor(), {3, 3})->PNGRepresentation());
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type(), ImageSource::kTypePNG);
    EXPECT_EQ(source->count(), 1u);
    EXPECT_FALSE(source->gifLoopCount().has_value());
    EXPECT_EQ(pixelAt(*source->createImageAtIndex(0), 1, 1), QColor(Qt::green));
    EXPECT_EQ(ImageSource::createWithData(QByteArray("plain text")), nullptr);
    EXPECT_EQ(ImageSource::createWithData(QByteArray()), nullptr);
    // A GIF without a looping extension has no loop count.
    EXPECT_FALSE(ImageSource::createWithData(makeGif({10}, -1))->gifLoopCount().has_value());
}

TEST_F(ImageSourceTest, ThePixelSizeComesFromTheHeader) {
    const QByteArray png =
        ui::Image::imageWithColor(ui::Color::redColor(), {7, 5})->PNGRepresentation();
    EXPECT_EQ(ImageSource::createWithData(png)->pixelSize(), (ui::Size{7, 5}));
    EXPECT_EQ(ImageSource::createWithData(makeGif({10}, 0))->pixelSize(), (ui::Size{1, 1}));
}

// A GIF on a canvas of 1,100 x 1,000 pixels (4.4 MB decoded, a share of the decoding budget),
// white, whose `count` frames each draw a square of 2 x 2 pixels, red and blue in turn, frame i
// at (3i, 0): frame i shows i + 1 squares.
QByteArray squaresOnALargeCanvas(int count) {
    std::vector<testgifs::GifFrame> frames;
    for (int frame = 0; frame < count; ++frame) {
        frames.push_back({QRect(frame * 3, 0, 2, 2), std::vector<int>(4, 1 + frame % 2)});
    }
    // A table of four colours: white (the background), red, blue, black.
    return testgifs::gifOfFrames({1100, 1000}, frames,
                                 QByteArray("\xff\xff\xff\xff\x00\x00\x00\x00\xff\x00\x00\x00", 12),
                                 0);
}

constexpr std::int64_t kLargeCanvasBytes = 1100 * 1000 * 4;

// Whether `frame` is frame `index` of squaresOnALargeCanvas.
::testing::AssertionResult isSquaresFrame(const std::shared_ptr<ui::Image>& frame, int index) {
    if (!frame) return ::testing::AssertionFailure() << "no frame " << index;
    for (int square = 0; square <= index + 1; ++square) {
        const QColor expected = square > index    ? QColor(Qt::white)
                                : square % 2 == 0 ? QColor(Qt::red)
                                                  : QColor(Qt::blue);
        const QColor seen = pixelAt(*frame, square * 3 + 1, 1);
        if (seen != expected) {
            return ::testing::AssertionFailure() << "frame " << index << ", square " << square
                                                 << ": " << seen.name().toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

// Frames asked for in turn are read with one decoder, which the decoding budget keeps between
// them with its share, so that each costs one frame's decode (uikit_gif_playback_bench). A
// frame before the one last read is read from the first again; past the last frame, and once
// the source goes, nothing is kept.
TEST_F(ImageSourceTest, FramesInTurnAreReadWithOneDecoderKeptBetweenThem) {
    using ui::DecodingBudget;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
#ifdef HOUSING_GLIBC_ALLOCATOR
    DecodingBudget::setAllocatorRule();
#endif
    auto source = ImageSource::createWithData(squaresOnALargeCanvas(4));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->count(), 4u);
    EXPECT_TRUE(isSquaresFrame(source->createImageAtIndex(0), 0));
    EXPECT_EQ(DecodingBudget::heldBytes(), kLargeCanvasBytes);
#ifdef HOUSING_GLIBC_ALLOCATOR
    // The rule of the time between decodes holds while only a kept decoder holds a share.
    EXPECT_FALSE(getsPagesOfItsOwn(16 * 1024 * 1024));
#endif

    EXPECT_TRUE(isSquaresFrame(source->createImageAtIndex(1), 1));
    EXPECT_EQ(DecodingBudget::heldBytes(), kLargeCanvasBytes);

    EXPECT_TRUE(isSquaresFrame(source->createImageAtIndex(0), 0));
    EXPECT_TRUE(isSquaresFrame(source->createImageAtIndex(2), 2));
    EXPECT_EQ(DecodingBudget::heldBytes(), kLargeCanvasBytes);
    EXPECT_TRUE(isSquaresFrame(source->createImageAtIndex(3), 3));
    EXPECT_EQ(DecodingBudget::heldBytes(), 0) << "kept past the last frame";

    EXPECT_TRUE(isSquaresFrame(source->createImageAtIndex(1), 1));
    EXPECT_EQ(DecodingBudget::heldBytes(), kLargeCanvasBytes);
    source.reset();
    EXPECT_EQ(DecodingBudget::heldBytes(), 0) << "kept after the source went";
}

// What many animations' kept decoders hold stays within the budget: a decode that waits for
// room lets go of them, the oldest first, and the animation whose decoder went reads its next
// frame from the first again. Frames of three animations asked for in turn on one thread (as
// one queue reads every animation's frames), beside a share that leaves room for two, never
// wait for one another.
TEST_F(ImageSourceTest, KeptDecodersAreLetGoOfForADecodeThatWaitsForRoom) {
    using ui::DecodingBudget;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
    const QByteArray gif = squaresOnALargeCanvas(4);
    const std::array sources = {ImageSource::createWithData(gif), ImageSource::createWithData(gif),
                                ImageSource::createWithData(gif)};
    auto held = DecodingBudget::take(DecodingBudget::kBytes - 2 * kLargeCanvasBytes);
    std::vector<std::int64_t> heldAfterEach;
    std::vector<::testing::AssertionResult> frames;
    OnAThread queue([&] {
        for (int index = 0; index < 3; ++index) {
            for (const auto& source : sources) {
                frames.push_back(isSquaresFrame(source->createImageAtIndex(index), index));
                heldAfterEach.push_back(DecodingBudget::heldBytes());
            }
        }
    });
    queue.waitForTheEnd();
    for (std::size_t read = 0; read < frames.size(); ++read) {
        EXPECT_TRUE(frames[read]) << read;
        EXPECT_LE(heldAfterEach[read], DecodingBudget::kBytes) << read;
    }
    EXPECT_EQ(heldAfterEach.back(), DecodingBudget::kBytes);
    // The two decoders still kept go for a share of the whole budget.
    held = {};
    auto large = DecodingBudget::take(DecodingBudget::kBytes);
    EXPECT_EQ(DecodingBudget::heldBytes(), DecodingBudget::kBytes);
    large = {};
    EXPECT_TRUE(isSquaresFrame(sources[0]->createImageAtIndex(3), 3));
}

}  // namespace
