#pragma once

// For benchmarks of the user interface: they run in a GUI application without a display
// and render windows into images as the offscreen host does.

#include "bench/support/side_by_side.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/window.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <functional>

namespace bench {

// Runs the program's benchmarks offscreen, under the allocator's rule that the app sets at its
// start, then hands their fastest times to `report`; returns the program's exit status.
inline int runOffscreen(int argc, char** argv,
                        const std::function<void(const FastestTimes&)>& report) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ui::DecodingBudget::setAllocatorRule();
    FastestTimes reporter;
    if (!runBenchmarks(argc, argv, reporter)) return 1;
    report(reporter);
    return 0;
}

// One frame of `window` into a fresh image of `width` x `height` points at `scale`.
inline void renderWindowFrame(ui::Window& window, double width, double height, double scale) {
    QImage frame = ui::Renderer::makeCanvas(width, height, scale);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    window.render(painter);
    painter.end();
    benchmark::DoNotOptimize(frame);
}

}  // namespace bench
