// Scrolling a table of 1,000 rows of the app's row kind (a thumbnail and two
// labels, 70 points high) one screen per frame: each frame moves the offset by
// a screen, lays out (cells leave and come back with new texts) and renders
// the window at two pixels per point. Against it, QPainter drawing the same
// rows of the same screens straight into an image. Prints milliseconds per
// frame of both and their ratio.

#include "bench/support/side_by_side.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/window.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kRows = 1000;
constexpr double kRowHeight = 70;
constexpr double kWidth = 320;
constexpr double kHeight = 480;
constexpr double kScale = 2;

struct RowContent {
    QString title;
    QString detail;
};

RowContent rowContent(int row) {
    static const QStringList titles{"望京 南湖东园 两室一厅 精装修", "回龙观 龙泽苑 三室一厅",
                                    "天通苑 东三区 一室一厅 近地铁", "双井 富力城 两室两厅",
                                    "五道口 华清嘉园 南北通透"};
    return {titles[row % titles.size()] + QStringLiteral(" %1").arg(row),
            QStringLiteral("%1元/月 · %2平米").arg(1500 + row * 10).arg(40 + row % 90)};
}

QImage thumbnailPixels() {
    QImage image(124, 92, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 2, y * 2, 160));
    }
    return image;
}

// The app's list cell: a thumbnail with a title and a detail line beside it.
class RowCell : public ui::TableViewCell {
public:
    RowCell() : ui::TableViewCell(ui::TableViewCellStyle::Default, QStringLiteral("row")) {
        thumbnail = std::make_shared<ui::ImageView>(ui::Rect(12, 12, 62, 46));
        title = std::make_shared<ui::Label>(ui::Rect(84, 12, 225, 20));
        title->setFont(ui::Font::systemFontOfSize(14));
        title->setTextColor(ui::Color::colorWithWhite(0.2));
        detail = std::make_shared<ui::Label>(ui::Rect(84, 38, 225, 16));
        detail->setFont(ui::Font::systemFontOfSize(12));
        detail->setTextColor(ui::Color::rgb(247, 127, 0));
        contentView()->addSubview(thumbnail);
        contentView()->addSubview(title);
        contentView()->addSubview(detail);
    }
    std::shared_ptr<ui::ImageView> thumbnail;
    std::shared_ptr<ui::Label> title;
    std::shared_ptr<ui::Label> detail;
};

class Rows : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    explicit Rows(std::shared_ptr<ui::Image> thumbnail) : thumbnail_(std::move(thumbnail)) {}
    int numberOfRowsInSection(ui::TableView&, int) override { return kRows; }
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override {
        auto cell =
            std::static_pointer_cast<RowCell>(table.dequeueReusableCellWithIdentifier("row"));
        if (!cell) cell = std::make_shared<RowCell>();
        const RowContent content = rowContent(path.row);
        cell->thumbnail->setImage(thumbnail_);
        cell->title->setText(content.title);
        cell->detail->setText(content.detail);
        return cell;
    }

private:
    std::shared_ptr<ui::Image> thumbnail_;
};

struct Screen {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::TableView> table;
    std::shared_ptr<Rows> rows;
};

Screen makeScreen() {
    Screen screen;
    screen.window = std::make_shared<ui::Window>(ui::Rect(0, 0, kWidth, kHeight));
    screen.table = std::make_shared<ui::TableView>(ui::Rect(0, 0, kWidth, kHeight));
    screen.rows = std::make_shared<Rows>(ui::Image::imageWithQImage(thumbnailPixels(), kScale));
    screen.table->setDataSource(screen.rows);
    screen.table->setDelegate(screen.rows);
    screen.window->addSubview(screen.table);
    return screen;
}

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
        QImage canvas = ui::Renderer::makeCanvas(kWidth, kHeight, kScale);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        screen.window->render(painter);
        painter.end();
        benchmark::DoNotOptimize(canvas);
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;

    const auto table = reporter.seconds("BM_TableScroll");
    const auto direct = reporter.seconds("BM_DirectPainter");
    if (!table || !direct) return 0;
    std::printf("\n1,000 rows, one screen a frame, at scale 2 (target: under 16 ms a frame):\n");
    std::printf("  table view      %7.2f ms a frame, %7.1f frames per second%s\n", *table * 1e3,
                1 / *table, *table * 1e3 < 16 ? "" : "  (over 16 ms)");
    std::printf("  direct QPainter %7.2f ms a frame, %7.1f frames per second\n", *direct * 1e3,
                1 / *direct);
    std::printf("  ratio (table view / direct): %.2f\n", *direct / *table);
    return 0;
}
