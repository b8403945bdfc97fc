// A progressive photo's thumbnail (4,096 x 4,096 pixels, its colour at half resolution both
// ways, as cameras write it; the platform's writer) within a row's 170 x 170 pixels, read as
// ui::ImageReader reads it (from its blocks' averages, ui::JpegEighth), side by side with the
// platform's decoder reading the same bytes at the same size (every coefficient of the whole
// picture held until its last scan). Prints each read's time, its ratio to the platform
// decoder's, and the process's resident peak during each.
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"

#include "platform/uikit/image_reader.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {

const QSize kRow(170, 170);

const QByteArray& photo() {
    static const QByteArray bytes = [] {
        QImage picture(4096, 4096, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                line[x] = qRgb(x / 16, y / 16, int(128 + 100 * std::sin((x ^ y) / 300.0)));
            }
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "JPEG");
        writer.setProgressiveScanWrite(true);
        writer.write(picture);
        return buffer.data();
    }();
    return bytes;
}

std::map<std::string, double> gPeakMB;

void BM_FromBlocksAverages(benchmark::State& state) {
    const QByteArray& bytes = photo();
    bench::resetPeakResident();
    for (auto _ : state) {
        ui::ImageReader reader(bytes, kRow);
        const QImage thumbnail = reader.read();
        if (thumbnail.isNull()) state.SkipWithError("no picture");
        benchmark::DoNotOptimize(thumbnail);
    }
    gPeakMB["BM_FromBlocksAverages"] = bench::peakResidentMegabytes();
}

void BM_PlatformDecoder(benchmark::State& state) {
    QByteArray bytes = photo();
    bench::resetPeakResident();
    for (auto _ : state) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setScaledSize(kRow);
        const QImage thumbnail = reader.read();
        if (thumbnail.isNull()) state.SkipWithError("no picture");
        benchmark::DoNotOptimize(thumbnail);
    }
    gPeakMB["BM_PlatformDecoder"] = bench::peakResidentMegabytes();
}

BENCHMARK(BM_PlatformDecoder)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_FromBlocksAverages)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto platform = reporter.seconds("BM_PlatformDecoder");
        const auto averages = reporter.seconds("BM_FromBlocksAverages");
        if (!platform || !averages) return;
        std::printf("\nA progressive 4,096 x 4,096 photo (%.0f KB) within 170 x 170:\n",
                    double(photo().size()) / 1024);
        std::printf("  the platform's decoder      %8.1f ms, peak %5.0f MB\n", *platform * 1e3,
                    gPeakMB["BM_PlatformDecoder"]);
        std::printf(
            "  from its blocks' averages   %8.1f ms, peak %5.0f MB, %.3f times the "
            "platform decoder's time\n",
            *averages * 1e3, gPeakMB["BM_FromBlocksAverages"], *averages / *platform);
    });
}
