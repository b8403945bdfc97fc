// A frame of 16 x 16 pixels on a canvas of 1,600 x 900 (5.8 MB decoded, a share of the decoding
// budget), opaque and with a transparent colour, decoded by ui::Image::imageWithData, against
// Qt's reader decoding the same bytes: each prints the page faults a decode takes, and the
// ratio of the two times.
//
// Then a large animated GIF played: a canvas of 1,900 x 1,900 pixels (14 MB decoded, a share of
// the budget) whose 25 or 50 frames each draw a square of 380 x 380 pixels at a place of its own
// (standin::FlatPicture). An animation asks its source for the frames one at a time, in turn
// (ui::ImageSource::createImageAtIndex, as AnimatedGIFImage does for a GIF of more than 10
// frames); the reference is the same source reading them in order with one decoder
// (readFrames), and Qt's reader reading them is shown beside it. Prints the ratio of the frames
// in turn to the frames read in order (target: at most 1.5 at any frame count); the table's
// slowest_ms is the slowest frame in turn.
#include "bench/support/offscreen.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_source.h"
#include "standin/FlatPicture.h"

#include <QBuffer>
#include <QImageReader>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kSide = 1900;
constexpr int kSquare = 380;
constexpr int kFrameCounts[] = {25, 50};

QByteArray playedGif(int frames) {
    return standin::FlatPicture::gif({kSide, kSide}, frames, {kSquare, kSquare});
}

// Opaque (0), or with a transparent colour (1) that its frame does not draw: the canvas is
// filled transparent.
QByteArray smallFrameOnALargeCanvas(std::int64_t transparent) {
    QByteArray gif = standin::FlatPicture::gif({1600, 900}, 1, {16, 16});
    if (transparent) {
        gif.replace(QByteArray("\x21\xf9\x04\x00\x0a\x00\x00\x00", 8),
                    QByteArray("\x21\xf9\x04\x01\x0a\x00\x01\x00", 8));
    }
    return gif;
}

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The page faults a decode took, on average.
void countFaults(benchmark::State& state, long before) {
    state.counters["faults"] =
        benchmark::Counter(double(minorFaults() - before), benchmark::Counter::kAvgIterations);
}

// Each row keeps the frame before the one it decodes, as a view shows a frame while the next
// one decodes: the decoder draws the next frame on a canvas of its own.
void BM_FramesInTurn(benchmark::State& state) {
    const QByteArray gif = playedGif(int(state.range(0)));
    double slowest = 0;
    for (auto _ : state) {
        const auto source = ui::ImageSource::createWithData(gif);
        if (!source || source->count() != std::size_t(state.range(0))) {
            return state.SkipWithError("no source of its frames");
        }
        std::shared_ptr<ui::Image> shown;
        for (std::size_t index = 0; index < source->count(); ++index) {
            const auto start = std::chrono::steady_clock::now();
            auto frame = source->createImageAtIndex(index);
            slowest = std::max(slowest, std::chrono::duration<double, std::milli>(
                                            std::chrono::steady_clock::now() - start)
                                            .count());
            if (!frame) return state.SkipWithError("a frame did not decode");
            shown = std::move(frame);
        }
    }
    state.counters["slowest_ms"] = slowest;
}

void BM_FramesReadInOrder(benchmark::State& state) {
    const QByteArray gif = playedGif(int(state.range(0)));
    for (auto _ : state) {
        const auto source = ui::ImageSource::createWithData(gif);
        if (!source) return state.SkipWithError("no source of its frames");
        std::size_t read = 0;
        std::shared_ptr<ui::Image> shown;
        source->readFrames(1, [&](std::size_t, std::shared_ptr<ui::Image> frame) {
            shown = std::move(frame);
            ++read;
            return true;
        });
        if (read != std::size_t(state.range(0))) return state.SkipWithError("frames missing");
    }
}

void BM_FramesByQtsReader(benchmark::State& state) {
    QByteArray gif = playedGif(int(state.range(0)));
    for (auto _ : state) {
        QBuffer buffer(&gif);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        int read = 0;
        for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) ++read;
        if (read != state.range(0)) return state.SkipWithError("frames missing");
    }
}

void BM_SmallFrameOnALargeCanvas(benchmark::State& state) {
    const QByteArray gif = smallFrameOnALargeCanvas(state.range(0));
    const long before = minorFaults();
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(gif);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
    countFaults(state, before);
}

void BM_SmallFrameOnALargeCanvasByQtsReader(benchmark::State& state) {
    QByteArray gif = smallFrameOnALargeCanvas(state.range(0));
    const long before = minorFaults();
    for (auto _ : state) {
        QBuffer buffer(&gif);
        buffer.open(QIODevice::ReadOnly);
        QImage image = QImageReader(&buffer).read();
        if (image.isNull()) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
    countFaults(state, before);
}

void frameCounts(benchmark::internal::Benchmark* benchmark) {
    for (const int frames : kFrameCounts) benchmark->Arg(frames);
    benchmark->Unit(benchmark::kMillisecond);
    bench::fastestOf<3>(benchmark);
}

void opaqueAndTransparent(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
    bench::fastestOf<5>(benchmark);
}

BENCHMARK(BM_SmallFrameOnALargeCanvas)->Apply(opaqueAndTransparent);
BENCHMARK(BM_SmallFrameOnALargeCanvasByQtsReader)->Apply(opaqueAndTransparent);
BENCHMARK(BM_FramesInTurn)->Apply(frameCounts);
BENCHMARK(BM_FramesReadInOrder)->Apply(frameCounts);
BENCHMARK(BM_FramesByQtsReader)->Apply(frameCounts);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        std::printf(
            "\nA GIF of %d x %d pixels played, its frames in turn against its frames read in "
            "order (target: at most 1.5):\n",
            kSide, kSide);
        for (const int frames : kFrameCounts) {
            const std::string arg = '/' + std::to_string(frames);
            const auto inTurn = reporter.seconds("BM_FramesInTurn" + arg);
            const auto inOrder = reporter.seconds("BM_FramesReadInOrder" + arg);
            const auto qt = reporter.seconds("BM_FramesByQtsReader" + arg);
            if (!inTurn || !inOrder) continue;
            std::printf("  %d frames: %8.1f ms in turn, %8.1f ms read in order: %5.2f times",
                        frames, *inTurn * 1e3, *inOrder * 1e3, *inTurn / *inOrder);
            if (qt) std::printf(" (Qt's reader %.1f ms)", *qt * 1e3);
            std::printf("\n");
        }
        for (const char* arg : {"/0", "/1"}) {
            const auto ours = reporter.seconds(std::string("BM_SmallFrameOnALargeCanvas") + arg);
            const auto qt =
                reporter.seconds(std::string("BM_SmallFrameOnALargeCanvasByQtsReader") + arg);
            if (!ours || !qt) continue;
            std::printf(
                "A frame of 16 x 16 on 1,600 x 900, %s: %.2f ms, %.1f times Qt's reader (%.2f "
                "ms)\n",
                arg[1] == '0' ? "opaque" : "transparent", *ours * 1e3, *ours / *qt, *qt * 1e3);
        }
    });
}
