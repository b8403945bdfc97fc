#include "ProcessEndChild.h"

#include "platform/foundation/process_end.h"

#include "ChildTestProcess.h"
#include "Gate.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr char kEndLog[] = "HOUSING_TEST_PROCESS_END_LOG";

// Made before main() begins, as everything of this file: they go after every static made since.
std::string gEndLog;
std::atomic<bool> gStaticsGoing{false};

Gate gLastStaticGoing;
Gate gLateWorkDone;
struct LastStatic {
    std::atomic<bool> holdsWork{false};
    ~LastStatic() {
        if (!holdsWork) return;
        gLastStaticGoing.open();
        if (!gLateWorkDone.pass()) endLogLine("the late work never finished");
    }
} gLastStatic;

}  // namespace

std::string endOfChildTest(const QString& folder, const char* name,
                           const std::vector<std::pair<QString, QString>>& variables) {
    const QString log = folder + QStringLiteral("/end.log");
    QFile::remove(log);
    QProcess child;
    std::vector<std::pair<QString, QString>> environment = variables;
    environment.emplace_back(QString::fromLatin1(kEndLog), log);
    startChildTest(child, QStringLiteral("ProcessEndChild.") + QLatin1String(name), environment);
    if (!child.waitForFinished(90000)) {
        ADD_FAILURE() << name << ": the child's end hangs";
        return {};
    }
    const std::string output = QString::fromLocal8Bit(child.readAll()).toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
    EXPECT_EQ(output.find("terminate called"), std::string::npos) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines.join(QStringLiteral(" | ")).toStdString();
}

bool startProcessEndChild() {
    gEndLog = qEnvironmentVariable(kEndLog).toStdString();
    if (gEndLog.empty()) return false;
    childClock();
    return true;
}

void endLogLine(const std::string& line) {
    const int file = ::open(gEndLog.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (file < 0) return;
    const std::string text = line + '\n';
    [[maybe_unused]] const ssize_t written = ::write(file, text.data(), text.size());
    ::close(file);
}

std::string beforeOrAfterTheStatics() {
    return gStaticsGoing ? "after the statics went" : "before the statics went";
}

ns::ManualClock& childClock() {
    static auto* const clock = [] {
        auto* held = new std::shared_ptr<ns::ManualClock>(std::make_shared<ns::ManualClock>());
        ns::Clock::install(*held);
        return held;
    }();
    return **clock;
}

void endTheWaitAtItsLimit() {
    std::thread([] {
        ns::ProcessEnd::waitUntil([] { return ns::ProcessEnd::hasCome(); });
        childClock().advance(ns::ProcessEnd::kLongestWait);
    }).detach();
}

StaticsSentinel::~StaticsSentinel() {
    gStaticsGoing = true;
    const double at = ns::toSeconds(childClock().uptime());
    endLogLine("statics went at " + QString::number(at, 'g', 12).toStdString() + " s");
}

void holdWorkPastTheStatics() {
    gLastStatic.holdsWork = true;
}

bool passOnceTheStaticsHaveGone() {
    return gLastStaticGoing.pass();
}

void lateWorkDone() {
    gLateWorkDone.open();
}
