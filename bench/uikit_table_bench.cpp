// Scrolling a table of 1,000 rows of the app's row kind (a thumbnail and two
// labels, 70 points high) one screen per frame: each frame moves the offset by
// a screen, lays out (cells leave and come back with new texts) and renders
// the window at two pixels per point. Against it, QPainter drawing the same
// rows of the same screens straight into an image. Prints milliseconds per
// frame of both and their ratio.

#include "bench/support/offscreen.h"
#include "bench/support/table_rows.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/window.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

using namespace bench;

// The offset of frame `frame`: one screen further each time, round the list.
double offsetOf(long frame) {
    const double last = kRows * kRowHeight - kHeight;
    const long screens = long(std::floor(last / kHeight)) + 1;
    return std::min(last, double(frame % screens) * kHeight);
}

void BM_TableScroll(benchmark::State& state) {
    Screen screen = makeScreen();
    (void)screen.window->renderImage(kScale);
    long frame = 0;
    for (auto _ : state) {
        screen.table->setContentOffset(ui::Point(0, offsetOf(++frame)));
        renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["cells"] = double(screen.table->cellCount());
}

// The same rows of the same screens, painted straight into an image.
void BM_DirectPainter(benchmark::State& state) {
    const QImage thumbnail = thumbnailPixels();
    const QFont titleFont = ui::Font::systemFontOfSize(14).toQt();
    const QFont detailFont = ui::Font::systemFontOfSize(12).toQt();
    long frame = 0;
    for (auto _ : state) {
        const double offset = offsetOf(++frame);
        QImage canvas = ui::Renderer::makeCanvas(kWidth, kHeight, kScale);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.fillRect(QRectF(0, 0, kWidth, kHeight), Qt::white);
        const int first = int(offset / kRowHeight);
        for (int row = first; row < kRows && row * kRowHeight < offset + kHeight; ++row) {
            const RowContent content = rowContent(row);
            const double y = row * kRowHeight - offset;
            painter.drawImage(QRectF(12, y + 12, 62, 46), thumbnail);
            painter.setFont(titleFont);
            painter.setPen(QColor(51, 51, 51));
            painter.drawText(QRectF(84, y + 12, 225, 20), Qt::AlignLeft | Qt::AlignVCenter,
                             content.title);
            painter.setFont(detailFont);
            painter.setPen(QColor(247, 127, 0));
            painter.drawText(QRectF(84, y + 38, 225, 16), Qt::AlignLeft | Qt::AlignVCenter,
                             content.detail);
            painter.fillRect(QRectF(15, y + kRowHeight - 0.5, kWidth - 15, 0.5),
                             QColor(199, 199, 199));
        }
        painter.end();
        benchmark::DoNotOptimize(canvas);
    }
}

BENCHMARK(BM_TableScroll)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectPainter)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto table = reporter.seconds("BM_TableScroll");
        const auto direct = reporter.seconds("BM_DirectPainter");
        if (!table || !direct) return;
        std::printf(
            "\n1,000 rows, one screen a frame, at scale 2 (target: under 16 ms a frame):\n");
        std::printf("  table view      %7.2f ms a frame, %7.1f frames per second%s\n", *table * 1e3,
                    1 / *table, *table * 1e3 < 16 ? "" : "  (over 16 ms)");
        std::printf("  direct QPainter %7.2f ms a frame, %7.1f frames per second\n", *direct * 1e3,
                    1 / *direct);
        std::printf("  ratio (table view / direct): %.2f\n", *direct / *table);
    });
}
