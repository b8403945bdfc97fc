// The photo pager: paging through a post's 12 photos, each page turn a frame (the offset
// moves a page, the pager loads the pages around the new one and the window renders at two
// pixels per point), with the pictures in the memory cache; and a frame of a pinch on a photo
// (two fingers move, the page scales and keeps covering the screen, the window renders).
// Against them, QPainter drawing the same photo and the info bar's backdrop, texts and
// buttons straight into an image, unscaled and scaled. Prints milliseconds per frame and the
// ratios (target: each frame under 16 ms).

#include "bench/support/offscreen.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImageScrollPageController.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"
#include "ui/image/ImageLoader.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr int kPhotos = 12;
constexpr double kWidth = 320, kHeight = 480, kScale = 2;

QImage photoPixels(int n) {
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((n * 29) % 360, 70, 225));
    QPainter painter(&image);
    painter.fillRect(QRectF(96, 110, 128, 90), QColor::fromHsv((n * 53) % 360, 150, 190));
    painter.fillRect(QRectF(0, 200, 320, 40), QColor(80, 110, 120));
    return image;
}

// Twelve photos as files, fetched once into the pages' memory cache.
QStringList cachedPhotos(const QTemporaryDir& folder) {
    QStringList urls;
    for (int n = 0; n < kPhotos; ++n) {
        const QString path = folder.filePath(QStringLiteral("photo%1.jpg").arg(n));
        photoPixels(n).save(path, "JPEG", 90);
        urls << QUrl::fromLocalFile(path).toString();
        (void)ImageLoader::sharedLoader().imageWithURL(urls.back());
    }
    return urls;
}

QVariantMap post() {
    return {{"puid", "100001005"},
            {"title", QStringLiteral("浦东 两居室 精装修 近地铁")},
            {"xiaoqu", QStringLiteral("金桥新村")},
            {"price", QVariantMap{{"v", 4500}, {"u", QStringLiteral("元/月")}}},
            {"area", QVariantMap{{"v", 78}, {"u", QStringLiteral("㎡")}}}};
}

struct Screen {
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::shared_ptr<ImageScrollPageController> pager;
};

// A post's pager over its photos, on screen.
Screen makeScreen(const QStringList& photos) {
    Screen screen;
    screen.pager = std::make_shared<ImageScrollPageController>(photos, 0);
    screen.pager->setShouldShowHouseInfoView(true);
    screen.pager->setHouseInfoFromQXPostDetailNew(post());
    auto stack = std::make_shared<ui::NavigationController>();
    stack->setViewControllers({screen.pager}, false);
    screen.window->setRootViewController(stack);
    screen.window->layoutIfNeeded();
    return screen;
}

void BM_PagerPaging(benchmark::State& state) {
    QTemporaryDir folder;
    const QStringList photos = cachedPhotos(folder);
    for (auto _ : state) {
        state.PauseTiming();
        Screen screen = makeScreen(photos);
        ui::ScrollView& scroll = *screen.pager->scrollView();
        state.ResumeTiming();
        for (int page = 1; page < kPhotos; ++page) {
            scroll.setContentOffset({page * kWidth, 0});
            screen.pager->scrollViewDidEndDecelerating(scroll);
            bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
        }
        state.PauseTiming();
        screen.window->setRootViewController(nullptr);
        state.ResumeTiming();
    }
}

void BM_PagerPinchFrame(benchmark::State& state) {
    QTemporaryDir folder;
    const QStringList photos = cachedPhotos(folder);
    Screen screen = makeScreen(photos);
    ui::Window& window = *screen.window;
    window.sendTouches(
        {{0, ui::TouchPhase::Began, {110, 240}}, {1, ui::TouchPhase::Began, {210, 240}}});
    long frame = 0;
    for (auto _ : state) {
        // The fingers go apart and together again: the scale sweeps from 1 to 2 and back.
        const double spread = 100 + 100 * std::abs(std::sin(++frame * 0.05));
        window.sendTouches({{0, ui::TouchPhase::Moved, {160 - spread / 2, 240}},
                            {1, ui::TouchPhase::Moved, {160 + spread / 2, 240}}});
        bench::renderWindowFrame(window, kWidth, kHeight, kScale);
    }
    state.counters["scale"] = screen.pager->pageAt(0)->view()->transform().a;
    window.sendTouches(
        {{0, ui::TouchPhase::Ended, {110, 240}}, {1, ui::TouchPhase::Ended, {210, 240}}});
}

// The photo, the bar's backdrop, its two lines and its four buttons, scaled by `zoom`.
void paintDirect(QPainter& painter, const QImage& photo, const std::vector<QImage>& buttons,
                 double zoom) {
    painter.fillRect(QRectF(0, 0, kWidth, kHeight), Qt::black);
    const QRectF shown(0, 120, 320, 240);
    painter.save();
    painter.translate(kWidth / 2, kHeight / 2);
    painter.scale(zoom, zoom);
    painter.translate(-kWidth / 2, -kHeight / 2);
    painter.drawImage(shown, photo);
    painter.restore();
    painter.fillRect(QRectF(0, 355, 320, 125), QColor(0, 0, 0, 153));
    painter.setPen(Qt::white);
    painter.setFont(ui::Font::systemFontOfSize(14).toQt());
    painter.drawText(QRectF(10, 368, 260, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("浦东 两居室 精装修 近地铁"));
    painter.setFont(ui::Font::systemFontOfSize(12).toQt());
    painter.drawText(QRectF(10, 393, 240, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("金桥新村 78㎡"));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        painter.drawImage(QRectF(102 + 55.0 * double(i), 434.5, 40, 40), buttons[i]);
    }
}

void BM_DirectPainter(benchmark::State& state) {
    std::vector<QImage> photos;
    for (int n = 0; n < kPhotos; ++n) photos.push_back(photoPixels(n));
    std::vector<QImage> buttons;
    for (const char* name : {"下载图片.png", "收藏图片.png", "沟通聊天.png", "电话聊天.png"}) {
        const auto image = ui::Image::imageNamed(QString::fromUtf8(name));
        buttons.push_back(image ? image->pixels() : QImage(80, 80, QImage::Format_ARGB32));
    }
    const bool zooming = state.range(0) == 1;
    long frame = 0;
    for (auto _ : state) {
        for (int page = 1; page < (zooming ? 2 : kPhotos); ++page) {
            QImage canvas = ui::Renderer::makeCanvas(kWidth, kHeight, kScale);
            QPainter painter(&canvas);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            const double zoom = zooming ? 1 + std::abs(std::sin(++frame * 0.05)) : 1;
            paintDirect(painter, photos[std::size_t(page)], buttons, zoom);
            painter.end();
            benchmark::DoNotOptimize(canvas);
        }
    }
}

BENCHMARK(BM_PagerPaging)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_PagerPinchFrame)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectPainter)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto paging = reporter.seconds("BM_PagerPaging");
        const auto pinch = reporter.seconds("BM_PagerPinchFrame");
        const auto directPaging = reporter.seconds("BM_DirectPainter/0");
        const auto directPinch = reporter.seconds("BM_DirectPainter/1");
        if (!paging || !pinch || !directPaging || !directPinch) return;
        const double pageFrame = *paging / (kPhotos - 1);
        const double directPage = *directPaging / (kPhotos - 1);
        std::printf("\nThe photo pager at scale 2 (target: under 16 ms a frame):\n");
        std::printf("  page turn       %7.2f ms a frame%s; direct QPainter %7.2f ms; ratio %.2f\n",
                    pageFrame * 1e3, pageFrame * 1e3 < 16 ? "" : " (over 16 ms)", directPage * 1e3,
                    directPage / pageFrame);
        std::printf("  pinch           %7.2f ms a frame%s; direct QPainter %7.2f ms; ratio %.2f\n",
                    *pinch * 1e3, *pinch * 1e3 < 16 ? "" : " (over 16 ms)", *directPinch * 1e3,
                    *directPinch / *pinch);
    });
}
