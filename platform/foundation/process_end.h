#pragma once

namespace ns {

// The end of the process, as the threads of its queues and operation workers see it. When the
// application object goes (before main returns and the process's statics are destroyed), or at
// exit in a process without one, the end comes: no queue or worker starts another piece of
// work, and the end waits, a few seconds at most, for those running. A block still encoding a
// picture or writing a file must not run while statics (Qt's among them) are destroyed under
// it.
class ProcessEnd {
public:
    // Makes sure the end is watched for; every queue and worker pool calls it when it starts.
    static void watch();
    // Counts a piece of work as running; false once the end has come, when it must not start.
    [[nodiscard]] static bool startWork();
    static void endWork();
    [[nodiscard]] static bool hasCome();
    // Brings the end now: nothing starts from here on; waits for what runs.
    static void come();
};

}  // namespace ns
