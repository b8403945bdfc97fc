#pragma once

// The process's peak resident memory, for benchmarks that show what one huge input costs: run
// such a benchmark alone (--benchmark_filter) so that the peak is its own.

#include <QFile>
#include <QString>

#include <fstream>

#include <unistd.h>

namespace bench {

// A figure in kilobytes of the process's status ("VmHWM:", "VmRSS:"), in megabytes (0 where
// the system does not tell).
inline double statusMegabytes(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return 0;
}

// The highest resident set of the process so far, in megabytes.
inline double peakResidentMegabytes() {
    return statusMegabytes("VmHWM:");
}

// Starts the peak over from what the process holds now.
inline void resetPeakResident() {
    QFile references(QStringLiteral("/proc/self/clear_refs"));
    if (references.open(QIODevice::WriteOnly)) references.write("5");
}

// The resident set of the process now, in bytes.
inline qint64 residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

// The resident set of the process now, in megabytes.
inline double residentMegabytes() {
    return double(residentBytes()) / (1024 * 1024);
}

}  // namespace bench
