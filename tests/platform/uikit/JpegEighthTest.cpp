#include "ReferenceImage.h"

#include "platform/uikit/jpeg_eighth.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

#include <jpeglib.h>

namespace {

using ui::JpegEighth;

// A scan of a progressive script: the components it holds, by their index in the frame, the
// band of coefficients and the bits it brings.
struct ScanOfEighth {
    std::vector<int> components;
    int start = 0;
    int last = 0;
    int high = 0;
    int low = 0;
};

// `picture` as a progressive JPEG written by libjpeg: grey where `factors` names one component,
// else brightness and two colours sampled as `factors` says (across, down), in the scans of
// `script`, with a restart marker every `restartUnits` units of blocks, at `quality` (steps of 16
// bits where it takes them).
QByteArray progressiveJpeg(const QImage& picture, const std::vector<std::pair<int, int>>& factors,
                           const std::vector<ScanOfEighth>& script, unsigned restartUnits = 0,
                           int quality = 90) {
    const bool grey = factors.size() == 1;
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    unsigned char* written = nullptr;
    unsigned long writtenSize = 0;
    jpeg_mem_dest(&compress, &written, &writtenSize);
    compress.image_width = JDIMENSION(picture.width());
    compress.image_height = JDIMENSION(picture.height());
    compress.input_components = grey ? 1 : 3;
    compress.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, quality, FALSE);
    for (std::size_t index = 0; index < factors.size(); ++index) {
        compress.comp_info[index].h_samp_factor = factors[index].first;
        compress.comp_info[index].v_samp_factor = factors[index].second;
    }
    std::vector<jpeg_scan_info> scans;
    for (const ScanOfEighth& scan : script) {
        jpeg_scan_info info{};
        info.comps_in_scan = int(scan.components.size());
        for (std::size_t index = 0; index < scan.components.size(); ++index) {
            info.component_index[index] = scan.components[index];
        }
        info.Ss = scan.start;
        info.Se = scan.last;
        info.Ah = scan.high;
        info.Al = scan.low;
        scans.push_back(info);
    }
    compress.scan_info = scans.data();
    compress.num_scans = int(scans.size());
    compress.restart_interval = restartUnits;
    jpeg_start_compress(&compress, TRUE);
    const QImage rows =
        picture.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<uchar*>(rows.constScanLine(int(compress.next_scanline)));
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    QByteArray bytes(reinterpret_cast<const char*>(written), qsizetype(writtenSize));
    jpeg_destroy_compress(&compress);
    std::free(written);
    return bytes;
}

// What libjpeg decodes `bytes` to, scaled by an eighth as it reads.
QImage libjpegEighth(const QByteArray& bytes) {
    jpeg_decompress_struct decompress{};
    jpeg_error_mgr errors{};
    decompress.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompress);
    jpeg_mem_src(&decompress, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&decompress, TRUE);
    decompress.scale_num = 1;
    decompress.scale_denom = 8;
    const bool grey = decompress.num_components == 1;
    decompress.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&decompress);
    QImage image(int(decompress.output_width), int(decompress.output_height),
                 grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    while (decompress.output_scanline < decompress.output_height) {
        JSAMPROW row = image.scanLine(int(decompress.output_scanline));
        jpeg_read_scanlines(&decompress, &row, 1);
    }
    jpeg_finish_decompress(&decompress);
    jpeg_destroy_decompress(&decompress);
    return image;
}

// Whether JpegEighth reads `bytes` to libjpeg's eighth within `levels` in every channel.
::testing::AssertionResult readsAsLibjpegsEighth(const QByteArray& bytes, int levels) {
    if (!JpegEighth::reads(bytes)) return ::testing::AssertionFailure() << "not read";
    const QImage expected = libjpegEighth(bytes).convertToFormat(QImage::Format_RGB32);
    const QImage actual = JpegEighth::read(bytes).convertToFormat(QImage::Format_RGB32);
    return picturesMatch(actual, expected, PictureTolerance{levels});
}

// Colour that changes at every pixel, in every channel, so that the blocks' averages, and the
// differences between them, take every size of code.
QImage detailedPicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            picture.setPixel(x, y, qRgb((x * 7) ^ (y * 3), (x * y) & 0xff, (x + 2 * y) * 5));
        }
    }
    return picture;
}

// Colour that changes smoothly: what a colour component at a lower resolution holds past its
// blocks' averages is little.
QImage smoothPicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            picture.setPixel(x, y,
                             qRgb(x * 255 / size.width(), y * 255 / size.height(),
                                  int(128 + 90 * std::sin((x + y) / 40.0))));
        }
    }
    return picture;
}

// The AC scans of each component of `count`, whole.
std::vector<ScanOfEighth> wholeBands(int count) {
    std::vector<ScanOfEighth> scans;
    for (int component = 0; component < count; ++component) {
        scans.push_back({{component}, 1, 63, 0, 0});
    }
    return scans;
}

std::vector<ScanOfEighth> operator+(std::vector<ScanOfEighth> first,
                                    const std::vector<ScanOfEighth>& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

const std::vector<std::pair<int, int>> kFullColour = {{1, 1}, {1, 1}, {1, 1}};
const std::vector<std::pair<int, int>> kHalfColour = {{2, 2}, {1, 1}, {1, 1}};
const std::vector<std::pair<int, int>> kGreyComponent = {{1, 1}};

// `image` as a JPEG of the platform's writer, progressive.
QByteArray platformProgressive(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(image));
    return buffer.data();
}

QByteArray encodersPicture(const QString& name) {
    QFile file(referenceImagePath(QStringLiteral("platform/uikit/pictures"), name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

// Where every component is at full resolution, or the picture is grey, each pixel of the
// eighth is its block's average as libjpeg scales it, within a level: DC coefficients brought
// in one scan of all the components or in a scan each, in bits over several scans, with
// restart markers between units of blocks, on sides that no block divides.
TEST(JpegEighthTest, APictureAtFullResolutionIsItsBlocksAverages) {
    const QImage detailed = detailedPicture({213, 147});
    const std::pair<const char*, QByteArray> files[] = {
        {"colour, one scan of DC",
         progressiveJpeg(detailed, kFullColour,
                         std::vector<ScanOfEighth>{{{0, 1, 2}, 0, 0, 0, 0}} + wholeBands(3))},
        {"colour, DC in a scan each over three bits, restarts every 5 units",
         progressiveJpeg(detailed, kFullColour,
                         std::vector<ScanOfEighth>{{{2}, 0, 0, 0, 2},
                                                   {{0}, 0, 0, 0, 2},
                                                   {{1}, 0, 0, 0, 2},
                                                   {{0, 1, 2}, 0, 0, 2, 1},
                                                   {{1}, 0, 0, 1, 0},
                                                   {{0}, 0, 0, 1, 0},
                                                   {{2}, 0, 0, 1, 0}} +
                             wholeBands(3),
                         5)},
        {"grey, DC over two bits, restarts every 3 units",
         progressiveJpeg(
             detailed, kGreyComponent,
             std::vector<ScanOfEighth>{{{0}, 0, 0, 0, 1}, {{0}, 0, 0, 1, 0}} + wholeBands(1), 3)},
        {"the platform's grey",
         platformProgressive(detailed.convertToFormat(QImage::Format_Grayscale8))}};
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(JpegEighth::read(bytes).size(), QSize(27, 19)) << name;
        EXPECT_TRUE(readsAsLibjpegsEighth(bytes, 1)) << name;
    }
}

// Colour at a lower resolution than the brightness gives each of its blocks' averages to the
// pixels the block covers: as libjpeg's eighth where the colour is coarser one way only. Where
// it is coarser both ways libjpeg brings the averages of the blocks' quarters into its eighth:
// the eighth halved, each pixel covering a block of colour, is libjpeg's halved, and its
// brightness is libjpeg's. Scans of one component bring its own blocks, fewer than whole units
// of the frame hold (200 x 130 at half resolution: 25 x 17 blocks of brightness, in 13 x 9
// units).
TEST(JpegEighthTest, ColourAtALowerResolutionGivesItsBlocksAveragesToWhatTheyCover) {
    const QByteArray halfAcross =
        progressiveJpeg(smoothPicture({200, 130}), {{2, 1}, {1, 1}, {1, 1}},
                        std::vector<ScanOfEighth>{{{0, 1, 2}, 0, 0, 0, 0}} + wholeBands(3));
    EXPECT_TRUE(readsAsLibjpegsEighth(halfAcross, 1));
    EXPECT_TRUE(readsAsLibjpegsEighth(encodersPicture("progressive-422-restarts.jpg"), 1));

    const auto scanEach = [](QSize size) {
        return progressiveJpeg(
            smoothPicture(size), kHalfColour,
            std::vector<ScanOfEighth>{{{0}, 0, 0, 0, 0}, {{1}, 0, 0, 0, 0}, {{2}, 0, 0, 0, 0}} +
                wholeBands(3),
            2);
    };
    const auto halved = [](const QImage& image) {
        return image.convertToFormat(QImage::Format_RGB32)
            .scaled(image.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    for (const QByteArray& bytes :
         {scanEach({208, 128}), platformProgressive(detailedPicture({208, 128}))}) {
        EXPECT_TRUE(picturesMatch(halved(JpegEighth::read(bytes)), halved(libjpegEighth(bytes)),
                                  PictureTolerance{2}));
    }

    const std::pair<const char*, QByteArray> files[] = {
        {"a scan each, restarts every 2 units", scanEach({200, 130})},
        {"the platform's colour", platformProgressive(detailedPicture({200, 130}))}};
    for (const auto& [name, bytes] : files) {
        const QImage eighth = JpegEighth::read(bytes).convertToFormat(QImage::Format_RGB32);
        const QImage expected = libjpegEighth(bytes).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(eighth.size(), expected.size()) << name;
        for (int y = 0; y < eighth.height(); ++y) {
            for (int x = 0; x < eighth.width(); ++x) {
                // The brightness, as the decoder weighs the three colours into it.
                const auto brightness = [&](const QImage& image) {
                    const QRgb pixel = image.pixel(x, y);
                    return 0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel);
                };
                ASSERT_NEAR(brightness(eighth), brightness(expected), 1.5)
                    << name << " at " << x << ", " << y;
            }
        }
    }
}

// A picture made from the eighth is as the platform decoder's where it is no larger than the
// eighth, and, of colour at half resolution both ways, half of it: its pixels each cover a block
// of colour. Colour at half resolution across only is given to the eighth as the platform's
// decoder gives it.
TEST(JpegEighthTest, APictureIsMadeFromTheEighthWhereItsPixelsCoverABlockOfColour) {
    const QImage smooth = smoothPicture({200, 136});
    const QByteArray halfBothWays = platformProgressive(smooth);
    const QByteArray halfAcross =
        progressiveJpeg(smooth, {{2, 1}, {1, 1}, {1, 1}},
                        std::vector<ScanOfEighth>{{{0, 1, 2}, 0, 0, 0, 0}} + wholeBands(3));
    const QByteArray grey = platformProgressive(smooth.convertToFormat(QImage::Format_Grayscale8));
    const QSize eighth(25, 17);
    for (const QByteArray& bytes : {halfAcross, grey}) {
        EXPECT_TRUE(JpegEighth::readsFor(bytes, eighth));
        EXPECT_FALSE(JpegEighth::readsFor(bytes, {26, 17}));
        EXPECT_FALSE(JpegEighth::readsFor(bytes, {25, 18}));
    }
    EXPECT_FALSE(JpegEighth::readsFor(halfBothWays, eighth));
    EXPECT_FALSE(JpegEighth::readsFor(halfBothWays, {13, 8}));
    EXPECT_FALSE(JpegEighth::readsFor(halfBothWays, {12, 9}));
    EXPECT_TRUE(JpegEighth::readsFor(halfBothWays, {12, 8}));
    EXPECT_FALSE(JpegEighth::readsFor(encodersPicture("progressive-rgb.jpg"), {1, 1}));
}

// The encoders' progressive files of brightness and colour are read; the others are the
// platform decoder's: RGB (an Adobe segment that says so, or the components named R, G and B
// without one), CMYK, arithmetic codes, sequential and baseline files, 12 bits a sample, and
// sampling that is no whole division of the largest.
TEST(JpegEighthTest, OnlyProgressiveJpegsOfBrightnessAndColourAreRead) {
    const QByteArray restarts = encodersPicture("progressive-422-restarts.jpg");
    const QByteArray optimised = encodersPicture("progressive-optimised-444.jpg");
    ASSERT_FALSE(restarts.isEmpty());
    EXPECT_TRUE(JpegEighth::reads(restarts));
    EXPECT_TRUE(readsAsLibjpegsEighth(optimised, 1));

    const QByteArray rgb = encodersPicture("progressive-rgb.jpg");
    ASSERT_TRUE(rgb.contains("Adobe"));
    EXPECT_FALSE(JpegEighth::reads(rgb));
    const qsizetype adobe = rgb.indexOf("\xff\xee");
    const QByteArray rgbNamed =
        QByteArray(rgb).remove(adobe, 2 + qFromBigEndian<quint16>(rgb.constData() + adobe + 2));
    EXPECT_FALSE(JpegEighth::reads(rgbNamed));
    // The same components named 1, 2 and 3 are brightness and colour.
    QByteArray numbered = rgbNamed;
    const qsizetype frame = numbered.indexOf("\xff\xc2");
    for (int component = 0; component < 3; ++component) {
        numbered[frame + 10 + 3 * component] = char(1 + component);
    }
    EXPECT_TRUE(JpegEighth::reads(numbered));
    // A JFIF segment says brightness and colour, whatever an Adobe segment says.
    const QByteArray jfif("\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    EXPECT_TRUE(JpegEighth::reads(QByteArray(rgb).insert(2, jfif)));
    // One too short for what JFIF holds says nothing.
    EXPECT_FALSE(
        JpegEighth::reads(QByteArray(rgb).insert(2, QByteArray("\xff\xe0\x00\x07JFIF\x00", 9))));

    for (const char* name : {"progressive-cmyk.jpg", "progressive-arithmetic.jpg",
                             "sequential-scan-a-component.jpg"}) {
        const QByteArray bytes = encodersPicture(name);
        ASSERT_FALSE(bytes.isEmpty()) << name;
        EXPECT_FALSE(JpegEighth::reads(bytes)) << name;
        EXPECT_TRUE(JpegEighth::read(bytes).isNull()) << name;
    }
    const QImage smooth = smoothPicture({64, 48});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(smooth.save(&buffer, "JPEG"));
    EXPECT_FALSE(JpegEighth::reads(buffer.data()));

    const QByteArray platform = platformProgressive(smooth);
    ASSERT_TRUE(JpegEighth::reads(platform));
    const qsizetype platformFrame = platform.indexOf("\xff\xc2");
    QByteArray twelveBits = platform;
    twelveBits[platformFrame + 4] = 12;
    EXPECT_FALSE(JpegEighth::reads(twelveBits));
    // Brightness three units across, colour two.
    QByteArray thirds = platform;
    thirds[platformFrame + 11] = '\x32';
    thirds[platformFrame + 14] = '\x22';
    thirds[platformFrame + 17] = '\x22';
    EXPECT_FALSE(JpegEighth::reads(thirds));
    EXPECT_FALSE(JpegEighth::reads(QByteArray("not a JPEG")));
}

// The platform's decoder gives no picture for these, and neither does this: frames that it
// leaves to the platform's decoder (no width; too short for its components; a component sampled
// 5 across or of quantization table 4), which it does not read; a scan before the frame; a second
// frame; tables it cannot read (a Huffman table of kind 2, more codes of a length than the
// length holds, its values past its segment; a quantization table in slot 4); tables a scan
// needs missing (its DC table or its quantization table in another slot) or of DC values past
// 15; a scan naming DC table 4 or a component the frame lacks, one of DC coefficients up to
// coefficient 5, a low bit past 13, a refinement of two bits, a band of AC coefficients of three
// components, units of more than 10 blocks, a scan header of the wrong length.
TEST(JpegEighthTest, WhatADecoderCannotReadGivesNothing) {
    const QImage detailed = detailedPicture({96, 64});
    const QByteArray grey = progressiveJpeg(
        detailed, kGreyComponent,
        std::vector<ScanOfEighth>{{{0}, 0, 0, 0, 1}, {{0}, 0, 0, 1, 0}} + wholeBands(1));
    const QByteArray colour = progressiveJpeg(
        detailed, kHalfColour, std::vector<ScanOfEighth>{{{0, 1, 2}, 0, 0, 0, 0}} + wholeBands(3));
    ASSERT_TRUE(readsAsLibjpegsEighth(grey, 1));
    ASSERT_FALSE(JpegEighth::read(colour).isNull());
    const auto at = [](const QByteArray& bytes, const char* marker, int after = 0) {
        return bytes.indexOf(QByteArray(marker, 2)) + after;
    };
    const auto replaced = [](QByteArray bytes, qsizetype at, char byte) {
        bytes[at] = byte;
        return bytes;
    };
    const qsizetype frame = at(grey, "\xff\xc2");
    const qsizetype tables = at(grey, "\xff\xc4");
    const qsizetype firstScan = at(grey, "\xff\xda");
    ASSERT_LT(tables, firstScan);
    const qsizetype secondScan = grey.indexOf("\xff\xda", firstScan + 2);
    QByteArray twelveBitFrame =
        grey.mid(frame, 2 + qFromBigEndian<quint16>(grey.constData() + frame + 2));
    twelveBitFrame[4] = 12;
    // The DC table's codes with two more of one bit and two fewer of the longest lengths: as
    // many values, and more codes than the lengths hold.
    QByteArray moreShortCodes = grey;
    moreShortCodes[tables + 5] = char(moreShortCodes[tables + 5] + 2);
    for (int fewer = 2, length = 16; fewer > 0 && length > 1; --length) {
        const int taken = std::min<int>(fewer, quint8(moreShortCodes[tables + 4 + length]));
        moreShortCodes[tables + 4 + length] =
            char(quint8(moreShortCodes[tables + 4 + length]) - taken);
        fewer -= taken;
    }
    const std::pair<const char*, QByteArray> notRead[] = {
        {"a frame of no width", replaced(replaced(grey, frame + 7, 0), frame + 8, 0)},
        {"a frame too short for its component", replaced(grey, frame + 3, 10)},
        {"a component sampled 5 across", replaced(grey, frame + 11, '\x51')},
        {"a component of quantization table 4", replaced(grey, frame + 12, 4)},
        {"a scan before the frame", QByteArray(grey).insert(frame, grey.mid(firstScan, 10))}};
    for (const auto& [name, bytes] : notRead) {
        EXPECT_FALSE(JpegEighth::reads(bytes)) << name;
        EXPECT_TRUE(JpegEighth::read(bytes).isNull()) << name;
    }
    const std::pair<const char*, QByteArray> unreadable[] = {
        {"a second frame, of 12 bits", QByteArray(grey).insert(firstScan, twelveBitFrame)},
        {"a Huffman table of kind 2 before the DC table",
         QByteArray(grey).insert(tables, QByteArray("\xff\xc4\x00\x14\x20\x01", 6) +
                                             QByteArray(15, '\0') + QByteArray(1, '\0'))},
        {"two more codes of one bit, as many codes", moreShortCodes},
        {"values past the segment", replaced(grey, tables + 3, char(grey[tables + 3] - 1))},
        {"a quantization table in slot 4 before table 0",
         QByteArray(grey).insert(at(grey, "\xff\xdb"),
                                 QByteArray("\xff\xdb\x00\x43\x04", 5) + QByteArray(64, 1))},
        {"its DC table in another slot", replaced(grey, tables + 4, 1)},
        {"a DC value of 16", replaced(grey, tables + 5 + 16, 16)},
        {"its quantization table in another slot", replaced(grey, at(grey, "\xff\xdb", 4), 2)},
        {"a scan naming DC table 4", replaced(grey, firstScan + 6, '\x40')},
        {"a scan naming component 9", replaced(grey, firstScan + 5, 9)},
        {"a DC band to coefficient 5", replaced(grey, firstScan + 8, 5)},
        {"a low bit of 14", replaced(grey, firstScan + 9, 14)},
        {"a refinement of two bits", replaced(grey, secondScan + 9, '\x20')},
        {"a scan header one byte long", replaced(grey, firstScan + 3, 9)},
        {"a band of AC coefficients of three components",
         replaced(replaced(colour, at(colour, "\xff\xda", 11), 1), at(colour, "\xff\xda", 12), 63)},
        {"units of 18 blocks", replaced(colour, at(colour, "\xff\xc2", 11), '\x44')}};
    for (const auto& [name, bytes] : unreadable) {
        EXPECT_TRUE(JpegEighth::reads(bytes)) << name;
        EXPECT_TRUE(JpegEighth::read(bytes).isNull()) << name;
    }
}

// Quantization tables of 16 bits a step, which an encoder writes for its coarsest pictures,
// are read as they are.
TEST(JpegEighthTest, QuantizationStepsOfSixteenBitsAreRead) {
    const QByteArray coarse =
        progressiveJpeg(detailedPicture({96, 64}), kFullColour,
                        std::vector<ScanOfEighth>{{{0, 1, 2}, 0, 0, 0, 0}} + wholeBands(3), 0, 1);
    const qsizetype tables = coarse.indexOf("\xff\xdb");
    ASSERT_EQ(quint8(coarse[tables + 4]) >> 4, 1);
    EXPECT_TRUE(readsAsLibjpegsEighth(coarse, 1));
}

// Data cut short reads as zero bits from where it stops, and so does a scan whose data ends in
// another marker before its last restart; bytes before a restart marker are stepped over, as
// the decoder steps over them.
TEST(JpegEighthTest, DataCutShortOrOutOfStepReadsAsFarAsItGoes) {
    const QByteArray bytes = progressiveJpeg(
        detailedPicture({96, 64}), kGreyComponent,
        std::vector<ScanOfEighth>{{{0}, 0, 0, 0, 1}, {{0}, 0, 0, 1, 0}} + wholeBands(1), 4);
    const QImage whole = JpegEighth::read(bytes);
    ASSERT_EQ(whole.size(), QSize(12, 8));
    const qsizetype firstScan = bytes.indexOf("\xff\xda");
    const qsizetype secondScan = bytes.indexOf("\xff\xda", firstScan + 2);

    // Cut in its first scan: the rest of the averages are a bit short, or from zero bits.
    const QByteArray cut = bytes.left(firstScan + 10 + 20);
    const QImage cutRead = JpegEighth::read(cut);
    ASSERT_EQ(cutRead.size(), QSize(12, 8));
    EXPECT_NEAR(qGray(cutRead.pixel(0, 0)), qGray(whole.pixel(0, 0)), 1);
    // Cut before any scan: every block's average is the middle level.
    const QImage none = JpegEighth::read(bytes.left(firstScan));
    ASSERT_EQ(none.size(), QSize(12, 8));
    EXPECT_EQ(qGray(none.pixel(11, 7)), 128);

    // The first scan's data from its first restart marker on left out: the second scan's
    // header follows, and what is left of the first scan reads as it does cut there.
    const qsizetype firstRestart = bytes.indexOf("\xff\xd0", firstScan);
    ASSERT_GT(firstRestart, firstScan);
    ASSERT_LT(firstRestart, secondScan);
    const QByteArray ended = bytes.left(firstRestart) + bytes.mid(secondScan);
    const QByteArray endedAlone = bytes.left(firstRestart);
    const QImage endedRead = JpegEighth::read(ended);
    ASSERT_FALSE(endedRead.isNull());
    // The second scan refines each average by its last bit.
    const QImage endedAloneRead = JpegEighth::read(endedAlone);
    for (int x = 0; x < 12; ++x) {
        EXPECT_NEAR(qGray(endedRead.pixel(x, 7)), qGray(endedAloneRead.pixel(x, 7)), 1) << x;
    }
    // Bytes before the first restart marker, more than are read ahead of the codes.
    const QByteArray extra = QByteArray(bytes).insert(firstRestart, QByteArray(16, '\x12'));
    EXPECT_EQ(JpegEighth::read(extra), whole);
}
