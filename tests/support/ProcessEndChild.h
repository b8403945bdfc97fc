#pragma once

#include "platform/foundation/clock.h"

#include <QString>

#include <string>
#include <utility>
#include <vector>

// Cases of the suite ProcessEndChild end their process with work still running. Each runs in a
// child process of its own, whose work writes lines to a log as the process ends; the parent
// reads them once the child has gone.

// Set in a child's environment, the child runs without an application object.
inline constexpr char kWithoutApplicationObject[] = "HOUSING_TEST_WITHOUT_APPLICATION_OBJECT";

// The parent's side: runs ProcessEndChild.`name` of this test program in a child, with its log
// in `folder` and `variables` added to its environment. Fails the test unless the child ends
// normally (status 0, no "terminate called", its one case passed), and answers the lines its
// work wrote, sorted and joined by " | ".
std::string endOfChildTest(const QString& folder, const char* name,
                           const std::vector<std::pair<QString, QString>>& variables = {});

// The child's side.

// False when this process is not a child of such a test; else installs the child's clock.
bool startProcessEndChild();
// Writes a line to the log, with plain system calls, which work at any moment of a process's end.
void endLogLine(const std::string& line);
std::string beforeOrAfterTheStatics();
// The child's one clock, manual and never destroyed: the end waits on it, and only the child's
// own threads move it.
ns::ManualClock& childClock();
// Moves the child's clock, once the end has come, to the end's limit: the end gives up on the
// work still running.
void endTheWaitAtItsLimit();

// The first static to go when made after the queues (the end has returned by then); tells when
// on the clock the statics went.
struct StaticsSentinel {
    StaticsSentinel() = default;
    StaticsSentinel(const StaticsSentinel&) = delete;
    StaticsSentinel& operator=(const StaticsSentinel&) = delete;
    ~StaticsSentinel();
};

// Work held until the process's statics have gone. Once the child has called
// holdWorkPastTheStatics(), the last static of the process (made before main() began, and so
// destroyed after every static made since: the shared queues', Qt's and the child's own) lets
// the work pass passOnceTheStaticsHaveGone() and waits for it to call lateWorkDone().
void holdWorkPastTheStatics();
// False when the last static did not go within kHangWait of real time: something of the exit
// waits for the work held.
[[nodiscard]] bool passOnceTheStaticsHaveGone();
void lateWorkDone();
