// The image road, side by side with Qt doing the same work directly:
//  - a disk-cache hit made into a decoded image, against QImageReader reading the same file;
//  - a memory-cache hit, answered through the cache query the image manager uses;
//  - 200 thumbnails from the stand-in's image host with a cold cache through the image
//    manager, against the same 200 fetched by a bare network access manager with as many
//    requests in flight as the downloader runs (2); the peak cost the memory cache held
//    during the run is printed beside its limit.
#include "bench/support/side_by_side.h"
#include "bench/support/standin_program.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/sandbox.h"
#include "standin/SamplePictures.h"
#include "ui/image/IKImageCache.h"
#include "ui/image/IKImageDownloader.h"
#include "ui/image/IKImageManager.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

namespace {

constexpr int kThumbnails = 200;
constexpr int kWidth = IKImageDownloader::kDefaultMaxConcurrentDownloads;
// A limit well below what 200 thumbnails of 120 x 90 pixels would cost together: the bytes
// of 50 of them.
constexpr std::size_t kMemoryCostLimit = 50 * 120 * 90 * 4;
const QString kKey = QStringLiteral("http://host/img/posts/1_240-180c_7-0.jpg");

QTemporaryDir& sandbox() {
    static QTemporaryDir folder;
    return folder;
}

std::shared_ptr<IKImageCache> warmCache() {
    static const std::shared_ptr<IKImageCache> cache = [] {
        auto made = IKImageCache::create(QStringLiteral("bench"));
        const QByteArray bytes = *standin::SamplePictures::render("posts/1_240-180c_7-0.jpg");
        made->storeImage(ui::Image::imageWithData(bytes), false, bytes, kKey, true);
        (void)made->getDiskCount();  // waits for the write
        return made;
    }();
    return cache;
}

void DiskCacheHitToDecodedImage(benchmark::State& state) {
    auto cache = warmCache();
    for (auto _ : state) {
        cache->clearMemory();
        auto image = cache->imageFromDiskCacheForKey(kKey);
        if (!image) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

void QImageReaderOfTheSameFile(benchmark::State& state) {
    const QString path = warmCache()->defaultCachePathForKey(kKey);
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QImageReader reader(&file);
        QImage image = reader.read();
        if (image.isNull()) return state.SkipWithError("no image");
        benchmark::DoNotOptimize(image);
    }
}

void MemoryCacheHit(benchmark::State& state) {
    auto cache = warmCache();
    (void)cache->imageFromDiskCacheForKey(kKey);
    for (auto _ : state) {
        std::shared_ptr<ui::Image> found;
        cache->queryDiskCacheForKey(kKey, [&found](const std::shared_ptr<ui::Image>& image,
                                                   IKImageCacheType) { found = image; });
        benchmark::DoNotOptimize(found);
    }
}

QString thumbnailURL(int round, int index) {
    // Every run asks for pictures nobody has fetched yet: a cold cache on both sides.
    return bench::standin().url("/img/posts/") +
           QStringLiteral("%1_120-90c_7-%2.jpg").arg(index).arg(round);
}

std::size_t gPeakMemoryCost = 0;
int gRound = 0;

void ThumbnailsThroughTheImageManager(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    for (auto _ : state) {
        state.PauseTiming();
        auto cache = IKImageCache::create(QStringLiteral("thumbnails%1").arg(++gRound));
        cache->setMaxMemoryCost(kMemoryCostLimit);
        auto manager = IKImageManager::create(cache, IKImageDownloader::create());
        const int round = gRound;
        state.ResumeTiming();
        int done = 0;
        int failed = 0;
        QEventLoop loop;
        for (int i = 0; i < kThumbnails; ++i) {
            manager->downloadImageWithURL(
                QUrl(thumbnailURL(round, i)), 0, {},
                [&](const std::shared_ptr<ui::Image>& image, const std::optional<ns::Error>&,
                    IKImageCacheType, bool finished, const QUrl&) {
                    if (!finished) return;
                    if (!image) ++failed;
                    gPeakMemoryCost = std::max(gPeakMemoryCost, cache->memoryCost());
                    if (++done == kThumbnails) loop.quit();
                });
        }
        if (done < kThumbnails) loop.exec();
        if (failed > 0) return state.SkipWithError("a thumbnail failed");
    }
    state.SetItemsProcessed(state.iterations() * kThumbnails);
}

void ThumbnailsThroughABareAccessManager(benchmark::State& state) {
    if (!bench::standin().running()) return state.SkipWithError("no stand-in server");
    QNetworkAccessManager manager;
    for (auto _ : state) {
        const int round = ++gRound;
        std::deque<int> waiting;
        for (int i = 0; i < kThumbnails; ++i) waiting.push_back(i);
        int done = 0;
        int failed = 0;
        QEventLoop loop;
        std::function<void()> next = [&] {
            if (waiting.empty()) return;
            const int index = waiting.front();
            waiting.pop_front();
            QNetworkRequest request(QUrl(thumbnailURL(round, index)));
            request.setRawHeader("Accept", "image/webp,image/*;q=0.8");
            QNetworkReply* reply = manager.get(request);
            QObject::connect(reply, &QNetworkReply::finished, [&, reply] {
                if (reply->error() != QNetworkReply::NoError || reply->readAll().isEmpty()) {
                    ++failed;
                }
                reply->deleteLater();
                if (++done == kThumbnails) loop.quit();
                next();
            });
        };
        for (int i = 0; i < kWidth; ++i) next();
        loop.exec();
        if (failed > 0) return state.SkipWithError("a thumbnail failed");
    }
    state.SetItemsProcessed(state.iterations() * kThumbnails);
}

class Reporter : public bench::FastestTimes {
public:
    void Finalize() override {
        FastestTimes::Finalize();
        const auto cache = seconds("DiskCacheHitToDecodedImage");
        const auto reader = seconds("QImageReaderOfTheSameFile");
        if (cache && reader) {
            std::printf("disk-cache hit / QImageReader speed: %.2f (%.1f vs %.1f us)\n",
                        *reader / *cache, *cache * 1e6, *reader * 1e6);
        }
        if (const auto memory = seconds("MemoryCacheHit")) {
            std::printf("memory-cache hit: %.3f us\n", *memory * 1e6);
        }
        const auto ours = seconds("ThumbnailsThroughTheImageManager");
        const auto bare = seconds("ThumbnailsThroughABareAccessManager");
        if (ours && bare) {
            std::printf(
                "200 cold thumbnails, image manager / bare manager throughput: %.2f "
                "(%.0f vs %.0f ms)\n",
                *bare / *ours, *ours * 1e3, *bare * 1e3);
            std::printf("peak memory-cache cost %zu, limit %zu: %s\n", gPeakMemoryCost,
                        kMemoryCostLimit,
                        gPeakMemoryCost <= kMemoryCostLimit ? "bounded" : "OVER THE LIMIT");
        }
    }
};

BENCHMARK(DiskCacheHitToDecodedImage)->Apply(bench::fastestOf<7>);
BENCHMARK(QImageReaderOfTheSameFile)->Apply(bench::fastestOf<7>);
BENCHMARK(MemoryCacheHit)->Apply(bench::fastestOf<3>);
BENCHMARK(ThumbnailsThroughTheImageManager)
    ->Iterations(3)
    ->Apply(bench::fastestOf<3>)
    ->UseRealTime();
BENCHMARK(ThumbnailsThroughABareAccessManager)
    ->Iterations(3)
    ->Apply(bench::fastestOf<3>)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ns::Sandbox::setRoot(sandbox().path());
    // The two sides' repetitions take turns, so that a busy moment of the machine falls on
    // both rather than on one.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = int(arguments.size());
    Reporter reporter;
    return bench::runBenchmarks(count, arguments.data(), reporter) ? 0 : 1;
}
