// Pictures whose header declares far more pixels than a photo has, in a few bytes each, decoded
// through ui::Image::imageWithData whole (the app's bound) and as a thumbnail (within 16
// pixels), beside honest photos of 24 million pixels decoded the same ways:
//  - progressive grey JPEGs of 40,000 x 40,000 and 20,000 x 20,000 pixels (their scans whole:
//    every block's DC coefficient, then runs of blocks with no other coefficient), which the
//    JPEG decoder holds the coefficients of whole before it scales anything;
//  - PNGs of one colour: grey of 1 bit, 45,000 x 45,000, plain and interlaced; palette,
//    20,000 x 20,000; RGBA of 16 bits, 12,000 x 12,000 and 32,000 x 32,000;
//  - a baseline grey JPEG of 20,000 x 20,000 and a TIFF declaring 20,000 x 20,000;
//  - the honest photos: a grey PNG of 6,000 x 4,000 and a progressive colour JPEG of that size,
//    of a pattern with detail everywhere; and a progressive colour JPEG of such a photo and an
//    RGBA PNG of 16 bits, each of 8,192 x 8,192, the most pixels a picture may declare, to show
//    what a decode at the limit costs;
//  - JPEGs of many scans, a DC scan and then scans that refine the AC coefficients and hold
//    only runs of blocks without them (about 17 bytes a scan), whose decoder works through
//    every block of every scan before it gives a row: grey of 2,048 x 2,048 with 1,001 and
//    10,001 scans, colour of 4,096 x 4,096 with 900, grey of 8,192 x 8,192 with 20 and of
//    1,024 x 768 with 1,000; and, as many as the limits let decode, grey of 8,192 x 8,192 with
//    12 scans (12 passes over its blocks) and of 2,048 x 2,048 with 64 (64 passes, past them),
//    beside an honest progressive grey photo of 8,192 x 8,192;
//  - WebPs: a lossy photo of 6,000 x 4,000, which decodes whole within what a read may allocate,
//    and one of 8,192 x 8,192, past it; a lossless WebP of one colour of 8,192 x 8,192 (38
//    bytes), whose decoder holds the whole picture however small it is asked for;
//  - pictures the platform decodes whole, then scaled row by row (RowScaler): a BMP of 5,790 x
//    5,790 of 4 bits a pixel run-length encoded, a run of 8 pixels and the end of the picture
//    (122 bytes), and an XBM of that size of 3 bytes (82 bytes), every other row alike.
// Prints each decode's time, its ratio to the progressive photo's whole decode measured in the
// same run, and the process's resident peak while it ran (run one picture alone, with
// --benchmark_filter, for a peak of its own: the pictures are made as their benchmarks first
// run and kept).
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"
#include "standin/FlatJpeg.h"
#include "standin/FlatPicture.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <png.h>
#include <zlib.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

// A PNG of one colour (every sample 0) of `size`, its rows deflated as runs.
QByteArray flatPng(QSize size, int colorType, int bitDepth, bool interlaced = false) {
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendBytes, nullptr);
    png_set_compression_level(png, 9);
    png_set_compression_strategy(png, Z_RLE);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), bitDepth,
                 colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color black{};
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, &black, 1);
    png_write_info(png, info);
    const std::vector<png_byte> row(png_get_rowbytes(png, info));
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < size.height(); ++y) png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// A grey TIFF declaring `size`, uncompressed, whose one strip holds a row.
QByteArray tiffDeclaring(QSize size) {
    struct Entry {
        quint16 tag, type;
        quint32 value;
    };
    constexpr quint16 kShort = 3, kLong = 4;
    const std::array<Entry, 9> entries = {{{256, kLong, quint32(size.width())},
                                           {257, kLong, quint32(size.height())},
                                           {258, kShort, 8},
                                           {259, kShort, 1},
                                           {262, kShort, 1},
                                           {273, kLong, 8 + 2 + 9 * 12 + 4},
                                           {277, kShort, 1},
                                           {278, kLong, 1},
                                           {279, kLong, quint32(size.width())}}};
    QByteArray bytes("II*\0\x08\0\0\0", 8);
    const auto append = [&](auto value) {
        QByteArray field(sizeof(value), '\0');
        qToLittleEndian(value, field.data());
        bytes.append(field);
    };
    append(quint16(entries.size()));
    for (const Entry& entry : entries) {
        append(entry.tag);
        append(entry.type);
        append(quint32(1));
        if (entry.type == kShort) {
            append(quint16(entry.value));
            append(quint16(0));
        } else {
            append(entry.value);
        }
    }
    append(quint32(0));
    return bytes.append(QByteArray(size.width(), '\0'));
}

// A BMP of `side` x `side` pixels of 4 bits run-length encoded: a palette of 16 greys, a run of
// 8 pixels of two of them alternating, then the end of the picture; 122 bytes.
QByteArray runLengthBmp(int side) {
    QByteArray bytes(14 + 40 + 16 * 4, '\0');
    const auto put = [&](int at, auto value) { qToLittleEndian(value, bytes.data() + at); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(10, quint32(bytes.size()));
    put(14, quint32(40));
    put(18, qint32(side));
    put(22, qint32(side));
    put(26, quint16(1));
    put(28, quint16(4));
    constexpr quint32 kRunLength4 = 2;
    put(30, kRunLength4);
    put(34, quint32(4));
    put(46, quint32(16));
    for (int grey = 0; grey < 16; ++grey) put(54 + grey * 4, quint32(grey * 0x111111));
    bytes.append("\x08\x12\x00\x01", 4);
    put(2, quint32(bytes.size()));
    return bytes;
}

// An XBM of `side` x `side` pixels that gives the bytes of its first pixels alone.
QByteArray shortXbm(int side) {
    const QByteArray number = QByteArray::number(side);
    return "#define a_width " + number + "\n#define a_height " + number +
           "\nstatic char a_bits[]={0x55,0xaa,0x0f};\n";
}

// A sample of a picture as a photo is: broad shading, edges every few dozen pixels, and a
// little noise at every pixel.
int photoSample(int x, int y, int channel) {
    const std::uint32_t noise = (std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u) >> 28;
    const int edges = (x / 41 + y / 29) % 3 * 24;
    return (x / 32 + y / 24 + channel * 60 + edges + int(noise)) & 0xff;
}

QImage photo(QSize size, bool grey) {
    QImage image(size, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    for (int y = 0; y < size.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            if (grey) {
                line[x] = uchar(photoSample(x, y, 0));
                continue;
            }
            for (int channel = 0; channel < 3; ++channel) {
                line[x * 3 + channel] = uchar(photoSample(x, y, channel));
            }
        }
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format, bool progressive, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (progressive) writer.setProgressiveScanWrite(true);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// A progressive grey JPEG of `size`, all its scans: a DC scan giving every block the same
// level, then an AC scan of runs of blocks without other coefficients.
QByteArray progressiveGrey(QSize size) {
    return standin::FlatJpeg::progressive(size, standin::FlatJpeg::Pixels::Grey, {0});
}

// A progressive JPEG of `size` of a DC scan and then `refinements` scans that refine the AC
// coefficients of its components in turn and hold only runs of blocks without them, a few
// bytes a scan.
QByteArray manyScans(QSize size, standin::FlatJpeg::Pixels pixels, int refinements) {
    const int components = pixels == standin::FlatJpeg::Pixels::Grey ? 1 : 3;
    std::vector<int> scans;
    for (int scan = 0; scan < refinements; ++scan) scans.push_back(scan % components);
    return standin::FlatJpeg::progressive(size, pixels, scans, true);
}

struct Picture {
    const char* name;
    std::function<QByteArray()> make;
};

const std::array<Picture, 26> kPictures = {{
    {"progressive grey JPEG 40,000 x 40,000",
     [] {
         return progressiveGrey({40000, 40000});
     }},
    {"progressive grey JPEG 20,000 x 20,000",
     [] {
         return progressiveGrey({20000, 20000});
     }},
    {"grey PNG of 1 bit 45,000 x 45,000",
     [] {
         return flatPng({45000, 45000}, PNG_COLOR_TYPE_GRAY, 1);
     }},
    {"palette PNG 20,000 x 20,000",
     [] {
         return flatPng({20000, 20000}, PNG_COLOR_TYPE_PALETTE, 8);
     }},
    {"RGBA PNG of 16 bits 12,000 x 12,000",
     [] {
         return flatPng({12000, 12000}, PNG_COLOR_TYPE_RGBA, 16);
     }},
    {"RGBA PNG of 16 bits 32,000 x 32,000",
     [] {
         return flatPng({32000, 32000}, PNG_COLOR_TYPE_RGBA, 16);
     }},
    {"interlaced grey PNG of 1 bit 45,000 x 45,000",
     [] {
         return flatPng({45000, 45000}, PNG_COLOR_TYPE_GRAY, 1, true);
     }},
    {"baseline grey JPEG 20,000 x 20,000",
     [] {
         return standin::FlatJpeg::baseline({20000, 20000});
     }},
    {"TIFF declaring 20,000 x 20,000",
     [] {
         return tiffDeclaring({20000, 20000});
     }},
    {"grey PNG photo 6,000 x 4,000",
     [] {
         return encoded(photo({6000, 4000}, true), "PNG", false);
     }},
    {"progressive colour JPEG photo 6,000 x 4,000",
     [] {
         return encoded(photo({6000, 4000}, false), "JPEG", true);
     }},
    {"progressive colour JPEG 8,192 x 8,192",
     [] {
         return encoded(photo({8192, 8192}, false), "JPEG", true);
     }},
    {"RGBA PNG of 16 bits 8,192 x 8,192",
     [] {
         return flatPng({8192, 8192}, PNG_COLOR_TYPE_RGBA, 16);
     }},
    {"grey JPEG 2,048 x 2,048 of 1,001 scans",
     [] {
         return manyScans({2048, 2048}, standin::FlatJpeg::Pixels::Grey, 1000);
     }},
    {"grey JPEG 2,048 x 2,048 of 10,001 scans",
     [] {
         return manyScans({2048, 2048}, standin::FlatJpeg::Pixels::Grey, 10000);
     }},
    {"colour JPEG 4,096 x 4,096 of 900 scans",
     [] {
         return manyScans({4096, 4096}, standin::FlatJpeg::Pixels::Colour, 899);
     }},
    {"grey JPEG 8,192 x 8,192 of 20 scans",
     [] {
         return manyScans({8192, 8192}, standin::FlatJpeg::Pixels::Grey, 19);
     }},
    {"grey JPEG 1,024 x 768 of 1,000 scans",
     [] {
         return manyScans({1024, 768}, standin::FlatJpeg::Pixels::Grey, 999);
     }},
    {"grey JPEG 8,192 x 8,192 of 12 scans",
     [] {
         return manyScans({8192, 8192}, standin::FlatJpeg::Pixels::Grey, 11);
     }},
    {"grey JPEG 2,048 x 2,048 of 64 scans",
     [] {
         return manyScans({2048, 2048}, standin::FlatJpeg::Pixels::Grey, 63);
     }},
    {"progressive grey JPEG photo 8,192 x 8,192",
     [] {
         return encoded(photo({8192, 8192}, true), "JPEG", true);
     }},
    {"lossy WebP photo 6,000 x 4,000",
     [] {
         return encoded(photo({6000, 4000}, false), "webp", false, 90);
     }},
    {"lossy WebP photo 8,192 x 8,192",
     [] {
         return encoded(photo({8192, 8192}, false), "webp", false, 90);
     }},
    {"lossless WebP of one colour 8,192 x 8,192",
     [] {
         return standin::FlatPicture::webp({8192, 8192});
     }},
    {"run-length BMP 5,790 x 5,790", [] { return runLengthBmp(5790); }},
    {"XBM 5,790 x 5,790", [] { return shortXbm(5790); }},
}};
// The reference every decode is compared with: the progressive photo decoded whole.
constexpr int kReference = 10;

struct Road {
    const char* name;
    std::int64_t pixels;
};
constexpr std::array<Road, 2> kRoads = {
    {{"whole", ui::ImageReader::kMaxPixels}, {"within 16 px", 16}}};

const QByteArray& pictureBytes(std::size_t index) {
    static std::map<std::size_t, QByteArray> made;
    QByteArray& bytes = made[index];
    if (bytes.isEmpty()) bytes = kPictures[index].make();
    return bytes;
}

std::map<std::string, double> gPeaks;
std::map<std::string, bool> gShown;

void BM_Decode(benchmark::State& state) {
    const auto picture = std::size_t(state.range(0));
    const QByteArray& bytes = pictureBytes(picture);
    const std::int64_t bound = kRoads[std::size_t(state.range(1))].pixels;
    const std::string key = std::to_string(state.range(0)) + '/' + std::to_string(state.range(1));
    for (auto _ : state) {
        bench::resetPeakResident();
        auto image = ui::Image::imageWithData(bytes, 1, bound);
        gPeaks[key] = std::max(gPeaks[key], bench::peakResidentMegabytes());
        gShown[key] = bool(image);
        benchmark::DoNotOptimize(image);
    }
}

void picturesAndRoads(benchmark::internal::Benchmark* benchmark) {
    for (int picture = 0; picture < int(kPictures.size()); ++picture) {
        for (int road = 0; road < int(kRoads.size()); ++road) benchmark->Args({picture, road});
    }
    benchmark->Unit(benchmark::kMillisecond)->Iterations(1);
    bench::fastestOf<3>(benchmark);
}

BENCHMARK(BM_Decode)->Apply(picturesAndRoads);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto reference = reporter.seconds("BM_Decode/" + std::to_string(kReference) + "/0");
        std::printf("\nDecodes through Image::imageWithData, whole and within 16 pixels:\n");
        for (int picture = 0; picture < int(kPictures.size()); ++picture) {
            for (int road = 0; road < int(kRoads.size()); ++road) {
                const std::string key = std::to_string(picture) + '/' + std::to_string(road);
                const auto time = reporter.seconds("BM_Decode/" + key);
                if (!time) continue;
                std::printf("  %-46s (%6.0f KB) %-12s %9.2f ms, %-10s peak %6.0f MB",
                            kPictures[std::size_t(picture)].name,
                            double(pictureBytes(std::size_t(picture)).size()) / 1024,
                            kRoads[std::size_t(road)].name, *time * 1e3,
                            gShown[key] ? "a picture" : "nothing", gPeaks[key]);
                if (reference) {
                    std::printf(", %6.2f times the photo's whole decode (%.1f ms)",
                                *time / *reference, *reference * 1e3);
                }
                std::printf("\n");
            }
        }
    });
}
