#include "SandboxTest.h"

#include "platform/foundation/sandbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <stdexcept>

void SandboxTest::SetUp() {
    clock_ = std::make_shared<ns::ManualClock>();
    ns::Clock::install(clock_);
    // Without a folder of its own (a full disk, a temporary folder that is no folder) the test
    // fails, and whatever it still writes fails too: nothing lands in the user's own sandbox,
    // nor in the sandbox of the test before. The exception ends the SetUp of every fixture
    // built on this one, so that none goes on without its sandbox.
    if (!sandbox_.isValid()) {
        ns::Sandbox::setRoot(QString::fromLatin1(kNoSandbox));
        throw std::runtime_error("no sandbox folder for the test: " +
                                 sandbox_.errorString().toStdString());
    }
    ns::Sandbox::setRoot(sandbox_.path());
    // Photos a test saves stay in its sandbox, never in the desktop's pictures folder.
    qputenv("HOUSING_PHOTO_ALBUM", (sandbox_.path() + QStringLiteral("/Pictures")).toLocal8Bit());
}

void SandboxTest::TearDown() {
    drainMainLoop();
    // Threads that read the time keep this clock until they read it again: what its
    // pending timers hold must not live on into the next test.
    clock_->cancelAll();
    ns::Clock::install(nullptr);
    clock_.reset();
    qunsetenv("HOUSING_PHOTO_ALBUM");
}

bool SandboxTest::runMainLoopUntil(const std::function<bool()>& done,
                                   std::chrono::milliseconds timeout) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeout.count()) return done();
        // Wait for events (replies arriving from other threads) without spinning.
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void SandboxTest::drainMainLoop() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
