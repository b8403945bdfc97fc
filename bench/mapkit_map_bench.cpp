// Panning the map frame by frame: a 320 x 480 map at two pixels per point with its tiles in
// the memory cache and 50 pins (a bubble picture with a short name), moved 7 points a frame
// and rendered whole. Against it, QPainter drawing the same tiles and pins at the same places
// straight into an image. Prints milliseconds per frame of both and their ratio.

#include "bench/support/offscreen.h"
#include "platform/mapkit/map_view.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/window.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr double kWidth = 320;
constexpr double kHeight = 480;
constexpr double kScale = 2;
constexpr int kPins = 50;
constexpr double kStep = 7;  // points a frame
constexpr map::Coordinate kStart{31.23, 121.47};

QImage tilePixels(int key) {
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(236 - key % 7 * 3, 232, 222));
    QPainter painter(&image);
    painter.setPen(QPen(QColor(168, 150, 178), 2));
    painter.drawLine(0, key % 256, 256, 255 - key % 256);
    return image;
}

// Answers at once from pictures made up front, so that after the first frame every tile
// is in the map's cache.
class ReadyLoader : public map::TileLoader {
public:
    void loadTile(const QUrl& url, Completion completion) override {
        completion(ui::Image::imageWithQImage(tilePixels(int(qHash(url.toString()) % 977)), 2));
    }
    void cancelTile(const QUrl&) override {}
};

class Pin : public map::Annotation {
public:
    explicit Pin(map::Coordinate at) : at_(at) {}
    [[nodiscard]] map::Coordinate coordinate() const override { return at_; }

private:
    map::Coordinate at_;
};

QImage bubblePixels() {
    QImage image(174, 90, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(83, 188, 44));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 12, 142, 60), 12, 12);
    return image;
}

class PinsDelegate : public map::MapViewDelegate {
public:
    std::shared_ptr<map::AnnotationView> viewForAnnotation(
        map::MapView&, const std::shared_ptr<map::Annotation>& annotation) override {
        auto view = std::make_shared<map::AnnotationView>(annotation, "Pin");
        view->setImage(bubble);
        auto label = std::make_shared<ui::Label>(ui::Rect(2, 10.5, 67, 21));
        label->setText("安家房产");
        label->setFont(ui::Font::systemFontOfSize(12));
        label->setTextColor(ui::Color::whiteColor());
        label->setBackgroundColor(ui::Color::clearColor());
        view->addSubview(label);
        return view;
    }
    std::shared_ptr<ui::Image> bubble = ui::Image::imageWithQImage(bubblePixels(), 2);
};

map::Coordinate pinPlace(int index) {
    return {kStart.latitude + (index % 10 - 5) * 0.004, kStart.longitude + (index / 10 - 2) * 0.01};
}

struct MapScreen {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<map::MapView> mapView;
    std::shared_ptr<PinsDelegate> delegate = std::make_shared<PinsDelegate>();
};

MapScreen makeScreen() {
    MapScreen screen;
    screen.window = std::make_shared<ui::Window>();
    screen.mapView = std::make_shared<map::MapView>(ui::Rect(0, 0, kWidth, kHeight));
    screen.mapView->setDelegate(screen.delegate);
    screen.mapView->setTileLoader(std::make_shared<ReadyLoader>());
    screen.mapView->setTileURLTemplate("http://tiles.test/{z}/{x}/{y}.png");
    screen.mapView->setRegion({kStart, {0, 0.054931640625}}, false);
    for (int i = 0; i < kPins; ++i)
        screen.mapView->addAnnotation(std::make_shared<Pin>(pinPlace(i)));
    screen.window->addSubview(screen.mapView);
    return screen;
}

// The centre of frame `frame`: kStep points further east each time, back and forth.
map::Coordinate centreOf(long frame, double worldWidth) {
    const double swing = double(frame % 200 < 100 ? frame % 100 : 100 - frame % 100);
    return {kStart.latitude, kStart.longitude + swing * kStep / worldWidth * 360};
}

void BM_MapPan(benchmark::State& state) {
    MapScreen screen = makeScreen();
    bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    const double world = screen.mapView->worldWidth();
    long frame = 0;
    for (auto _ : state) {
        screen.mapView->setCenterCoordinate(centreOf(++frame, world), false);
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["tiles"] = double(screen.mapView->cachedTileCount());
}

// The same tiles and pins at the same places, painted straight into an image.
void BM_DirectPainter(benchmark::State& state) {
    MapScreen screen = makeScreen();  // for the places only
    const double world = screen.mapView->worldWidth();
    const int zoom = screen.mapView->tileZoom();
    const int count = 1 << zoom;
    const double side = world / count;
    std::map<int, QImage> tiles;
    const QImage bubble = bubblePixels();
    const QFont font = ui::Font::systemFontOfSize(12).toQt();
    long frame = 0;
    for (auto _ : state) {
        const map::Coordinate centre = centreOf(++frame, world);
        const double cx = map::mercator::xOfLongitude(centre.longitude) * world;
        const double cy = map::mercator::yOfLatitude(centre.latitude) * world;
        QImage canvas = ui::Renderer::makeCanvas(kWidth, kHeight, kScale);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const double left = cx - kWidth / 2, top = cy - kHeight / 2;
        for (int ty = int(top / side); ty * side < top + kHeight; ++ty) {
            for (int tx = int(left / side); tx * side < left + kWidth; ++tx) {
                const int key = (ty * count + tx) % 977;
                auto found = tiles.find(key);
                if (found == tiles.end()) found = tiles.emplace(key, tilePixels(key)).first;
                painter.drawImage(QRectF(tx * side - left, ty * side - top, side, side),
                                  found->second);
            }
        }
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (int i = 0; i < kPins; ++i) {
            const map::Coordinate at = pinPlace(i);
            const double x = map::mercator::xOfLongitude(at.longitude) * world - left;
            const double y = map::mercator::yOfLatitude(at.latitude) * world - top;
            if (x < -100 || y < -100 || x > kWidth + 100 || y > kHeight + 100) continue;
            painter.drawImage(QRectF(x - 43.5, y - 22.5, 87, 45), bubble);
            painter.drawText(QRectF(x - 41.5, y - 12, 67, 21), Qt::AlignCenter, "安家房产");
        }
        painter.end();
        benchmark::DoNotOptimize(canvas);
    }
}

BENCHMARK(BM_MapPan)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectPainter)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto pan = reporter.seconds("BM_MapPan");
        const auto direct = reporter.seconds("BM_DirectPainter");
        if (!pan || !direct) return;
        std::printf(
            "\nPanning 7 points a frame, 50 pins, cached tiles, at scale 2 "
            "(target: under 16 ms a frame, ratio at least 0.5):\n");
        std::printf("  map view        %7.2f ms a frame%s\n", *pan * 1e3,
                    *pan * 1e3 < 16 ? "" : "  (over 16 ms)");
        std::printf("  direct QPainter %7.2f ms a frame\n", *direct * 1e3);
        std::printf("  ratio (direct / map view): %.2f\n", *direct / *pan);
    });
}
