// Cold start of the app program to its first drawn frame, from a fresh sandbox and again
// from a used one (the second launch on the same folder), against a bare Qt program that
// opens an empty window of the same size and quits after its first frame. Each iteration
// starts a new process; both run headless. The ratios to the bare program are printed
// after the table.
#include "bench/support/side_by_side.h"
#include "bench/support/standin_program.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString builtProgram(const char* relative) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(relative);
}

bench::StandinProgram& standin() {
    static bench::StandinProgram instance;
    return instance;
}

// Runs a program headless to its end; false when it failed.
bool runHeadless(const QString& program, const QStringList& arguments) {
    QProcess process;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments, QIODevice::ReadOnly);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool startApp(const QString& sandbox) {
    return runHeadless(builtProgram("../app/housing"),
                       {"--headless", "--exit-after-first-frame", "--sandbox", sandbox, "--server",
                        standin().root()});
}

void AppColdStartFreshSandbox(benchmark::State& state) {
    if (!standin().running()) return state.SkipWithError("no stand-in server");
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir sandbox;
        state.ResumeTiming();
        if (!startApp(sandbox.path())) return state.SkipWithError("the app did not start");
    }
}

void AppColdStartUsedSandbox(benchmark::State& state) {
    if (!standin().running()) return state.SkipWithError("no stand-in server");
    QTemporaryDir sandbox;
    if (!startApp(sandbox.path())) return state.SkipWithError("the app did not start");
    for (auto _ : state) {
        if (!startApp(sandbox.path())) return state.SkipWithError("the app did not start");
    }
}

void BareQtEmptyWindow(benchmark::State& state) {
    for (auto _ : state) {
        if (!runHeadless(builtProgram("bare_window"), {})) {
            return state.SkipWithError("the bare program did not run");
        }
    }
}

BENCHMARK(AppColdStartFreshSandbox)
    ->Iterations(10)
    ->Apply(bench::fastestOf<3>)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AppColdStartUsedSandbox)
    ->Iterations(10)
    ->Apply(bench::fastestOf<3>)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BareQtEmptyWindow)
    ->Iterations(10)
    ->Apply(bench::fastestOf<3>)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;
    const auto bare = reporter.seconds("BareQtEmptyWindow");
    for (const char* name : {"AppColdStartFreshSandbox", "AppColdStartUsedSandbox"}) {
        const auto app = reporter.seconds(name);
        if (!app || !bare) continue;
        std::printf("%s: %.0f ms to the first frame, bare Qt window %.0f ms, ratio %.2f\n", name,
                    *app * 1000, *bare * 1000, *app / *bare);
    }
    return 0;
}
