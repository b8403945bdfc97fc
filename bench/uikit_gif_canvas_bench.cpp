// Decoding GIFs of a few dozen bytes whose header declares a canvas of millions of pixels and
// whose frames draw on a small part of it, cut off before the trailer as a download that
// stopped: those of the image harnesses' corpus (fuzz/corpus/image_source/), 63 bytes on 162 x
// 65,412 pixels (a transparent frame of 8 x 5), 54 bytes on 46,336 x 101 (an opaque frame of
// 19 x 2), and two on 162 x 65,412 whose frames have no width or no height: 63 bytes (one of
// 128 x 0 off the canvas) and 163 (four, two of 0 x 5, one of 8,703 x 1,273 from the canvas's
// corner that draws only its transparent colour, one off the canvas). ui::Image::imageWithData
// decodes each within a 16-pixel bound and within the app's bound (ImageReader::kMaxPixels),
// side by side, where the first frame has a width and a height, with the least that work can
// cost: the same frame alone decoded, on a canvas of its own size, and a picture of the
// result's size filled, its pages taken as a decode takes them; ui::ImageSource decodes the
// first 4 frames, as the image source's harness does. Prints each decode's time and its ratio
// to that floor (target: within a 16-pixel bound under 10 ms, 4 frames under 50 ms).
#include "bench/support/offscreen.h"

#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/gif_blocks.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_reader.h"
#include "platform/uikit/image_source.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr const char* kCanvases[] = {"cut_tall_canvas.gif", "cut_wide_canvas.gif",
                                     "zero_height_frame_tall_canvas.gif",
                                     "zero_size_frames_tall_canvas.gif"};
constexpr std::size_t kFramesOfASource = 4;

QByteArray corpusGif(std::int64_t canvas) {
    QFile file(QStringLiteral(HOUSING_CORPUS_DIR "/image_source/") + kCanvases[canvas]);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The same GIF on a canvas of its first frame's size, the frame at its corner; none where that
// frame has no width or height.
QByteArray frameAlone(QByteArray gif) {
    const ui::GifBlocks blocks = ui::GifBlocks::read(gif);
    if (blocks.frames.empty() || blocks.frames.front().rect.isEmpty()) return {};
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
    if (frame.isEmpty()) return state.SkipWithError("a first frame of no width or height");
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

// The first frames of a source, as the image source's harness decodes them, each at the app's
// bound.
void BM_FirstFramesOfASource(benchmark::State& state) {
    const QByteArray gif = corpusGif(state.range(0));
    for (auto _ : state) {
        const auto source = ui::ImageSource::createWithData(gif);
        if (!source) return state.SkipWithError("no source");
        for (std::size_t index = 0; index < std::min(source->count(), kFramesOfASource); ++index) {
            benchmark::DoNotOptimize(source->createImageAtIndex(index));
        }
    }
}

void canvases(benchmark::internal::Benchmark* benchmark) {
    for (int canvas = 0; canvas < int(std::size(kCanvases)); ++canvas) benchmark->Arg(canvas);
    benchmark->Unit(benchmark::kMillisecond);
    bench::fastestOf<5>(benchmark);
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
BENCHMARK(BM_FirstFramesOfASource)->Apply(canvases);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        std::printf(
            "\nA cut-off GIF of small or empty frames on a huge canvas (target: within 16 pixels "
            "under 10 ms, its first %zu frames under 50 ms):\n",
            kFramesOfASource);
        for (int canvas = 0; canvas < int(std::size(kCanvases)); ++canvas) {
            const QByteArray gif = corpusGif(canvas);
            const QSize size = ui::GifBlocks::read(gif).canvas;
            for (const int bound : {16, 0}) {
                const std::string args = std::to_string(canvas) + '/' + std::to_string(bound);
                const auto ours = reporter.seconds("BM_GifOnAHugeCanvas/" + args);
                const auto floor = reporter.seconds("BM_TheFrameAloneAndItsResultFilled/" + args);
                if (!ours) continue;
                const QSize result = ui::ImageReader::boundedSize(
                    size, bound == 0 ? ui::ImageReader::kMaxPixels : bound);
                std::printf("  %s, %lld bytes, %d x %d to %d x %d: %8.2f ms", kCanvases[canvas],
                            static_cast<long long>(gif.size()), size.width(), size.height(),
                            result.width(), result.height(), *ours * 1e3);
                if (floor) {
                    std::printf(", %6.1f times the frame alone and its result filled (%.2f ms)",
                                *ours / *floor, *floor * 1e3);
                }
                std::printf("\n");
            }
            if (const auto frames =
                    reporter.seconds("BM_FirstFramesOfASource/" + std::to_string(canvas))) {
                std::printf("  %s, its first %zu frames: %8.2f ms\n", kCanvases[canvas],
                            kFramesOfASource, *frames * 1e3);
            }
        }
    });
}
