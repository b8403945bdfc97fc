#include "StandinFixture.h"

#include "HangWait.h"
#include "ReferenceImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

namespace {

// The app program as a person starts it, headless, on its own sandbox and the test's stand-in.
class ProgramTest : public StandinFixture {
protected:
    // The program sits in the build beside the stand-in program the tests are given, or
    // beside the tests' own folder.
    [[nodiscard]] static QString program() {
        const QString standin = qEnvironmentVariable("HOUSING_STANDIN");
        const QString build = standin.isEmpty() ? QCoreApplication::applicationDirPath() + "/.."
                                                : QFileInfo(standin).absolutePath() + "/..";
        return QDir(build + "/app").absoluteFilePath("housing");
    }

    void start(const QStringList& arguments) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(environment);
        process_.start(program(), arguments);
        ASSERT_TRUE(process_.waitForStarted(kHangWaitMs)) << qPrintable(process_.errorString());
    }

    void TearDown() override {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(kHangWaitMs)) process_.kill();
        }
        StandinFixture::TearDown();
    }

    QProcess process_;
};

TEST_F(ProgramTest, AFreshSandboxShowsTheGuideOverTheShellAndTheScreenshotMatches) {
    const QString shot = sandboxPath() + "/shot.png";
    start({"--headless", "--sandbox", sandboxPath() + "/app", "--server", server().root(),
           "--screenshot", shot, "--screenshot-after", "0"});
    ASSERT_TRUE(runMainLoopUntil([&] { return QImage(shot).width() == 640; }, kHangWait));
    EXPECT_TRUE(
        matchesReferenceImage(QImage(shot), "src/app/reference", "program_fresh_launch.png"));
    // The launch reached the servers and kept its state in the named sandbox.
    EXPECT_TRUE(
        QFileInfo::exists(sandboxPath() + "/app/Library/Preferences/com.housing.app.plist"));
    ASSERT_TRUE(runMainLoopUntil([&] { return !server().requests("/track/").empty(); }, kHangWait));

    process_.terminate();
    ASSERT_TRUE(process_.waitForFinished(kHangWaitMs));
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process_.exitCode(), 0);
}

TEST_F(ProgramTest, TheFirstFrameRunEndsOnItsOwn) {
    start({"--headless", "--exit-after-first-frame", "--sandbox", sandboxPath() + "/app"});
    ASSERT_TRUE(process_.waitForFinished(kHangWaitMs));
    EXPECT_EQ(process_.exitCode(), 0);
    EXPECT_TRUE(process_.readAllStandardOutput().startsWith("first frame after "));
}

TEST_F(ProgramTest, ABadCommandLineGetsTheUsageAndNoLaunch) {
    for (const QStringList& arguments :
         {QStringList{"--sandbox"}, QStringList{"--screenshot-after", "-1"},
          QStringList{"--bogus"}}) {
        start(arguments);
        ASSERT_TRUE(process_.waitForFinished(kHangWaitMs));
        EXPECT_EQ(process_.exitCode(), 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(process_.readAllStandardError().contains("usage: housing"));
    }
    EXPECT_TRUE(server().requests().empty());
}

TEST_F(ProgramTest, APushWithNoAppRunningWaitsForTheNextLaunchAndTheCommandEndsAtOnce) {
    const QString sandbox = sandboxPath() + "/app";
    start({"--headless", "--sandbox", sandbox, "--server", server().root(), "--push",
           R"({"type":"8"})"});
    ASSERT_TRUE(process_.waitForFinished(kHangWaitMs)) << "the command must not start an app";
    EXPECT_EQ(process_.exitCode(), 0);
    EXPECT_TRUE(QFileInfo::exists(sandbox + "/Library/PendingRemoteNotification.json"));
    EXPECT_TRUE(server().requests().empty()) << "no app ran";

    // The next launch opens on it: the news list a news push leads to.
    start({"--headless", "--sandbox", sandbox, "--server", server().root()});
    ASSERT_TRUE(runMainLoopUntil(
        [&] {
            QFile log(sandbox + "/Library/Caches/StatClick.log");
            return log.open(QIODevice::ReadOnly) &&
                   log.readAll().contains("pushmessage_notIM_show");
        },
        kHangWait));
    EXPECT_FALSE(QFileInfo::exists(sandbox + "/Library/PendingRemoteNotification.json"));
}

TEST_F(ProgramTest, APositionNoDeviceCanHaveIsRefusedWithTheUsage) {
    for (const QStringList& arguments :
         {QStringList{"--position", "91,10"}, QStringList{"--position", "here"},
          QStringList{"--position"}}) {
        start(arguments);
        ASSERT_TRUE(process_.waitForFinished(kHangWaitMs));
        EXPECT_EQ(process_.exitCode(), 2) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(process_.readAllStandardError().contains("--position"));
    }
}

TEST_F(ProgramTest, APushThatIsNoJsonObjectIsRefused) {
    start({"--sandbox", sandboxPath() + "/app", "--push", "[1,2]"});
    ASSERT_TRUE(process_.waitForFinished(kHangWaitMs));
    EXPECT_EQ(process_.exitCode(), 1);
}

}  // namespace
