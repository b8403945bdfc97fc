#include "BundleTest.h"
#include "ImageSamples.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_source.h"
#include "ui/image/NSData+ImageContentType.h"
#include "ui/image/UIImage+GIF.h"
#include "ui/image/UIImage+MultiFormat.h"

#include <QFile>

namespace {

using ImageContentType::ik_contentTypeForImageData;
using ImageMultiFormat::ik_imageWithData;

QColor colourAt(const ui::Image& image, int x, int y) {
    return QColor::fromRgba(image.pixels().pixel(x, y));
}

class ImageDecodingTest : public BundleTest {};

TEST_F(ImageDecodingTest, SniffingGoesByTheFirstByteAndAWholeWebPHeader) {
    EXPECT_EQ(ik_contentTypeForImageData(QByteArray("\xff\xd8", 2)), "image/jpeg");
    EXPECT_EQ(ik_contentTypeForImageData(QByteArray("\x89", 1)), "image/png");
    EXPECT_EQ(ik_contentTypeForImageData("GIF"), "image/gif");
    EXPECT_EQ(ik_contentTypeForImageData("II*"), "image/tiff");
    EXPECT_EQ(ik_contentTypeForImageData("MM"), "image/tiff");
    EXPECT_EQ(ik_contentTypeForImageData("RIFF\x10\x20\x30\x40WEBPVP8"), "image/webp");
    // The size bytes may be anything, even bytes that are no ASCII.
    EXPECT_EQ(ik_contentTypeForImageData(QByteArray("RIFF\xff\xfe\x00\x01WEBP", 12)), "image/webp");
    EXPECT_TRUE(ik_contentTypeForImageData("RIFF\x10\x20\x30\x40WAVE").isNull());
    EXPECT_TRUE(ik_contentTypeForImageData("RIFF1234WEB").isNull());  // 11 bytes
    EXPECT_TRUE(ik_contentTypeForImageData("<html>").isNull());
    EXPECT_TRUE(ik_contentTypeForImageData(QByteArray()).isNull());
}

TEST_F(ImageDecodingTest, EveryFormatTheServersSendDecodes) {
    const QImage picture = samples::solid(6, 4, Qt::red);
    for (const char* format : {"png", "jpeg", "bmp", "tiff", "webp"}) {
        const auto image = ik_imageWithData(samples::encoded(picture, format));
        ASSERT_TRUE(image) << format;
        EXPECT_EQ(image->size(), (ui::Size{6, 4})) << format;
        EXPECT_EQ(colourAt(*image, 2, 2).red() > 200, true) << format;
    }
}

TEST_F(ImageDecodingTest, TheImageSourceKnowsTiffAndWebPAndReadsTheRecordedOrientation) {
    const QImage picture = samples::solid(6, 4, Qt::red);
    EXPECT_EQ(ui::ImageSource::createWithData(samples::encoded(picture, "tiff"))->type(),
              ui::ImageSource::kTypeTIFF);
    EXPECT_EQ(ui::ImageSource::createWithData(samples::encoded(picture, "webp"))->type(),
              ui::ImageSource::kTypeWebP);
    EXPECT_EQ(ui::ImageSource::createWithData(
                  samples::encoded(picture, "tiff", QImageIOHandler::TransformationRotate270))
                  ->orientation(),
              8);
    EXPECT_EQ(ui::ImageSource::createWithData(samples::encoded(picture, "png"))->orientation(), 1);
}

TEST_F(ImageDecodingTest, BytesThatAreNoPictureGiveNothing) {
    EXPECT_EQ(ik_imageWithData(QByteArray()), nullptr);
    EXPECT_EQ(ik_imageWithData("<html><body>not found</body></html>"), nullptr);
    // A PNG cut off in its header, and a "GIF" of nothing but its signature.
    const QByteArray png = samples::encoded(samples::solid(8, 8, Qt::red), "png");
    EXPECT_EQ(ik_imageWithData(png.left(20)), nullptr);
    EXPECT_EQ(ik_imageWithData("GIF89a"), nullptr);
}

TEST_F(ImageDecodingTest, TheRecordedOrientationTurnsThePicture) {
    const QByteArray turned =
        samples::withExifOrientation(samples::encoded(samples::solid(6, 4, Qt::green), "jpeg"), 6);
    EXPECT_EQ(ImageMultiFormat::ik_imageOrientationFromImageData(turned),
              ui::ImageOrientation::Right);
    const auto image = ik_imageWithData(turned);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->imageOrientation(), ui::ImageOrientation::Right);
    EXPECT_EQ(image->size(), (ui::Size{4, 6}));
    EXPECT_EQ(ImageMultiFormat::ik_imageOrientationFromImageData("garbage"),
              ui::ImageOrientation::Up);
}

TEST_F(ImageDecodingTest, ExifNumbersMapToThePlatformsOrientations) {
    using ui::ImageOrientation;
    const ImageOrientation expected[] = {ImageOrientation::Up,
                                         ImageOrientation::UpMirrored,
                                         ImageOrientation::Down,
                                         ImageOrientation::DownMirrored,
                                         ImageOrientation::LeftMirrored,
                                         ImageOrientation::Right,
                                         ImageOrientation::RightMirrored,
                                         ImageOrientation::Left};
    for (int exif = 1; exif <= 8; ++exif) {
        EXPECT_EQ(ImageMultiFormat::ik_exifOrientationToiOSOrientation(exif), expected[exif - 1]);
    }
    EXPECT_EQ(ImageMultiFormat::ik_exifOrientationToiOSOrientation(0), ImageOrientation::Up);
    EXPECT_EQ(ImageMultiFormat::ik_exifOrientationToiOSOrientation(9), ImageOrientation::Up);
}

TEST_F(ImageDecodingTest, GifDelaysBelowTheFloorPlayAsATenthOfASecond) {
    const auto image = ik_imageWithData(samples::gif({0, 1, 2, 50}));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->images().size(), 4u);
    const auto source = ui::ImageSource::createWithData(samples::gif({0, 1, 2, 50}));
    EXPECT_DOUBLE_EQ(ImageGIF::ik_frameDurationAtIndex(0, *source), 0.1);
    EXPECT_DOUBLE_EQ(ImageGIF::ik_frameDurationAtIndex(1, *source), 0.1);
    EXPECT_DOUBLE_EQ(ImageGIF::ik_frameDurationAtIndex(2, *source), 0.02);
    EXPECT_DOUBLE_EQ(ImageGIF::ik_frameDurationAtIndex(3, *source), 0.5);
    EXPECT_DOUBLE_EQ(image->duration(), 0.1 + 0.1 + 0.02 + 0.5);
    // Frames without any delay play 0.1 s each.
    const auto undelayed = ui::ImageSource::createWithData(samples::gif({-1, -1}));
    EXPECT_DOUBLE_EQ(ImageGIF::ik_frameDurationAtIndex(1, *undelayed), 0.1);
    // Frames at the screen's scale, in order.
    EXPECT_EQ(image->images()[0]->scale(), 2);
    EXPECT_EQ(colourAt(*image->images()[1], 1, 1), QColor(Qt::blue));
}

TEST_F(ImageDecodingTest, AOneFrameGifIsAStillImage) {
    const auto image = ik_imageWithData(samples::gif({10}));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->images().empty());
    EXPECT_EQ(image->duration(), 0);
}

TEST_F(ImageDecodingTest, AGifCutOffMidwayKeepsTheFramesBeforeTheCut) {
    const QByteArray whole = samples::gif({10, 10, 10});
    const auto source = ui::ImageSource::createWithData(whole);
    ASSERT_EQ(source->count(), 3u);
    // Cut inside the last frame's pixels: the frames before it still play.
    const auto cut = ik_imageWithData(whole.left(whole.size() - 8));
    ASSERT_TRUE(cut);
    EXPECT_GE(cut->images().size(), 2u);
}

TEST_F(ImageDecodingTest, TinyFramesOnAHugeCanvasStopAtTheMemoryBudget) {
    // A 3000 x 3000 canvas (36 MB a frame decoded whole) and five frames of 2 x 2 pixels: a
    // few hundred bytes that would decode to 180 MB. Each frame comes within the decoding
    // bound, 2048 x 2048 (16 MB), and four of them fill the animation's budget.
    QByteArray bomb("GIF89a\xb8\x0b\xb8\x0b\x80\x00\x00\xff\x00\x00\x00\x00\xff", 19);
    for (int frame = 0; frame < 5; ++frame) {
        bomb.append("\x21\xf9\x04\x04\x0a\x00\x00\x00", 8);
        bomb.append("\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x44\x01\x00", 15);
    }
    bomb.append('\x3b');
    ASSERT_EQ(ui::ImageSource::createWithData(bomb)->count(), 5u);
    const auto image = ik_imageWithData(bomb);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->images().size(), 4u);
    EXPECT_EQ(image->images()[3]->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(image->decodedBytes(), 4u * 2048 * 2048 * 4);
}

TEST_F(ImageDecodingTest, ScalingAnAnimationDrawsEveryFrameOnAClearedCanvas) {
    // A first frame that is all red, a second that is transparent: the second frame must
    // come out transparent, not red from the frame before.
    QImage clear(4, 4, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    auto animation = ui::Image::animatedImageWithImages(
        {ui::Image::imageWithQImage(samples::solid(4, 4, Qt::red)),
         ui::Image::imageWithQImage(clear)},
        0.4);
    const auto scaled = ImageGIF::ik_animatedImageByScalingAndCroppingToSize(animation, {8, 4});
    ASSERT_TRUE(scaled);
    ASSERT_EQ(scaled->images().size(), 2u);
    EXPECT_EQ(scaled->size(), (ui::Size{8, 4}));
    EXPECT_DOUBLE_EQ(scaled->duration(), 0.4);
    EXPECT_EQ(colourAt(*scaled->images()[0], 8, 4), QColor(Qt::red));
    EXPECT_EQ(colourAt(*scaled->images()[1], 8, 4).alpha(), 0);
    // The same size, or none, leaves the image as it is.
    EXPECT_EQ(ImageGIF::ik_animatedImageByScalingAndCroppingToSize(animation, {4, 4}), animation);
    EXPECT_EQ(ImageGIF::ik_animatedImageByScalingAndCroppingToSize(animation, {0, 0}), animation);
}

TEST_F(ImageDecodingTest, NamedGifsPreferTheDoubleScaleFile) {
    QFile plain(bundlePath() + "/spinner.gif");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write(samples::gif({10, 10}));
    plain.close();
    const auto found = ImageGIF::ik_animatedGIFNamed("spinner");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->images().size(), 2u);
    QFile retina(bundlePath() + "/spinner@2x.gif");
    ASSERT_TRUE(retina.open(QIODevice::WriteOnly));
    retina.write(samples::gif({10, 10, 10}));
    retina.close();
    EXPECT_EQ(ImageGIF::ik_animatedGIFNamed("spinner")->images().size(), 3u);
    EXPECT_EQ(ImageGIF::ik_animatedGIFNamed("missing"), nullptr);
}

}  // namespace
