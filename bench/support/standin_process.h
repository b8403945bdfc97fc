#pragma once

// The stand-in server program on a free loopback port, for benchmarks that talk to it.

#include <httplib.h>

#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <string>

namespace bench {

// The stand-in server program on a free loopback port, for the length of the run.
class Standin {
public:
    Standin() {
        QString program = qEnvironmentVariable("HOUSING_STANDIN");
        if (program.isEmpty()) {
            program = QCoreApplication::applicationDirPath() + "/../standin/standin";
        }
        process_.setProgram(program);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QIODevice::ReadOnly);
        if (!process_.waitForStarted(10000)) return;
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(10000)) return;
        }
        // "standin listening on http://127.0.0.1:PORT"
        const QByteArray line = process_.readLine().trimmed();
        port_ = line.mid(line.lastIndexOf(':') + 1).toInt();
    }
    ~Standin() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
    }

    [[nodiscard]] bool running() const { return port_ > 0; }
    [[nodiscard]] QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QLatin1String(path));
    }
    // One call of the control API.
    bool control(const std::string& what, const std::string& json) const {
        httplib::Client client("127.0.0.1", port_);
        const auto result = client.Post("/__control/" + what, json, "application/json");
        return result && result->status == 200;
    }

private:
    QProcess process_;
    int port_ = 0;
};

// The one stand-in of the benchmark program, started on first use.
inline Standin& standin() {
    static Standin instance;
    return instance;
}

}  // namespace bench
