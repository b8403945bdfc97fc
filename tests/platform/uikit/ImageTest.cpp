#include "UIKitTest.h"

#include "platform/uikit/color.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

#include <QBuffer>
#include <QImageWriter>

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
