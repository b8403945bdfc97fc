#pragma once

#include "platform/foundation/clock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

using namespace std::chrono_literals;

// Base fixture: every test gets a sandbox folder of its own and a manual clock,
// installed as the one clock for the length of the test. A test whose folder cannot be made
// fails in its SetUp, the later tests of the program still run.
class SandboxTest : public ::testing::Test {
public:
    // The sandbox of a test that has no folder of its own, and of a test program whose
    // temporary folder cannot be made: a place beneath a file that is no folder, where every
    // write fails, rather than the user's own data.
    static constexpr const char* kNoSandbox = "/dev/null/housing-no-sandbox";

protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] ns::ManualClock& clock() { return *clock_; }
    [[nodiscard]] QString sandboxPath() const { return sandbox_.path(); }

    // Runs the main event loop until `done` answers true or `timeout` of real time
    // passes (for work on other threads, such as sockets). Returns `done()`. The default
    // is generous: a passing wait ends at once, and a busy machine may take long.
    bool runMainLoopUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds timeout = 90s);
    // Handles every event already posted to the main loop.
    void drainMainLoop();

private:
    QTemporaryDir sandbox_;
    std::shared_ptr<ns::ManualClock> clock_;
};
