#include "SandboxTest.h"

#include "platform/foundation/sandbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

void SandboxTest::SetUp() {
    ASSERT_TRUE(sandbox_.isValid());
    ns::Sandbox::setRoot(sandbox_.path());
    // Photos a test saves stay in its sandbox, never in the desktop's pictures folder.
    qputenv("HOUSING_PHOTO_ALBUM", (sandbox_.path() + QStringLiteral("/Pictures")).toLocal8Bit());
    clock_ = std::make_shared<ns::ManualClock>();
    ns::Clock::install(clock_);
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
