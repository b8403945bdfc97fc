// The post detail's two speed targets.
//
// First frame: from a "GetPostByPuid" reply in memory (its bytes) to the detail's next frame
// drawn: the reply parsed, the post formatted, every section built again and the window
// rendered at two pixels per point; printed beside parsing the reply alone.
//
// Scrolling: a long detail (a description of 2,000 characters opened whole and a strip of 12
// photos from the memory cache) scrolled 13 points a frame and rendered; against it QPainter
// drawing the same texts, photos and lines straight into an image, frame by frame. Prints
// milliseconds per frame and the ratio.
//
// A huge title: a post whose title is 40 MB of UTF-8 opened to its first frame, once, with the
// process's peak memory (run it alone: --benchmark_filter=BM_HugeTitle; targets: under 0.5 s
// and 600 MB).

#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"
#include "houses/detail/QXPostDetailNew.h"
#include "net/transport/Json.h"
#include "platform/uikit/font.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/window.h"
#include "ui/image/IKImageCache.h"
#include "ui/image/IKImageManager.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>

#include <cstdio>

namespace {

constexpr double kWidth = 320, kHeight = 480, kScale = 2, kStep = 13;
constexpr int kPhotos = 12;
const QString kPuid = QStringLiteral("10001042");

QString photo(int i) {
    return QStringLiteral("http://127.0.0.1:9/img/posts/%1_640-480_7-0.jpg").arg(i);
}

QString longDescription() {
    const QString sentence = QStringLiteral(
        "小区环境安静，绿化很好，物业管理规范。周边超市菜场银行齐全，步行十分钟到地铁站。");
    QString text;
    while (text.size() < 2000) text += sentence;
    return text.left(2000);
}

QVariantMap post() {
    QStringList photos;
    for (int i = 0; i < kPhotos; ++i) photos << photo(i);
    return {{"puid", kPuid},
            {"id", "5010001042"},
            {"title", QStringLiteral("徐家汇 两居室 精装修 南北通透 近地铁 随时看房")},
            {"CategoryId", 7},
            {"major_category", 1},
            {"city", QStringLiteral("上海")},
            {"price", QVariantMap{{"v", 6500}, {"u", "元/月"}}},
            {"area", QVariantMap{{"v", 78}, {"u", "㎡"}}},
            {"huxing", QStringLiteral("2室1厅")},
            {"fitment", QStringLiteral("精装修")},
            {"ceng", QVariantMap{{"v", 12}, {"u", "层"}}},
            {"ceng_total", "18"},
            {"chaoxiang", QStringLiteral("南北")},
            {"fukuan", QStringLiteral("押一付三")},
            {"ruzhu", QStringLiteral("随时入住")},
            {"company", QStringLiteral("安家房产")},
            {"district_name", QStringLiteral("徐汇区")},
            {"street_name", QStringLiteral("徐家汇街道")},
            {"address", QStringLiteral("徐家汇花园8号楼")},
            {"xiaoqu", QStringLiteral("徐家汇花园")},
            {"peizhi", QVariantMap{{"v", "chuang,yigui,kongtiao,kuandai"}}},
            {"latlng", ""},
            {"user_id", "8000000101"},
            {"person", QStringLiteral("王伟")},
            {"agent", QStringLiteral("经纪人")},
            {"phone", "13900000101"},
            {"postunixtime", 1765000000},
            {"icons", QVariantMap{{"image", 1}}},
            {"image_count", kPhotos},
            {"ThumbImageUrls", photos.join(u',')}};
}

QByteArray replyBytes() {
    QVariantMap data = post();
    data["description"] = longDescription();
    data["view_times"] = "1234";
    data["avg_price"] = "56000";
    data["commentOwnerInfo"] =
        QVariantMap{{"companyName", QStringLiteral("安家房产徐汇区店")}, {"creditRate", 4}};
    return QJsonDocument::fromVariant(QVariantMap{{"status", 0}, {"data", data}})
        .toJson(QJsonDocument::Compact);
}

QImage photoPixels(int i) {
    QImage image(200, 150, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv((i * 37) % 360, 60, 220));
    return image;
}

// The strip's photos in the memory cache, as after the first visit.
void prefillPhotos() {
    auto& manager = IKImageManager::sharedManager();
    for (int i = 0; i < kPhotos; ++i) {
        QString url = photo(i);
        url.replace(QStringLiteral("_640-480_"), QStringLiteral("_200-150c_"));
        manager.imageCache().storeImage(ui::Image::imageWithQImage(photoPixels(i), kScale),
                                        manager.cacheKeyForURL(QUrl(url)), false);
    }
}

struct Screen {
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>();
    std::shared_ptr<ui::NavigationController> navigation =
        std::make_shared<ui::NavigationController>();
    std::shared_ptr<QXPostDetailNew> detail;
};

Screen makeScreen(const QVariantMap& shown = post()) {
    prefillPhotos();
    Screen screen;
    screen.window->setFrame({0, 0, kWidth, kHeight});
    screen.window->makeKeyAndVisible();
    screen.window->setRootViewController(screen.navigation);
    screen.detail = QXPostDetailNew::initWithContent(shown, 7, 1);
    screen.navigation->setViewControllers({screen.detail}, false);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    screen.window->layoutIfNeeded();
    return screen;
}

void BM_ReplyToFirstFrame(benchmark::State& state) {
    Screen screen = makeScreen();
    const QByteArray bytes = replyBytes();
    for (auto _ : state) {
        screen.detail->responseGetPostByPuid(json_JSON(QVariant(bytes)), kPuid);
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
}

void BM_ParseReplyAlone(benchmark::State& state) {
    const QByteArray bytes = replyBytes();
    for (auto _ : state) benchmark::DoNotOptimize(json_JSON(QVariant(bytes)));
}

double offsetOf(long frame, double last) {
    const long steps = long(last / kStep) + 1;
    return double(frame % steps) * kStep;
}

void BM_ScrollLongDetail(benchmark::State& state) {
    Screen screen = makeScreen();
    screen.detail->responseGetPostByPuid(json_JSON(QVariant(replyBytes())), kPuid);
    screen.detail->detailOpenBtnEvent();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ui::ScrollView& page = *screen.detail->mainScrollView();
    const double last = page.contentSize().height - page.frame().size.height;
    (void)screen.window->renderImage(kScale);
    long frame = 0;
    for (auto _ : state) {
        page.setContentOffset({0, offsetOf(++frame, last)});
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["height"] = page.contentSize().height;
}

// The same title, rows, photos, description and lines painted straight into an image at the
// same offsets.
void BM_DirectPainter(benchmark::State& state) {
    const QString description = longDescription();
    const QFont title = ui::Font::systemFontOfSize(16).toQt();
    const QFont text = ui::Font::systemFontOfSize(14).toQt();
    std::vector<QImage> photos;
    for (int i = 0; i < kPhotos; ++i) photos.push_back(photoPixels(i));
    const QStringList rows{"租       金:  6500元/月(押一付三)",
                           "户       型: 2室1厅",
                           "面       积: 78㎡",
                           "楼       层: 12层/18层",
                           "朝       向: 南北",
                           "装       修: 精装修",
                           "入       住: 随时入住"};
    const double descriptionTop = 480;
    const double last = descriptionTop + 2600 - (kHeight - 64);
    long frame = 0;
    for (auto _ : state) {
        const double offset = offsetOf(++frame, last);
        QImage canvas = ui::Renderer::makeCanvas(kWidth, kHeight, kScale);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.fillRect(QRectF(0, 0, kWidth, kHeight), QColor(250, 250, 250));
        painter.translate(0, 64 - offset);
        painter.setFont(title);
        painter.setPen(QColor(51, 51, 51));
        painter.drawText(QRectF(12, 14, 300, 20), Qt::AlignLeft, post()["title"].toString());
        for (int i = 0; i < kPhotos; ++i)
            painter.drawImage(QRectF(8 + i * 106, 83, 100, 75), photos[std::size_t(i)]);
        painter.setFont(text);
        for (int i = 0; i < int(rows.size()); ++i)
            painter.drawText(QRectF(12, 180 + i * 25, 300, 25), Qt::AlignLeft, rows[i]);
        for (double y : {176.0, 360.0, 470.0})
            painter.fillRect(QRectF(8, y, 304, 1), QColor(221, 221, 221));
        painter.drawText(QRectF(12, descriptionTop, 288, 2600), Qt::TextWrapAnywhere,
                         QStringLiteral("详情:") + description);
        painter.end();
        benchmark::DoNotOptimize(canvas);
    }
}

// A title of 40 MB as the reply's UTF-8 (three bytes a character).
QString hugeTitle() {
    const QString sentence = QStringLiteral("南北通透精装两居室近地铁，");
    QString title;
    title.reserve(40'000'000 / 3 + sentence.size());
    while (title.size() < 40'000'000 / 3) title += sentence;
    return title;
}

void BM_HugeTitleToFirstFrame(benchmark::State& state) {
    QVariantMap huge = post();
    huge["title"] = hugeTitle();
    for (auto _ : state) {
        Screen screen = makeScreen(huge);
        bench::renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
    }
    state.counters["peak_MB"] = bench::peakResidentMegabytes();
}

BENCHMARK(BM_ReplyToFirstFrame)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_ParseReplyAlone)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_ScrollLongDetail)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DirectPainter)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_HugeTitleToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto reply = reporter.seconds("BM_ReplyToFirstFrame");
        const auto parse = reporter.seconds("BM_ParseReplyAlone");
        if (reply && parse) {
            std::printf(
                "\nA detail reply in memory to the first frame drawn (target: under 16 ms):\n");
            std::printf("  reply to frame  %7.2f ms%s\n", *reply * 1e3,
                        *reply * 1e3 < 16 ? "" : "  (over 16 ms)");
            std::printf("  parsing alone   %7.2f ms\n", *parse * 1e3);
            std::printf("  ratio (parsing / reply to frame): %.2f\n", *parse / *reply);
        }
        const auto scroll = reporter.seconds("BM_ScrollLongDetail");
        const auto direct = reporter.seconds("BM_DirectPainter");
        if (scroll && direct) {
            std::printf(
                "\nScrolling a detail of 2,000 characters and 12 photos, 13 points a frame "
                "(targets: under 16 ms a frame, ratio at least 0.5):\n");
            std::printf("  detail          %7.2f ms a frame%s\n", *scroll * 1e3,
                        *scroll * 1e3 < 16 ? "" : "  (over 16 ms)");
            std::printf("  direct QPainter %7.2f ms a frame\n", *direct * 1e3);
            std::printf("  ratio (detail / direct): %.2f\n", *direct / *scroll);
        }
    });
}
