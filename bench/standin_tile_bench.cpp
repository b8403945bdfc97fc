// Drawing a cold map tile in the stand-in: a 256-pixel tile of zoom 14 in the middle of
// 上海 (district outlines, borders and names), a different tile each time, against filling
// and encoding a plain tile of the same size. Prints milliseconds per tile of both.

#include "bench/support/offscreen.h"
#include "standin/MapTiles.h"

#include <QBuffer>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kZoom = 14;
constexpr int kFirstX = 13715, kFirstY = 6690;  // around 31.23, 121.47

void BM_ColdTile(benchmark::State& state) {
    (void)standin::MapTiles::render(kZoom, kFirstX, kFirstY);  // reads the outlines once
    long tile = 0;
    for (auto _ : state) {
        ++tile;
        const QImage image = standin::MapTiles::render(kZoom, kFirstX + int(tile % 12),
                                                       kFirstY + int(tile / 12 % 12));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        benchmark::DoNotOptimize(bytes);
    }
}

// A plain tile filled and encoded: what serving any tile costs at the least.
void BM_PlainTile(benchmark::State& state) {
    for (auto _ : state) {
        QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(242, 239, 233));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        benchmark::DoNotOptimize(bytes);
    }
}

BENCHMARK(BM_ColdTile)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_PlainTile)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto cold = reporter.seconds("BM_ColdTile");
        const auto plain = reporter.seconds("BM_PlainTile");
        if (!cold || !plain) return;
        std::printf("\nA cold 256-pixel tile drawn and encoded (target: under 20 ms):\n");
        std::printf("  district tile %7.2f ms%s\n", *cold * 1e3,
                    *cold * 1e3 < 20 ? "" : "  (over 20 ms)");
        std::printf("  plain tile    %7.2f ms\n", *plain * 1e3);
    });
}
