#include "StandinFixture.h"

#include "StandinClient.h"

#include "platform/foundation/network_thread.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <sys/prctl.h>

#include <csignal>

namespace {

// A start, a control call and a kill are bounded only to end a test that hangs.
constexpr int kWaitMs = int(kStandinWaitSec) * 1000;
// A stop asked for and not done by then is made by a kill: both lose nothing on file.
constexpr int kStopTimeoutMs = 5000;
const char kServerRootVariable[] = "HOUSING_SERVER_ROOT";

}  // namespace

QString StandinProcess::program() {
    const QString configured = qEnvironmentVariable("HOUSING_STANDIN");
    if (!configured.isEmpty()) return configured;
    // Run by hand from the build folder: the program is built beside the tests.
    return QCoreApplication::applicationDirPath() + "/../standin/standin";
}

StandinProcess::~StandinProcess() {
    stop();
}

bool StandinProcess::start(int port, const QStringList& arguments) {
    const QString program = StandinProcess::program();
    if (!QFileInfo(program).isExecutable()) {
        error_ = "no stand-in program at " + program;
        return false;
    }
    process_ = std::make_unique<QProcess>();
    process_->setProgram(program);
    process_->setArguments(
        (port > 0 ? QStringList{QStringLiteral("--port"), QString::number(port)} : QStringList()) +
        arguments);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The server goes with the test even when the test dies without tearing down.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_->start(QIODevice::ReadOnly);
    if (!process_->waitForStarted(kWaitMs)) {
        error_ = "cannot start " + program + ": " + process_->errorString();
        return false;
    }
    // The first line tells the root: "standin listening on http://127.0.0.1:PORT".
    while (!process_->canReadLine()) {
        if (!process_->waitForReadyRead(kWaitMs)) {
            error_ = "the stand-in printed no address: " + process_->errorString();
            stop();
            return false;
        }
    }
    const QByteArray line = process_->readLine().trimmed();
    port_ = line.mid(line.lastIndexOf(':') + 1).toInt();
    if (!line.startsWith("standin listening on ") || port_ <= 0) {
        error_ = "unexpected first line from the stand-in: " + QString::fromUtf8(line);
        stop();
        return false;
    }
    return true;
}

void StandinProcess::stop() {
    if (!process_) return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(kStopTimeoutMs)) {
            process_->kill();
            // Until it is gone, with the port it listened on: a start on that port follows.
            process_->waitForFinished(kWaitMs);
        }
    }
    process_.reset();
    port_ = 0;
}

QString StandinProcess::root() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

void StandinProcess::setFaults(const std::vector<standin::FaultRule>& rules) {
    control("POST", "faults",
            QJsonDocument(standin::FaultSwitches::toJson(rules)).toJson(QJsonDocument::Compact));
}

void StandinProcess::setStream(const standin::StreamSettings& settings) {
    control("POST", "stream", QJsonDocument(settings.toJson()).toJson(QJsonDocument::Compact));
}

std::vector<standin::RecordedRequest> StandinProcess::requests(const QByteArray& pathPrefix) const {
    const auto reply = control("GET", "requests?prefix=" + pathPrefix.toPercentEncoding());
    if (!reply) return {};
    return standin::RequestLog::fromJson(QJsonDocument::fromJson(*reply).array());
}

int StandinProcess::answering() const {
    const auto reply = control("GET", "answering");
    return reply ? QJsonDocument::fromJson(*reply).object().value("answering").toInt() : 0;
}

void StandinProcess::releaseHeld() {
    control("POST", "release");
}

void StandinProcess::clearFaultsAndReleaseHeld() {
    // In this order: a request that arrives in between finds no rule to hold it.
    setFaults({});
    releaseHeld();
}

void StandinProcess::reset() {
    control("POST", "reset");
}

std::optional<QByteArray> StandinProcess::control(const char* method, const QByteArray& path,
                                                  const QByteArray& body) const {
    httplib::Client client = standinClient(port_);
    const std::string target = standin::paths::kControl + path.toStdString();
    httplib::Result result = std::string(method) == "GET"
                                 ? client.Get(target)
                                 : client.Post(target, body.toStdString(), "application/json");
    if (!result || result->status != 200) {
        ADD_FAILURE() << "stand-in control call " << method << " " << target << " failed: "
                      << (result ? std::to_string(result->status) + " " + result->body
                                 : httplib::to_string(result.error()));
        return std::nullopt;
    }
    return QByteArray::fromStdString(result->body);
}

void StandinFixture::SetUp() {
    SandboxTest::SetUp();
    ASSERT_TRUE(server_.start(0, standinArguments())) << server_.error().toStdString();
    if (qEnvironmentVariableIsSet(kServerRootVariable)) {
        previousRoot_ = qgetenv(kServerRootVariable);
    }
    qputenv(kServerRootVariable, server_.root().toUtf8());
}

bool StandinFixture::restartServer(const QStringList& arguments) {
    server_.stop();
    if (!server_.start(0, arguments)) return false;
    qputenv(kServerRootVariable, server_.root().toUtf8());
    return true;
}

void StandinFixture::TearDown() {
    SandboxTest::TearDown();
    if (previousRoot_) {
        qputenv(kServerRootVariable, *previousRoot_);
    } else {
        qunsetenv(kServerRootVariable);
    }
    server_.stop();
}

bool StandinFixture::runUntilAnswered(const std::function<bool()>& done,
                                      const std::function<void()>& advance) {
    return runMainLoopUntil([&] {
        // Once done, time stands: what the loop just handled is seen at the time it came.
        if (done()) return true;
        if (server_.answering() == 0) advance();
        return done();
    });
}

bool StandinFixture::waitForRequests(const QByteArray& pathPrefix, std::size_t count) {
    return runMainLoopUntil([&] { return server_.requests(pathPrefix).size() >= count; });
}

bool StandinFixture::letHeldRepliesArrive() {
    server_.clearFaultsAndReleaseHeld();
    const bool written = runMainLoopUntil([&] { return server_.answering() == 0; });
    for (int round = 0; round < 3; ++round) {
        ns::NetworkThread::shared().sync([] {});
        drainMainLoop();
    }
    return written;
}
