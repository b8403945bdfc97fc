// How long the main thread stalls while the post list of 100 posts (the list cell of the search
// results) loads and scrolls through thumbnails whose headers declare huge pictures. The
// stand-in serves every thumbnail as one of these (the argument names it; the first by default):
//   jpeg  a JPEG of about 3 KB whose header declares 8,192 x 8,192 pixels, the most a picture
//         may declare: the decoder works through all of them at an eighth of their size, with a
//         share of the decoding budget (one that declares more decodes to nothing at once);
//   png   a plain PNG of 5,793 x 5,793 pixels (about 112 KB), scaled as it is read.
// One run, not a Google Benchmark loop. A frame every 16 ms draws the list in an offscreen
// window at scale 2 and moves it on: the first screen for a second, then down half a row a
// frame to the end and back up to the top, then it holds until every row on screen shows its
// thumbnail. Rows that leave the screen cancel their thumbnails' requests, as a scrolled list's
// do. The longest time between two frames is the main thread's stall.
//
// The same run over the stand-in's own thumbnails (small JPEGs) comes first as the reference;
// the ratio of the two stalls is printed. Then, for the huge pictures: the longest stall
// (target: under 300 ms), the peak resident memory during their run and what is resident
// after it. The run stops past 2,000 MB.
#include "bench/support/offscreen.h"
#include "bench/support/peak_memory.h"
#include "bench/support/thumbnail_list.h"

#include "ui/image/UIImageView+NetKit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

using namespace bench::thumbnails;

constexpr int kFrameMs = 16;
constexpr int kFirstScreenFrames = 60;
constexpr qint64 kGiveUpWaitingMs = 120000;

constexpr bench::ThumbnailPicture kPictures[] = {
    {"jpeg", R"({"prefix":"/img/posts/","picture":[8192,8192],"jpeg":true})",
     "JPEGs of a few KB declaring 8,192 x 8,192 pixels"},
    {"png", R"({"prefix":"/img/posts/","picture":[5793,5793]})",
     "plain PNGs of 5,793 x 5,793 pixels (112 KB)"},
};

struct Run {
    qint64 longestStallMs = 0;
    qint64 tookMs = 0;
    bool shown = false;
    bool overMemory = false;
};

// Draws the list frame by frame as the file's comment says, measuring the gaps between frames.
Run scrollThrough(int firstPicture) {
    bench::ThumbnailList list(firstPicture);
    ui::TableView& table = *list.table;
    const double end = kPosts * QXPostListCell::kRowHeight - kHeight;
    Run run;
    QElapsedTimer clock;
    clock.start();
    qint64 lastFrame = 0;
    int frame = 0;
    double offset = 0;
    bool down = true;
    bool done = false;
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (frame > 0) run.longestStallMs = std::max(run.longestStallMs, now - lastFrame);
        lastFrame = now;
        if (++frame > kFirstScreenFrames) {
            if (down) {
                offset = std::min(offset + kStep, end);
                down = offset < end;
            } else {
                offset = std::max(offset - kStep, 0.0);
            }
            table.setContentOffset({0, offset});
        }
        bench::renderWindowFrame(*list.window, kWidth, kHeight, kScale);
        const bool scrolled = !down && offset == 0;
        if (scrolled && bench::thumbnailsShown(table)) {
            run.shown = true;
            done = true;
        }
        if (bench::residentMegabytes() > kGiveUpMegabytes) {
            run.overMemory = true;
            done = true;
        }
        if (now > kGiveUpWaitingMs) done = true;
    });
    frames.start(kFrameMs);
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, kFrameMs);
    frames.stop();
    run.tookMs = clock.elapsed();
    return run;
}

void printRun(const char* what, const Run& run) {
    std::printf("  %-44s %6lld ms (all shown after %.1f s%s)\n", what, run.longestStallMs,
                double(run.tookMs) / 1000,
                run.overMemory ? "; stopped past 2,000 MB"
                : run.shown    ? ""
                               : "; not all shown");
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runThumbnailProbe(
        argc, argv, kPictures, [](const bench::ThumbnailPicture& picture) {
            std::printf(
                "The post list of %d posts at scale 2, scrolled down and up, thumbnails that are "
                "%s:\n",
                kPosts, picture.description);

            const Run reference = scrollThrough(7000);
            printRun("longest main-thread stall, small JPEGs", reference);

            ImageViewNetKit::nk_sharedImageCache().removeAllObjects();
            if (!bench::servePictures(picture)) return 1;
            bench::resetPeakResident();
            const Run huge = scrollThrough(5000);
            printRun("longest main-thread stall, huge pictures", huge);
            std::printf("  %-44s %6.2f (target: the stall under 300 ms)\n",
                        "ratio to the small JPEGs' stall",
                        double(huge.longestStallMs) /
                            double(std::max<qint64>(reference.longestStallMs, 1)));
            std::printf("  %-44s %6.0f MB\n", "peak memory during the run",
                        bench::peakResidentMegabytes());
            std::printf("  %-44s %6.0f MB\n", "resident after it", bench::residentMegabytes());
            return 0;
        });
}
