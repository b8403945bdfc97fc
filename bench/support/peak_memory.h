#pragma once

// The process's peak resident memory, for benchmarks that show what one huge input costs: run
// such a benchmark alone (--benchmark_filter) so that the peak is its own.

#include <QFile>
#include <QString>

namespace bench {

// The highest resident set of the process so far, in megabytes (0 where the system does not
// tell).
inline double peakResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

}  // namespace bench
