// Memory of the post list whose 100 thumbnails are pictures of few bytes and many pixels. The
// stand-in serves every thumbnail as one of these (the argument names it; the first by default):
//   png          a one-colour PNG of 5,000 x 5,000 pixels (about 73 KB, 100 MB decoded whole);
//   interlaced   an interlaced one of 5,792 x 5,792 (about 117 KB, 128 MB decoded whole), which
//                no decoder scales as it reads;
//   interlaced5000  an interlaced one of 5,000 x 5,000;
//   palette      a PNG of palette pixels of 5,000 x 5,000 (about 24 KB), which the platform's
//                decoder decodes whole;
//   grey         one of grey pixels of 5,000 x 5,000;
//   interlacedpalette  an interlaced PNG of palette pixels of 5,000 x 5,000;
//   gif          a GIF of 40 frames of 2 x 2 pixels on a canvas of 4,000 x 4,000 (under 1 KB,
//                64 MB a frame decoded whole);
//   gifcanvas    a GIF of one frame of 16 x 16 pixels on a canvas of 5,600 x 5,600 (125 MB
//                decoded whole).
// The list of 100 posts is shown in an offscreen window at scale 2 and its thumbnails load as
// the list does, through the image request operations and their memory cache; then the list
// is scrolled to its end, half a row a frame, each frame's thumbnails loaded before the next.
//
// Prints how long the first screen's thumbnails took to show and the peak while they came,
// the resident memory at the start, once they are in, the peak during the scroll and what is
// left after it, with what the memory cache holds (target: under 250 MB throughout). The
// scroll stops once the process passes 2,000 MB.
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"
#include "bench/support/post_list_rows.h"
#include "bench/support/standin_program.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/window.h"
#include "ui/image/UIImageView+NetKit.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kPosts = 100;
constexpr double kWidth = 320, kHeight = 480, kScale = 2;
constexpr double kStep = QXPostListCell::kRowHeight / 2;
// A build that keeps every picture whole would take gigabytes: the scroll stops past this.
constexpr double kGiveUpMegabytes = 2000;
constexpr qint64 kGiveUpWaitingMs = 30000;

struct Picture {
    const char* name;
    const char* rule;  // the stand-in's fault switch for the post pictures
    const char* description;
};

constexpr Picture kPictures[] = {
    {"png", R"({"prefix":"/img/posts/","picture":[5000,5000]})",
     "PNGs of 5,000 x 5,000 pixels (73 KB)"},
    {"interlaced", R"({"prefix":"/img/posts/","picture":[5792,5792],"interlaced":true})",
     "interlaced PNGs of 5,792 x 5,792 pixels (117 KB)"},
    {"interlaced5000", R"({"prefix":"/img/posts/","picture":[5000,5000],"interlaced":true})",
     "interlaced PNGs of 5,000 x 5,000 pixels (88 KB)"},
    {"palette", R"({"prefix":"/img/posts/","picture":[5000,5000],"pixels":"palette"})",
     "palette PNGs of 5,000 x 5,000 pixels (24 KB)"},
    {"grey", R"({"prefix":"/img/posts/","picture":[5000,5000],"pixels":"grey"})",
     "grey PNGs of 5,000 x 5,000 pixels (35 KB)"},
    {"interlacedpalette",
     R"({"prefix":"/img/posts/","picture":[5000,5000],"pixels":"palette","interlaced":true})",
     "interlaced palette PNGs of 5,000 x 5,000 pixels (24 KB)"},
    {"gif", R"({"prefix":"/img/posts/","picture":[4000,4000],"gifFrames":40})",
     "GIFs of 40 frames on 4,000 x 4,000 pixels (under 1 KB)"},
    {"gifcanvas",
     R"({"prefix":"/img/posts/","picture":[5600,5600],"gifFrames":1,"gifFrame":[16,16]})",
     "GIFs of a 16 x 16 frame on 5,600 x 5,600 pixels (under 1 KB)"},
};

QVariantMap post(int i) {
    return {{"puid", QString::number(30000 + i)},
            {"title", QStringLiteral("望京 花家地 %1居室 南北通透").arg(i % 4 + 1)},
            {"district_name", "朝阳区"},
            {"street_name", "望京街道"},
            {"price", QVariantMap{{"v", 3000 + i * 41}, {"u", "元/月"}}},
            {"area", QVariantMap{{"v", 40 + i % 90}, {"u", "㎡"}}},
            {"huxing", "2室1厅"},
            {"icons", QVariantMap{{"image", 1}}},
            {"thumb_img", QStringLiteral("posts/%1.jpg").arg(5000 + i)}};
}

// Whether every row on screen shows its thumbnail (or the failure picture).
bool thumbnailsShown(ui::TableView& table) {
    static const auto loading = ui::Image::imageNamed(QStringLiteral("信息列表-加载中.png"));
    for (ui::TableViewCell* cell : table.visibleCells()) {
        const auto* row = dynamic_cast<QXPostListCell*>(cell);
        if (!row || !row->thumbnailView()->image() || row->thumbnailView()->image() == loading)
            return false;
    }
    return true;
}

// Renders a frame, then lets the thumbnails it asked for arrive and renders again.
void frameWithItsThumbnails(ui::Window& window, ui::TableView& table) {
    bench::renderWindowFrame(window, kWidth, kHeight, kScale);
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    while (!thumbnailsShown(table) && waited.elapsed() < kGiveUpWaitingMs) {
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    bench::renderWindowFrame(window, kWidth, kHeight, kScale);
}

// Starts the peak over from what the process holds now.
void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

void printCache(const char* when) {
    const auto& cache = ImageViewNetKit::nk_sharedImageCache();
    std::printf("  %-30s %6.0f MB resident; the memory cache holds %zu pictures, %.1f MB\n", when,
                bench::residentMegabytes(), cache.count(),
                double(cache.totalCost()) / (1024 * 1024));
}

}  // namespace

int main(int argc, char** argv) {
    const Picture* picture = &kPictures[0];
    if (argc > 1) {
        picture = nullptr;
        for (const Picture& known : kPictures) {
            if (qstrcmp(argv[1], known.name) == 0) picture = &known;
        }
        if (!picture) {
            std::printf("pictures:");
            for (const Picture& known : kPictures) std::printf(" %s", known.name);
            std::printf("\n");
            return 1;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // As the app does at its start.
    ui::DecodingBudget::setAllocatorRule();
    QTemporaryDir sandbox;
    ns::Sandbox::setRoot(sandbox.path());
    if (!bench::standin().running()) {
        std::printf("the stand-in server did not start\n");
        return 1;
    }
    qputenv("HOUSING_SERVER_ROOT", bench::standin().root().toUtf8());
    if (!bench::standin().control("faults", picture->rule)) {
        std::printf("the stand-in refused the picture switch\n");
        return 1;
    }
    std::printf(
        "The post list with %d thumbnails that are %s, at scale 2 (target: under 250 MB):\n",
        kPosts, picture->description);
    printCache("at the start");

    auto rows = std::make_shared<bench::PostListRows>(kPosts, post);
    auto window = std::make_shared<ui::Window>(ui::Rect(0, 0, kWidth, kHeight));
    auto table = std::make_shared<ui::TableView>(ui::Rect(0, 0, kWidth, kHeight));
    table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    table->setDataSource(rows);
    table->setDelegate(rows);
    window->addSubview(table);
    resetPeak();
    QElapsedTimer firstThumbnails;
    firstThumbnails.start();
    frameWithItsThumbnails(*window, *table);
    const int firstScreen = int(std::ceil(kHeight / QXPostListCell::kRowHeight));
    std::printf("  %-30s %6lld ms, the peak %.0f MB\n", "the first screen's thumbnails in",
                firstThumbnails.elapsed(), bench::peakResidentMegabytes());
    printCache(qPrintable(QStringLiteral("the first %1 thumbnails in").arg(firstScreen)));

    resetPeak();
    const double end = kPosts * QXPostListCell::kRowHeight - kHeight;
    for (double y = kStep; y <= end + kStep / 2; y += kStep) {
        table->setContentOffset({0, std::min(y, end)});
        frameWithItsThumbnails(*window, *table);
        if (bench::residentMegabytes() > kGiveUpMegabytes) {
            std::printf("  stopped at row %d of %d: past %.0f MB\n",
                        int(y / QXPostListCell::kRowHeight), kPosts, kGiveUpMegabytes);
            break;
        }
    }
    printCache("after the scroll to the end");
    std::printf("  %-30s %6.0f MB\n", "peak during the scroll", bench::peakResidentMegabytes());
    return 0;
}
