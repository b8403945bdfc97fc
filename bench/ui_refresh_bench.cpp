// A pull-to-refresh drag over a table of 1,000 rows of the app's row kind, frame by
// frame: each frame moves the finger, the table follows (rubber-banding past the top),
// the refresh header above the rows and the footer below them hear the offset and
// change their state as the pull crosses their line, and the window is rendered at two
// pixels per point. Against it, the same drag over the same table without the refresh
// views. Prints milliseconds per frame of both and their ratio.

#include "bench/support/offscreen.h"
#include "bench/support/table_rows.h"
#include "ui/widgets/PRRefreshFooterView.h"
#include "ui/widgets/PRRefreshHeaderView.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

namespace {

using namespace bench;

constexpr int kFramesPerPull = 120;

// The finger's height in frame `frame`: down by up to 200 points and back, again and again.
double fingerY(long frame) {
    const double phase = double(frame % kFramesPerPull) / kFramesPerPull;
    return 100 + 200 * (1 - std::abs(2 * phase - 1));
}

void drag(benchmark::State& state, bool withRefreshViews) {
    Screen screen = makeScreen();
    std::shared_ptr<PRRefreshHeaderView> header;
    std::shared_ptr<PRRefreshFooterView> footer;
    if (withRefreshViews) {
        header = PRRefreshHeaderView::header();
        header->setScrollView(screen.table);
        footer = PRRefreshFooterView::footer();
        footer->setScrollView(screen.table);
    }
    (void)screen.window->renderImage(kScale);
    screen.window->touchDown({160, fingerY(0)});
    long frame = 0;
    int pulled = 0;
    for (auto _ : state) {
        screen.window->touchMove({160, fingerY(++frame)});
        renderWindowFrame(*screen.window, kWidth, kHeight, kScale);
        if (header && header->state() == PRRefreshStatePulling) ++pulled;
    }
    screen.window->touchUp({160, fingerY(frame)});
    if (header) state.counters["pulled frames"] = pulled;
}

void BM_RefreshTableDrag(benchmark::State& state) {
    drag(state, true);
}

void BM_PlainTableDrag(benchmark::State& state) {
    drag(state, false);
}

BENCHMARK(BM_RefreshTableDrag)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_PlainTableDrag)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    return bench::runOffscreen(argc, argv, [](const bench::FastestTimes& reporter) {
        const auto refresh = reporter.seconds("BM_RefreshTableDrag");
        const auto plain = reporter.seconds("BM_PlainTableDrag");
        if (!refresh || !plain) return;
        std::printf(
            "\nA pull-to-refresh drag over 1,000 rows, frame by frame, at scale 2 "
            "(target: under 16 ms a frame, ratio at least 0.6):\n");
        std::printf("  with refresh views %7.2f ms a frame, %7.1f frames per second%s\n",
                    *refresh * 1e3, 1 / *refresh, *refresh * 1e3 < 16 ? "" : "  (over 16 ms)");
        std::printf("  plain table        %7.2f ms a frame, %7.1f frames per second\n",
                    *plain * 1e3, 1 / *plain);
        std::printf("  ratio (frame rate with refresh views / plain): %.2f\n", *plain / *refresh);
    });
}
