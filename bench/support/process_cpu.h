#pragma once

// The CPU time a benchmark's process has taken, for probes that show what the app costs while
// it waits or rests.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <sys/resource.h>
#include <unistd.h>

namespace bench {

// CPU time in seconds: the program's own, and the system's on its behalf.
struct CpuSeconds {
    double user = 0;
    double system = 0;

    [[nodiscard]] double total() const { return user + system; }
    friend CpuSeconds operator-(const CpuSeconds& a, const CpuSeconds& b) {
        return {a.user - b.user, a.system - b.system};
    }
};

// The CPU time the process has taken so far.
inline CpuSeconds processCpu() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return double(time.tv_sec) + double(time.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

// The CPU time the process has taken so far, user and system, in seconds.
inline double processCpuSeconds() {
    return processCpu().total();
}

// The CPU time another process of this machine (a server program the benchmark runs) has
// taken so far, user and system, in seconds; 0 when it cannot be read.
inline double processCpuSeconds(qint64 processId) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray line = stat.readAll();
    // The fields after the program's name, which is in parentheses and may hold spaces:
    // state, then 10 more, then user and system time in clock ticks.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

}  // namespace bench
