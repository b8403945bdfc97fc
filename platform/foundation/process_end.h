#pragma once

#include <chrono>
#include <functional>
#include <utility>

namespace ns {

// The end of the process, as the threads of its queues and operation workers see it. When the
// application object goes (before main returns and the process's statics are destroyed), or at
// exit in a process without one, the end comes: no queue or worker starts another piece of
// work, and the end waits, a few seconds at most, for those running. A block still encoding a
// picture or writing a file must not run while statics (Qt's among them) are destroyed under
// it.
class ProcessEnd {
public:
    // How long the end waits for the work running, on the one clock: a block that waits for the
    // main thread, which is ending, would otherwise hold the process for ever.
    static constexpr std::chrono::seconds kLongestWait{5};

    // Makes sure the end is watched for; every queue and worker pool calls it when it starts.
    static void watch();
    // Counts a piece of work as running; false once the end has come, when it must not start.
    [[nodiscard]] static bool startWork();
    static void endWork();
    [[nodiscard]] static bool hasCome();
    // Brings the end now: nothing starts from here on; waits for what runs, until the work is
    // done or the end's first coming is kLongestWait old.
    static void come();

    // Runs `step`, a short one that hands work on to the main loop or the clock, counted as
    // running work: the end, which comes before the application object goes, waits for a step
    // begun before it. Once the end has come the step does not run: nothing would run what it
    // hands on, and Qt's objects may be going.
    template <class Step>
    static void runBeforeTheEnd(Step&& step) {
        if (!startWork()) return;
        struct Counted {
            ~Counted() { endWork(); }
        } counted;
        std::forward<Step>(step)();
    }

    // Waits until `holds()` answers true, looking again whenever the end comes or wake() is
    // called: a wait for the main loop, which runs nothing more once the end has come, so that
    // its waiter may then do the work itself.
    static void waitUntil(const std::function<bool()>& holds);
    static void wake();
};

}  // namespace ns
