// Rendering a 320 x 480 screen of 200 views (rows of a background, a thumbnail,
// two labels and a button) at two pixels per point into an image, against
// QPainter drawing the same rectangles, texts and images straight into an image
// of the same size. Prints frames per second of both and their ratio.

#include "bench/support/offscreen.h"
#include "platform/uikit/button.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/window.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 40;
constexpr double kRowHeight = 12;
constexpr double kScale = 2;

struct RowContent {
    QString title;
    QString price;
    QString action;
};

RowContent rowContent(int row) {
    static const QStringList titles{"望京 南湖东园 两室一厅", "回龙观 龙泽苑 三室一厅",
                                    "天通苑 东三区 一室一厅", "双井 富力城 两室两厅",
                                    "五道口 华清嘉园 精装修"};
    return {titles[row % titles.size()], QStringLiteral("%1元/月").arg(1500 + row * 100),
            QStringLiteral("联系")};
}

QImage thumbnailPixels() {
    QImage image(40, 24, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 6, y * 10, 160));
    }
    return image;
}

// 40 rows of 5 views each: 200 views (the buttons hold their own title and background too).
std::shared_ptr<ui::Window> makeScreen() {
    auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 320, 480});
    window->setBackgroundColor(ui::Color::rgb(250, 250, 250));
    auto thumbnail = ui::Image::imageWithQImage(thumbnailPixels(), 2);
    auto buttonBackground = ui::Image::imageWithColor(ui::Color::rgb(86, 186, 34), {4, 4});
    for (int row = 0; row < kRows; ++row) {
        const RowContent content = rowContent(row);
        auto cell = std::make_shared<ui::View>(ui::Rect{0, row * kRowHeight, 320, kRowHeight});
        cell->setBackgroundColor(row % 2 ? ui::Color::whiteColor() : ui::Color::rgb(240, 240, 240));
        auto image = std::make_shared<ui::ImageView>(ui::Rect{4, 1, 20, 10});
        image->setImage(thumbnail);
        auto title = std::make_shared<ui::Label>(ui::Rect{30, 0, 170, kRowHeight});
        title->setFont(ui::Font::systemFontOfSize(9));
        title->setTextColor(ui::Color::rgb(51, 51, 51));
        title->setText(content.title);
        auto price = std::make_shared<ui::Label>(ui::Rect{200, 0, 70, kRowHeight});
        price->setFont(ui::Font::boldSystemFontOfSize(9));
        price->setTextColor(ui::Color::rgb(247, 127, 0));
        price->setTextAlignment(ui::TextAlignment::Right);
        price->setText(content.price);
        auto button = std::make_shared<ui::Button>(ui::Rect{276, 1, 40, 10});
        button->setBackgroundImage(buttonBackground, ui::kControlStateNormal);
        button->setTitle(content.action, ui::kControlStateNormal);
        button->setFont(ui::Font::systemFontOfSize(8));
        cell->addSubview(image);
        cell->addSubview(title);
        cell->addSubview(price);
        cell->addSubview(button);
        window->addSubview(cell);
    }
    return window;
}

QImage makeCanvas() {
    return ui::Renderer::makeCanvas(320, 480, kScale);
}

// The same screen, straight onto a painter: fills, images and text lines.
void paintDirectly(QPainter& painter, const QImage& thumbnail, const QFont& titleFont,
                   const QFont& priceFont, const QFont& buttonFont) {
    painter.fillRect(QRectF(0, 0, 320, 480), QColor(250, 250, 250));
    for (int row = 0; row < kRows; ++row) {
        const RowContent content = rowContent(row);
        const double y = row * kRowHeight;
        painter.fillRect(QRectF(0, y, 320, kRowHeight),
                         row % 2 ? QColor(Qt::white) : QColor(240, 240, 240));
        painter.drawImage(QRectF(4, y + 1, 20, 10), thumbnail);
        painter.setFont(titleFont);
        painter.setPen(QColor(51, 51, 51));
        painter.drawText(QRectF(30, y, 170, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         content.title);
        painter.setFont(priceFont);
        painter.setPen(QColor(247, 127, 0));
        painter.drawText(QRectF(200, y, 70, kRowHeight), Qt::AlignRight | Qt::AlignVCenter,
                         content.price);
        painter.fillRect(QRectF(276, y + 1, 40, 10), QColor(86, 186, 34));
        painter.setFont(buttonFont);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(276, y + 1, 40, 10), Qt::AlignCenter, content.action);
    }
}

// One frame of the view tree into a fresh image, as the offscreen host renders it.
void renderFrame(ui::Window& window) {
    bench::renderWindowFrame(window, 320, 480, kScale);
}

void BM_ViewTree(benchmark::State& state) {
    auto window = makeScreen();
    (void)window->renderImage(kScale);  // the first frame draws every label once
    for (auto _ : state) renderFrame(*window);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// Every label and button redrawn each frame, as when a whole screen changes.
void BM_ViewTreeRedrawn(benchmark::State& state) {
    auto window = makeScreen();
    std::vector<ui::View*> drawn;
    std::function<void(ui::View&)> collect = [&](ui::View& view) {
        if (dynamic_cast<ui::Label*>(&view)) drawn.push_back(&view);
        for (const auto& subview : view.subviews()) collect(*subview);
    };
    collect(*window);
    for (auto _ : state) {
        for (ui::View* view : drawn) view->setNeedsDisplay();
        renderFrame(*window);
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DirectPainter(benchmark::State& state) {
    const QImage thumbnail = thumbnailPixels();
    const QFont titleFont = ui::Font::systemFontOfSize(9).toQt();
    const QFont priceFont = ui::Font::boldSystemFontOfSize(9).toQt();
    const QFont buttonFont = ui::Font::systemFontOfSize(8).toQt();
    for (auto _ : state) {
        QImage frame = makeCanvas();
        QPainter painter(&frame);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        paintDirectly(painter, thumbnail, titleFont, priceFont, buttonFont);
        painter.end();
        benchmark::DoNotOptimize(frame);
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ViewTree)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_ViewTreeRedrawn)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectPainter)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto tree = reporter.seconds("BM_ViewTree");
        const auto redrawn = reporter.seconds("BM_ViewTreeRedrawn");
        const auto direct = reporter.seconds("BM_DirectPainter");
        if (!tree || !direct) return;
        std::printf(
            "\n200 views at scale 2 (targets: under 16 ms a frame, at least 0.5 of direct "
            "drawing):\n");
        std::printf("  view tree       %7.2f ms a frame, %7.1f frames per second\n", *tree * 1e3,
                    1 / *tree);
        if (redrawn) {
            std::printf("  all redrawn     %7.2f ms a frame, %7.1f frames per second\n",
                        *redrawn * 1e3, 1 / *redrawn);
        }
        std::printf("  direct QPainter %7.2f ms a frame, %7.1f frames per second\n", *direct * 1e3,
                    1 / *direct);
        std::printf("  ratio (view tree / direct): %.2f\n", *direct / *tree);
        if (redrawn) {
            std::printf("  ratio (all redrawn / direct): %.2f\n", *direct / *redrawn);
        }
    });
}
