#include "StandinFixture.h"

#include "standin/FlatPicture.h"
#include "standin/GifWriter.h"
#include "standin/SamplePictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <httplib.h>

#include <utility>
#include <vector>

namespace {

using standin::SamplePictures;

QImage decoded(const QByteArray& bytes, QByteArray* format = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (format) *format = reader.format();
    return reader.read();
}

// Where the frames of a GIF lie, as their image descriptors say.
std::vector<QRect> frameRects(const QByteArray& gif) {
    const auto byteAt = [&](qsizetype at) { return at < gif.size() ? int(quint8(gif[at])) : -1; };
    const auto wordAt = [&](qsizetype at) { return byteAt(at) | byteAt(at + 1) << 8; };
    const auto tableBytes = [](int flags) { return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0; };
    qsizetype at = 13 + tableBytes(byteAt(10));
    const auto skipSubBlocks = [&] {
        for (int size = byteAt(at++); size > 0; size = byteAt(at++)) at += size;
    };
    std::vector<QRect> rects;
    for (int introducer = byteAt(at++); introducer == 0x21 || introducer == 0x2c;
         introducer = byteAt(at++)) {
        if (introducer == 0x2c) {
            rects.emplace_back(wordAt(at), wordAt(at + 2), wordAt(at + 4), wordAt(at + 6));
            at += 9 + tableBytes(byteAt(at + 8)) + 1;  // the descriptor, a table, the code size
        } else {
            ++at;  // the extension's label
        }
        skipSubBlocks();
    }
    return rects;
}

// The flat WebP declares the size asked, up to the 16,384 pixels a side its header holds, in the
// same few bytes whatever the size, and decodes to it in its one colour.
TEST(SamplePicturesTest, TheFlatWebpDeclaresItsSizeInAFewBytes) {
    const QByteArray small = standin::FlatPicture::webp({300, 200});
    QByteArray format;
    const QImage picture = decoded(small, &format);
    EXPECT_EQ(format, "webp");
    ASSERT_EQ(picture.size(), QSize(300, 200));
    EXPECT_EQ(picture.pixel(299, 199), qRgb(120, 170, 210));
    const QByteArray largest = standin::FlatPicture::webp({16384, 16384});
    EXPECT_EQ(largest.size(), small.size());
    QBuffer buffer;
    buffer.setData(largest);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(QImageReader(&buffer).size(), QSize(16384, 16384));
    EXPECT_TRUE(standin::FlatPicture::webp({16385, 1}).isEmpty());
    EXPECT_TRUE(standin::FlatPicture::webp({0, 5}).isEmpty());
}

// The stand-in's GIF of frames on a huge canvas (its `gifFrames` switch) moves its frames over
// the canvas, every one of them on it, the furthest at its right and bottom edges.
TEST(SamplePicturesTest, TheFlatGifsFramesLieWithinItsCanvasToItsEdges) {
    for (const auto& [canvas, count] :
         {std::pair(QSize(397, 150), 100), std::pair(QSize(300, 100), 2)}) {
        const std::vector<QRect> frames =
            frameRects(standin::FlatPicture::gif(canvas, count, {300, 100}));
        ASSERT_EQ(frames.size(), std::size_t(count)) << canvas.width();
        QRect reached;
        for (const QRect& frame : frames) {
            EXPECT_EQ(frame.size(), QSize(300, 100));
            EXPECT_TRUE(QRect(QPoint(0, 0), canvas).contains(frame))
                << frame.x() << ", " << frame.y() << " on " << canvas.width() << " x "
                << canvas.height();
            reached |= frame;
        }
        EXPECT_EQ(reached, QRect(QPoint(0, 0), canvas));
    }
    EXPECT_TRUE(standin::FlatPicture::gif({299, 100}, 1, {300, 100}).isEmpty());
}

// The flat BMP decodes to its size in its one colour at 1 and 8 bits a pixel, stored either way
// up, its header telling a negative height for rows from the top down; of other depths, none.
// The flat icon lists its pictures at 256 x 256, and decodes to its first, as an icon or a
// cursor; the flat PNG's RGBA pixels are the same colour at 8 and 16 bits a sample.
TEST(SamplePicturesTest, TheFlatBmpAndIconDecodeToTheirPictures) {
    using standin::FlatPicture;
    for (const int bits : {1, 8}) {
        for (const bool topDown : {false, true}) {
            const QByteArray bmp = FlatPicture::bmp({37, 5}, bits, topDown);
            EXPECT_EQ(qFromLittleEndian<qint32>(bmp.constData() + 22), topDown ? -5 : 5);
            QByteArray format;
            const QImage picture = decoded(bmp, &format);
            EXPECT_EQ(format, "bmp");
            ASSERT_EQ(picture.size(), QSize(37, 5)) << bits;
            EXPECT_EQ(picture.pixel(36, 4), qRgb(120, 170, 210)) << bits;
        }
    }
    EXPECT_TRUE(FlatPicture::bmp({37, 5}, 4).isEmpty());
    EXPECT_TRUE(FlatPicture::bmp({0, 5}).isEmpty());

    const QByteArray deep =
        FlatPicture::png({30, 20}, false, FlatPicture::Pixels::DeepColourAndAlpha);
    const QByteArray translucent =
        FlatPicture::png({30, 20}, false, FlatPicture::Pixels::ColourAndAlpha);
    EXPECT_EQ(decoded(deep).format(), QImage::Format_RGBA64);
    EXPECT_EQ(decoded(deep).pixel(29, 19), qRgb(120, 170, 210));
    EXPECT_EQ(decoded(translucent).pixel(29, 19), qRgb(120, 170, 210));
    for (const bool cursor : {false, true}) {
        const QByteArray icon = FlatPicture::icon({deep, translucent}, cursor);
        EXPECT_EQ(icon.mid(6, 2), QByteArray(2, '\0'));
        EXPECT_EQ(icon.mid(22, 2), QByteArray(2, '\0'));
        QBuffer buffer;
        buffer.setData(icon);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, cursor ? "cur" : "ico");
        EXPECT_EQ(reader.imageCount(), 2);
        EXPECT_EQ(reader.read().size(), QSize(30, 20));
    }
}

TEST(SamplePicturesTest, EveryKindHasItsSizeAndRenditionsFitOrCut) {
    const std::pair<const char*, QSize> expected[] = {
        {"posts/7.jpg", {640, 480}},
        {"avatars/brokers/7.jpg", {120, 120}},
        {"avatars/users/7.jpg", {120, 120}},
        {"banners/7.jpg", {640, 240}},
        {"chat/7.jpg", {480, 640}},
        {"posts/7_120-90c_7-0.jpg", {120, 90}},
        {"posts/7_100-100c_7-0.jpg", {100, 100}},  // cut to fill
        {"posts/7_100-100_7-0.jpg", {100, 75}},    // fitted, proportions kept
        {"chat/7_120-120_5-3.jpg", {90, 120}},
        {"posts/7_99999-99999c_7-0.jpg", {2048, 2048}},  // bounded
    };
    for (const auto& [path, size] : expected) {
        const auto bytes = SamplePictures::render(path);
        ASSERT_TRUE(bytes) << path;
        EXPECT_EQ(decoded(*bytes).size(), size) << path;
    }
}

TEST(SamplePicturesTest, PicturesAreTheSameForTheSamePathAndDifferForOthers) {
    EXPECT_EQ(SamplePictures::render("posts/1_120-90c_7-0.jpg"),
              SamplePictures::render("posts/1_120-90c_7-0.jpg"));
    EXPECT_NE(SamplePictures::render("posts/1.jpg"), SamplePictures::render("posts/2.jpg"));
    // A lower quality gives fewer bytes.
    EXPECT_LT(SamplePictures::render("posts/1_640-480_2-0.jpg")->size(),
              SamplePictures::render("posts/1_640-480_9-0.jpg")->size());
}

TEST(SamplePicturesTest, AnAvatarIsAFaceOnAColouredDiscOfItsOwn) {
    const auto skinLike = [](const QColor& c) {
        return c.red() > 150 && c.red() > c.green() && c.green() > c.blue();
    };
    QList<QImage> seen;
    for (const char* path :
         {"avatars/brokers/8000010000_120-120_9-0.png",
          "avatars/brokers/8000010001_120-120_9-0.png", "avatars/users/3001_120-120_9-0.png"}) {
        const QImage avatar = decoded(*SamplePictures::render(path));
        ASSERT_EQ(avatar.size(), QSize(120, 120)) << path;
        const auto at = [&](double x, double y) {
            return avatar.pixelColor(int(x * 1.2), int(y * 1.2));
        };
        // A white ground outside the disc, the disc's colour at its rim beside the head.
        EXPECT_EQ(at(1, 1), QColor(Qt::white)) << path;
        EXPECT_NE(at(12, 50), QColor(Qt::white)) << path;
        // A face: skin between two dark eyes, and a shirt below it.
        EXPECT_TRUE(skinLike(at(50, 56))) << path;
        EXPECT_LT(at(43, 45).lightness(), 80) << path;
        EXPECT_LT(at(57, 45).lightness(), 80) << path;
        EXPECT_FALSE(skinLike(at(50, 90))) << path;
        EXPECT_NE(at(50, 90), at(12, 50)) << path;
        for (const QImage& other : seen) EXPECT_NE(avatar, other) << path;
        seen.append(avatar);
    }
}

TEST(SamplePicturesTest, FormatsFollowTheExtensionAndTheAnimationHasEightFrames) {
    QByteArray format;
    decoded(*SamplePictures::render("avatars/users/3_44-44c_7-0.png"), &format);
    EXPECT_EQ(format, "png");
    decoded(*SamplePictures::render("posts/3_64-48_7-0.webp"), &format);
    EXPECT_EQ(format, "webp");
    const auto gif = SamplePictures::render("anim/waiting.gif");
    ASSERT_TRUE(gif);
    QBuffer buffer;
    buffer.setData(*gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    EXPECT_EQ(reader.imageCount(), 8);
    EXPECT_EQ(reader.size(), QSize(64, 64));
}

TEST(SamplePicturesTest, PathsOfNoKindHaveNoPicture) {
    for (const char* path :
         {"test/red.png", "posts/", "posts/a/b.jpg", "posts/1.bmp", "posts/1_10-10_7.jpg",
          "posts/../1.jpg", "anim/a/b.gif", "avatars/1.jpg"}) {
        EXPECT_FALSE(SamplePictures::render(path)) << path;
    }
}

TEST(SamplePicturesTest, TheGifWriterKeepsDelaysAndLoopCount) {
    QImage red(3, 2, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(3, 2, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QByteArray gif = standin::GifWriter::encode({{red, 7}, {blue, 250}}, 3);
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    EXPECT_EQ(reader.imageCount(), 2);
    EXPECT_EQ(reader.loopCount(), 3);
    EXPECT_EQ(reader.read().pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(reader.nextImageDelay(), 70);
    EXPECT_EQ(reader.read().pixelColor(2, 1), QColor(Qt::blue));
    EXPECT_EQ(reader.nextImageDelay(), 2500);
    EXPECT_TRUE(standin::GifWriter::encode({}, 0).isEmpty());
}

class SamplePicturesServerTest : public StandinFixture {};

TEST_F(SamplePicturesServerTest, TheImageHostServesThemAndItsFaultSwitchesApply) {
    httplib::Client client("127.0.0.1", server().port());
    auto reply = client.Get("/img/posts/5_120-90c_7-0.jpg");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(QByteArray::fromStdString(reply->body),
              SamplePictures::render("posts/5_120-90c_7-0.jpg"));
    // The sample files are still there, and unknown pictures are missing.
    EXPECT_EQ(client.Get("/img/test/red.png")->status, 200);
    EXPECT_EQ(client.Get("/img/posts/nothing.bmp")->status, 404);

    server().setFault({.prefix = "/img/posts/", .contentType = "text/html"});
    EXPECT_EQ(client.Get("/img/posts/5.jpg")->get_header_value("Content-Type"), "text/html");
    server().setFault({.prefix = "/img/posts/", .status = 503});
    EXPECT_EQ(client.Get("/img/posts/5.jpg")->status, 503);
    server().setFault({.prefix = "/img/posts/", .body = QByteArray()});
    EXPECT_TRUE(client.Get("/img/posts/5.jpg")->body.empty());
}

}  // namespace
