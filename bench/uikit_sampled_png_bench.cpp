// Decoding the PNGs that the platform's decoder decodes whole (grey, grey with alpha, palette, 16
// bits a sample, interlaced colour and palette) past the bound, as ui::Image::imageWithData
// reads them (SampledPng: each pixel of the result the average of those it covers, as they
// come), side by side with the platform's decoder reading the same bytes whole and scaling the
// picture smoothly. Three sizes: 5,000 x 5,000 within the app's bound (ImageReader::kMaxPixels,
// so 2,048 x 2,048, a step of 2), and 1,600 x 1,200 within a thumbnail's 160 x 120 (a step of
// 8, each result pixel 10 x 10 pixels) and within 170 x 128 (170 x 127, each result pixel some
// 9.4 x 9.4 pixels, whose edges cut pixels). The pictures are fine patterns, every pixel unlike
// its neighbours, written by libpng at its fastest compression. Prints each decode's time and
// its ratio to the whole decode.
// Then sine gratings across 1,000 x 100 grey pixels, of periods of 32 down to 3 pixels, plain
// and interlaced, read within 1,500 pixels (122 x 12, each result pixel some 8 x 8 pixels, a
// step of 8), within 3,000 (173 x 17, some 5.8 x 5.9 pixels, a step of 4) and within 10,000
// (316 x 31, some 3.2 x 3.2 pixels, a step of 2), beside the platform's decoder reading them whole
// and scaling smoothly: each read's time, and how far each picture lies from an exact average of
// what each result pixel covers. Then a 64 x 64 interlaced PNG whose last chunk, a text, says it is
// longer than the file (10 MB, 100 MB, 1.3 GB: a file cut off, or made to cost its reader): decoded
// whole, scaled by less than half, and sampled, each beside the same picture ending as it should on
// the same road.
#include "bench/support/offscreen.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"

#include <QBuffer>
#include <QImageReader>

#include <png.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Kind {
    const char* name;
    int colorType;
    int bitDepth;
    bool interlaced;
};

constexpr std::array<Kind, 6> kKinds = {{{"grey", PNG_COLOR_TYPE_GRAY, 8, false},
                                         {"grey+alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
                                         {"palette", PNG_COLOR_TYPE_PALETTE, 8, false},
                                         {"grey 16-bit", PNG_COLOR_TYPE_GRAY, 16, false},
                                         {"interlaced", PNG_COLOR_TYPE_RGB, 8, true},
                                         {"interlaced palette", PNG_COLOR_TYPE_PALETTE, 8, true}}};

struct Bound {
    const char* name;
    QSize picture;
    std::int64_t pixels;
};

constexpr std::array<Bound, 3> kBounds = {{{"app bound", {5000, 5000}, ui::ImageReader::kMaxPixels},
                                           {"thumbnail", {1600, 1200}, 160 * 120},
                                           {"thumbnail", {1600, 1200}, 170 * 128}}};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

// A sample of the pattern at (x, y): every pixel unlike its neighbours, the whole varying
// slowly beneath.
int sample(int x, int y, int channel) {
    return ((x * 37 + y * 91 + channel * 53) ^ (x / 7 + y / 5)) & 0xff;
}

QByteArray patternPng(const Kind& kind, QSize size,
                      const std::function<int(int x, int y, int channel)>& sampleOf = sample) {
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendBytes, nullptr);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), kind.bitDepth,
                 kind.colorType, kind.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette(256);
    for (int i = 0; i < 256; ++i) {
        palette[std::size_t(i)] = {png_byte(i), png_byte(255 - i), png_byte(i * 7)};
    }
    if (kind.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette.data(), 256);
    png_write_info(png, info);
    const int channels = kind.colorType == PNG_COLOR_TYPE_RGB          ? 3
                         : kind.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                       : 1;
    const int bytesPerSample = kind.bitDepth / 8;
    std::vector<png_byte> row(std::size_t(size.width()) * channels * bytesPerSample);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < size.height(); ++y) {
            std::size_t at = 0;
            for (int x = 0; x < size.width(); ++x) {
                for (int channel = 0; channel < channels; ++channel) {
                    const int value = sampleOf(x, y, channel);
                    for (int i = 0; i < bytesPerSample; ++i) row[at++] = png_byte(value ^ i * 29);
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// The picture of a run's kind and bound, written once.
const QByteArray& pictureOf(const benchmark::State& state) {
    static std::array<std::array<QByteArray, kBounds.size()>, kKinds.size()> written;
    QByteArray& bytes = written[std::size_t(state.range(0))][std::size_t(state.range(1))];
    if (bytes.isEmpty()) {
        bytes = patternPng(kKinds[std::size_t(state.range(0))],
                           kBounds[std::size_t(state.range(1))].picture);
    }
    return bytes;
}

void BM_SampledRoad(benchmark::State& state) {
    const QByteArray& bytes = pictureOf(state);
    const std::int64_t bound = kBounds[std::size_t(state.range(1))].pixels;
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(bytes, 1, bound);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

void BM_WholeThenScaledSmoothly(benchmark::State& state) {
    const QByteArray& bytes = pictureOf(state);
    const Bound& bound = kBounds[std::size_t(state.range(1))];
    const QSize size = ui::ImageReader::boundedSize(bound.picture, bound.pixels);
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QImage whole = reader.read();
        if (whole.isNull()) return state.SkipWithError("no image");
        QImage scaled = whole.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled);
    }
}

constexpr std::array<int, 5> kPeriods = {32, 24, 12, 6, 3};
constexpr QSize kGratingSize(1000, 100);
constexpr std::array<std::int64_t, 3> kGratingBounds = {1500, 3000, 10000};

// A grey sine grating across kGratingSize of the period kPeriods[period].
QByteArray gratingPng(std::size_t period, bool interlaced) {
    return patternPng(
        {"grating", PNG_COLOR_TYPE_GRAY, 8, interlaced}, kGratingSize, [&](int x, int, int) {
            return int(
                std::lround(127.5 + 127.5 * std::sin(2 * M_PI * (x + 0.5) / kPeriods[period])));
        });
}

// The grating of a run's period, plain or interlaced, written once.
const QByteArray& gratingOf(const benchmark::State& state) {
    static std::array<std::array<QByteArray, 2>, kPeriods.size()> written;
    const auto period = std::size_t(state.range(0));
    const auto interlaced = std::size_t(state.range(1));
    QByteArray& bytes = written[period][interlaced];
    if (bytes.isEmpty()) bytes = gratingPng(period, interlaced == 1);
    return bytes;
}

void BM_GratingSampled(benchmark::State& state) {
    const QByteArray& bytes = gratingOf(state);
    const std::int64_t bound = kGratingBounds[std::size_t(state.range(2))];
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(bytes, 1, bound);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

// The platform's decoder's picture of `bytes`, whole, and smoothly scaled to `size`.
QImage wholeThenSmoothlyScaled(const QByteArray& bytes, QSize size) {
    return QImage::fromData(bytes, "PNG")
        .convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void BM_GratingWholeThenScaledSmoothly(benchmark::State& state) {
    const QByteArray& bytes = gratingOf(state);
    const QSize size =
        ui::ImageReader::boundedSize(kGratingSize, kGratingBounds[std::size_t(state.range(2))]);
    for (auto _ : state) {
        QImage scaled = wholeThenSmoothlyScaled(bytes, size);
        if (scaled.isNull()) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(scaled);
    }
}

// How far the grey levels of `picture` lie from an exact average of what each of its pixels
// covers of the platform's decoder's picture of `bytes`: on average, and at most.
struct Distance {
    double mean;
    double most;
};

Distance fromAreaAverage(const QImage& picture, const QByteArray& bytes) {
    const QImage whole = QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32);
    const double across = double(whole.width()) / picture.width();
    const double down = double(whole.height()) / picture.height();
    // What of pixels [from, from + 1) cell `cell` of `size` covers.
    const auto covered = [](int from, int cell, double size) {
        return std::max(
            0.0, std::min(from + 1.0, (cell + 1) * size) - std::max(double(from), cell * size));
    };
    Distance distance{0, 0};
    for (int row = 0; row < picture.height(); ++row) {
        for (int column = 0; column < picture.width(); ++column) {
            double sum = 0;
            for (int y = int(row * down); y < std::min(whole.height(), int((row + 1) * down) + 1);
                 ++y) {
                for (int x = int(column * across);
                     x < std::min(whole.width(), int((column + 1) * across) + 1); ++x) {
                    sum += qRed(whole.pixel(x, y)) * covered(x, column, across) *
                           covered(y, row, down);
                }
            }
            const double difference =
                std::abs(qRed(picture.pixel(column, row)) - sum / (across * down));
            distance.mean += difference;
            distance.most = std::max(distance.most, difference);
        }
    }
    distance.mean /= picture.width() * picture.height();
    return distance;
}

// The claims of the cut-off text chunk: 10 MB, 100 MB, 1.3 GB.
constexpr std::array<std::uint32_t, 3> kClaimed = {10'000'000, 100'000'000, 1'313'279'242};

struct ChunkRoad {
    const char* name;
    std::int64_t pixels;
};

constexpr std::array<ChunkRoad, 3> kChunkRoads = {
    {{"whole", ui::ImageReader::kMaxPixels}, {"scaled", 48 * 48}, {"sampled", 32 * 32}}};

// The 64 x 64 interlaced picture, ending as it should (claimed 0) or, in place of its end, with
// a text chunk that says it holds `claimed` bytes and holds a few.
QByteArray pictureClaiming(std::uint32_t claimed) {
    static const QByteArray whole =
        patternPng({"interlaced", PNG_COLOR_TYPE_RGB, 8, true}, {64, 64});
    if (claimed == 0) return whole;
    QByteArray bytes = whole.chopped(12);
    for (const int shift : {24, 16, 8, 0}) bytes.append(char(claimed >> shift & 0xff));
    return bytes.append(
        "tEXtdate:modify\0"
        "2026-12-10T01:13:55+00:00");
}

void BM_ChunkLongerThanFile(benchmark::State& state) {
    const QByteArray bytes = pictureClaiming(std::uint32_t(state.range(1)));
    const std::int64_t bound = kChunkRoads[std::size_t(state.range(0))].pixels;
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(bytes, 1, bound);
        benchmark::DoNotOptimize(image);
    }
}

void roadsAndClaims(benchmark::internal::Benchmark* benchmark) {
    for (int road = 0; road < int(kChunkRoads.size()); ++road) {
        benchmark->Args({road, 0});
        for (const std::uint32_t claimed : kClaimed) benchmark->Args({road, claimed});
    }
    benchmark->Unit(benchmark::kMillisecond);
    bench::fastestOf<3>(benchmark);
}

void kindsAndBounds(benchmark::internal::Benchmark* benchmark) {
    for (int kind = 0; kind < int(kKinds.size()); ++kind) {
        for (int bound = 0; bound < int(kBounds.size()); ++bound) benchmark->Args({kind, bound});
    }
    benchmark->Unit(benchmark::kMillisecond);
    bench::fastestOf<5>(benchmark);
}

void periodsPlainAndInterlaced(benchmark::internal::Benchmark* benchmark) {
    for (int period = 0; period < int(kPeriods.size()); ++period) {
        for (const int interlaced : {0, 1}) {
            for (int bound = 0; bound < int(kGratingBounds.size()); ++bound) {
                benchmark->Args({period, interlaced, bound});
            }
        }
    }
    benchmark->Unit(benchmark::kMillisecond);
    bench::fastestOf<5>(benchmark);
}

BENCHMARK(BM_SampledRoad)->Apply(kindsAndBounds);
BENCHMARK(BM_WholeThenScaledSmoothly)->Apply(kindsAndBounds);
BENCHMARK(BM_GratingSampled)->Apply(periodsPlainAndInterlaced);
BENCHMARK(BM_GratingWholeThenScaledSmoothly)->Apply(periodsPlainAndInterlaced);
BENCHMARK(BM_ChunkLongerThanFile)->Apply(roadsAndClaims);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        std::printf("\nPNGs decoded whole by the platform's decoder, read past the bound:\n");
        for (int kind = 0; kind < int(kKinds.size()); ++kind) {
            for (int bound = 0; bound < int(kBounds.size()); ++bound) {
                const std::string args = std::to_string(kind) + '/' + std::to_string(bound);
                const auto ours = reporter.seconds("BM_SampledRoad/" + args);
                const auto whole = reporter.seconds("BM_WholeThenScaledSmoothly/" + args);
                if (!ours) continue;
                const Bound& b = kBounds[std::size_t(bound)];
                const QSize result = ui::ImageReader::boundedSize(b.picture, b.pixels);
                std::printf("  %-18s %d x %d to %d x %d, %-9s %8.2f ms",
                            kKinds[std::size_t(kind)].name, b.picture.width(), b.picture.height(),
                            result.width(), result.height(), b.name, *ours * 1e3);
                if (whole) {
                    std::printf(", %5.2f times the whole decode smoothly scaled (%.2f ms)",
                                *ours / *whole, *whole * 1e3);
                }
                std::printf("\n");
            }
        }
        for (int bound = 0; bound < int(kGratingBounds.size()); ++bound) {
            const std::int64_t pixels = kGratingBounds[std::size_t(bound)];
            const QSize gratingBounded = ui::ImageReader::boundedSize(kGratingSize, pixels);
            std::printf("\nSine gratings across 1,000 x 100 pixels within %lld (%d x %d):\n",
                        static_cast<long long>(pixels), gratingBounded.width(),
                        gratingBounded.height());
            for (int period = 0; period < int(kPeriods.size()); ++period) {
                for (const int interlaced : {0, 1}) {
                    const std::string args = std::to_string(period) + '/' +
                                             std::to_string(interlaced) + '/' +
                                             std::to_string(bound);
                    const auto ours = reporter.seconds("BM_GratingSampled/" + args);
                    const auto whole =
                        reporter.seconds("BM_GratingWholeThenScaledSmoothly/" + args);
                    if (!ours || !whole) continue;
                    const QByteArray bytes = gratingPng(std::size_t(period), interlaced == 1);
                    const auto image = ui::Image::imageWithData(bytes, 1, pixels);
                    const Distance read =
                        image ? fromAreaAverage(image->pixels(), bytes) : Distance{-1, -1};
                    const Distance smooth =
                        fromAreaAverage(wholeThenSmoothlyScaled(bytes, gratingBounded), bytes);
                    std::printf(
                        "  period %2d, %-10s %6.2f ms, %5.2f times the whole decode smoothly "
                        "scaled (%.2f ms); from an exact area average %.2f levels (at most %.1f), "
                        "the smoothly scaled %.2f (at most %.1f)\n",
                        kPeriods[std::size_t(period)], interlaced ? "interlaced" : "plain",
                        *ours * 1e3, *ours / *whole, *whole * 1e3, read.mean, read.most,
                        smooth.mean, smooth.most);
                }
            }
        }
        std::printf(
            "\nA 64 x 64 interlaced PNG whose last chunk says it is longer than the file:\n");
        for (int road = 0; road < int(kChunkRoads.size()); ++road) {
            const std::string prefix = "BM_ChunkLongerThanFile/" + std::to_string(road) + '/';
            const auto honest = reporter.seconds(prefix + '0');
            for (const std::uint32_t claimed : kClaimed) {
                const auto cut = reporter.seconds(prefix + std::to_string(claimed));
                if (!cut || !honest) continue;
                std::printf(
                    "  %-8s %13u bytes claimed %9.3f ms, %8.2f times the picture ending "
                    "as it should (%.3f ms)\n",
                    kChunkRoads[std::size_t(road)].name, claimed, *cut * 1e3, *cut / *honest,
                    *honest * 1e3);
            }
        }
    });
}
