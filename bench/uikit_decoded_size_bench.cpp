// Pictures whose decoder makes more pixels than a header read the plain way tells, decoded eight
// at once through ui::Image::imageWithData at the app's bound, as a list of them on every core
// would, and one at a time as a thumbnail (within 16 pixels), beside their honest twins:
//  - BMPs of one colour stored from the top down (a negative height in their header): 1 bit a
//    pixel, 5,790 x 5,790 (4.2 MB), and 8 bits, 4,400 x 4,400 (19 MB); and the same stored from
//    the bottom up;
//  - icon files whose one picture is a PNG of one colour that its directory lists at
//    256 x 256: RGBA of 5,790 x 5,790 (an icon and a cursor), and RGBA of 16 bits a sample,
//    4,095 x 4,095.
// Prints, for the eight decodes at once, the process's resident peak while they ran, the most
// the decoding budget held and the most decodes waiting for a share (as a watcher saw them
// every 0.2 ms), and how many showed a picture; for the thumbnails, each one's time and its
// ratio to the thumbnail of the twin stored from the bottom up measured in the same run.
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"

#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/image.h"
#include "standin/FlatPicture.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

using standin::FlatPicture;

struct Picture {
    const char* name;
    std::function<QByteArray()> make;
    // The picture whose thumbnail this one's is compared with (itself for those that have no
    // twin).
    int twin;
};

const std::array<Picture, 7> kPictures = {{
    {"1-bit BMP 5,790 x 5,790, top-down",
     [] {
         return FlatPicture::bmp({5790, 5790}, 1, true);
     },
     1},
    {"1-bit BMP 5,790 x 5,790, bottom-up",
     [] {
         return FlatPicture::bmp({5790, 5790}, 1);
     },
     1},
    {"8-bit BMP 4,400 x 4,400, top-down",
     [] {
         return FlatPicture::bmp({4400, 4400}, 8, true);
     },
     3},
    {"8-bit BMP 4,400 x 4,400, bottom-up",
     [] {
         return FlatPicture::bmp({4400, 4400}, 8);
     },
     3},
    {"ICO of an RGBA PNG 5,790 x 5,790",
     [] {
         return FlatPicture::icon(
             {FlatPicture::png({5790, 5790}, false, FlatPicture::Pixels::ColourAndAlpha)});
     },
     4},
    {"CUR of an RGBA PNG 5,790 x 5,790",
     [] {
         return FlatPicture::icon(
             {FlatPicture::png({5790, 5790}, false, FlatPicture::Pixels::ColourAndAlpha)}, true);
     },
     5},
    {"ICO of a 16-bit RGBA PNG 4,095 x 4,095",
     [] {
         return FlatPicture::icon(
             {FlatPicture::png({4095, 4095}, false, FlatPicture::Pixels::DeepColourAndAlpha)});
     },
     6},
}};

constexpr int kAtOnce = 8;

const QByteArray& pictureBytes(std::size_t index) {
    static std::map<std::size_t, QByteArray> made;
    QByteArray& bytes = made[index];
    if (bytes.isEmpty()) bytes = kPictures[index].make();
    return bytes;
}

struct AtOnce {
    double peakMB = 0;
    double mostHeldMB = 0;
    int mostWaiting = 0;
    int shown = 0;
};
std::map<int, AtOnce> gAtOnce;

void BM_EightAtOnce(benchmark::State& state) {
    const auto picture = int(state.range(0));
    const QByteArray& bytes = pictureBytes(std::size_t(picture));
    for (auto _ : state) {
        bench::resetPeakResident();
        std::atomic<bool> done = false;
        std::int64_t mostHeld = 0;
        int mostWaiting = 0;
        std::thread watcher([&] {
            while (!done) {
                mostHeld = std::max(mostHeld, ui::DecodingBudget::heldBytes());
                mostWaiting = std::max(mostWaiting, ui::DecodingBudget::waitingCount());
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        // The pictures are kept until all have decoded, as the screens that show them keep them.
        std::vector<std::shared_ptr<ui::Image>> images(kAtOnce);
        std::vector<std::thread> decodes;
        for (int i = 0; i < kAtOnce; ++i) {
            decodes.emplace_back(
                [&, i] { images[std::size_t(i)] = ui::Image::imageWithData(bytes); });
        }
        for (std::thread& decode : decodes) decode.join();
        done = true;
        watcher.join();
        AtOnce& seen = gAtOnce[picture];
        seen.peakMB = std::max(seen.peakMB, bench::peakResidentMegabytes());
        seen.mostHeldMB = std::max(seen.mostHeldMB, double(mostHeld) / (1024 * 1024));
        seen.mostWaiting = std::max(seen.mostWaiting, mostWaiting);
        seen.shown = int(std::count_if(images.begin(), images.end(),
                                       [](const auto& image) { return bool(image); }));
    }
}

void BM_Thumbnail(benchmark::State& state) {
    const QByteArray& bytes = pictureBytes(std::size_t(state.range(0)));
    for (auto _ : state) {
        auto image = ui::Image::imageWithData(bytes, 1, 16);
        if (!image) state.SkipWithError("no picture");
        benchmark::DoNotOptimize(image);
    }
}

void everyPicture(benchmark::internal::Benchmark* benchmark) {
    for (int picture = 0; picture < int(kPictures.size()); ++picture) benchmark->Arg(picture);
    benchmark->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_EightAtOnce)->Apply(everyPicture)->Iterations(1);
BENCHMARK(BM_Thumbnail)->Apply(everyPicture)->Iterations(3)->Apply(bench::fastestOf<3>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        std::printf("\n%d decodes at once through Image::imageWithData at the app's bound:\n",
                    kAtOnce);
        for (const auto& [picture, seen] : gAtOnce) {
            std::printf(
                "  %-40s (%6.0f KB) peak %5.0f MB, budget held at most %4.0f MB, %d "
                "waiting at most, %d of %d shown\n",
                kPictures[std::size_t(picture)].name,
                double(pictureBytes(std::size_t(picture)).size()) / 1024, seen.peakMB,
                seen.mostHeldMB, seen.mostWaiting, seen.shown, kAtOnce);
        }
        std::printf("\nThumbnails within 16 pixels, the fastest of 3 x 3:\n");
        for (int picture = 0; picture < int(kPictures.size()); ++picture) {
            const auto time = reporter.seconds("BM_Thumbnail/" + std::to_string(picture));
            if (!time) continue;
            const int twin = kPictures[std::size_t(picture)].twin;
            std::printf("  %-40s %8.2f ms", kPictures[std::size_t(picture)].name, *time * 1e3);
            const auto twinTime = reporter.seconds("BM_Thumbnail/" + std::to_string(twin));
            if (twin != picture && twinTime) {
                std::printf(", %5.2f times its twin stored bottom-up (%.2f ms)", *time / *twinTime,
                            *twinTime * 1e3);
            }
            std::printf("\n");
        }
    });
}
