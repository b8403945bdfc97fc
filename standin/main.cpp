// The stand-in servers as a program: prints where it listens, serves until
// interrupted or terminated.
//   standin [--port N | --port-file FILE] [--images DIR] [--needs FILE] [--messages FILE]
//           [--views FILE]
//   standin --sample-position     prints where a demo run's device stands, and ends
#include "standin/BrokerShops.h"
#include "standin/KeptPort.h"
#include "standin/MessagingServer.h"
#include "standin/StandinServer.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

int main(int argc, char** argv) {
    int port = 0;
    QString portFile;
    QString imagesFolder;
    QString needsFile;
    QString messagesFile;
    QString viewsFile;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--port-file") == 0 && i + 1 < argc) {
            portFile = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--images") == 0 && i + 1 < argc) {
            imagesFolder = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--needs") == 0 && i + 1 < argc) {
            needsFile = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--messages") == 0 && i + 1 < argc) {
            messagesFile = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--views") == 0 && i + 1 < argc) {
            viewsFile = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--sample-position") == 0 && argc == 2) {
            std::printf("%s\n", qPrintable(standin::BrokerShops::samplePosition()));
            return 0;
        } else {
            std::fprintf(stderr,
                         "usage: standin [--port N | --port-file FILE] [--images DIR] "
                         "[--needs FILE] [--messages FILE] [--views FILE] | "
                         "--sample-position\n");
            return 2;
        }
    }
    if (port != 0 && !portFile.isEmpty()) {
        std::fprintf(stderr, "standin: --port and --port-file name the port twice\n");
        return 2;
    }
    // The map tiles draw district names, and fonts need a GUI application; it never shows
    // anything, so it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps its runtime files in the folder a desktop session names; started from a
    // console without one, the servers take a private folder of their own (removed at the end)
    // rather than warn and share a guessed one.
    std::optional<QTemporaryDir> runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder.emplace();
        if (runtimeFolder->isValid())
            qputenv("XDG_RUNTIME_DIR", runtimeFolder->path().toLocal8Bit());
    }
    QGuiApplication application(argc, argv);

    // Signals are taken by sigwait below, never by a handler on a server thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    standin::StandinServer server(imagesFolder);
    // The published needs outlive the server in the file: the app of a demo finds its needs'
    // houses after a restart.
    if (!needsFile.isEmpty() && !server.endpoints().postedNeeds().keepIn(needsFile)) {
        std::fprintf(stderr, "standin: %s holds no needs\n", qPrintable(needsFile));
        return 1;
    }
    // The app keeps the messages it received by their ids: a restarted server for the same
    // app gives none of the ids it gave before, and sends what the app has not acknowledged
    // of the brokers' answers, and the answers the kept needs are still owed (read after the
    // needs for that).
    if (!messagesFile.isEmpty() && !server.messaging().keepIn(messagesFile)) {
        std::fprintf(stderr, "standin: %s holds no messages' state\n", qPrintable(messagesFile));
        return 1;
    }
    // A post's view count goes on from where it stood: a relaunched demo never shows a post
    // seen fewer times than before.
    if (!viewsFile.isEmpty() && !server.endpoints().postViews().keepIn(viewsFile)) {
        std::fprintf(stderr, "standin: %s holds no post views\n", qPrintable(viewsFile));
        return 1;
    }
    // The addresses the app keeps name the port: a demo's sandbox keeps it while it is free.
    const int listening =
        portFile.isEmpty() ? server.start(port) : standin::KeptPort::start(server, portFile);
    if (listening == 0) {
        std::fprintf(stderr, "standin: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("standin listening on %s\n", qPrintable(server.rootUrl()));
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    return 0;
}
