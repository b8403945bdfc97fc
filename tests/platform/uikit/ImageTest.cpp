#include "UIKitTest.h"

#include "ReferenceImage.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/color.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/renderer.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>

namespace {

using ui::Image;
using ui::Size;

class ImageTest : public UIKitTest {};

// A 20 x 20 image whose every pixel differs from its neighbours.
QImage patterned() {
    QImage image(20, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            image.setPixel(x, y, qRgba(x * 12, y * 12, (x * 7 + y * 3) % 256, 255));
    }
    return image;
}

TEST_F(ImageTest, NamedImagesPreferTwiceScaleFilesAndChineseNamesWork) {
    writeBundleImage(QStringLiteral("首页.png"), solidImage(40, 30, Qt::red));
    writeBundleImage(QStringLiteral("首页@2x.png"), solidImage(80, 60, Qt::blue));
    writeBundleImage(QStringLiteral("顶部BG.png"), solidImage(320, 44, Qt::green));

    auto retina = Image::imageNamed(QStringLiteral("首页"));
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->scale(), 2);
    EXPECT_EQ(retina->size(), (Size{40, 30}));
    EXPECT_EQ(Image::imageNamed(QStringLiteral("首页.png")), retina);  // the same cached image

    auto plain = Image::imageNamed(QStringLiteral("顶部BG.png"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->scale(), 1);
    EXPECT_EQ(plain->size(), (Size{320, 44}));

    EXPECT_EQ(Image::imageNamed(QStringLiteral("没有这张图")), nullptr);
    EXPECT_EQ(Image::imageNamed(QString()), nullptr);
    writeBundleImage(QStringLiteral("没有这张图.png"), solidImage(8, 8, Qt::red));
    EXPECT_TRUE(Image::imageNamed(QStringLiteral("没有这张图")));  // a miss is not kept

    // A name asked again reads no file; another bundle has its own picture of that name.
    ASSERT_TRUE(QFile::remove(bundlePath() + QStringLiteral("/顶部BG.png")));
    EXPECT_EQ(Image::imageNamed(QStringLiteral("顶部BG.png")), plain);
    const QString other = bundlePath() + QStringLiteral("/other");
    ns::Bundle::setResourcePath(other);
    writeBundleImage(QStringLiteral("other/顶部BG.png"), solidImage(10, 10, Qt::red));
    const auto fromOther = Image::imageNamed(QStringLiteral("顶部BG.png"));
    ASSERT_TRUE(fromOther);
    EXPECT_EQ(fromOther->size(), (Size{10, 10}));
    ns::Bundle::setResourcePath(bundlePath());
    EXPECT_EQ(Image::imageNamed(QStringLiteral("顶部BG.png")), plain);

    auto byPath = Image::imageWithContentsOfFile(bundlePath() + QStringLiteral("/首页.png"));
    ASSERT_TRUE(byPath);
    EXPECT_EQ(byPath->scale(), 2);
}

TEST_F(ImageTest, NineSliceDrawingKeepsTheCornersPixelExact) {
    auto source = Image::imageWithQImage(patterned());
    for (const auto& stretchable :
         {source->stretchableImageWithLeftCapWidth(8, 8),
          source->resizableImageWithCapInsets({8, 8, 8, 8}, ui::ImageResizingMode::Stretch),
          source->resizableImageWithCapInsets({8, 8, 8, 8})}) {
        ui::GraphicsContext::beginImageContextWithOptions({200, 40}, false, 1);
        stretchable->drawInRect({0, 0, 200, 40});
        const QImage drawn =
            ui::GraphicsContext::imageFromCurrentImageContext()->pixels().convertToFormat(
                QImage::Format_ARGB32);
        ui::GraphicsContext::endImageContext();
        const QImage original = patterned();
        const int right = 20 - int(stretchable->capInsets().right);
        const int bottom = 20 - int(stretchable->capInsets().bottom);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const bool leftCap = x < 8, rightCap = x >= right, topCap = y < 8,
                           bottomCap = y >= bottom;
                if (!((leftCap || rightCap) && (topCap || bottomCap))) continue;
                const int dx = rightCap ? 200 - 20 + x : x;
                const int dy = bottomCap ? 40 - 20 + y : y;
                ASSERT_EQ(drawn.pixel(dx, dy), original.pixel(x, y))
                    << "corner pixel " << x << "," << y;
            }
        }
        // The middle is filled from the middle of the image.
        EXPECT_EQ(qAlpha(drawn.pixel(100, 20)), 255);
    }
    EXPECT_EQ(source->stretchableImageWithLeftCapWidth(8, 8)->capInsets(),
              (ui::EdgeInsets{8, 8, 11, 11}));
    EXPECT_EQ(source->stretchableImageWithLeftCapWidth(8, 0)->capInsets(),
              (ui::EdgeInsets{0, 8, 0, 11}));
}

// A picture drawn where its pixels land one to one on whole device pixels is copied, not
// resampled: the result must be the pixels resampling gives, under opacity and clipping,
// and every other placement (half pixels, other scales, mirrored) must still resample.
TEST_F(ImageTest, PicturesOnWholePixelsLookTheSameCopiedAsResampled) {
    QImage translucent = patterned();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            translucent.setPixelColor(x, y, QColor::fromRgba(translucent.pixel(x, y) & 0x80ffffff));
    }
    const auto twice = Image::imageWithQImage(translucent, 2);
    const auto bubble =
        Image::imageWithQImage(patterned(), 2)->stretchableImageWithLeftCapWidth(4, 4);
    struct Placement {
        ui::Rect rect;
        double opacity;
        bool clipped;
        bool mirrored;
    };
    const Placement placements[] = {
        {{3, 5, 10, 10}, 1, false, false},        // whole pixels at scale 2: copied
        {{3.5, 5.5, 10, 10}, 0.6, false, false},  // still whole pixels, under opacity
        {{1, 2, 10, 10}, 1, true, false},         // under a clip that cuts it
        {{3.25, 5, 10, 10}, 1, false, false},     // half a pixel off: resampled
        {{3, 5, 12, 10}, 1, false, false},        // stretched: resampled
        {{3, 5, 10, 10}, 1, false, true},         // mirrored: resampled
        {{2, 3, 40, 14}, 1, false, false},        // nine slices, corners copied
        {{2.25, 3, 40, 14}, 0.5, true, false},
    };
    for (const Placement& placement : placements) {
        const auto draw = [&](bool throughImage) {
            QImage canvas = ui::Renderer::makeCanvas(50, 24, 2);
            QPainter painter(&canvas);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setOpacity(placement.opacity);
            if (placement.clipped) painter.setClipRect(QRectF(4, 4, 30, 7));
            if (placement.mirrored) {
                painter.translate(50, 0);
                painter.scale(-1, 1);
            }
            const bool nineSliced = placement.rect.size.width > 20;
            if (throughImage) {
                (nineSliced ? bubble : twice)->paint(painter, placement.rect);
            } else if (!nineSliced) {
                painter.drawImage(placement.rect.toQt(), twice->pixels());
            } else {
                // The slices resampled one by one, as drawing did before the copy.
                const QImage cells = bubble->pixels();
                const auto part = [&](QRectF target, QRect source) {
                    painter.drawImage(target, cells.copy(source));
                };
                const double x = placement.rect.origin.x, y = placement.rect.origin.y;
                const double w = placement.rect.size.width, h = placement.rect.size.height;
                const double right = bubble->capInsets().right, bottom = bubble->capInsets().bottom;
                const int rightPixels = int(right * 2), bottomPixels = int(bottom * 2);
                // The parts meet on whole pixels of the canvas (scale 2).
                const auto onPixel = [](double v) { return std::round(v * 2) / 2; };
                const double xs[4] = {x, onPixel(x + 4), onPixel(x + w - right), x + w};
                const double ys[4] = {y, onPixel(y + 4), onPixel(y + h - bottom), y + h};
                const int px[4] = {0, 8, 20 - rightPixels, 20};
                const int py[4] = {0, 8, 20 - bottomPixels, 20};
                for (int row = 0; row < 3; ++row) {
                    for (int column = 0; column < 3; ++column) {
                        part(QRectF(xs[column], ys[row], xs[column + 1] - xs[column],
                                    ys[row + 1] - ys[row]),
                             QRect(px[column], py[row], px[column + 1] - px[column],
                                   py[row + 1] - py[row]));
                    }
                }
            }
            painter.end();
            return canvas;
        };
        // Within the levels any two drawings may differ by: resampling takes other paths of
        // the drawing library on other processors.
        EXPECT_TRUE(picturesMatch(draw(true), draw(false), PictureTolerance{}))
            << "at " << placement.rect.origin.x << "," << placement.rect.origin.y << " "
            << placement.rect.size.width << "x" << placement.rect.size.height;
    }
}

// A picture drawn again at a size it was drawn at comes from its kept drawing: it must look as
// drawing it did the first time, for a stretched or tiled middle and a scaled picture, with
// smoothing on or off, over what lies below it.
TEST_F(ImageTest, APictureDrawnAgainAtItsSizeLooksAsItDidTheFirstTime) {
    QImage translucent = patterned();
    translucent.fill(QColor(200, 40, 90, 128));
    for (const bool smooth : {true, false}) {
        const auto source = Image::imageWithQImage(patterned(), 2);
        const std::shared_ptr<Image> pictures[] = {
            source->stretchableImageWithLeftCapWidth(4, 4),
            source->resizableImageWithCapInsets({3, 3, 3, 3}),
            Image::imageWithQImage(translucent, 2),
        };
        for (const auto& picture : pictures) {
            for (const ui::Rect& place : {ui::Rect(3, 5, 40, 14), ui::Rect(1.5, 2, 24, 17)}) {
                const auto draw = [&] {
                    QImage canvas = ui::Renderer::makeCanvas(50, 24, 2);
                    canvas.fill(QColor(30, 160, 60));
                    QPainter painter(&canvas);
                    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
                    picture->paint(painter, place);
                    painter.end();
                    return canvas;
                };
                const QImage first = draw();
                for (int again = 0; again < 2; ++again) {
                    EXPECT_TRUE(picturesMatch(draw(), first, PictureTolerance{}))
                        << "drawing " << again + 2 << " at " << place.size.width << "x"
                        << place.size.height << (smooth ? " smoothed" : "");
                }
            }
        }
    }
}

TEST_F(ImageTest, EncodingAndDecodingRoundTrip) {
    auto red = Image::imageWithColor(ui::Color::redColor(), {16, 8});
    const QByteArray png = red->PNGRepresentation();
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    auto fromPng = Image::imageWithData(png);
    ASSERT_TRUE(fromPng);
    EXPECT_EQ(fromPng->size(), (Size{16, 8}));
    EXPECT_EQ(pixelAt(*fromPng, 3, 3), QColor(Qt::red));

    const QByteArray fine = red->JPEGRepresentation(0.9);
    const QByteArray coarse = Image::imageWithQImage(patterned())->JPEGRepresentation(0.01);
    ASSERT_TRUE(fine.startsWith("\xff\xd8"));
    EXPECT_LT(coarse.size(), Image::imageWithQImage(patterned())->JPEGRepresentation(1.0).size());
    auto fromJpeg = Image::imageWithData(fine, 2);
    ASSERT_TRUE(fromJpeg);
    EXPECT_EQ(fromJpeg->size(), (Size{8, 4}));
    EXPECT_GT(pixelAt(*fromJpeg, 3, 3).red(), 240);

    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        solidImage(3, 3, Qt::green).save(&buffer, "BMP");
    }
    auto fromBmp = Image::imageWithData(bmp);
    ASSERT_TRUE(fromBmp);
    EXPECT_EQ(pixelAt(*fromBmp, 1, 1), QColor(Qt::green));

    EXPECT_EQ(Image::imageWithData(QByteArray("not an image")), nullptr);
    EXPECT_EQ(Image::imageWithData(QByteArray()), nullptr);
    EXPECT_TRUE(Image::imageWithQImage(QImage()) == nullptr);
}

// A PNG of one colour of `width` x `height` pixels: a few dozen kilobytes for millions of
// pixels.
QByteArray flatPng(int width, int height) {
    QImage image(width, height, QImage::Format_Mono);
    image.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST_F(ImageTest, APictureOfManyPixelsDecodesScaledDownWithinTheBound) {
    const QByteArray huge = flatPng(5000, 5000);
    ASSERT_LT(huge.size(), 100'000);
    const auto image = Image::imageWithData(huge, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(image->decodedBytes(), 2048u * 2048u * 4u);  // 16 MB, not 100
    EXPECT_EQ(image->size(), (Size{1024, 1024}));
    EXPECT_EQ(pixelAt(image->pixels(), 1000, 1000),
              pixelAt(*Image::imageWithData(flatPng(8, 8)), 3, 3));

    // The shape is kept; a picture at the bound, and one with a bound of its caller's own
    // (a map tile's 256 x 256 pixels), decode as asked.
    EXPECT_EQ(Image::imageWithData(flatPng(5000, 3750))->pixels().size(), QSize(2364, 1773));
    EXPECT_EQ(Image::imageWithData(flatPng(2048, 2048))->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(Image::imageWithData(flatPng(1024, 512), 2, 256 * 256)->pixels().size(),
              QSize(362, 181));
    EXPECT_EQ(ui::ImageReader::boundedSize({10'000'000, 1}), QSize(4'194'304, 1));
    EXPECT_EQ(ui::ImageReader::boundedSize({0, 7}), QSize(0, 7));

    // Too large even for a scaled read: a GIF canvas of 6,000 x 6,000 (144 MB a frame,
    // past what one read may take) gives nothing, as bytes that are no picture do.
    QByteArray gif("GIF89a\x70\x17\x70\x17\x80\x00\x00\xff\x00\x00\x00\x00\xff", 19);
    gif.append("\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x44\x01\x00\x3b", 16);
    EXPECT_EQ(Image::imageWithData(gif), nullptr);
}

TEST_F(ImageTest, OrientationTurnsTheSizeAndThePixels) {
    QImage wide(4, 2, QImage::Format_ARGB32);
    wide.fill(Qt::white);
    wide.setPixel(0, 0, qRgb(255, 0, 0));  // red top-left
    auto turned = Image::imageWithQImage(wide, 1, ui::ImageOrientation::Right);
    EXPECT_EQ(turned->size(), (Size{2, 4}));
    // Turned a quarter clockwise, the top-left ends at the top-right.
    EXPECT_EQ(pixelAt(*turned, 1, 0), QColor(Qt::red));
    const QImage encoded = QImage::fromData(turned->PNGRepresentation());
    EXPECT_EQ(encoded.size(), QSize(2, 4));
}

TEST_F(ImageTest, BoxBlurSpreadsWithEdgesExtendedAndBoxOneChangesNothing) {
    QImage half(10, 1, QImage::Format_ARGB32);
    for (int x = 0; x < 10; ++x) half.setPixel(x, 0, x < 5 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    auto source = Image::imageWithQImage(half, 2);
    auto same = source->boxConvolved(0, 3);  // box 1
    EXPECT_EQ(same->scale(), 1);
    EXPECT_EQ(same->pixels().convertToFormat(QImage::Format_ARGB32).pixel(4, 0), qRgb(0, 0, 0));
    auto blurred = source->boxConvolved(3, 1);
    const QImage b = blurred->pixels().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qRed(b.pixel(0, 0)), 0);   // the extended edge stays black
    EXPECT_EQ(qRed(b.pixel(4, 0)), 85);  // one white of three
    EXPECT_EQ(qRed(b.pixel(5, 0)), 170);
    EXPECT_EQ(qRed(b.pixel(9, 0)), 255);
}

TEST_F(ImageTest, PatternColoursRepeatTheImage) {
    QImage checker(2, 1, QImage::Format_ARGB32);
    checker.setPixel(0, 0, qRgb(255, 0, 0));
    checker.setPixel(1, 0, qRgb(0, 0, 255));
    const auto pattern = ui::Color::colorWithPatternImage(Image::imageWithQImage(checker));
    ui::GraphicsContext::beginImageContextWithOptions({6, 1}, false, 1);
    ui::GraphicsContext::current()->setFillColor(pattern);
    ui::GraphicsContext::current()->fillRect({0, 0, 6, 1});
    auto image = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    EXPECT_EQ(pixelAt(*image, 4, 0), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*image, 5, 0), QColor(Qt::blue));
}

}  // namespace
