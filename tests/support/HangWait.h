#pragma once

#include <chrono>

// How long a test waits at most for what only ends a test that hangs: a process's start, end
// or next line, a server's answer, another thread's pass. Such a wait is far longer than any
// of them takes on a machine loaded many times over its cores, so that it never decides
// whether a test passes; a test that waits on time to decide waits on the test clock instead.
inline constexpr std::chrono::seconds kHangWait{120};
// The same in milliseconds, as process waits take it.
inline constexpr int kHangWaitMs = int(std::chrono::milliseconds(kHangWait).count());
