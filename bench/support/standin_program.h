#pragma once

// The stand-in server program on a free loopback port, for the length of a benchmark run:
// the program named by HOUSING_STANDIN, else the one beside the benchmarks in the build.

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <httplib.h>

#include <sys/prctl.h>

#include <csignal>
#include <string>

namespace bench {

class StandinProgram {
public:
    // Started with the program's `arguments` (e.g. "--messages FILE").
    explicit StandinProgram(const QStringList& arguments = {}) {
        QString program = qEnvironmentVariable("HOUSING_STANDIN");
        if (program.isEmpty()) {
            program = QCoreApplication::applicationDirPath() + "/../standin/standin";
        }
        process_.setProgram(program);
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The server goes with the benchmark however it ends, a crash too.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.start(QIODevice::ReadOnly);
        if (!process_.waitForStarted(10000)) return;
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(10000)) return;
        }
        // "standin listening on http://127.0.0.1:PORT"
        const QByteArray line = process_.readLine().trimmed();
        port_ = line.mid(line.lastIndexOf(':') + 1).toInt();
    }
    ~StandinProgram() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
    }
    StandinProgram(const StandinProgram&) = delete;
    StandinProgram& operator=(const StandinProgram&) = delete;

    [[nodiscard]] bool running() const { return port_ > 0; }
    [[nodiscard]] qint64 processId() const { return process_.processId(); }
    // "http://127.0.0.1:PORT", the root every server hangs from.
    [[nodiscard]] QString root() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    [[nodiscard]] QString url(const char* path) const { return root() + QLatin1String(path); }
    // One call of the control API.
    bool control(const std::string& what, const std::string& json) const {
        httplib::Client client("127.0.0.1", port_);
        const auto result = client.Post("/__control/" + what, json, "application/json");
        return result && result->status == 200;
    }
    // What a control API's GET answers; empty when it answers nothing.
    [[nodiscard]] QByteArray controlReply(const std::string& what) const {
        httplib::Client client("127.0.0.1", port_);
        const auto result = client.Get("/__control/" + what);
        return result ? QByteArray::fromStdString(result->body) : QByteArray();
    }

private:
    QProcess process_;
    int port_ = 0;
};

// The one stand-in of the benchmark program, started on first use.
inline StandinProgram& standin() {
    static StandinProgram instance;
    return instance;
}

}  // namespace bench
