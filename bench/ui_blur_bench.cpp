// The box blur of a full screen capture (640 x 1136 pixels) at the strength the icon
// menu uses (a box of 161, three passes), against a straightforward three-pass box blur
// written here on QImage scan lines: running sums along each row, then along each
// column, the edge pixels extended. Prints milliseconds per blur of both and their ratio.

#include "bench/support/offscreen.h"
#include "platform/uikit/image.h"
#include "ui/widgets/BoxBlur.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 1136;
constexpr double kStrength = 1.0;

QImage capturePixels() {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) line[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
    }
    return image;
}

// One box pass along rows (step 1) or columns (step = pixels per row) of `pixels`.
void referencePass(std::vector<QRgb>& pixels, std::vector<QRgb>& out, int lines, int length,
                   int lineStep, int step, int radius) {
    const int box = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        const QRgb* in = pixels.data() + l * lineStep;
        QRgb* to = out.data() + l * lineStep;
        int sums[4] = {0, 0, 0, 0};
        auto add = [&](int i, int sign) {
            const QRgb p = in[std::clamp(i, 0, length - 1) * step];
            sums[0] += sign * qBlue(p);
            sums[1] += sign * qGreen(p);
            sums[2] += sign * qRed(p);
            sums[3] += sign * qAlpha(p);
        };
        for (int i = -radius; i <= radius; ++i) add(i, 1);
        for (int i = 0; i < length; ++i) {
            to[i * step] = qRgba(sums[2] / box, sums[1] / box, sums[0] / box, sums[3] / box);
            add(i + radius + 1, 1);
            add(i - radius, -1);
        }
    }
}

QImage referenceBlur(const QImage& source, int boxSize) {
    const int radius = boxSize / 2;
    std::vector<QRgb> pixels(std::size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        std::copy(line, line + kWidth, pixels.begin() + std::ptrdiff_t(y) * kWidth);
    }
    std::vector<QRgb> scratch(pixels.size());
    for (int pass = 0; pass < 3; ++pass) {
        referencePass(pixels, scratch, kHeight, kWidth, kWidth, 1, radius);
        referencePass(scratch, pixels, kWidth, kHeight, 1, kWidth, radius);
    }
    QImage result(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        std::copy(pixels.begin() + std::ptrdiff_t(y) * kWidth,
                  pixels.begin() + std::ptrdiff_t(y + 1) * kWidth,
                  reinterpret_cast<QRgb*>(result.scanLine(y)));
    }
    return result;
}

void BM_BoxBlur(benchmark::State& state) {
    auto capture = ui::Image::imageWithQImage(capturePixels(), 2);
    for (auto _ : state) {
        auto blurred = blurredImage(*capture, kStrength);
        benchmark::DoNotOptimize(blurred);
    }
}

void BM_ReferenceBlur(benchmark::State& state) {
    const QImage capture = capturePixels();
    const int box = BoxBlur::boxSizeForStrength(kStrength);
    for (auto _ : state) {
        QImage blurred = referenceBlur(capture, box);
        benchmark::DoNotOptimize(blurred);
    }
}

BENCHMARK(BM_BoxBlur)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_ReferenceBlur)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto ours = reporter.seconds("BM_BoxBlur");
        const auto reference = reporter.seconds("BM_ReferenceBlur");
        if (!ours || !reference) return;
        std::printf(
            "\nBox blur of a 640 x 1136 capture, box of 161, three passes "
            "(target: ratio at least 0.5):\n");
        std::printf("  blurredImage        %8.2f ms\n", *ours * 1e3);
        std::printf("  reference blur      %8.2f ms\n", *reference * 1e3);
        std::printf("  ratio (reference time / blurredImage time): %.2f\n", *reference / *ours);
    });
}
