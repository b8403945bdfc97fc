// Decoding GIFs of a few dozen bytes whose header declares a canvas of millions of pixels and
// whose one small frame lies on a part of it, cut off before the trailer as a download that
// stopped: those of the image harnesses' corpus (fuzz/corpus/image_source/), 63 bytes on 162 x
// 65,412 pixels (a transparent frame of 8 x 5) and 54 bytes on 46,336 x 101 (an opaque frame of
// 19 x 2). ui::Image::imageWithData decodes each within a 16-pixel bound and within the app's
// bound (ImageReader::kMaxPixels), side by side with the least that work can cost: the same
// frame alone decoded, on a canvas of its own size, and a picture of the result's size filled,
// its pages taken as a decode takes them. Prints each decode's time and its ratio to that
// floor (target: within a 16-pixel bound under 10 ms).
#include "bench/support/offscreen.h"

#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr const char* kCanvases[] = {"cut_tall_canvas.gif", "cut_wide_canvas.gif"};

QByteArray corpusGif(std::int64_t canvas) {
    QFile file(QStringLiteral(HOUSING_CORPUS_DIR "/image_source/") + kCanvases[canvas]);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The same GIF on a canvas of its first frame's size, the frame at its corner.
QByteArray frameAlone(QByteArray gif) {
    const ui::GifBlocks blocks = ui::GifBlocks::read(gif);
    if (blocks.frames.empty()) return {};
    const auto& frame = blocks.frames.front();
    const auto setWord = [&](qsizetype at, int value) {
        gif[at] = char(value & 0xff);
        gif[at + 1] = char(value >> 8 & 0xff);
    };
    setWord(6, frame.rect.width());
    setWord(8, frame.rect.height());
    setWord(frame.descriptorAt + 1, 0);
    setWord(frame.descriptorAt + 3, 0);
    return gif;
}

// The bound of the run's second argument: 16 pixels, or the app's.
std::int64_t boundOf(const benchmark::State& state) {
    return state.range(1) == 0 ? ui::ImageReader::kMaxPixels : state.range(1);
}

void BM_GifOnAHugeCanvas(benchmark::State& state) {
    const QByteArray gif = corpusGif(state.range(0));
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(gif, 1, boundOf(state));
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

void BM_TheFrameAloneAndItsResultFilled(benchmark::State& state) {
    const QByteArray gif = corpusGif(state.range(0));
    const QByteArray frame = frameAlone(gif);
    const QSize result =
        ui::ImageReader::boundedSize(ui::GifBlocks::read(gif).canvas, boundOf(state));
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(frame, 1, boundOf(state));
        if (!image) return state.SkipWithError("no image");
        // Its pages taken as a decode's are, under a share of the budget.
        const auto share =
            ui::DecodingBudget::take(std::int64_t(result.width()) * result.height() * 4);
        QImage filled(result, QImage::Format_ARGB32_Premultiplied);
        filled.fill(Qt::transparent);
        benchmark::DoNotOptimize(image);
        benchmark::DoNotOptimize(filled);
    }
}

void canvasesAndBounds(benchmark::internal::Benchmark* benchmark) {
    for (int canvas = 0; canvas < int(std::size(kCanvases)); ++canvas) {
        for (const int bound : {16, 0}) benchmark->Args({canvas, bound});
    }
    benchmark->Unit(benchmark::kMillisecond);
    bench::fastestOf<5>(benchmark);
}

BENCHMARK(BM_GifOnAHugeCanvas)->Apply(canvasesAndBounds);
BENCHMARK(BM_TheFrameAloneAndItsResultFilled)->Apply(canvasesAndBounds);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        std::printf(
            "\nA cut-off GIF of one small frame on a huge canvas (target: within 16 pixels "
            "under 10 ms):\n");
        for (int canvas = 0; canvas < int(std::size(kCanvases)); ++canvas) {
            const QByteArray gif = corpusGif(canvas);
            const QSize size = ui::GifBlocks::read(gif).canvas;
            for (const int bound : {16, 0}) {
                const std::string args = std::to_string(canvas) + '/' + std::to_string(bound);
                const auto ours = reporter.seconds("BM_GifOnAHugeCanvas/" + args);
                const auto floor = reporter.seconds("BM_TheFrameAloneAndItsResultFilled/" + args);
                if (!ours || !floor) continue;
                const QSize result = ui::ImageReader::boundedSize(
                    size, bound == 0 ? ui::ImageReader::kMaxPixels : bound);
                std::printf(
                    "  %lld bytes, %d x %d to %d x %d: %8.2f ms, %6.1f times the frame alone and "
                    "its result filled (%.2f ms)\n",
                    static_cast<long long>(gif.size()), size.width(), size.height(), result.width(),
                    result.height(), *ours * 1e3, *ours / *floor, *floor * 1e3);
            }
        }
    });
}
