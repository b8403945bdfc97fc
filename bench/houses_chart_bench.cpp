// The community page's price-trend chart with 24 monthly points drawn into a backing store of
// its frame (304 x 120 points at two pixels a point), as the renderer draws a view: the whole
// chart (grid, scale labels, month labels, dots and line) against QPainter drawing the same
// polyline of 24 points directly into an image of the same size.
// Prints milliseconds per drawing of both and their ratio; the chart must stay under 2 ms.

#include "bench/support/offscreen.h"
#include "houses/community/QXChartView.h"
#include "platform/uikit/graphics_context.h"

#include <QPolygonF>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kPoints = 24;
constexpr double kWidth = 304;
constexpr double kHeight = 120;
constexpr double kScale = 2;

QVariantList monthlyPrices() {
    QVariantList points;
    for (int i = 0; i < kPoints; ++i) {
        points << QVariantMap{{"avg_price", 30000 + (i * 7919) % 4000},
                              {"record_time", 1704067200 + qint64(i) * 30 * 86400}};
    }
    return points;
}

void BM_ChartOf24Points(benchmark::State& state) {
    QXChartView chart(ui::Rect(0, 0, kWidth, kHeight));
    chart.setVerticalKey("avg_price");
    chart.setHorizontalKey("record_time");
    chart.setGroupsData({QVariant(monthlyPrices())});
    for (auto _ : state) {
        // Into a backing store of the view's size, as the renderer draws a view.
        QImage image(int(kWidth * kScale), int(kHeight * kScale),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(kScale, kScale);
        ui::GraphicsContext context(painter);
        ui::GraphicsContext::push(context);
        chart.drawRect(chart.bounds());
        ui::GraphicsContext::pop();
        painter.end();
        benchmark::DoNotOptimize(image);
    }
}

void BM_Polyline(benchmark::State& state) {
    QPolygonF line;
    for (int i = 0; i < kPoints; ++i)
        line << QPointF(38 + i * 10, 100 - ((i * 7919) % 4000) * 87.5 / 4004);
    for (auto _ : state) {
        QImage image(int(kWidth * kScale), int(kHeight * kScale),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(kScale, kScale);
        painter.setPen(QPen(QColor(247, 127, 0), 1));
        painter.drawPolyline(line);
        painter.end();
        benchmark::DoNotOptimize(image);
    }
}

BENCHMARK(BM_ChartOf24Points)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);
BENCHMARK(BM_Polyline)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<3>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto chart = reporter.seconds("BM_ChartOf24Points");
        const auto polyline = reporter.seconds("BM_Polyline");
        if (!chart || !polyline) return;
        std::printf(
            "\nPrice-trend chart of 24 points, 304 x 120 at scale 2 (target: under 2 ms):\n");
        std::printf("  QXChartView          %8.3f ms\n", *chart * 1e3);
        std::printf("  the polyline alone   %8.3f ms\n", *polyline * 1e3);
        std::printf("  ratio (chart time / polyline time): %.2f\n", *chart / *polyline);
    });
}
