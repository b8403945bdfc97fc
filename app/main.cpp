// The app: starts the shell on the servers of HOUSING_SERVER_ROOT, in a phone-sized window
// when a display is there (two pixels per point), else headless. See AppOptions.h.
#include "AppOptions.h"

#include "app/QXAppDelegate.h"
#include "net/EndpointTable.h"
#include "platform/foundation/sandbox.h"
#include "platform/location/driven_position_source.h"
#include "platform/uikit/application.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

int signalPipe[2] = {-1, -1};

void forwardSignal(int number) {
    const char byte = char(number);
    // Only async-signal-safe work here: the event loop reads the pipe.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

bool wantsWindow(const AppOptions& options) {
    if (options.headless) return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) return platform != "offscreen" && platform != "minimal";
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

bool writeScreenshot(const QString& path) {
    ui::Window* window = ui::Application::sharedApplication().keyWindow();
    if (!window) return false;
    const bool written = ui::OffscreenHost(window->sharedAs<ui::Window>()).renderToFile(path);
    std::fprintf(stderr,
                 written ? "housing: screenshot written to %s\n"
                         : "housing: cannot write the screenshot %s\n",
                 qPrintable(path));
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    // Buffers of 32 MB and more get pages of their own, and a heap's top is trimmed past 64 MB,
    // from the start (and 4 MB while large pictures decode: DecodingBudget). Left to its
    // starting rule until a large picture decodes, the allocator gave every buffer of 128 KB and
    // more fresh pages: the post detail's first frame took 7.7 to 12.0 ms rather than 5.5 to
    // 7.6 (houses_detail_bench, six runs of each build in turn).
    ui::DecodingBudget::setAllocatorRule();
    QElapsedTimer sinceStart;
    sinceStart.start();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const AppOptions options = AppOptions::parse(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "housing: %s\n%s", qPrintable(options.error),
                     qPrintable(AppOptions::usage()));
        return 2;
    }
    const bool windowed = wantsWindow(options);
    if (!windowed) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication qtApplication(argc, argv);

    if (!options.sandbox.isEmpty()) ns::Sandbox::setRoot(options.sandbox);
    if (!options.serverRoot.isEmpty()) EndpointTable::setServerRoot(options.serverRoot);
    if (options.position) {
        loc::PositionSource::install(
            std::make_shared<loc::DrivenPositionSource>(*options.position));
    }

    ui::Application& application = ui::Application::sharedApplication();
    // "--push" goes to the app already running on this sandbox, or waits on its disk for the
    // next launch; either way this process ends here.
    if (const std::optional<int> handled = application.handleCommandLine(arguments)) {
        return *handled;
    }

    if (::pipe(signalPipe) == 0) {
        std::signal(SIGUSR1, forwardSignal);
        std::signal(SIGINT, forwardSignal);
        std::signal(SIGTERM, forwardSignal);
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        char number = 0;
        if (::read(signalPipe[0], &number, 1) != 1) return;
        if (number == SIGUSR1) {
            if (!options.screenshotPath.isEmpty()) writeScreenshot(options.screenshotPath);
            return;
        }
        application.terminate();
        QGuiApplication::quit();
    });

    QXAppDelegate::setProcessExit([&application](int code) {
        application.terminate();
        QGuiApplication::exit(code);
    });
    application.setDelegate(QXAppDelegate::sharedPointer());
    application.launch();

    const std::shared_ptr<ui::Window> window = QXAppDelegate::sharedAppDelegate().window();
    std::unique_ptr<ui::InteractiveHost> host;
    if (windowed && window) {
        host = std::make_unique<ui::InteractiveHost>(window);
        host->show();
        QObject::connect(&qtApplication, &QGuiApplication::lastWindowClosed,
                         [&application] { application.terminate(); });
    }

    if (options.exitAfterFirstFrame) {
        // Headless, the first frame is the first rendering of the window.
        if (host) {
            host->refresh();
        } else if (window) {
            (void)window->renderImage();
        }
        std::printf("first frame after %.1f ms\n", double(sinceStart.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        application.terminate();
        return 0;
    }

    QTimer screenshotTimer;
    if (!options.screenshotPath.isEmpty() && options.screenshotAfter >= 0) {
        screenshotTimer.setSingleShot(true);
        QObject::connect(&screenshotTimer, &QTimer::timeout,
                         [&options] { writeScreenshot(options.screenshotPath); });
        screenshotTimer.start(int(options.screenshotAfter * 1000));
    }
    return QGuiApplication::exec();
}
