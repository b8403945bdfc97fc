#include "UIKitTest.h"

#include "DecodingBudgetProbes.h"
#include "ReferenceImage.h"
#include "TestGifs.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/area_weights.h"
#include "platform/uikit/color.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_source.h"
#include "platform/uikit/jpeg_scans.h"
#include "platform/uikit/picture_format.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/row_scaler.h"
#include "platform/uikit/scaled_webp.h"
#include "standin/FlatJpeg.h"
#include "standin/FlatPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <QtEndian>

#include <png.h>
#include <webp/encode.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <limits>
#include <list>
#include <numeric>
#include <optional>
#include <tuple>

namespace {

using ui::Image;
using ui::Size;
using namespace testgifs;

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

// `image` in the file format `format`.
QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

// `image` as a JPEG of the platform's writer, progressive or baseline.
QByteArray jpegOf(const QImage& image, bool progressive) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return buffer.data();
}

// `chunks` after the signature of `signature`, each a length, its type and data, and its check.
QByteArray chunked(const QByteArray& signature,
                   const std::vector<std::pair<const char*, QByteArray>>& chunks) {
    QByteArray bytes = signature;
    for (const auto& [type, data] : chunks) {
        QByteArray chunk(4, '\0');
        qToBigEndian(quint32(data.size()), chunk.data());
        chunk.append(type, 4).append(data);
        const auto check = quint32(crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4),
                                         uInt(chunk.size() - 4)));
        chunk.append(4, '\0');
        qToBigEndian(check, chunk.data() + chunk.size() - 4);
        bytes += chunk;
    }
    return bytes;
}

// Only the formats of the app's pictures and the few a phone's picture class opens decode,
// told from their first bytes: every road gives nothing for the others the platform has
// decoders for, as for bytes of no format (before, each decoded; the MNG decoder lost memory
// for every text chunk).
TEST_F(ImageTest, OnlyThePictureFormatsAPhoneOpensDecode) {
    const QImage red = solidImage(4, 3, Qt::red);
    const QImage mono = red.convertToFormat(QImage::Format_Mono);
    const QByteArray png = encoded(red, "PNG");
    std::vector<std::pair<const char*, QByteArray>> opened = {
        {"JPEG", encoded(red, "JPEG")},
        {"PNG", png},
        {"GIF", gifOf({4, 3}, {QRect(0, 0, 4, 3)})},
        {"GIF of the first version", gifOf({4, 3}, {QRect(0, 0, 4, 3)}).replace(0, 6, "GIF87a")},
        {"WebP", encoded(red, "WEBP")},
        {"TIFF, little-endian", encoded(red, "TIFF")},
        {"BMP", encoded(red, "BMP")},
        {"ICO", encoded(red, "ICO")},
        {"XBM", encoded(mono, "XBM")}};
    // A cursor is an icon file whose type says so.
    QByteArray cursor = encoded(red, "ICO");
    cursor[2] = 2;
    opened.emplace_back("CUR", cursor);
    // A TIFF of the other byte order, grey: its tags (a short's value in the first half of its
    // field), then its one strip of 12 bytes.
    QByteArray tiff("MM\0*\0\0\0\x08\0\x09", 10);
    for (const auto& [tag, value] :
         std::vector<std::pair<quint16, quint16>>{{256, 4},
                                                  {257, 3},
                                                  {258, 8},
                                                  {259, 1},
                                                  {262, 1},
                                                  {273, 8 + 2 + 9 * 12 + 4},
                                                  {277, 1},
                                                  {278, 3},
                                                  {279, 12}}) {
        QByteArray entry(12, '\0');
        qToBigEndian(tag, entry.data());
        qToBigEndian(quint16(3), entry.data() + 2);
        qToBigEndian(quint32(1), entry.data() + 4);
        qToBigEndian(value, entry.data() + 8);
        tiff += entry;
    }
    opened.emplace_back("TIFF, big-endian", tiff + QByteArray(4, '\0') + QByteArray(12, '\x50'));
    for (const auto& [format, bytes] : opened) {
        const auto image = Image::imageWithData(bytes);
        ASSERT_TRUE(image) << format;
        EXPECT_EQ(image->pixels().size(), QSize(4, 3)) << format;
        const auto source = ui::ImageSource::createWithData(bytes);
        ASSERT_TRUE(source) << format;
        EXPECT_TRUE(source->createImageAtIndex(0)) << format;
    }

    // An MNG of one picture: its header chunk, then a PNG's chunks; a TGA of RGB pixels with
    // the footer that lets its decoder read it; the rest as the platform writes them.
    QByteArray header(28, '\0');
    qToBigEndian(quint32(4), header.data());
    qToBigEndian(quint32(3), header.data() + 4);
    qToBigEndian(quint32(1), header.data() + 8);
    qToBigEndian(quint32(1), header.data() + 24);
    const QByteArray mng = chunked(QByteArray("\x8aMNG\r\n\x1a\n", 8), {{"MHDR", header}}) +
                           png.mid(8) + chunked({}, {{"MEND", {}}});
    QByteArray tga("\0\0\x02\0\0\0\0\0\0\0\0\0\x04\0\x03\0\x18\x20", 18);
    for (int pixel = 0; pixel < 12; ++pixel) tga.append("\0\0\xff", 3);
    tga.append(8, '\0').append("TRUEVISION-XFILE.\0", 18);
    const std::pair<const char*, QByteArray> others[] = {
        {"MNG", mng},
        {"TGA", tga},
        {"XPM", encoded(red, "XPM")},
        {"PBM", encoded(mono, "PBM")},
        {"PGM", encoded(red, "PGM")},
        {"PPM", encoded(red, "PPM")},
        {"WBMP", encoded(mono, "WBMP")},
        {"ICNS", encoded(red, "ICNS")},
        // A RIFF file of sound is no WebP.
        {"RIFF of sound", encoded(red, "WEBP").replace(8, 4, "WAVE")}};
    for (const auto& [format, bytes] : others) {
        EXPECT_EQ(ui::PictureFormat::of(bytes), QByteArray()) << format;
        EXPECT_FALSE(Image::imageWithData(bytes)) << format;
        EXPECT_FALSE(ui::ImageSource::createWithData(bytes)) << format;
        ui::ImageReader reader(bytes, 16);
        EXPECT_FALSE(reader.canRead()) << format;
        EXPECT_TRUE(reader.read().isNull()) << format;
    }
}

// A PNG of one colour of `width` x `height` pixels: a few dozen kilobytes for millions of
// pixels.
QByteArray flatPng(int width, int height) {
    QImage image(width, height, QImage::Format_Mono);
    image.fill(0);
    return encoded(image, "PNG");
}

void appendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

// A PNG of `height` rows, row y being row y % rows.height() of `rows` (RGBA when `rows` has
// alpha, else RGB), so that a picture of one colour needs only one row.
QByteArray pngOf(const QImage& rows, int height, bool interlaced = true) {
    const bool alpha = rows.hasAlphaChannel();
    const QImage pixels =
        rows.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendPngBytes, nullptr);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(pixels.width()), png_uint_32(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> rowPointers;
    for (int y = 0; y < height; ++y) {
        rowPointers.push_back(const_cast<png_bytep>(pixels.constScanLine(y % pixels.height())));
    }
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// A WebP of `image` (its colours as they are, not premultiplied), lossless or lossy at a
// quality of 90, as libwebp encodes it.
QByteArray webpOf(const QImage& image, bool lossless) {
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888);
    const auto* rgba = pixels.constBits();
    const int stride = int(pixels.bytesPerLine());
    std::uint8_t* out = nullptr;
    const std::size_t size =
        lossless ? WebPEncodeLosslessRGBA(rgba, pixels.width(), pixels.height(), stride, &out)
                 : WebPEncodeRGBA(rgba, pixels.width(), pixels.height(), stride, 90, &out);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    WebPFree(out);
    return bytes;
}

// A GIF whose canvas of 4,000 x 4,000 pixels (64 MB decoded) its frames, at two of its
// corners, span.
QByteArray gifOnAHugeCanvas() {
    return gifOf({4000, 4000}, {QRect(0, 0, 2, 2), QRect(3998, 3998, 2, 2)});
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
    // A fit that rounds a hair short without its margin, and a thin picture whose width the
    // bound cuts once its height is set.
    EXPECT_EQ(Image::imageWithData(flatPng(2080, 2080))->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(ui::ImageReader::boundedSize({2'097'154, 2}), QSize(2'097'152, 2));

    // Too large even for a scaled read: a GIF canvas of 6,000 x 6,000 (144 MB a frame,
    // past what one read may take) gives nothing, as bytes that are no picture do.
    QByteArray gif("GIF89a\x70\x17\x70\x17\x80\x00\x00\xff\x00\x00\x00\x00\xff", 19);
    gif.append("\x2c\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x44\x01\x00\x3b", 16);
    EXPECT_EQ(Image::imageWithData(gif), nullptr);
}

// A list row's picture view of 62 x 46 points at scale 2.
constexpr QSize kRowPixels(124, 92);

// A picture for a view comes at the smallest size of its shape that covers the view's pixels,
// which the view stretches to fill it: 4:3 is a hair taller than the view's shape, so it covers
// it 124 x 93 (fitted in, 122 x 92, it would be drawn blurred across). It is never made larger,
// nor past the decode's bound, and the view's pixels are upright: a photo stored on its side
// covers them turned.
TEST_F(ImageTest, APictureForAViewComesAtTheSizeThatCoversTheViewsPixels) {
    EXPECT_EQ(Image::imageWithData(flatPng(640, 480), 2, kRowPixels)->pixels().size(),
              QSize(124, 93));
    EXPECT_EQ(Image::imageWithData(flatPng(480, 640), 2, kRowPixels)->pixels().size(),
              QSize(124, 166));
    EXPECT_EQ(Image::imageWithData(flatPng(6000, 4000), 2, kRowPixels)->pixels().size(),
              QSize(138, 92));
    EXPECT_EQ(Image::imageWithData(flatPng(100, 50), 2, kRowPixels)->pixels().size(),
              QSize(100, 50));
    EXPECT_EQ(Image::imageWithData(flatPng(5000, 5000), 2, QSize(4000, 4000))->pixels().size(),
              QSize(2048, 2048));
    EXPECT_EQ(Image::imageWithData(flatPng(5000, 3750), 2, QSize())->pixels().size(),
              QSize(2364, 1773));
    EXPECT_EQ(ui::ImageReader::coveringSize({640, 480}, {0, 92}), QSize(640, 480));
    EXPECT_EQ(ui::ImageReader::coveringSize({10'000, 100}, kRowPixels), QSize(9'200, 92));
    EXPECT_EQ(ui::ImageReader::coveringSize({10'000, 1}, kRowPixels), QSize(10'000, 1));

    // A progressive photo is read at the eighth that covers the view, and its share is the
    // picture, that read and the coefficients: 200 x 150 blocks of brightness and 100 x 75 of
    // each colour.
    QImage photo(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x / 7, y / 5, x ^ y));
    }
    ui::ImageReader reader(jpegOf(photo, true), kRowPixels);
    EXPECT_EQ(reader.read().size(), QSize(124, 93));
    EXPECT_EQ(reader.decodingBytes(),
              124 * 93 * 4 + 200 * 150 * 4 + (200 * 150 + 2 * 100 * 75) * 128);

    // Stored 640 x 480 and turned a quarter to be shown, a photo shown on a view of 92 x 124
    // pixels covers it upright with 93 x 124.
    QByteArray turned = jpegOf(photo.scaled(640, 480), false);
    // After the start of the image: an Exif segment whose one entry, the orientation (0x112),
    // is 6, turned a quarter clockwise.
    turned.insert(2, QByteArray("\xff\xe1\x00\x22"
                                "Exif\x00\x00MM\x00\x2a\x00\x00\x00\x08"
                                "\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                                "\x00\x00\x00\x00",
                                36));
    const auto sideways = Image::imageWithData(turned, 2, QSize(92, 124));
    ASSERT_TRUE(sideways);
    EXPECT_EQ(sideways->imageOrientation(), ui::ImageOrientation::Right);
    EXPECT_EQ(sideways->pixels().size(), QSize(124, 93));
    EXPECT_EQ(sideways->size(), (Size{46.5, 62}));
}

constexpr std::int64_t kWholeAndThumbnail[] = {ui::ImageReader::kMaxPixels, 16};

// Whether `bytes` give nothing on every road: whole, within 16 pixels, read by a reader (which
// takes no share of the decoding budget) and as an image source's frame.
::testing::AssertionResult givesNothingOnEveryRoad(const QByteArray& bytes) {
    for (const std::int64_t bound : kWholeAndThumbnail) {
        if (Image::imageWithData(bytes, 1, bound)) {
            return ::testing::AssertionFailure() << "a picture within " << bound << " pixels";
        }
        ui::ImageReader reader(bytes, bound);
        if (!reader.read().isNull() || reader.decodingBytes() != 0) {
            return ::testing::AssertionFailure() << "a reader's picture within " << bound;
        }
    }
    const auto source = ui::ImageSource::createWithData(bytes);
    if (source && source->createImageAtIndex(0)) {
        return ::testing::AssertionFailure() << "an image source's frame";
    }
    return ::testing::AssertionSuccess();
}

// Whether `bytes` show on every road: whole, within 16 pixels and as an image source's frame.
::testing::AssertionResult shownOnEveryRoad(const QByteArray& bytes) {
    for (const std::int64_t bound : kWholeAndThumbnail) {
        if (!Image::imageWithData(bytes, 1, bound)) {
            return ::testing::AssertionFailure() << "nothing within " << bound << " pixels";
        }
    }
    const auto source = ui::ImageSource::createWithData(bytes);
    if (!source || !source->createImageAtIndex(0)) {
        return ::testing::AssertionFailure() << "no image source's frame";
    }
    return ::testing::AssertionSuccess();
}

// A few bytes may declare billions of pixels, which a decoder works through whatever it scales
// them to: a picture that declares more than kMostDeclaredPixels (8,192 x 8,192) gives nothing,
// whole or as a thumbnail, on every road (a grey PNG read in averaged blocks, a colour PNG, a
// JPEG and a WebP scaled as they are read), and its reader takes no share of the decoding
// budget; one of exactly that many decodes (a lossless WebP of one colour, 38 bytes, with
// libwebp holding its 256 MB whole). (A GIF's canvas of as many is past what one read may
// allocate.)
TEST_F(ImageTest, APictureDeclaringMorePixelsThanAPhotoHasGivesNothingOnEveryRoad) {
    constexpr int kSide = 8192;
    ASSERT_EQ(std::int64_t(kSide) * kSide, ui::ImageReader::kMostDeclaredPixels);
    QImage line(kSide, 1, QImage::Format_RGB888);
    line.fill(QColor(120, 170, 210));
    const auto pictures = [&](int height) {
        const QSize size(kSide, height);
        return std::vector<std::pair<const char*, QByteArray>>{
            {"grey PNG",
             standin::FlatPicture::png(size, false, standin::FlatPicture::Pixels::Grey)},
            {"colour PNG", pngOf(line, height, false)},
            {"JPEG", standin::FlatPicture::jpeg(size)},
            {"lossless WebP", standin::FlatPicture::webp(size)}};
    };
    for (const auto& [kind, bytes] : pictures(kSide)) {
        const auto image = Image::imageWithData(bytes, 1, 16);
        ASSERT_TRUE(image) << kind;
        EXPECT_EQ(image->pixels().size(), QSize(4, 4)) << kind;
    }
    for (const auto& [kind, bytes] : pictures(kSide + 1)) {
        EXPECT_TRUE(givesNothingOnEveryRoad(bytes)) << kind;
    }
}

// A scan's header without tables or data: of the components numbered `components` (from 1),
// coefficients 0 to 63.
QByteArray scanOf(const std::vector<int>& components) {
    QByteArray scan("\xff\xda\x00\x00", 4);
    qToBigEndian(quint16(6 + 2 * components.size()), scan.data() + 2);
    scan.append(char(components.size()));
    for (const int component : components) scan.append(char(component)).append('\0');
    return scan.append("\x00\x3f\x00", 3);
}

// The markers of a JPEG up to its first scan's header, without tables or data: a frame of
// `marker` (0xc0 baseline, 0xc2 progressive) of `size` whose components have the sampling
// factors `factors` (across in the high four bits), then a scan of the first `scanned` of them.
QByteArray jpegUpToItsScan(quint8 marker, QSize size, const QByteArray& factors, int scanned) {
    QByteArray frame("\xff\x00\x00\x00\x08\x00\x00\x00\x00", 9);
    frame[1] = char(marker);
    qToBigEndian(quint16(8 + 3 * factors.size()), frame.data() + 2);
    qToBigEndian(quint16(size.height()), frame.data() + 5);
    qToBigEndian(quint16(size.width()), frame.data() + 7);
    frame.append(char(factors.size()));
    for (int component = 0; component < factors.size(); ++component) {
        frame.append(char(component + 1)).append(factors[component]).append('\0');
    }
    std::vector<int> first(static_cast<std::size_t>(scanned));
    std::iota(first.begin(), first.end(), 1);
    return QByteArray("\xff\xd8", 2) + frame + scanOf(first);
}

// A JPEG's scans, read from its markers as its decoder reads them: one whose first scan holds
// every component of a sequential frame brings its rows of blocks whole; a progressive one, or
// one whose first scan holds one component of three, has its decoder hold the whole picture's
// coefficients, 128 bytes a block of each component, its blocks rounded up to whole units of
// its sampling (colour at half resolution both ways: 800 x 600 is 100 x 76 blocks of
// brightness and 50 x 38 of each colour). The bytes the decoder steps over before a marker are
// stepped over, and markers that end before a scan count the coefficients, which the decoder
// may yet hold: neither hides them.
TEST_F(ImageTest, AJpegsScansTellWhatItsDecoderHoldsOfTheWholePicture) {
    const QByteArray halfColour("\x22\x11\x11", 3);
    const QSize size(800, 600);
    constexpr std::int64_t kHalfColourBytes = (100 * 76 + 2 * 50 * 38) * 128;
    using ui::JpegScans;
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xc0, size, halfColour, 3)).coefficientBytes(), 0);
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xc2, size, halfColour, 3)).coefficientBytes(),
              kHalfColourBytes);
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xc0, size, halfColour, 1)).coefficientBytes(),
              kHalfColourBytes);
    // Arithmetic coding, progressive; grey of a side no whole number of blocks.
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xca, size, halfColour, 3)).coefficientBytes(),
              kHalfColourBytes);
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xc2, {801, 3}, "\x11", 1)).coefficientBytes(),
              101 * 128);
    // Sequential frames of other codings (extended Huffman, arithmetic, lossless) bring their
    // rows whole as baseline does: only C2, C6, CA and CE are progressive.
    for (const quint8 sequential : {0xc1, 0xc3, 0xc9}) {
        EXPECT_EQ(
            JpegScans::read(jpegUpToItsScan(sequential, size, halfColour, 3)).coefficientBytes(), 0)
            << int(sequential);
    }
    for (const quint8 progressive : {0xc6, 0xce}) {
        EXPECT_EQ(
            JpegScans::read(jpegUpToItsScan(progressive, size, halfColour, 3)).coefficientBytes(),
            kHalfColourBytes)
            << int(progressive);
    }
    // Colour at half resolution across only: 100 x 75 blocks of brightness, 50 x 75 of each
    // colour; at half resolution down only: 100 x 76, and 100 x 38 of each colour.
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xc2, size, "\x21\x11\x11", 3)).coefficientBytes(),
              (100 * 75 + 2 * 50 * 75) * 128);
    EXPECT_EQ(JpegScans::read(jpegUpToItsScan(0xc2, size, "\x12\x11\x11", 3)).coefficientBytes(),
              (100 * 76 + 2 * 100 * 38) * 128);

    // Before the frame: an application segment, other bytes, a zero after 0xff, fill bytes and
    // a marker of no length.
    const QByteArray progressive = jpegUpToItsScan(0xc2, size, halfColour, 3);
    const QByteArray stepped = progressive.left(2) +
                               QByteArray(
                                   "\xff\xe1\x00\x04"
                                   "ab",
                                   6) +
                               QByteArray("xy\xff\x00z\xff\xff\xff\x01", 9) + progressive.mid(2);
    EXPECT_EQ(JpegScans::read(stepped).coefficientBytes(), kHalfColourBytes);
    const QByteArray baseline = jpegUpToItsScan(0xc0, size, halfColour, 3);
    EXPECT_EQ(JpegScans::read(baseline.left(baseline.indexOf("\xff\xda"))).coefficientBytes(),
              kHalfColourBytes);
    EXPECT_EQ(JpegScans::read(baseline.left(2)).coefficientBytes(), 0);
    EXPECT_EQ(JpegScans::read(QByteArray("not a JPEG")).coefficientBytes(), 0);
}

// Each scan of a JPEG is counted as its decoder reads it, with the share of the frame's blocks
// its components hold (800 x 600 of colour at half resolution both ways: 7,600 blocks of
// brightness of 11,400, 1,900 of each colour). The progressive scripts of the encoders stay
// within the limits: grey, a DC scan and five of AC coefficients, 6 times over the blocks;
// colour, a DC scan of all three components, four of brightness, another of all three and four
// of colour, 5.33 times; ten components, six scans each, 60 scans 6 times over.
TEST_F(ImageTest, AJpegsScansAreCountedWithTheShareOfTheBlocksEachBrings) {
    using ui::JpegScans;
    const QByteArray halfColour("\x22\x11\x11", 3);
    const QSize size(800, 600);
    const QByteArray colour = jpegUpToItsScan(0xc2, size, halfColour, 3) + scanOf({1}) +
                              scanOf({2}) + scanOf({3}) + scanOf({2, 3});
    EXPECT_EQ(JpegScans::read(colour).count(), 5);
    EXPECT_DOUBLE_EQ(JpegScans::read(colour).passes(), 1 + 7600.0 / 11400 + 4 * 1900.0 / 11400);

    QByteArray grey = jpegUpToItsScan(0xc2, size, "\x11", 1);
    for (int scan = 0; scan < 5; ++scan) grey += scanOf({1});
    QByteArray script = jpegUpToItsScan(0xc2, size, halfColour, 3);
    for (const std::vector<int>& scan :
         std::vector<std::vector<int>>{{1}, {3}, {2}, {1}, {1}, {1, 2, 3}, {3}, {2}, {1}}) {
        script += scanOf(scan);
    }
    QByteArray tenComponents = jpegUpToItsScan(0xc2, size, QByteArray(10, '\x11'), 1);
    for (int scan = 1; scan < 60; ++scan) tenComponents += scanOf({1 + scan / 6});
    for (const auto& [bytes, scans, passes] :
         {std::tuple(grey, 6, 6.0), std::tuple(script, 10, 16.0 / 3),
          std::tuple(tenComponents, 60, 6.0)}) {
        const JpegScans read = JpegScans::read(bytes);
        EXPECT_EQ(read.count(), scans);
        EXPECT_NEAR(read.passes(), passes, 1e-9) << scans;
        EXPECT_LE(read.count(), ui::ImageReader::kMostJpegScans);
        EXPECT_LE(read.passes(), ui::ImageReader::kMostJpegPasses);
    }

    // A scan that names a component the frame lacks, or more than its header holds, counts
    // the frame's blocks, as does a scan of every component.
    const QByteArray odd = jpegUpToItsScan(0xc2, size, halfColour, 3) + scanOf({9}) +
                           QByteArray("\xff\xda\x00\x08\x02\x02\x00\x00\x3f\x00", 10);
    EXPECT_EQ(JpegScans::read(odd).count(), 3);
    EXPECT_DOUBLE_EQ(JpegScans::read(odd).passes(), 3);
    // Scans before the frame count nothing.
    const QByteArray early = QByteArray("\xff\xd8", 2) + scanOf({1}) + colour.mid(2);
    EXPECT_EQ(JpegScans::read(early).count(), 5);
}

// The decoder steps over each scan's entropy-coded data to the marker after it, and the count
// does as it does: a byte 0xff and the zero stuffed after it, restart markers and fill bytes
// are data, whatever bytes follow them. A file cut short counts the scans whose headers it
// holds; one that ends its picture counts none past its end (a camera's trailer may follow).
// A marker whose length is too short for itself (a comment of length 0 or 1) has the decoder
// read on after its length, as the count does, where an empty comment takes its two bytes.
TEST_F(ImageTest, AJpegsScansAreCountedPastTheirDataAsItsDecoderReadsThem) {
    using ui::JpegScans;
    const QByteArray data("\x12\xff\x00\xda\x00\x03\x34\xff\xd3\x01\x00\x56\xff\xff\xd7\xda\x00",
                          17);
    const QByteArray start = jpegUpToItsScan(0xc2, {64, 48}, "\x11", 1) + data;
    const QByteArray scanned = start + scanOf({1}) + data + scanOf({1}) + data;
    const QByteArray ended = scanned + QByteArray("\xff\xd9", 2);
    EXPECT_EQ(JpegScans::read(ended).count(), 3);
    for (const QByteArray& trailer : {QByteArray(), QByteArray("\x00\x00\x00\x04", 4)}) {
        EXPECT_EQ(JpegScans::read(ended + trailer + scanOf({1}) + scanOf({1})).count(), 3);
    }
    EXPECT_EQ(JpegScans::read(scanned.left(scanned.lastIndexOf("\xff\xda") + 9)).count(), 2);
    EXPECT_EQ(JpegScans::read(scanned.left(scanned.lastIndexOf("\xff\xda") + 10)).count(), 3);
    EXPECT_EQ(JpegScans::read(scanned.chopped(5)).count(), 3);

    const QByteArray rest = ended.mid(start.size());
    for (const auto& [segment, bytes] :
         {std::pair("\xff\xfe\x00\x00", 4), std::pair("\xff\xe1\x00\x01", 4),
          std::pair("\xff\xfe\x00\x02", 4)}) {
        EXPECT_EQ(JpegScans::read(start + QByteArray(segment, bytes) + rest).count(), 3)
            << quint8(segment[3]);
    }
}

// A JPEG's frame header made to declare `size` and every component at full resolution: its
// scans, of fewer blocks, are read as far as they go.
QByteArray declaringFullColour(QByteArray jpeg, QSize size) {
    const qsizetype frame = jpeg.indexOf("\xff\xc2");
    qToBigEndian(quint16(size.height()), jpeg.data() + frame + 5);
    qToBigEndian(quint16(size.width()), jpeg.data() + frame + 7);
    for (int component = 0; component < quint8(jpeg[frame + 9]); ++component) {
        jpeg[frame + 11 + 3 * component] = '\x11';
    }
    return jpeg;
}

// The coefficients a JPEG's decoder holds count in the share of the decoding budget its read
// takes, however small the picture it makes: a progressive photo read at a quarter takes one for
// them where the same photo in one scan takes none, and one read at an eighth for its blocks'
// averages alone (JpegEighth), 2 bytes a block. Past kMostCoefficientBytes (colour at full
// resolution past 35 million pixels) it gives nothing before any scan is read, on every road;
// one at that many decodes.
TEST_F(ImageTest, AProgressiveJpegsReadTakesAShareForTheCoefficientsItsDecoderHolds) {
    QImage photo(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x / 7, y / 5, x ^ y));
    }
    // Within 300 x 225 pixels, read at a quarter (400 x 300) and scaled; colour at half
    // resolution, 200 x 150 blocks of brightness and 100 x 75 of each colour.
    constexpr std::int64_t kBlocks = 200 * 150 + 2 * 100 * 75;
    constexpr std::int64_t kRead = 300 * 225 * 4 + 400 * 300 * 4;
    const QByteArray progressive = jpegOf(photo, true);
    {
        ui::ImageReader baseline(jpegOf(photo, false), 300 * 225);
        EXPECT_EQ(baseline.read().size(), QSize(300, 225));
        EXPECT_EQ(baseline.decodingBytes(), kRead);
        EXPECT_FALSE(baseline.holdsShare());
        // Its share is given back as it goes, before the reads below ask for theirs.
        ui::ImageReader quarter(progressive, 300 * 225);
        EXPECT_EQ(quarter.read().size(), QSize(300, 225));
        EXPECT_EQ(quarter.decodingBytes(), kRead + kBlocks * 128);
        EXPECT_TRUE(quarter.holdsShare());
    }
    // Within 16 pixels: 4 x 3, from the eighth (200 x 150) of which each pixel covers more than
    // a block of colour, read from the blocks' averages.
    ui::ImageReader thumbnail(progressive, 16);
    EXPECT_EQ(thumbnail.read().size(), QSize(4, 3));
    EXPECT_EQ(thumbnail.decodingBytes(), 4 * 3 * 4 + 200 * 150 * 4 + kBlocks * 2);
    // Within 124 x 93, read at an eighth too, whose blocks of colour each cover less than a
    // pixel of it: by the platform's decoder. Grey has no coarser colour.
    ui::ImageReader colourRow(progressive, 124 * 93);
    EXPECT_EQ(colourRow.read().size(), QSize(124, 93));
    EXPECT_EQ(colourRow.decodingBytes(), 124 * 93 * 4 + 200 * 150 * 4 + kBlocks * 128);
    ui::ImageReader greyRow(jpegOf(photo.convertToFormat(QImage::Format_Grayscale8), true),
                            124 * 93);
    EXPECT_EQ(greyRow.read().size(), QSize(124, 93));
    EXPECT_EQ(greyRow.decodingBytes(), 124 * 93 * 4 + 200 * 150 * 4 + 200 * 150 * 2);

    // 739 x 739 blocks of 8 x 8 pixels of three components hold 209,710,464 bytes, within
    // 200 MB; one more across, 209,994,240.
    ASSERT_EQ(std::int64_t(739) * 739 * 3 * 128 <= ui::ImageReader::kMostCoefficientBytes,
              std::int64_t(740) * 739 * 3 * 128 > ui::ImageReader::kMostCoefficientBytes);
    const auto within = Image::imageWithData(declaringFullColour(progressive, {5912, 5912}), 1, 16);
    ASSERT_TRUE(within);
    EXPECT_EQ(within->pixels().size(), QSize(4, 4));
    const QByteArray past = declaringFullColour(progressive, {5920, 5912});
    for (const std::int64_t bound : {ui::ImageReader::kMaxPixels, std::int64_t(16)}) {
        EXPECT_FALSE(Image::imageWithData(past, 1, bound)) << bound;
    }
}

// A progressive photo's thumbnail read from its blocks' averages looks as the platform's
// decoder makes it from every coefficient, its colour at half resolution changing at every
// pixel (3,200 x 2,400 within a row's 124 x 93, from its eighth of 400 x 300).
TEST_F(ImageTest, AProgressivePhotosThumbnailFromItsBlocksAveragesLooksAsThePlatformsDecoderMakesIt) {
    QImage photo(3200, 2400, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) photo.setPixel(x, y, qRgb(x / 13, y / 10, x ^ y));
    }
    QByteArray progressive = jpegOf(photo, true);
    ui::ImageReader reader(progressive, kRowPixels);
    const QImage thumbnail = reader.read();
    ASSERT_EQ(thumbnail.size(), QSize(124, 93));
    // 400 x 300 blocks of brightness and 200 x 150 of each colour, 2 bytes each.
    EXPECT_EQ(reader.decodingBytes(),
              124 * 93 * 4 + 400 * 300 * 4 + (400 * 300 + 2 * 200 * 150) * 2);
    QBuffer buffer(&progressive);
    buffer.open(QIODevice::ReadOnly);
    QImageReader platform(&buffer, "jpeg");
    platform.setScaledSize(thumbnail.size());
    EXPECT_TRUE(picturesMatch(thumbnail, ui::ImageReader::drawingPixels(platform.read()),
                              PictureTolerance{2}));
}

// `cycle` repeated to `count` components, for the AC scans of a FlatJpeg.
std::vector<int> repeated(int count, const std::vector<int>& cycle) {
    std::vector<int> scans(static_cast<std::size_t>(count));
    for (int scan = 0; scan < count; ++scan) scans[std::size_t(scan)] = cycle[scan % cycle.size()];
    return scans;
}

// A JPEG's decoder works through every block of each of its scans before it gives a row,
// however small the picture asked for, and a scan of a whole picture's blocks takes a few
// bytes: a JPEG of more than kMostJpegScans scans, or whose scans bring its blocks more than
// kMostJpegPasses times over, gives nothing on every road before a scan is read. 64 x 48 of
// colour at half resolution both ways has 48 blocks of brightness and 12 of each colour, so
// that a scan of brightness brings 2/3 of its blocks and one of a colour 1/6. Those of as many
// scans and passes as the limits allow decode. Past them: the files that cost seconds of a
// processor, and one whose comment of no length lies before its second scan.
TEST_F(ImageTest, AJpegOfMoreScansThanEncodersWriteGivesNothingOnEveryRoad) {
    using standin::FlatJpeg;
    constexpr auto kGrey = FlatJpeg::Pixels::Grey;
    constexpr auto kColour = FlatJpeg::Pixels::Colour;
    ASSERT_EQ(ui::ImageReader::kMostJpegScans, 64);
    ASSERT_EQ(ui::ImageReader::kMostJpegPasses, 12);
    const QSize small(64, 48);
    std::vector<int> twelvePasses = repeated(16, {0});
    twelvePasses.insert(twelvePasses.end(), {1, 2});
    std::vector<int> pastTwelve = twelvePasses;
    pastTwelve.push_back(1);
    const std::pair<const char*, QByteArray> within[] = {
        {"grey, 12 scans, 12 passes", FlatJpeg::progressive(small, kGrey, repeated(11, {0}))},
        {"colour, 64 scans, 11.5 passes",
         FlatJpeg::progressive(small, kColour, repeated(63, {1, 2}))},
        {"colour, 19 scans, 12 passes", FlatJpeg::progressive(small, kColour, twelvePasses)}};
    for (const auto& [name, bytes] : within) EXPECT_TRUE(shownOnEveryRoad(bytes)) << name;

    const QByteArray manyScans =
        FlatJpeg::progressive({2048, 2048}, kGrey, repeated(1000, {0}), true);
    const qsizetype secondScan = manyScans.indexOf("\xff\xda", manyScans.indexOf("\xff\xda") + 2);
    const std::pair<const char*, QByteArray> past[] = {
        {"grey, 13 scans, 13 passes", FlatJpeg::progressive(small, kGrey, repeated(12, {0}))},
        {"colour, 65 scans, 11.67 passes",
         FlatJpeg::progressive(small, kColour, repeated(64, {1, 2}))},
        {"colour, 20 scans, 12.17 passes", FlatJpeg::progressive(small, kColour, pastTwelve)},
        {"grey 2,048 x 2,048, 1,001 scans", manyScans},
        {"grey 2,048 x 2,048, 10,001 scans",
         FlatJpeg::progressive({2048, 2048}, kGrey, repeated(10000, {0}), true)},
        {"colour 4,096 x 4,096, 900 scans",
         FlatJpeg::progressive({4096, 4096}, kColour, repeated(899, {0, 1, 2}), true)},
        {"grey 8,192 x 8,192, 20 scans",
         FlatJpeg::progressive({8192, 8192}, kGrey, repeated(19, {0}), true)},
        {"grey 1,024 x 768, 1,000 scans",
         FlatJpeg::progressive({1024, 768}, kGrey, repeated(999, {0}), true)},
        {"a comment of no length before the second scan",
         QByteArray(manyScans).insert(secondScan, QByteArray("\xff\xfe\x00\x00", 4))}};
    for (const auto& [name, bytes] : past) EXPECT_TRUE(givesNothingOnEveryRoad(bytes)) << name;
}

// A picture of pictures/, written by a general encoder (pictures/README.md says how).
QByteArray committedPicture(const QString& name) {
    QFile file(referenceImagePath(QStringLiteral("platform/uikit/pictures"), name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The JPEGs that the encoders write progressive, and sequential of a scan a component, are
// counted as they are written and shown on every road, whole as the platform's decoder shows
// them: the platform's own progressive colour (at half resolution both ways) and grey; RGB and
// CMYK, whose scripts hold more scans; colour at half resolution across with a restart marker
// after each unit of blocks; arithmetic coding; colour at full resolution, its Huffman tables
// optimised.
TEST_F(ImageTest, EveryEncodersProgressiveJpegIsCountedAndShown) {
    QImage photo(67, 45, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 3, y * 5, (x ^ y) * 4));
    }
    const std::tuple<QString, QByteArray, int, double> files[] = {
        {"the platform's colour", jpegOf(photo, true), 10, 16.0 / 3},
        {"the platform's grey", jpegOf(photo.convertToFormat(QImage::Format_Grayscale8), true), 6,
         6},
        {"progressive-rgb.jpg", committedPicture("progressive-rgb.jpg"), 14, 6},
        {"progressive-cmyk.jpg", committedPicture("progressive-cmyk.jpg"), 18, 6},
        {"progressive-422-restarts.jpg", committedPicture("progressive-422-restarts.jpg"), 10, 5},
        {"progressive-arithmetic.jpg", committedPicture("progressive-arithmetic.jpg"), 10,
         16.0 / 3},
        {"progressive-optimised-444.jpg", committedPicture("progressive-optimised-444.jpg"), 10,
         14.0 / 3},
        {"sequential-scan-a-component.jpg", committedPicture("sequential-scan-a-component.jpg"), 3,
         1}};
    for (const auto& [name, bytes, scans, passes] : files) {
        const ui::JpegScans read = ui::JpegScans::read(bytes);
        EXPECT_EQ(read.count(), scans) << name.toStdString();
        EXPECT_NEAR(read.passes(), passes, 1e-9) << name.toStdString();
        EXPECT_TRUE(shownOnEveryRoad(bytes)) << name.toStdString();
        const auto whole = Image::imageWithData(bytes);
        ASSERT_TRUE(whole) << name.toStdString();
        EXPECT_TRUE(picturesMatch(whole->pixels(),
                                  ui::ImageReader::drawingPixels(QImage::fromData(bytes, "JPEG")),
                                  PictureTolerance{}))
            << name.toStdString();
    }
}

TEST_F(ImageTest, PicturesPastTheBoundAreNeverHeldWhole) {
    QImage line(5000, 1, QImage::Format_RGB888);
    line.fill(QColor(120, 170, 210));
    const QByteArray plain = pngOf(line, 5000, false);
    const QByteArray interlaced = pngOf(line, 5000);
    // What each read holds at once, the share of the decoding budget it takes: a PNG of colour
    // pixels, scaled as it is read, its result (2,048 x 2,048), and so a PNG of grey or palette
    // pixels, read row by row, each block of 2 x 2 pixels averaged and scaled as it comes; an
    // interlaced one, its even rows (three bytes a pixel) and its result; a GIF whose
    // frames span its canvas, the canvas and its result.
    const auto held = [](const QByteArray& bytes) {
        ui::ImageReader reader(bytes);
        EXPECT_FALSE(reader.read().isNull());
        return reader.decodingBytes();
    };
    EXPECT_EQ(held(plain), 2048 * 2048 * 4);
    EXPECT_EQ(held(interlaced), 2500 * 5000 * 3 + 2048 * 2048 * 4);
    EXPECT_EQ(held(flatPng(5000, 5000)), 2048 * 2048 * 4);
    EXPECT_EQ(held(gifOnAHugeCanvas()), 4000 * 4000 * 4 + 2048 * 2048 * 4);
    EXPECT_EQ(held(flatPng(124, 92)), 124 * 92 * 4);
    // A JPEG is read at the eighths of its size that are not smaller than the bound, then
    // scaled: 800 x 800 within 200 x 200 pixels at two eighths; 1,001 x 1,001 within 300 x 300
    // at three (2.4 rounded up), 375.375 pixels rounded up.
    for (const auto& [side, bound, read] :
         {std::tuple(800, 200, 200), std::tuple(1001, 300, 376)}) {
        QImage photo(side, side, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        ui::ImageReader reader(encoded(photo, "JPEG"), bound * bound);
        EXPECT_EQ(reader.read().size(), QSize(bound, bound));
        EXPECT_EQ(reader.decodingBytes(), bound * bound * 4 + read * read * 4) << side;
    }

    // And no more: decoding each raises the process's resident peak by far less than the
    // 100 MB of the picture whole; a GIF whose transparent canvas is 64 MB, by its canvas and
    // its result, not a copy of the canvas made four bytes a pixel for the scaling.
    std::shared_ptr<Image> fromPlain, fromInterlaced, fromPalette, fromGrey, fromGif;
    const auto plainPeak =
        residentPeakGrowthWhile([&] { fromPlain = Image::imageWithData(plain); });
    const auto interlacedPeak =
        residentPeakGrowthWhile([&] { fromInterlaced = Image::imageWithData(interlaced); });
    const QByteArray palette = flatPng(5000, 5000);
    const auto palettePeak =
        residentPeakGrowthWhile([&] { fromPalette = Image::imageWithData(palette); });
    QImage greyPixels(5000, 5000, QImage::Format_Grayscale8);
    greyPixels.fill(QColor(90, 90, 90));
    const QByteArray grey = encoded(greyPixels, "PNG");
    greyPixels = QImage();
    const auto greyPeak = residentPeakGrowthWhile([&] { fromGrey = Image::imageWithData(grey); });
    const QByteArray transparentGif =
        gifOf({4000, 4000}, {QRect(0, 0, 2, 2), QRect(3998, 3998, 2, 2)}, true);
    const auto gifPeak =
        residentPeakGrowthWhile([&] { fromGif = Image::imageWithData(transparentGif); });
    if (!plainPeak) GTEST_SKIP() << "the system does not tell the resident peak";
    EXPECT_LT(*plainPeak, 40 * 1024 * 1024);
    // The interlaced one holds its even rows too, which its share counts.
    EXPECT_LT(*interlacedPeak, held(interlaced) + 16 * 1024 * 1024);
    EXPECT_LT(*palettePeak, 30 * 1024 * 1024);
    EXPECT_LT(*greyPeak, 30 * 1024 * 1024);
    EXPECT_LT(*gifPeak, 100 * 1024 * 1024);
    ASSERT_TRUE(fromPlain && fromInterlaced && fromPalette && fromGrey && fromGif);
    EXPECT_EQ(fromInterlaced->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(fromInterlaced->pixels().format(), QImage::Format_RGB32);
    EXPECT_EQ(pixelAt(*fromInterlaced, 2047, 2047), pixelAt(*fromPlain, 2047, 2047));
    EXPECT_EQ(pixelAt(*fromPalette, 2047, 2047), QColor(Qt::black));
    // Grey pixels come as the same grey in RGB.
    EXPECT_EQ(fromGrey->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(fromGrey->pixels().format(), QImage::Format_RGB32);
    EXPECT_EQ(pixelAt(*fromGrey, 1000, 2047), QColor(90, 90, 90));
    EXPECT_EQ(fromGif->pixels().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(pixelAt(*fromGif, 1000, 1000).alpha(), 0);
}

// A picture decoded alone is laid out where it was decoded: a GIF's transparent canvas of
// 2,000 x 2,000 pixels (16 MB) is made premultiplied in place once its decoder has let go of it,
// not copied, so that the process's resident peak rises by one canvas, not two. A read after
// that last one gives nothing, though the GIF has a frame more.
TEST_F(ImageTest, APictureDecodedAloneIsLaidOutWhereItWasDecoded) {
    ui::ImageReader last(gifOf({4, 4}, {QRect(0, 0, 2, 2), QRect(2, 2, 2, 2)}, true));
    EXPECT_EQ(last.readLast().pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_TRUE(last.read().isNull());

    const QByteArray gif = gifOf({2000, 2000}, {QRect(0, 0, 2, 2), QRect(1998, 1998, 2, 2)}, true);
    std::shared_ptr<Image> image;
    const auto peak = residentPeakGrowthWhile([&] { image = Image::imageWithData(gif); });
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixels().size(), QSize(2000, 2000));
    EXPECT_EQ(pixelAt(*image, 1, 1), QColor(Qt::red));
    EXPECT_EQ(pixelAt(*image, 1000, 1000), QColor(0, 0, 0, 0));
    if (!peak) GTEST_SKIP() << "the system does not tell the resident peak";
    EXPECT_LT(*peak, 24 * 1024 * 1024);
}

// The PNGs that the platform's decoder decodes whole are read at the step that reaches the bound
// (SampledPngTest holds what the blocks read are).
TEST_F(ImageTest, APngDecodedWholeIsReadAtTheStepThatReachesTheBound) {
    QImage pattern(48, 32, QImage::Format_ARGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            pattern.setPixel(x, y, qRgba(x * 5, y * 8, (x * 3 + y * 7) % 256, 255 - x - y));
        }
    }
    // Rows and columns that the steps do not divide, read and scaled to the bound.
    const QByteArray odd = pngOf(pattern.copy(0, 0, 43, 29), 29);
    EXPECT_EQ(Image::imageWithData(odd, 1, 6 * 4)->pixels().size(), QSize(5, 4));
    EXPECT_EQ(Image::imageWithData(odd, 1, 22 * 15)->pixels().size(), QSize(22, 14));
    // Its whole size within the bound, it decodes whole; cut off in its first pass, not at all.
    EXPECT_EQ(Image::imageWithData(odd)->pixels().size(), QSize(43, 29));
    EXPECT_EQ(Image::imageWithData(odd.left(60), 1, 6 * 4), nullptr);

    // A picture long on one side only: 10 x 5,000 within 4,096 pixels is 2 x 1,431, which
    // every 8th or 4th pixel would reach across but not down; it is read every 2nd, interlaced
    // or not. Interlaced, its read holds its even rows, a byte a sample.
    QImage greyThin(10, 5000, QImage::Format_Grayscale8);
    for (int y = 0; y < greyThin.height(); ++y) std::memset(greyThin.scanLine(y), y % 251, 10);
    const std::pair<QByteArray, int> thinPictures[] = {
        {pngOf(pattern.copy(0, 0, 10, 32), 5000), 2500 * 10 * 4},
        {pngOf(pattern.copy(0, 0, 10, 32).convertToFormat(QImage::Format_RGB32), 5000),
         2500 * 10 * 3},
        {encoded(greyThin, "PNG"), 0}};  // read row by row
    for (const auto& [bytes, sampledBytes] : thinPictures) {
        ui::ImageReader reader(bytes, 4096);
        EXPECT_EQ(reader.read().size(), QSize(2, 1431)) << sampledBytes;
        EXPECT_EQ(reader.decodingBytes(), sampledBytes + 2 * 1431 * 4);
    }
}

// A PNG read every few pixels is gone past as it is read, not by its decoder: the skip reads it
// sampled, and after it the picture has ended, as after a read; cut off, it is not gone past.
TEST_F(ImageTest, APngReadEveryFewPixelsIsGonePastAsItIsRead) {
    const QByteArray png = flatPng(5000, 5000);
    ui::ImageReader reader(png);
    EXPECT_TRUE(reader.skip());
    EXPECT_EQ(reader.decodingBytes(), 2048 * 2048 * 4);
    EXPECT_TRUE(reader.read().isNull());
    ui::ImageReader cut(png.left(png.size() / 2));
    EXPECT_FALSE(cut.skip());
}

// An animated WebP on a canvas of `canvas` whose frames are the lossless WebPs `frames`, each at
// the canvas's corner: its extended header saying so, the animation's header, and a frame chunk
// around each picture's own chunk.
QByteArray animatedWebp(QSize canvas, const std::vector<QByteArray>& frames) {
    const auto chunk = [](const char* type, QByteArray data) {
        QByteArray length(4, '\0');
        qToLittleEndian(quint32(data.size()), length.data());
        if (data.size() % 2 == 1) data.append('\0');
        return QByteArray(type, 4) + length + data;
    };
    const auto threeBytes = [](int value) {
        return QByteArray(1, char(value & 0xff)) + char(value >> 8 & 0xff) + char(value >> 16);
    };
    QByteArray body =
        "WEBP" + chunk("VP8X", QByteArray("\x02\0\0\0", 4) + threeBytes(canvas.width() - 1) +
                                   threeBytes(canvas.height() - 1));
    body += chunk("ANIM", QByteArray(6, '\0'));
    for (const QByteArray& frame : frames) {
        const QSize size = ui::ImageReader(frame).size();
        // Its place (halved), its size less one, 100 ms, drawn over what was there.
        body += chunk("ANMF", threeBytes(0) + threeBytes(0) + threeBytes(size.width() - 1) +
                                  threeBytes(size.height() - 1) + threeBytes(100) + '\0' +
                                  frame.mid(12));
    }
    QByteArray length(4, '\0');
    qToLittleEndian(quint32(body.size()), length.data());
    return "RIFF" + length + body;
}

// A picture of smooth shading, as a photo's sky, its alpha falling across it where `alpha`;
// every third column nearly transparent red where `stripes`, which must not tint its
// neighbours when they are averaged.
QImage shaded(QSize size, bool alpha, bool stripes) {
    QImage image(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(x, y,
                           stripes && x % 3 == 0
                               ? qRgba(255, 0, 0, 8)
                               : qRgba(x * 255 / size.width(), y * 255 / size.height(), 160,
                                       alpha ? 255 - x * 128 / size.width() : 255));
        }
    }
    return image;
}

// `bytes` as the platform's decoder decodes them whole, scaled down to `size` in premultiplied
// pixels: the road they took before they were scaled as they are decoded.
QImage decodedWholeThenScaled(const QByteArray& bytes, QSize size) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "webp");
    return ui::ImageReader::drawingPixels(reader.read())
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A still WebP past the bound is scaled as libwebp decodes it, not decoded whole first: it shows
// the picture it showed decoded whole and scaled, lossy or lossless, opaque or translucent (the
// stripes weighed by their alpha), and its read takes a share for its result and what libwebp
// holds beside it: a lossless picture whole, a lossy one's alpha plane. Within the bound it is
// decoded whole by the platform's decoder, as before, its share counting libwebp's too. The
// picture is read once: a second read, or a read after a skip, gives nothing.
TEST_F(ImageTest, AStillWebpPastTheBoundIsScaledAsItIsDecoded) {
    const QSize size(240, 160);
    constexpr std::int64_t kBound = 120 * 80;
    constexpr std::int64_t kResult = kBound * 4;
    constexpr std::int64_t kPixels = 240 * 160;
    const std::tuple<const char*, QByteArray, std::int64_t> pictures[] = {
        {"lossy", webpOf(shaded(size, false, false), false), kResult},
        {"lossy with alpha", webpOf(shaded(size, true, false), false), kResult + kPixels},
        {"lossless", webpOf(shaded(size, false, false), true), kResult + kPixels * 4},
        {"lossless with alpha", webpOf(shaded(size, true, true), true), kResult + kPixels * 4}};
    for (const auto& [kind, bytes, held] : pictures) {
        ui::ImageReader reader(bytes, kBound);
        const QImage picture = reader.read();
        ASSERT_EQ(picture.size(), QSize(120, 80)) << kind;
        EXPECT_EQ(reader.decodingBytes(), held) << kind;
        EXPECT_TRUE(picturesMatch(picture, decodedWholeThenScaled(bytes, {120, 80}),
                                  PictureTolerance{.levels = 6}))
            << kind;
        EXPECT_TRUE(reader.read().isNull()) << kind;
        ui::ImageReader skipped(bytes, kBound);
        EXPECT_TRUE(skipped.skip()) << kind;
        EXPECT_TRUE(skipped.read().isNull()) << kind;
    }
    const auto& lossless = std::get<1>(pictures[2]);
    ui::ImageReader whole(lossless);
    EXPECT_EQ(whole.read().size(), QSize(240, 160));
    EXPECT_EQ(whole.decodingBytes(), kPixels * 4 + kPixels * 4);
    const auto& lossy = std::get<1>(pictures[0]);
    ui::ImageReader wholeLossy(lossy);
    EXPECT_EQ(wholeLossy.read().size(), QSize(240, 160));
    EXPECT_EQ(wholeLossy.decodingBytes(), kPixels * 4);

    // Bytes cut off give nothing, as they gave decoded whole; libwebp is asked for no size
    // larger than the picture, nor an empty one.
    for (const qsizetype kept : {lossy.size() / 2, lossy.size() - 1}) {
        EXPECT_TRUE(decodedWholeThenScaled(lossy.left(kept), {120, 80}).isNull()) << kept;
        EXPECT_EQ(Image::imageWithData(lossy.left(kept), 1, kBound), nullptr) << kept;
    }
    EXPECT_TRUE(ui::ScaledWebp::readScaled(lossy, {241, 160}).isNull());
    EXPECT_TRUE(ui::ScaledWebp::readScaled(lossy, {0, 0}).isNull());
    EXPECT_EQ(ui::ScaledWebp::readScaled(lossy, {240, 160}).size(), QSize(240, 160));
}

// An animated WebP is decoded by the platform's decoder, each frame on its whole canvas, then
// scaled: libwebp's scaling decode reads stills alone. Its share counts the canvas.
TEST_F(ImageTest, AnAnimatedWebpPastTheBoundIsDecodedWholeThenScaled) {
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue = red;
    blue.fill(Qt::blue);
    const QByteArray animated = animatedWebp({64, 48}, {webpOf(red, true), webpOf(blue, true)});
    EXPECT_FALSE(ui::ScaledWebp::isStill(animated));
    EXPECT_EQ(ui::ScaledWebp::bytesHeldBeside(animated), 0);
    ui::ImageReader reader(animated, 16 * 12);
    const QImage first = reader.read();
    ASSERT_EQ(first.size(), QSize(16, 12));
    EXPECT_EQ(first.pixel(8, 6), qRgb(255, 0, 0));
    EXPECT_EQ(reader.read().pixel(8, 6), qRgb(0, 0, 255));
    EXPECT_EQ(reader.decodingBytes(), 64 * 48 * 4 + 16 * 12 * 4);
}

// A picture decoded whole takes a share for the layout its decoder holds it in: a TIFF of 16
// bits a sample eight bytes a pixel, one of 8 bits four, and a grey one four too, as it is made
// four bytes a pixel to be shown.
TEST_F(ImageTest, APictureDecodedWholeTakesAShareForTheLayoutItsDecoderHolds) {
    QImage deep(64, 48, QImage::Format_RGBX64);
    deep.fill(QColor(40, 90, 200));
    const std::tuple<const char*, QImage, std::int64_t> pictures[] = {
        {"16 bits", deep, 8},
        {"8 bits", deep.convertToFormat(QImage::Format_RGB32), 4},
        {"grey", deep.convertToFormat(QImage::Format_Grayscale8), 4}};
    for (const auto& [kind, image, bytesAPixel] : pictures) {
        const QByteArray tiff = encoded(image, "TIFF");
        ui::ImageReader scaled(tiff, 16 * 12);
        EXPECT_EQ(scaled.read().size(), QSize(16, 12)) << kind;
        EXPECT_EQ(scaled.decodingBytes(), 64 * 48 * bytesAPixel + 16 * 12 * 4) << kind;
        ui::ImageReader whole(tiff);
        EXPECT_EQ(whole.read().size(), QSize(64, 48)) << kind;
        EXPECT_EQ(whole.decodingBytes(), 64 * 48 * bytesAPixel) << kind;
    }
}

// `bmp` with its rows stored from the top down, its header telling a negative height.
QByteArray storedTopDown(const QByteArray& bmp) {
    const auto pixelsAt = qFromLittleEndian<quint32>(bmp.constData() + 10);
    const auto height = qFromLittleEndian<qint32>(bmp.constData() + 22);
    const auto rowBytes = (qFromLittleEndian<qint32>(bmp.constData() + 18) * bmp[28] + 31) / 32 * 4;
    QByteArray topDown = bmp;
    qToLittleEndian<qint32>(-height, topDown.data() + 22);
    for (int row = 0; row < height; ++row) {
        topDown.replace(pixelsAt + row * rowBytes, rowBytes,
                        bmp.mid(pixelsAt + (height - 1 - row) * rowBytes, rowBytes));
    }
    return topDown;
}

QImage opaque(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

// A BMP may store its rows from the top down, its header telling a negative height; its decoder
// makes as many rows as of one stored from the bottom up, and so it is weighed: shown the right
// way up, on the same road and for the same share as its twin stored bottom up, whole and as a
// thumbnail; past what one read may allocate, nothing. A thumbnail of a large one
// takes the share of its rows made four bytes a pixel and its result, and holds the rows as its
// decoder makes them (1 bit a pixel) scaled a band at a time, not made four bytes a pixel whole
// (48 MB).
TEST_F(ImageTest, ATopDownBmpIsWeighedAndShownAsItsTwinStoredBottomUp) {
    const QByteArray bottomUp = encoded(patterned(), "BMP");
    const QByteArray topDown = storedTopDown(bottomUp);
    ASSERT_NE(topDown, bottomUp);
    ASSERT_EQ(ui::ImageReader(bottomUp).size(), QSize(20, 20));
    EXPECT_EQ(ui::ImageReader(topDown).size(), QSize(20, 20));
    for (const std::int64_t bound : kWholeAndThumbnail) {
        ui::ImageReader fromTop(topDown, bound);
        ui::ImageReader fromBottom(bottomUp, bound);
        const QImage top = fromTop.read();
        ASSERT_FALSE(top.isNull()) << bound;
        EXPECT_EQ(top, fromBottom.read()) << bound;
        EXPECT_EQ(fromTop.decodingBytes(), fromBottom.decodingBytes()) << bound;
    }
    const auto shown = Image::imageWithData(topDown);
    ASSERT_TRUE(shown);
    EXPECT_EQ(opaque(shown->pixels()), opaque(patterned()));

    // The most its decoder makes is what one read may allocate, four bytes a pixel.
    using standin::FlatPicture;
    for (const std::int64_t bound : kWholeAndThumbnail) {
        EXPECT_FALSE(Image::imageWithData(FlatPicture::bmp({5793, 5793}, 1, true), 1, bound));
    }
    const auto largest = Image::imageWithData(FlatPicture::bmp({5790, 5790}, 1, true), 1, 16);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->pixels().size(), QSize(4, 4));
    EXPECT_EQ(pixelAt(*largest, 3, 3), QColor(120, 170, 210));

    for (const int bits : {1, 8}) {
        ui::ImageReader twin(FlatPicture::bmp({4000, 3000}, bits), 16 * 12);
        EXPECT_EQ(twin.read().size(), QSize(16, 12)) << bits;
        const QByteArray large = FlatPicture::bmp({4000, 3000}, bits, true);
        ui::ImageReader thumbnail(large, 16 * 12);
        QImage image;
        const auto peak = residentPeakGrowthWhile([&] { image = thumbnail.read(); });
        ASSERT_EQ(image.size(), QSize(16, 12)) << bits;
        EXPECT_EQ(pixelAt(image, 15, 11), QColor(120, 170, 210)) << bits;
        EXPECT_TRUE(thumbnail.holdsShare()) << bits;
        EXPECT_EQ(thumbnail.decodingBytes(), 4000 * 3000 * 4 + 16 * 12 * 4) << bits;
        EXPECT_EQ(thumbnail.decodingBytes(), twin.decodingBytes()) << bits;
        if (peak) {
            EXPECT_LT(*peak, 24 * 1024 * 1024) << bits;
        }
    }
}

// An icon file's decoder reads its first picture, however many its directory lists; a PNG at the
// size its own header declares, whatever the directory says (256 x 256 at most), in the layout
// the PNG decoder makes. So it is weighed: a PNG of 1,200 x 1,000 listed at 256 x 256 takes the
// share of its own pixels, eight bytes a pixel for 16 bits a sample, and past what one read may
// allocate gives nothing; one listed second is not decoded, and weighs nothing.
// Small icons and cursors show as they are, of a PNG or of a BMP.
TEST_F(ImageTest, AnIconsPngIsWeighedByItsOwnHeaderNotByTheDirectory) {
    using standin::FlatPicture;
    const QByteArray smallPng = encoded(patterned(), "PNG");
    const QByteArray bmpIcon = encoded(patterned(), "ICO");
    for (const bool cursor : {false, true}) {
        const QByteArray icon = FlatPicture::icon({smallPng}, cursor);
        ASSERT_EQ(ui::PictureFormat::of(icon), cursor ? "cur" : "ico");
        EXPECT_EQ(ui::ImageReader(icon).size(), QSize(20, 20)) << cursor;
        EXPECT_TRUE(shownOnEveryRoad(icon)) << cursor;
        const auto shown = Image::imageWithData(icon);
        ASSERT_TRUE(shown) << cursor;
        EXPECT_EQ(opaque(shown->pixels()), opaque(patterned())) << cursor;
    }
    EXPECT_TRUE(shownOnEveryRoad(bmpIcon));
    EXPECT_EQ(opaque(Image::imageWithData(bmpIcon)->pixels()), opaque(patterned()));

    const std::pair<FlatPicture::Pixels, std::int64_t> kinds[] = {
        {FlatPicture::Pixels::ColourAndAlpha, 4}, {FlatPicture::Pixels::DeepColourAndAlpha, 8}};
    for (const auto& [pixels, bytesAPixel] : kinds) {
        for (const bool cursor : {false, true}) {
            const QByteArray png = FlatPicture::png({1200, 1000}, false, pixels);
            ui::ImageReader reader(FlatPicture::icon({png}, cursor), 16 * 16);
            const QImage thumbnail = reader.read();
            ASSERT_EQ(thumbnail.size(), QSize(17, 14)) << bytesAPixel;
            EXPECT_EQ(pixelAt(thumbnail, 16, 13), QColor(120, 170, 210)) << bytesAPixel;
            EXPECT_TRUE(reader.holdsShare()) << bytesAPixel;
            EXPECT_EQ(reader.decodingBytes(), 1200 * 1000 * bytesAPixel + 17 * 14 * 4)
                << bytesAPixel;
        }
    }
    const QByteArray largePng = FlatPicture::png({1200, 1000}, false);
    const QByteArray smallBmp = bmpIcon.mid(qFromLittleEndian<quint32>(bmpIcon.constData() + 18));
    {
        ui::ImageReader largeFirst(FlatPicture::icon({largePng, smallBmp}), 16 * 16);
        EXPECT_EQ(largeFirst.read().size(), QSize(17, 14));
        EXPECT_EQ(largeFirst.decodingBytes(), 1200 * 1000 * 4 + 17 * 14 * 4);
    }
    ui::ImageReader smallFirst(FlatPicture::icon({smallBmp, largePng}));
    EXPECT_EQ(opaque(smallFirst.read()), opaque(patterned()));
    EXPECT_FALSE(smallFirst.holdsShare());

    // The most its decoder makes is what one read may allocate, four bytes a pixel.
    const auto greyIcon = [](QSize size) {
        return FlatPicture::icon({FlatPicture::png(size, false, FlatPicture::Pixels::Grey)});
    };
    for (const std::int64_t bound : kWholeAndThumbnail) {
        EXPECT_FALSE(Image::imageWithData(greyIcon({5793, 5793}), 1, bound));
    }
    const auto largest = Image::imageWithData(greyIcon({5790, 5790}), 1, 16);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->pixels().size(), QSize(4, 4));
}

// A header that tells no size gives nothing on every road, before any check would be passed
// over: a BMP of no height, a top-down BMP whose height has no magnitude to take, an icon cut in
// its directory, an icon whose PNG is cut before its header ends or declares no width.
TEST_F(ImageTest, AHeaderThatTellsNoSizeGivesNothing) {
    const QByteArray bmp = encoded(patterned(), "BMP");
    QByteArray noHeight = bmp;
    qToLittleEndian<qint32>(0, noHeight.data() + 22);
    QByteArray mostNegative = bmp;
    qToLittleEndian<qint32>(std::numeric_limits<qint32>::min(), mostNegative.data() + 22);
    const QByteArray png = encoded(patterned(), "PNG");
    QByteArray noWidth = png;
    qToBigEndian<quint32>(0, noWidth.data() + 16);
    const QByteArray icon = standin::FlatPicture::icon({png});
    const std::pair<const char*, QByteArray> headers[] = {
        {"BMP of no height", noHeight},
        {"BMP of the most negative height", mostNegative},
        {"icon cut in its directory", icon.left(12)},
        {"icon whose PNG is cut", standin::FlatPicture::icon({png.left(20)})},
        {"icon whose PNG declares no width", standin::FlatPicture::icon({noWidth})}};
    for (const auto& [kind, bytes] : headers) {
        EXPECT_TRUE(givesNothingOnEveryRoad(bytes)) << kind;
    }
}

// Scaling down, each pixel of the result is the average of the pixels it covers, those at its
// edges weighed by how much of them it covers, in premultiplied pixels whatever layout they
// come in.
TEST_F(ImageTest, ScalingDownAveragesThePixelsEachCovers) {
    // Three columns into two: the middle one half in each; two rows into one.
    QImage rows(3, 2, QImage::Format_RGB32);
    const int reds[2][3] = {{30, 90, 150}, {60, 120, 180}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) rows.setPixel(x, y, qRgb(reds[y][x], 0, 0));
    }
    const QImage scaled = ui::RowScaler::scaled(rows, {2, 1});
    ASSERT_EQ(scaled.format(), QImage::Format_RGB32);
    EXPECT_EQ(scaled.pixel(0, 0), qRgb((2 * 45 + 105) / 3, 0, 0));
    EXPECT_EQ(scaled.pixel(1, 0), qRgb((105 + 2 * 165) / 3, 0, 0));
    // And three rows into two.
    QImage column(1, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) column.setPixel(0, y, qRgb(45 + 60 * y, 0, 0));
    const QImage down = ui::RowScaler::scaled(column, {1, 2});
    EXPECT_EQ(down.pixel(0, 0), qRgb((2 * 45 + 105) / 3, 0, 0));
    EXPECT_EQ(down.pixel(0, 1), qRgb((105 + 2 * 165) / 3, 0, 0));
    // A transparent pixel adds no colour.
    QImage halfClear(2, 1, QImage::Format_ARGB32);
    halfClear.setPixel(0, 0, qRgba(200, 0, 0, 255));
    halfClear.setPixel(1, 0, qRgba(0, 0, 200, 0));
    const QImage blended = ui::RowScaler::scaled(halfClear, {1, 1});
    ASSERT_EQ(blended.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(blended.pixel(0, 0), qRgba(100, 0, 0, 128));
    // Pixels of a palette, made four bytes a band of rows at a time.
    QImage indexed(4, 130, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar row[] = {0, 0, 1, 1};
        std::memcpy(indexed.scanLine(y), row, 4);
    }
    const QImage fromIndexed = ui::RowScaler::scaled(indexed, {2, 65});
    ASSERT_EQ(fromIndexed.size(), QSize(2, 65));
    EXPECT_EQ(fromIndexed.pixel(0, 64), qRgb(255, 0, 0));
    EXPECT_EQ(fromIndexed.pixel(1, 64), qRgb(0, 0, 255));
    // It only scales down.
    EXPECT_TRUE(ui::RowScaler::scaled(rows, {4, 1}).isNull());
}

// The weights of a side scaled down, of pixels, of blocks and of pairs, odd and even lengths,
// to every size: each result pixel's weights sum to one, each unit (a pixel, or a block)
// weighs what of the side it is, whatever its pair or a result pixel's edge does to it (the
// last pixel of an odd side in pairs half of it, its neighbour the other half), a span's units
// are in order and at most AreaWeights::kMostUnits, and the two of a pair weigh alike in every
// result pixel at no unevenness and within it otherwise.
TEST_F(ImageTest, AreaWeightsGiveEachResultPixelAllOfItsShareAndEachPixelItsPlace) {
    using ui::AreaWeights;
    // `uneven` below 0: weights not of pairs.
    const auto check = [](const AreaWeights& weights, int length, int step, int cells,
                          double uneven, const std::string& name) {
        SCOPED_TRACE(name + " of " + std::to_string(length) + " to " + std::to_string(cells));
        const int units = (length + step - 1) / step;
        std::vector<double> ofCells(std::size_t(cells), 0);
        // Each unit's weight in each result pixel.
        std::vector<std::vector<double>> ofUnits(std::size_t(units),
                                                 std::vector<double>(std::size_t(cells), 0));
        int next = 0;
        for (const AreaWeights::Span& span : weights.spans()) {
            ASSERT_EQ(span.from, next);
            ASSERT_GT(span.to, span.from);
            ASSERT_LE(span.to - span.from, AreaWeights::kMostUnits);
            next = span.to;
            for (const AreaWeights::Share* share = weights.shares(span);
                 share < weights.sharesEnd(span); ++share) {
                ASSERT_GE(share->cell, 0);
                ASSERT_LT(share->cell, cells);
                ASSERT_GT(share->weight, 0);
                for (int unit = span.from; unit < span.to; ++unit) {
                    ofCells[std::size_t(share->cell)] += share->weight;
                    ofUnits[std::size_t(unit)][std::size_t(share->cell)] += share->weight;
                }
            }
        }
        ASSERT_EQ(next, units);
        for (int cell = 0; cell < cells; ++cell) {
            EXPECT_NEAR(ofCells[std::size_t(cell)], 1.0, 1e-4) << "result pixel " << cell;
        }
        for (int unit = 0; unit < units; ++unit) {
            double pixels = std::min(length, (unit + 1) * step) - unit * step;
            if (uneven >= 0 && length % 2 == 1 && length > 1 && unit >= length - 2) {
                pixels = unit == length - 1 ? 0.5 : 1.5;
            }
            double all = 0;
            for (const double weight : ofUnits[std::size_t(unit)]) all += weight;
            EXPECT_NEAR(all, pixels * cells / length, 1e-5) << "unit " << unit;
        }
        if (uneven < 0) return;
        const double most = std::floor(uneven * cells) / length + 1e-5;
        // The pair that the last pixel of an odd side shares its place with aside.
        for (int first = 0; first + 1 < length - length % 2 * 2; first += 2) {
            for (int cell = 0; cell < cells; ++cell) {
                EXPECT_LE(std::abs(ofUnits[std::size_t(first)][std::size_t(cell)] -
                                   ofUnits[std::size_t(first) + 1][std::size_t(cell)]),
                          most)
                    << "pair " << first << " in result pixel " << cell;
            }
        }
    };
    for (const int length : {1, 2, 3, 7, 10, 17, 33, 300}) {
        for (int cells = 1; cells <= std::min(length, 40); ++cells) {
            check(AreaWeights::ofBlocks(length, 1, cells), length, 1, cells, -1, "pixels");
            for (const int step : {2, 8}) {
                if ((length + step - 1) / step < cells) continue;
                check(AreaWeights::ofBlocks(length, step, cells), length, step, cells, -1,
                      "blocks of " + std::to_string(step));
            }
            for (const double uneven : {0.0, 0.3, 1.0}) {
                check(AreaWeights::ofPairs(length, cells, uneven), length, 1, cells, uneven,
                      "pairs within " + std::to_string(uneven));
            }
            // Split into pairs alike and saddles: the weights are those of pairs alike, and
            // with their saddles each pixel weighs exactly what of it each result pixel
            // covers; the saddles of a pair, and of a last pixel and its neighbour, sum to
            // nothing.
            const AreaWeights saddled = AreaWeights::ofSaddles(length, cells);
            check(saddled, length, 1, cells, 0, "pairs with saddles");
            const auto byPixel = [&](const AreaWeights& weights, bool saddles) {
                std::vector<std::vector<double>> of(std::size_t(length),
                                                    std::vector<double>(std::size_t(cells), 0));
                for (const AreaWeights::Span& span : weights.spans()) {
                    for (const AreaWeights::Share* share = weights.shares(span);
                         share < weights.sharesEnd(span); ++share) {
                        for (int pixel = span.from; pixel < span.to; ++pixel) {
                            of[std::size_t(pixel)][std::size_t(share->cell)] +=
                                saddles ? share->saddle : share->weight;
                        }
                    }
                }
                return of;
            };
            const auto exact = byPixel(AreaWeights::ofBlocks(length, 1, cells), false);
            const auto alike = byPixel(saddled, false);
            const auto saddles = byPixel(saddled, true);
            double apart = 0;
            for (int cell = 0; cell < cells; ++cell) {
                double ofAll = 0;
                for (int pixel = 0; pixel < length; ++pixel) {
                    const std::size_t at = std::size_t(pixel);
                    const std::size_t in = std::size_t(cell);
                    EXPECT_NEAR(alike[at][in] + saddles[at][in], exact[at][in], 1e-5)
                        << "pixel " << pixel << " in " << cell << " of " << length << " to "
                        << cells;
                    ofAll += saddles[at][in];
                    apart += std::abs(saddles[at][in]);
                }
                EXPECT_NEAR(ofAll, 0, 1e-5) << cell << " of " << length << " to " << cells;
            }
            EXPECT_EQ(saddled.hasSaddles(), apart > 0) << length << " to " << cells;
        }
    }
}

// Rows alike the one above them come as one, and weigh as the rows they are: runs longer than a
// band and shorter than a result row, runs across the result's rows and at the picture's end,
// in the drawing layout and in a palette; the rows asked for past the picture's end are not.
TEST_F(ImageTest, RowsAlikeScaleAsTheRowsTheyAre) {
    // 2 x 300 rows: 100 of red, 3 each of their own, 130 of blue, 1 of green, 66 of blue, into
    // 2 x 7 (each result row covers 42 6/7 rows).
    const std::pair<int, QRgb> runs[] = {
        {100, qRgb(240, 0, 0)}, {1, qRgb(0, 90, 0)},  {1, qRgb(0, 0, 30)},  {1, qRgb(70, 70, 70)},
        {130, qRgb(0, 0, 240)}, {1, qRgb(0, 250, 0)}, {66, qRgb(0, 0, 240)}};
    QImage picture(2, 300, QImage::Format_RGB32);
    std::vector<QRgb> colours;
    for (const auto& [count, colour] : runs) colours.insert(colours.end(), count, colour);
    for (int y = 0; y < 300; ++y) {
        picture.setPixel(0, y, colours[y]);
        picture.setPixel(1, y, colours[y]);
    }
    // Each result row, the average of the rows it covers, those at its edges in part.
    QImage expected(2, 7, QImage::Format_RGB32);
    for (int row = 0; row < 7; ++row) {
        double sums[3] = {};
        for (int y = 0; y < 300; ++y) {
            const double covered = std::max(0.0, std::min(y + 1.0, (row + 1) * 300.0 / 7) -
                                                     std::max(double(y), row * 300.0 / 7));
            sums[0] += qRed(colours[y]) * covered;
            sums[1] += qGreen(colours[y]) * covered;
            sums[2] += qBlue(colours[y]) * covered;
        }
        const auto average = [](double sum) { return int(std::lround(sum * 7 / 300)); };
        for (int x = 0; x < 2; ++x) {
            expected.setPixel(x, row, qRgb(average(sums[0]), average(sums[1]), average(sums[2])));
        }
    }
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    for (const QImage& source : {picture, indexed}) {
        EXPECT_TRUE(picturesMatch(ui::RowScaler::scaled(source, {2, 7}), expected,
                                  PictureTolerance{.levels = 1}))
            << source.format();
    }

    // Rows that repeat every 64, a band's length: the row after a band, alike the band's first
    // row and not the row above it, comes as itself.
    QImage periodic(3, 200, QImage::Format_RGB32);
    ui::RowScaler rowByRow({3, 200}, {3, 9}, false);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 3; ++x) {
            periodic.setPixel(x, y, qRgb(y % 64 * 4, x * 60, 255 - y % 64 * 3));
        }
        rowByRow.addRow(reinterpret_cast<const QRgb*>(periodic.constScanLine(y)));
    }
    EXPECT_TRUE(picturesMatch(ui::RowScaler::scaled(periodic, {3, 9}), rowByRow.result(),
                              PictureTolerance{.levels = 0}));

    // Rows given with a count: fewer than one adds none, more than are left the rest.
    ui::RowScaler scaler({1, 4}, {1, 2}, false);
    const QRgb grey = qRgb(100, 100, 100), white = qRgb(250, 250, 250);
    scaler.addRow(&grey, -1);
    scaler.addRow(&grey, 0);
    scaler.addRow(&grey, 2);
    EXPECT_TRUE(scaler.result().isNull()) << "two rows of four";
    scaler.addRow(&white, 5);
    const QImage counted = scaler.result();
    ASSERT_EQ(counted.size(), QSize(1, 2));
    EXPECT_EQ(counted.pixel(0, 0), grey);
    EXPECT_EQ(counted.pixel(0, 1), white);
}

// A GIF whose frames lie in a part of its canvas is decoded on that part alone, which is then
// scaled and placed where it lies on the canvas: it looks as the canvas decoded whole and
// scaled does, and holds that part, not the canvas.
TEST_F(ImageTest, AGifWhoseFramesLieInAPartOfItsCanvasIsDecodedOnThatPart) {
    // A canvas wider than high, so that a width taken for a height shows.
    const QSize canvas(4000, 2000);
    const QSize bounded(2896, 1448);
    const std::vector<QRect> frames = {QRect(2600, 1200, 300, 100), QRect(2700, 1000, 40, 400)};
    // The same frames, then two of a pixel at its corners: the frames span the canvas.
    std::vector<QRect> spanning = frames;
    spanning.insert(spanning.end(), {QRect(0, 0, 1, 1), QRect(3999, 1999, 1, 1)});
    constexpr PictureTolerance kAlike{.levels = 128, .differingPixels = 1500};
    for (const bool transparent : {false, true}) {
        const QByteArray inPart = gifOf(canvas, frames, transparent);
        const QByteArray whole = gifOf(canvas, spanning, transparent);
        ui::ImageReader partReader(inPart);
        ui::ImageReader wholeReader(whole);
        const QImage first = partReader.read();
        const QImage firstWhole = wholeReader.read();
        ASSERT_EQ(first.size(), bounded) << transparent;
        ASSERT_EQ(firstWhole.size(), bounded) << transparent;
        EXPECT_LT(partReader.decodingBytes(), bounded.width() * bounded.height() * 4 + 1024 * 1024);
        EXPECT_EQ(wholeReader.decodingBytes(),
                  4000 * 2000 * 4 + bounded.width() * bounded.height() * 4);
        // Alike but along the frames' outlines (about 1,220 pixels scaled), which the part
        // placed on whole pixels moves by less than half a pixel.
        EXPECT_TRUE(picturesMatch(first, firstWhole, kAlike)) << transparent;
        EXPECT_EQ(pixelAt(first, 1950, 800), transparent ? QColor(0, 0, 0, 0) : QColor(Qt::blue));
        EXPECT_EQ(pixelAt(first, 1950, 905), QColor(Qt::red));
        // The second frame drawn over the first.
        EXPECT_TRUE(picturesMatch(partReader.read(), wholeReader.read(), kAlike)) << transparent;
    }
    const auto source = ui::ImageSource::createWithData(gifOf(canvas, frames));
    EXPECT_EQ(source->pixelSize(), (Size{4000, 2000}));
    const auto second = source->createImageAtIndex(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->pixels().size(), bounded);
    // The frame asked for first is the one read after the frame before it, which is gone past.
    std::vector<QImage> inTurn;
    source->readFrames(1, [&](std::size_t, std::shared_ptr<Image> frame) {
        inTurn.push_back(frame->pixels());
        return true;
    });
    ASSERT_EQ(inTurn.size(), 2u);
    EXPECT_TRUE(picturesMatch(second->pixels(), inTurn[1], PictureTolerance{.levels = 0}));
    EXPECT_FALSE(picturesMatch(inTurn[0], inTurn[1], PictureTolerance{.levels = 0}));

    // The canvas is decoded whole when the part would hold more (frames spanning all but a
    // margin); a frame of no width whose codes hold no pixel draws nothing, and leaves the part
    // that of the others.
    const auto held = [](const QByteArray& bytes) {
        ui::ImageReader reader(bytes);
        EXPECT_FALSE(reader.read().isNull());
        return reader.decodingBytes();
    };
    constexpr std::int64_t kWhole = 3000 * 3000 * 4 + 2048 * 2048 * 4;
    EXPECT_EQ(held(gifOf({3000, 3000}, {QRect(2, 2, 2, 2), QRect(2996, 2996, 2, 2)})), kWhole);
    const std::int64_t ofTheFrame = held(gifOf({3000, 3000}, {QRect(10, 10, 20, 20)}));
    EXPECT_LT(ofTheFrame, kWhole / 2);
    EXPECT_EQ(held(gifOf({3000, 3000}, {QRect(10, 10, 20, 20), QRect(2000, 2000, 0, 5)})),
              ofTheFrame);
}

// The part holds the frames and a pixel of the canvas around them where the canvas goes on;
// the rest of the canvas is filled with the colour of a corner of the part that no frame
// touches: its first pixel, or its last where the part lies at the canvas's top left.
TEST_F(ImageTest, AGifPartKeepsAPixelAroundItsFramesAndTakesTheFillFromACornerTheyDoNotTouch) {
    // 3,000 x 3,000 within 2,048 x 2,048: a part of 21 or 22 pixels a side is placed on 14 or
    // 15.
    constexpr std::int64_t kResult = 2048 * 2048 * 4;
    const struct {
        QRect frame;
        std::int64_t partAndPlaced;
        QPoint red, blue;
    } cases[] = {
        // At the canvas's top left: a margin right and below only, the fill from the part's
        // last pixel.
        {QRect(0, 0, 20, 20), 21 * 21 * 4 + 14 * 14 * 4, {5, 5}, {30, 30}},
        // At its bottom right: a margin left and above only, the fill from the part's first.
        {QRect(2980, 2980, 20, 20), 21 * 21 * 4 + 14 * 14 * 4, {2045, 2045}, {2000, 2000}},
        // Within it: a margin all round.
        {QRect(1500, 1500, 20, 20), 22 * 22 * 4 + 15 * 15 * 4, {1030, 1030}, {1000, 1000}},
        // At its right edge from its top: a margin left only, the fill from the part's first
        // pixel.
        {QRect(2980, 0, 20, 3000), 21 * 3000 * 4 + 14 * 2048 * 4, {2045, 1000}, {1000, 1000}},
    };
    for (const bool transparent : {false, true}) {
        const QColor fill = transparent ? QColor(0, 0, 0, 0) : QColor(Qt::blue);
        for (const auto& [frame, partAndPlaced, red, blue] : cases) {
            ui::ImageReader reader(gifOf({3000, 3000}, {frame}, transparent));
            const QImage read = reader.read();
            ASSERT_EQ(read.size(), QSize(2048, 2048));
            EXPECT_EQ(reader.decodingBytes(), partAndPlaced + kResult) << frame.x();
            EXPECT_EQ(pixelAt(read, red.x(), red.y()), QColor(Qt::red)) << frame.x();
            EXPECT_EQ(pixelAt(read, blue.x(), blue.y()), fill) << frame.x() << transparent;
            EXPECT_EQ(pixelAt(read, 0, 2047), fill) << frame.x() << transparent;
        }
    }
}

// The part is taken only where it and the picture it is scaled to hold less than the canvas: a
// frame of 16 x 13 on 20 x 20 within 14 x 14 pixels, whose part of 18 x 15 and the 13 x 10 it is
// scaled to hold as much as the canvas, 400 pixels, has its canvas decoded whole and scaled.
TEST_F(ImageTest, AGifPartThatHoldsAsMuchAsItsCanvasIsNotTaken) {
    const QByteArray gif = gifOf({20, 20}, {QRect(1, 5, 16, 13)});
    ui::ImageReader reader(gif, 200);
    const QImage read = reader.read();
    ASSERT_EQ(read.size(), QSize(14, 14));
    EXPECT_EQ(reader.decodingBytes(), 20 * 20 * 4 + 14 * 14 * 4);
    EXPECT_TRUE(picturesMatch(
        read,
        decodedWhole(gif).front().scaled({14, 14}, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        PictureTolerance{}));
}

// A GIF cut off before its trailer (a download that stopped: the 63 bytes of a frame on a
// 162 x 65,412 canvas took a quarter of a second whole), or whose frames pass its canvas's
// edge or lie wholly off it, is decoded on the part of the canvas its frames draw on, and
// looks as its canvas decoded whole and scaled does: the decoder finds no frame past the
// bytes and none whose descriptor they cut, draws a frame's pixels up to where they are cut,
// what lies on the canvas of a frame past its edge, and nothing of a frame off it.
TEST_F(ImageTest, AGifCutOffOrWithFramesPastItsCanvasIsDecodedOnThePartItsFramesDrawOn) {
    const QSize canvas(300, 3000);
    const QSize bounded(100, 1000);
    constexpr std::int64_t kBound = 100 * 1000;
    constexpr std::int64_t kWhole = 300 * 3000 * 4 + 100 * 1000 * 4;
    // Alike but along the frames' outlines, which the part placed on whole pixels moves by less
    // than a pixel (up to 135 levels, 30 pixels of the 34 or so around a frame of 10 x 7).
    constexpr PictureTolerance kAlike{.levels = 140, .differingPixels = 40};
    const QRect frame(120, 1500, 30, 20);
    // The bytes up to a second frame's descriptor and four of its ten bytes.
    const auto secondCut = [&](bool transparent) {
        return gifOf(canvas, {frame, QRect(10, 100, 30, 20)}, transparent)
            .left(gifOf(canvas, {frame}, transparent).size() - 1 + (transparent ? 8 : 0) + 4);
    };
    const std::pair<const char*, std::function<QByteArray(bool)>> cases[] = {
        {"cut off before the trailer",
         [&](bool transparent) { return gifOf(canvas, {frame}, transparent).chopped(1); }},
        {"cut off in the frame's pixels",
         [&](bool transparent) { return gifOf(canvas, {frame}, transparent).chopped(200); }},
        {"cut off in a second frame's descriptor", secondCut},
        {"a frame past the right edge",
         [&](bool transparent) { return gifOf(canvas, {QRect(280, 1000, 40, 20)}, transparent); }},
        {"a frame past the bottom edge",
         [&](bool transparent) { return gifOf(canvas, {QRect(100, 2990, 20, 30)}, transparent); }},
        {"a frame off the canvas, below it and left of the part",
         [&](bool transparent) {
             return gifOf(canvas, {frame, QRect(0, 3005, 10, 10)}, transparent);
         }},
        {"a frame off the canvas, right of it",
         [&](bool transparent) {
             return gifOf(canvas, {frame, QRect(305, 10, 10, 10)}, transparent);
         }},
        {"every frame off the canvas",
         [&](bool transparent) { return gifOf(canvas, {QRect(310, 10, 10, 10)}, transparent); }},
    };
    const std::int64_t partOfTheFrame = [&] {
        ui::ImageReader reader(gifOf(canvas, {frame}), kBound);
        EXPECT_FALSE(reader.read().isNull());
        return reader.decodingBytes();
    }();
    EXPECT_LT(partOfTheFrame, kWhole / 2);
    for (const bool transparent : {false, true}) {
        for (const auto& [what, gif] : cases) {
            const QByteArray bytes = gif(transparent);
            const std::vector<QImage> wholeFrames = decodedWhole(bytes);
            ASSERT_FALSE(wholeFrames.empty()) << what;
            const QImage& whole = wholeFrames.front();
            ASSERT_EQ(whole.size(), canvas) << what;
            ui::ImageReader reader(bytes, kBound);
            const QImage read = reader.read();
            ASSERT_EQ(read.size(), bounded) << what;
            EXPECT_LT(reader.decodingBytes(), kWhole / 2) << what << transparent;
            EXPECT_TRUE(picturesMatch(
                read, whole.scaled(bounded, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                kAlike))
                << what << transparent;
        }
    }
    // The parts: the frame's, whatever lies off the canvas; the canvas's first pixel where
    // nothing lies on it.
    const auto held = [&](const QByteArray& bytes) {
        ui::ImageReader reader(bytes, kBound);
        EXPECT_FALSE(reader.read().isNull());
        return reader.decodingBytes();
    };
    EXPECT_EQ(held(gifOf(canvas, {frame}).chopped(1)), partOfTheFrame);
    EXPECT_EQ(held(secondCut(false)), partOfTheFrame);
    EXPECT_EQ(held(gifOf(canvas, {frame, QRect(0, 3005, 10, 10)})), partOfTheFrame);
    EXPECT_EQ(held(gifOf(canvas, {QRect(310, 10, 10, 10)})), 1 * 4 + 1 * 4 + 100 * 1000 * 4);
}

// The platform's decoder draws a frame of no width or height as any frame: its pixels row by row
// in its width, one a row where it has none, on past its height while its codes give pixels,
// down to the canvas's bottom (an interlaced frame's rows past its height every second row);
// pixels of the transparent colour in force (which the last graphic control block set, and
// holds for the frames after it) change nothing, and of a frame whose codes hold none it draws
// nothing. Such a GIF is decoded on the part of its canvas that its frames' pixels change, as
// the decoder draws its canvas whole, rather than whole.
TEST_F(ImageTest, AGifFrameOfNoWidthOrHeightCostsThePixelsItsCodesDraw) {
    // 400 x 4,000 within 200 x 2,000: a half. The part: what the frames change, and a pixel
    // around it; from an odd pixel over an even number of them, so that it is placed on whole
    // pixels and scaled as the canvas is.
    const QSize canvas(400, 4000);
    constexpr std::int64_t kBound = 200 * 2000;
    constexpr std::int64_t kResult = 200 * 2000 * 4;
    // Two frames of no width side by side at (101, `top`) and (102, `top`), each of `pixels`;
    // the first after `before`.
    const auto twoColumns = [](int top, const std::vector<int>& pixels, QByteArray before = {},
                               char flags = 0) {
        return std::vector<GifFrame>{{QRect(101, top, 0, 5), pixels, before, flags},
                                     {QRect(102, top, 0, 5), pixels, {}, flags}};
    };
    const struct {
        const char* what;
        std::vector<GifFrame> frames;
        QSize part, placed;
    } cases[] = {
        // Columns of a pixel a row, 40 rows from (101, 1,001).
        {"no width, 40 pixels", twoColumns(1001, redAndBlue(40)), {4, 42}, {2, 21}},
        {"no height, 12 pixels", {{QRect(101, 1001, 6, 0), redAndBlue(12)}}, {8, 4}, {4, 2}},
        {"no height, fewer pixels than its width",
         {{QRect(101, 1001, 10, 0), redAndBlue(4)}, {QRect(101, 1002, 10, 0), redAndBlue(4)}},
         {6, 4},
         {3, 2}},
        {"no width or height, 8 pixels",
         {{QRect(101, 1001, 0, 0), redAndBlue(8)}, {QRect(102, 1001, 0, 0), redAndBlue(8)}},
         {4, 10},
         {2, 5}},
        {"a frame whose pixels pass its height",
         {{QRect(101, 1001, 4, 2), redAndBlue(24)}},
         {6, 8},
         {3, 4}},
        // 9 of their 40 rows on the canvas.
        {"no width, to the canvas's bottom", twoColumns(3991, redAndBlue(40)), {4, 10}, {2, 5}},
        // Their 20 pixels down 34 rows: their 5 rows, then every second row; 29 rows on the
        // canvas.
        {"no width, interlaced", twoColumns(3971, redAndBlue(20), {}, '\x40'), {4, 30}, {2, 15}},
        // Its second row of pixels 8 rows down.
        {"interlaced, two rows of pixels",
         {{QRect(101, 1001, 2, 16), redAndBlue(4), {}, '\x40'}},
         {4, 18},
         {2, 9}},
        // Their first two pixels and their last two are of the transparent colour, which holds
        // for the second: 6 rows.
        {"no width, transparent at their ends",
         twoColumns(1001, {1, 1, 0, 1, 0, 0, 1, 1}, kBlueTransparent),
         {4, 8},
         {2, 4}},
        // It holds for the frame after them too, from the canvas's corner, whose pixels are all
        // of it.
        {"no width, then a frame of the transparent colour alone",
         [&] {
             auto frames = twoColumns(1001, {1, 1, 1, 0, 1, 0, 0, 0}, kBlueTransparent);
             frames.push_back({QRect(0, 0, 300, 100), std::vector<int>(9, 1)});
             return frames;
         }(),
         {4, 10},
         {2, 5}},
        {"no width and no pixels, after a frame",
         {{QRect(101, 1001, 4, 4)}, {QRect(301, 3001, 0, 5), std::vector<int>{}}},
         {6, 6},
         {3, 3}},
        // After the second, its rectangle is restored to the background (opaque, where the
        // canvas was filled transparent), beside the third's pixels, blue: the second's block
        // left no colour transparent; the third's rectangle, which its pixels do not fill, is
        // not restored.
        {"a frame whose rectangle is restored after it",
         {{QRect(101, 1001, 2, 2), std::nullopt, kBlueTransparent},
          {QRect(101, 1001, 20, 20), std::vector<int>{0, 0}, kRestoresBackground},
          {QRect(121, 1001, 2, 40), std::vector<int>(4, 1)}},
         {24, 22},
         {12, 11}},
        {"a frame that draws nothing, whose rectangle is restored after it",
         {{QRect(101, 1001, 2, 2), std::nullopt, kBlueTransparent},
          {QRect(101, 1001, 20, 20), std::vector<int>{}, kRestoresBackground},
          {QRect(121, 1001, 2, 40), std::vector<int>(4, 1)}},
         {24, 22},
         {12, 11}},
        // The decoder fills the canvas before the first frame unless that frame covers it.
        // Were the part its two rows, the frame would cover it and the decoder fill none of it:
        // the part takes a row the frame leaves, so that it is filled as the canvas is.
        {"a first frame across the canvas that draws two of its rows",
         {{QRect(0, 0, 400, 100), std::vector<int>(800, 0)}},
         {400, 102},
         {200, 51}},
        // One that covers the canvas covers the part.
        {"a first frame over the canvas that draws three of its rows",
         {{QRect(0, 0, 400, 4000), std::vector<int>(1200, 0)}},
         {400, 4},
         {200, 2}},
        // A first frame that draws nothing but covers the part, not the canvas: the part takes
        // its corner, and the pixel left of it or above it, or one right of it or below it.
        {"a first frame from (0, 1) that draws nothing",
         {{QRect(0, 1, 400, 3998), std::vector<int>{}}, {QRect(201, 2001, 2, 2)}},
         {204, 2004},
         {102, 1002}},
        {"a first frame short of the right edge that draws nothing",
         {{QRect(0, 0, 399, 4000), std::vector<int>{}}, {QRect(201, 2001, 2, 2)}},
         {400, 2004},
         {200, 1002}},
        {"a first frame short of the bottom that draws nothing",
         {{QRect(0, 0, 400, 3999), std::vector<int>{}}, {QRect(201, 2001, 2, 2)}},
         {204, 4000},
         {102, 2000}},
        // One from the canvas's corner that draws its corner: the pixel right of it.
        {"a first frame short of the right edge that draws two pixels",
         {{QRect(0, 0, 300, 4000), std::vector<int>{0, 0}}, {QRect(201, 2001, 2, 2)}},
         {302, 2004},
         {151, 1002}},
        // One that lies left of the part and above it, and would cover it once moved to its
        // corner, as it is on the canvas of the part: the part takes its corner.
        {"a first frame left of and above the part that draws nothing",
         {{QRect(101, 1001, 99, 999), std::vector<int>{}}, {QRect(201, 2001, 2, 2)}},
         {104, 1004},
         {52, 502}},
    };
    for (const auto& [what, frames, part, placed] : cases) {
        const QByteArray gif = gifOfFrames(canvas, frames);
        ui::ImageReader reader(gif, kBound);
        EXPECT_TRUE(looksAsDecodedWhole(gif, kBound, reader)) << what;
        EXPECT_EQ(reader.decodingBytes(),
                  part.width() * part.height() * 4 + placed.width() * placed.height() * 4 + kResult)
            << what;
    }
    // Codes as the decoder follows them, in frames 2 pixels wide from (101, 1,001): strings
    // of its table, and codes one past it (the string before and its first pixel again); the
    // table filled to 4,096 codes of 12 bits; a first code past the colours, drawn as it is, and
    // a code whose string goes through it, which ends the frame; clears one after the other.
    // Their pixels are those the decoder draws, as the part shows.
    constexpr int C = kClearCode, E = kEndCode;
    std::vector<int> toAFullTable = {C};
    for (int code = 0; code < 4100; ++code) toAFullTable.push_back(code % 2);
    toAFullTable.insert(toAFullTable.end(), {4095, 4000, E});
    const struct {
        const char* what;
        std::vector<int> codes;
        QByteArray before;
        int rows;
    } codeCases[] = {
        // 17 pixels, the last two of the transparent colour: 8 rows.
        {"strings and codes one past the table",
         {C, 1, 0, 6, 8, 7, 9, 0, 10, E},
         kBlueTransparent,
         8},
        {"a table of 4,096 codes", toAFullTable, {}, 2052},
        // The code past the colours was in the table before the clear.
        {"a first code past the colours and a string through it",
         {C, 1, 0, 1, 0, 1, 0, C, 7, 0, 6, E},
         {},
         4},
        {"clears one after the other", {C, C, 1, 0, 6, C, 0, 0, 6, E}, {}, 4},
    };
    for (const auto& [what, codes, before, rows] : codeCases) {
        const QByteArray gif = gifOfFrames(
            canvas, {{QRect(101, 1001, 2, 1), std::nullopt, before, 0, 2, gifCodeData(2, codes)}});
        ui::ImageReader reader(gif, kBound);
        EXPECT_TRUE(looksAsDecodedWhole(gif, kBound, reader)) << what;
        EXPECT_EQ(reader.decodingBytes(), 4 * (rows + 2) * 4 + 2 * (rows / 2 + 1) * 4 + kResult)
            << what;
    }
    // Codes of a size past what the decoder reads as the others (12 bits to start with): the
    // frame is taken to draw from its corner down to the canvas's bottom, whatever they give.
    {
        ui::ImageReader reader(
            gifOfFrames(canvas, {{QRect(101, 1001, 2, 2), std::nullopt, {}, 0, 12}}), kBound);
        EXPECT_FALSE(reader.read().isNull());
        EXPECT_EQ(reader.decodingBytes(), 4 * 3000 * 4 + 2 * 1500 * 4 + kResult);
    }

    // Two GIFs on 162 x 65,412 that the harnesses found, cut off: one of a frame of 128 x 0 off
    // the canvas, codes of no bits; one whose frames of 0 x 5 draw 7 pixels down from (77,
    // 30,000), the last 3 not of the transparent colour, between a frame of 8,703 x 1,273 from
    // the canvas's corner whose codes of no bits draw 9 pixels, all of it, and one off the canvas.
    const QByteArray offTheCanvas = QByteArray::fromHex(
        "474946383961a20084ff800000000000ffffff21f90401000000002c47495900800000000000ffff"
        "ff21f90403000000f6ffeefffefffffd024401000000ee");
    const QByteArray drawingSeven = QByteArray::fromHex(
        "474946383961a20084ff800100ff00000000ff21f9040100010001ff002c4d003075000005000002"
        "17040861a20084ff800100ff00000000ff21f90401000032002c00000000ff21f9040100010001ff"
        "002c4d00307500000500000217040861a20084ff800100ff00000000ff21f90401000032002c4d1e"
        "000047494638390000000000ff6f80000102040810003f80002f2aa9a9a9a9a9a9a9a9a9a9a9a9a9"
        "a9a900");
    ASSERT_EQ(offTheCanvas.size(), 63);
    ASSERT_EQ(drawingSeven.size(), 163);
    const QSize tall(162, 65412);
    const QSize bounded = ui::ImageReader::boundedSize(tall, ui::ImageReader::kMaxPixels);
    const std::int64_t result = std::int64_t(bounded.width()) * bounded.height() * 4;
    for (const auto& [gif, bytes] : {std::pair(offTheCanvas, 1 * 4 + 1 * 4 + result),
                                     std::pair(drawingSeven, 3 * 9 * 4 + 2 * 6 * 4 + result)}) {
        ui::ImageReader reader(gif);
        const std::vector<QImage> whole = decodedWhole(gif);
        ASSERT_FALSE(whole.empty()) << gif.size();
        for (const QImage& frame : whole) {
            // Alike but along the column, which the part placed on whole pixels moves by less
            // than a pixel (4 pixels, by up to 71 levels).
            EXPECT_TRUE(picturesMatch(reader.read(), ui::RowScaler::scaled(frame, bounded),
                                      PictureTolerance{.levels = 100, .differingPixels = 6}))
                << gif.size();
        }
        EXPECT_EQ(reader.decodingBytes(), bytes) << gif.size();
    }
}

// The blocks of a GIF are read by the sizes of their sub-blocks, as the platform's decoder reads
// them: a chain that ends with a sub-block of one byte, an extension of no sub-block, a frame's
// colour table of its own beside a frame interlaced without one. The frames found are those the
// decoder draws, and the part they draw on is decoded as the decoder draws the canvas whole.
TEST_F(ImageTest, TheBlocksOfAGifAreReadAsTheDecoderReadsThem) {
    const QSize canvas(400, 4000);
    constexpr std::int64_t kBound = 200 * 2000;
    // Frames at (101, 1,001) and (201, 2,001): their part, from (100, 1,000), is placed on
    // whole pixels.
    constexpr std::int64_t kPartAndResult = 104 * 1012 * 4 + 52 * 506 * 4 + 200 * 2000 * 4;
    const QRect first(101, 1001, 4, 4), second(201, 2001, 2, 10);
    // 16 red pixels in 10 bytes of codes: sub-blocks of 3, 3, 3 and 1.
    const QByteArray endingInOneByte = gifCodes(std::vector<int>(16, 0), 3);
    ASSERT_EQ(endingInOneByte.size(), 10 + 4 + 1);
    const std::pair<const char*, std::vector<GifFrame>> cases[] = {
        {"a frame's codes ending with a sub-block of one byte",
         {{first, std::nullopt, {}, 0, 2, endingInOneByte}, {second}}},
        {"an extension's sub-blocks ending with one of one byte",
         {{first, std::nullopt,
           QByteArray("\x21\xfe\x03"
                      "abc\x02"
                      "de\x01"
                      "f\x00",
                      12)},
          {second}}},
        {"an extension of sub-blocks of one byte",
         {{first, std::nullopt,
           QByteArray("\x21\xfe\x01"
                      "a\x01"
                      "b\x01"
                      "c\x00",
                      9)},
          {second}}},
        {"an extension of no sub-block",
         {{first}, {second, std::nullopt, QByteArray("\x21\xfe\x00", 3)}}},
        // Green, then red: the first frame green; the second's two rows of pixels 8 rows apart.
        {"a colour table of its own, then a frame interlaced without one",
         {{first, std::nullopt, {}, '\x80', 2, {}, QByteArray("\x00\xff\x00\xff\x00\x00", 6)},
          {second, std::vector<int>(4, 0), {}, '\x40'}}},
    };
    for (const auto& [what, frames] : cases) {
        const QByteArray gif = gifOfFrames(canvas, frames);
        EXPECT_EQ(decodedWhole(gif).size(), 2u) << what;
        EXPECT_EQ(ui::ImageSource::createWithData(gif)->count(), 2u) << what;
        ui::ImageReader reader(gif, kBound);
        EXPECT_TRUE(looksAsDecodedWhole(gif, kBound, reader)) << what;
        EXPECT_EQ(reader.decodingBytes(), kPartAndResult) << what;
    }
}

TEST_F(ImageTest, LargeDecodesTakeTurnsWithinTheBudgetAndSmallOnesNeverWait) {
    using ui::DecodingBudget;
    constexpr std::int64_t kMB = 1024 * 1024;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
#ifdef HOUSING_GLIBC_ALLOCATOR
    // Under the rule the app sets at its start, and between decodes, a buffer of 16 MB comes
    // from the heaps; while a share is held it gets pages of its own, which go back to the
    // system with it.
    DecodingBudget::setAllocatorRule();
    EXPECT_FALSE(getsPagesOfItsOwn(16 * kMB));
    {
        const auto share = DecodingBudget::take(4 * kMB);
        EXPECT_TRUE(getsPagesOfItsOwn(16 * kMB));
    }
    EXPECT_FALSE(getsPagesOfItsOwn(16 * kMB));
    // A decoder kept between its decodes has the rule of the time between them, and the rule of
    // decodes again once taken back to decode.
    {
        const auto key = DecodingBudget::keep(
            std::make_shared<DecodingBudget::Share>(DecodingBudget::take(4 * kMB)));
        EXPECT_FALSE(getsPagesOfItsOwn(16 * kMB));
        const auto decoder = DecodingBudget::takeBack(key);
        ASSERT_TRUE(decoder);
        EXPECT_TRUE(getsPagesOfItsOwn(16 * kMB));
    }
    EXPECT_FALSE(getsPagesOfItsOwn(16 * kMB));
#endif
    EXPECT_EQ(DecodingBudget::take(4 * kMB - 1).bytes(), 0) << "a small decode takes no share";

    QImage line(5000, 1, QImage::Format_RGB888);
    line.fill(QColor(120, 170, 210));
    const QByteArray colour = pngOf(line, 5000, false);  // 16 MB to decode
    auto held = DecodingBudget::take(100 * kMB);
    // 16 MB fit beside it, while the GIF's 77 MB wait for it, and so do 16 MB asked after them;
    // a thumbnail decodes at once.
    std::shared_ptr<Image> beside, gif, afterGif, thumbnail;
    {
        OnAThread fits([&] { beside = Image::imageWithData(colour); });
        const bool ended = fits.endsWithoutWaiting();
        EXPECT_TRUE(ended);
        if (!ended) held = {};
    }
    ASSERT_TRUE(beside);
    {
        OnAThread large([&] { gif = Image::imageWithData(gifOnAHugeCanvas()); });
        const bool largeEnded = large.endsWithoutWaiting();
        EXPECT_FALSE(largeEnded);
        OnAThread behind([&] { afterGif = Image::imageWithData(colour); });
        EXPECT_FALSE(behind.endsWithoutWaiting(largeEnded ? 0 : 1));
        OnAThread small([&] { thumbnail = Image::imageWithData(flatPng(124, 92)); });
        EXPECT_TRUE(small.endsWithoutWaiting(2));
        EXPECT_EQ(DecodingBudget::heldBytes(), 100 * kMB);
        held = {};
        large.waitForTheEnd();
        behind.waitForTheEnd();
    }
    ASSERT_TRUE(gif && afterGif && thumbnail);
    EXPECT_EQ(gif->pixels().size(), QSize(2048, 2048));

    // A share larger than the whole budget is given once no other is held.
    held = DecodingBudget::take(DecodingBudget::kBytes + kMB);
    EXPECT_EQ(held.bytes(), 129 * kMB);
    held = {};
    // A source of frames keeps no share past its last frame.
    const auto source = ui::ImageSource::createWithData(gifOnAHugeCanvas());
    ASSERT_TRUE(source->createImageAtIndex(1));
    EXPECT_EQ(DecodingBudget::heldBytes(), 0);
}

// A share that fills what the budget has left is given at once; one that does not fit waits,
// and is given as soon as enough is given back beside the shares still held.
TEST_F(ImageTest, AShareFitsTheBudgetToTheByteAndOneGivenBackLetsTheNextIn) {
    using ui::DecodingBudget;
    constexpr std::int64_t kMB = 1024 * 1024;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
    auto held = DecodingBudget::take(100 * kMB);
    DecodingBudget::Share exact;
    {
        OnAThread fills([&] { exact = DecodingBudget::take(DecodingBudget::kBytes - 100 * kMB); });
        const bool ended = fills.endsWithoutWaiting();
        EXPECT_TRUE(ended);
        if (!ended) held = {};
    }
    EXPECT_EQ(exact.bytes(), 28 * kMB);
    DecodingBudget::Share next;
    OnAThread waits([&] { next = DecodingBudget::take(20 * kMB); });
    EXPECT_FALSE(waits.endsWithoutWaiting());
    exact = {};
    waits.waitForTheEnd();
    EXPECT_EQ(held.bytes(), 100 * kMB);
    EXPECT_EQ(DecodingBudget::heldBytes(), 120 * kMB);
}

// A share taken wakes those in line behind it that fit beside it: given back, 100 MB let in the
// 60 MB asked for first, and the 8 MB shares asked for after it, which fit beside it but wait
// their turn, are given theirs as it takes its own, however the threads' wake-ups fall.
TEST_F(ImageTest, AShareTakenWakesTheNextInLineThatFits) {
    using ui::DecodingBudget;
    constexpr std::int64_t kMB = 1024 * 1024;
    constexpr int kBehind = 4;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
    for (int round = 0; round < 20; ++round) {
        auto held = DecodingBudget::take(100 * kMB);
        DecodingBudget::Share large;
        std::vector<DecodingBudget::Share> small(kBehind);
        {
            OnAThread first([&] { large = DecodingBudget::take(60 * kMB); });
            EXPECT_FALSE(first.endsWithoutWaiting());
            std::list<OnAThread> behind;
            for (int i = 0; i < kBehind; ++i) {
                behind.emplace_back([&small, i] { small[i] = DecodingBudget::take(8 * kMB); });
                EXPECT_FALSE(behind.back().endsWithoutWaiting(i + 1)) << round;
            }
            held = {};
            first.waitForTheEnd();
            for (OnAThread& waiting : behind) waiting.waitForTheEnd();
        }
        EXPECT_EQ(DecodingBudget::heldBytes(), (60 + kBehind * 8) * kMB) << round;
    }
}

// Kept decoders are let go of for a decode that finds no room, the oldest first and no more than
// it needs: the newer one is still there to be taken back. One kept while a decode waits for room
// wakes it, and goes for it.
TEST_F(ImageTest, KeptDecodersAreLetGoOfOldestFirstAndAsSoonAsADecodeWaitsForRoom) {
    using ui::DecodingBudget;
    constexpr std::int64_t kMB = 1024 * 1024;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
    const auto decoderOf = [](std::int64_t bytes) {
        return std::make_shared<DecodingBudget::Share>(DecodingBudget::take(bytes));
    };
    auto held = DecodingBudget::take(DecodingBudget::kBytes - 16 * kMB);
    {
        auto older = decoderOf(8 * kMB);
        auto newer = decoderOf(8 * kMB);
        const std::weak_ptr<void> olderSeen = older, newerSeen = newer;
        const auto olderKey = DecodingBudget::keep(std::move(older));
        const auto newerKey = DecodingBudget::keep(std::move(newer));
        const auto decoding = DecodingBudget::take(8 * kMB);
        EXPECT_TRUE(olderSeen.expired());
        EXPECT_FALSE(newerSeen.expired());
        EXPECT_EQ(DecodingBudget::takeBack(olderKey), nullptr);
        EXPECT_NE(DecodingBudget::takeBack(newerKey), nullptr);
    }

    auto decoder = decoderOf(16 * kMB);
    const std::weak_ptr<void> keptSeen = decoder;
    DecodingBudget::Share waited;
    OnAThread waits([&] { waited = DecodingBudget::take(8 * kMB); });
    EXPECT_FALSE(waits.endsWithoutWaiting());
    (void)DecodingBudget::keep(std::move(decoder));
    waits.waitForTheEnd();
    EXPECT_TRUE(keptSeen.expired());
    EXPECT_EQ(waited.bytes(), 8 * kMB);
    EXPECT_EQ(DecodingBudget::heldBytes(), DecodingBudget::kBytes - 8 * kMB);
}

// The pictures a list's rows keep on show are counted in the budget, of any size: a decode
// waits for the room they leave beside the others, and is let in as they go. They do not wait,
// nor change the allocator's rule; and a decode with no other beside it goes however many are
// shown, since the rows may show them for as long as the app runs.
TEST_F(ImageTest, PicturesOnShowAreCountedAndADecodeWaitsForTheRoomTheyLeave) {
    using ui::DecodingBudget;
    constexpr std::int64_t kMB = 1024 * 1024;
    ASSERT_EQ(DecodingBudget::heldBytes(), 0);
    {
        const auto thumbnail = DecodingBudget::hold(124 * 93 * 4);
        EXPECT_EQ(thumbnail.bytes(), 124 * 93 * 4);
        EXPECT_EQ(DecodingBudget::heldBytes(), 124 * 93 * 4);
        EXPECT_EQ(DecodingBudget::hold(0).bytes(), 0);
    }
    EXPECT_EQ(DecodingBudget::heldBytes(), 0);

    auto shown = DecodingBudget::hold(100 * kMB);
#ifdef HOUSING_GLIBC_ALLOCATOR
    DecodingBudget::setAllocatorRule();
    EXPECT_FALSE(getsPagesOfItsOwn(16 * kMB)) << "pictures on show are no decode";
#endif
    DecodingBudget::Share alone;
    {
        OnAThread decodes([&] { alone = DecodingBudget::take(DecodingBudget::kBytes); });
        const bool ended = decodes.endsWithoutWaiting();
        EXPECT_TRUE(ended) << "a decode alone goes beside the pictures on show";
        if (!ended) shown = {};
    }
    alone = {};
    DecodingBudget::Share beside;
    {
        OnAThread fits([&] { beside = DecodingBudget::take(20 * kMB); });
        const bool ended = fits.endsWithoutWaiting();
        EXPECT_TRUE(ended);
        if (!ended) shown = {};
    }
    DecodingBudget::Share next;
    OnAThread waits([&] { next = DecodingBudget::take(20 * kMB); });
    const bool ended = waits.endsWithoutWaiting();
    EXPECT_FALSE(ended) << "140 MB of pictures and decodes would pass the budget";
    shown = {};
    waits.waitForTheEnd();
    EXPECT_EQ(next.bytes(), 20 * kMB);
    EXPECT_EQ(DecodingBudget::heldBytes(), 40 * kMB);
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
