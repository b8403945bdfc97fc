#pragma once

// The CPU time a benchmark's process has taken, for probes that show what the app costs while
// it waits or rests.

#include <sys/resource.h>

namespace bench {

// The CPU time the process has taken so far, user and system, in seconds.
inline double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return double(time.tv_sec) + double(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace bench
