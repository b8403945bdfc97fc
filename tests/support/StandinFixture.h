#pragma once

#include "SandboxTest.h"

#include "standin/Endpoints.h"
#include "standin/FaultRule.h"
#include "standin/RecordedRequest.h"
#include "standin/StreamSettings.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// The stand-in server program (HOUSING_STANDIN) running as a child process on a free
// loopback port, steered through its control API.
class StandinProcess {
public:
    StandinProcess() = default;
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    // The stand-in program: HOUSING_STANDIN, else the one built beside the tests.
    [[nodiscard]] static QString program();
    // Starts the program (on `port`, or a free one for 0, with `arguments` of its own, e.g.
    // the folder it keeps its files in) and reads the port it prints. On failure `error()`
    // says why.
    [[nodiscard]] bool start(int port = 0, const QStringList& arguments = {});
    void stop();
    [[nodiscard]] const QString& error() const { return error_; }

    // "http://127.0.0.1:PORT": every server of the app hangs from it (standin/README.md).
    [[nodiscard]] QString root() const;
    [[nodiscard]] int port() const { return port_; }
    // root() followed by `path`, e.g. url(standin::paths::kDataShare).
    [[nodiscard]] QString url(const QString& path) const { return root() + path; }

    // Replaces every fault switch; an empty list clears them.
    void setFaults(const std::vector<standin::FaultRule>& rules);
    void setFault(const standin::FaultRule& rule) { setFaults({rule}); }
    void setStream(const standin::StreamSettings& settings);
    // The requests received since start or reset, oldest first; those under `pathPrefix`.
    [[nodiscard]] std::vector<standin::RecordedRequest> requests(
        const QByteArray& pathPrefix = {}) const;
    // How many requests the server is working on now (streams only until they start).
    [[nodiscard]] int answering() const;
    // Lets go the replies a "hold" fault holds for the requests recorded so far.
    void releaseHeld();
    // Clears the fault switches, then lets go the held replies: every reply flows from now
    // on, that of a request still on its way to the server too.
    void clearFaultsAndReleaseHeld();
    // No faults, the default stream, no recorded requests.
    void reset();
    // One call of the control API ("/__control/<path>"); nullopt (and a test failure)
    // when it did not answer 200.
    std::optional<QByteArray> control(const char* method, const QByteArray& path,
                                      const QByteArray& body = {}) const;

private:
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    QString error_;
};

// A sandbox test with its own stand-in server, started before the test and stopped after
// it. HOUSING_SERVER_ROOT points at the server for the length of the test.
class StandinFixture : public SandboxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] StandinProcess& server() { return server_; }
    // The stand-in program's arguments beyond its port, for the server SetUp starts.
    [[nodiscard]] virtual QStringList standinArguments() const { return {}; }
    // Stops the server and starts it again with `arguments` on a free port, HOUSING_SERVER_ROOT
    // following it: the port it gave up may be another program's by then.
    bool restartServer(const QStringList& arguments);

    // Runs the main loop until `done`, calling `advance` (which moves the test clock on)
    // between turns only while the server works on no request: an answer slow on a busy
    // machine is then never taken for a request that timed out.
    bool runUntilAnswered(const std::function<bool()>& done, const std::function<void()>& advance);
    // Runs the main loop until the server has recorded `count` requests under `pathPrefix`.
    // A release lets go only the replies of requests recorded before it: a test releases a
    // held reply once its request is recorded.
    bool waitForRequests(const QByteArray& pathPrefix, std::size_t count);
    // Lets every reply go (StandinProcess::clearFaultsAndReleaseHeld), waits until the
    // server has written them all, then handles what the network thread and the main loop
    // made of them: a reply that should reach nobody has had its chance to reach someone.
    bool letHeldRepliesArrive();

private:
    StandinProcess server_;
    std::optional<QByteArray> previousRoot_;
};
