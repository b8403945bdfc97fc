// Decoding GIFs whose one frame of 16 x 16 pixels carries codes for far more pixels than it
// declares, each code a run of red as long as the code table holds (up to 4,091 pixels in 12
// bits): about 1 G pixels in 398 KB on a canvas of 16 x 16, 100 M pixels in 39 KB on the same,
// the 1 G pixels' frame on a canvas of 5,000 x 5,000 read as a thumbnail (within 64 x 64
// pixels, the part of the canvas the frame lies in), and the 1 G pixels' frame after a graphic
// control block whose first sub-block is empty (which the decoder reads on past).
// ui::Image::imageWithData decodes each, beside an honest GIF of a 16 x 16 red frame, the
// reference; the cut alone is timed on the 1 G pixels, and on an honest 1,000 x 1,000 GIF beside
// its decode, what the cut adds to an honest picture. Prints each decode's time and its ratio to
// the reference (target: under 200 ms each).
#include "bench/support/offscreen.h"

#include "platform/uikit/gif_code_trim.h"
#include "platform/uikit/image.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr struct {
    const char* what;
    qint64 pixels;
    int canvas;
    std::int64_t bound;
    // The blocks before the frame.
    std::string_view before = {};
} kGifs[] = {
    {"16 x 16, 1 G pixels of codes", qint64(1) << 30, 16, 16 * 16},
    {"16 x 16, 100 M pixels of codes", 100'000'000, 16, 16 * 16},
    {"5,000 x 5,000, 1 G pixels of codes, as a thumbnail", qint64(1) << 30, 5000, 64 * 64},
    {"16 x 16, 1 G pixels of codes after an empty control block", qint64(1) << 30, 16, 16 * 16,
     std::string_view("\x21\xf9\x00\x00", 4)},
};

// Codes of 2 bits' colours that give `pixels` red ones or up to 4,090 more: from a colour, each
// code the one just past the table (its string one longer than the last), then once the table
// is full its longest string, 4,091 pixels, over and over.
std::vector<int> redRunCodes(qint64 pixels) {
    constexpr int kClear = 4, kEnd = 5, kLast = 4095;
    std::vector<int> codes = {kClear, 0};
    for (qint64 given = 1, code = 6; given < pixels; code = std::min<qint64>(code + 1, kLast)) {
        codes.push_back(int(code));
        given += code - 4;
    }
    codes.push_back(kEnd);
    return codes;
}

// An honest frame's codes for `side` x `side` red pixels: a clear before each, so that the table
// never grows, and the end.
std::vector<int> honestCodes(int side = 16) {
    std::vector<int> codes;
    for (int pixel = 0; pixel < side * side; ++pixel) codes.insert(codes.end(), {4, 0});
    codes.push_back(5);
    return codes;
}

// A GIF of red and blue on `canvas` pixels square, a frame of `frame` pixels square (16 x 16, or
// the canvas) at its corner of `codes`, in sub-blocks of 255 bytes, after the blocks `before`.
QByteArray redGif(const std::vector<int>& codes, int canvas, int frame = 16,
                  const QByteArray& before = {}) {
    QByteArray packed;
    int width = 3, next = 6, bits = 0;
    quint32 pending = 0;
    for (std::size_t at = 0; at < codes.size(); ++at) {
        pending |= quint32(codes[at]) << bits;
        for (bits += width; bits >= 8; bits -= 8, pending >>= 8) packed.append(char(pending));
        // A clear and the colour after it add nothing to the table; each code after them does.
        if (codes[at] == 4) {
            width = 3;
            next = 6;
        } else if (codes[at - 1] != 4 && next < 4096 && ++next == 1 << width && width < 12) {
            ++width;
        }
    }
    if (bits > 0) packed.append(char(pending));
    QByteArray gif("GIF89a");
    const auto word = [&](int value) { gif.append(char(value & 0xff)).append(char(value >> 8)); };
    word(canvas);
    word(canvas);
    gif.append("\x80\x01\x00\xff\x00\x00\x00\x00\xff", 9).append(before).append('\x2c');
    for (const int value : {0, 0, frame, frame}) word(value);
    gif.append("\x00\x02", 2);
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    return gif.append("\x00\x3b", 2);
}

void BM_HonestGif(benchmark::State& state) {
    const QByteArray gif = redGif(honestCodes(), 16);
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(gif, 1, 16 * 16);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

// The GIF of row `index` of kGifs.
QByteArray manyPixelsGif(std::size_t index) {
    const auto& gif = kGifs[index];
    return redGif(redRunCodes(gif.pixels), gif.canvas, 16,
                  QByteArray(gif.before.data(), qsizetype(gif.before.size())));
}

void BM_GifOfManyPixelsOfCodes(benchmark::State& state) {
    const auto index = std::size_t(state.range(0));
    const QByteArray gif = manyPixelsGif(index);
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(gif, 1, kGifs[index].bound);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

void BM_TrimAlone(benchmark::State& state) {
    const QByteArray gif = redGif(redRunCodes(kGifs[0].pixels), kGifs[0].canvas);
    for (auto _ : state) benchmark::DoNotOptimize(ui::GifCodeTrim::trimmed(gif));
}

BENCHMARK(BM_HonestGif)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_GifOfManyPixelsOfCodes)
    ->DenseRange(0, int(std::size(kGifs)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::fastestOf<3>);
// The cost the cut adds to an honest picture: an honest GIF of 1,000 x 1,000 red pixels of 2 M
// codes, decoded, and its codes walked alone, which finds nothing to cut.
constexpr int kLargeSide = 1000;

void BM_HonestLargeGif(benchmark::State& state) {
    const QByteArray gif = redGif(honestCodes(kLargeSide), kLargeSide, kLargeSide);
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(gif);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

void BM_HonestLargeGifWalked(benchmark::State& state) {
    const QByteArray gif = redGif(honestCodes(kLargeSide), kLargeSide, kLargeSide);
    if (!ui::GifCodeTrim::trimmed(gif).isSharedWith(gif)) return state.SkipWithError("cut");
    for (auto _ : state) benchmark::DoNotOptimize(ui::GifCodeTrim::trimmed(gif));
}

BENCHMARK(BM_HonestLargeGif)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_HonestLargeGifWalked)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_TrimAlone)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto reference = reporter.seconds("BM_HonestGif");
        std::printf("\nA 16 x 16 frame carrying codes for many pixels (target: under 200 ms):\n");
        if (reference) {
            std::printf("  honest 16 x 16 GIF, %lld bytes: %8.3f ms (the reference)\n",
                        static_cast<long long>(redGif(honestCodes(), 16).size()), *reference * 1e3);
        }
        for (int index = 0; index < int(std::size(kGifs)); ++index) {
            const auto seconds =
                reporter.seconds("BM_GifOfManyPixelsOfCodes/" + std::to_string(index));
            if (!seconds) continue;
            std::printf("  %s, %lld bytes: %8.2f ms", kGifs[index].what,
                        static_cast<long long>(manyPixelsGif(std::size_t(index)).size()),
                        *seconds * 1e3);
            if (reference) std::printf(", %.1f times the reference", *seconds / *reference);
            std::printf("\n");
        }
        if (const auto trim = reporter.seconds("BM_TrimAlone")) {
            std::printf("  the cut alone of the first: %.2f ms\n", *trim * 1e3);
        }
        const auto large = reporter.seconds("BM_HonestLargeGif");
        const auto walked = reporter.seconds("BM_HonestLargeGifWalked");
        if (large && walked) {
            std::printf(
                "  an honest 1,000 x 1,000 GIF of 2 M codes: %.2f ms decoded, its codes walked "
                "%.2f ms (%.1f%% of the decode)\n",
                *large * 1e3, *walked * 1e3, 100 * *walked / *large);
        }
    });
}
