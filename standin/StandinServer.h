#pragma once

#include "standin/Endpoints.h"
#include "standin/FaultRule.h"
#include "standin/RecordedRequest.h"
#include "standin/StreamSettings.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace standin {

class MessagingServer;

// The stand-in for every server the app talks to, on one loopback port. Each server lives
// under a path prefix of the one root URL (Endpoints.h, README.md). Tests steer it from
// C++ when it runs in-process, or through its control API under "/__control/".
class StandinServer {
public:
    // `imagesFolder` holds the image host's files and the uploads; empty: a temporary
    // folder that goes with the server. Sample pictures are added to it either way.
    explicit StandinServer(const QString& imagesFolder = {});
    ~StandinServer();

    // Starts listening on 127.0.0.1; port 0 picks a free port. Returns the port,
    // or 0 when it could not listen.
    int start(int port = 0);
    void stop();
    // Blocks until stop() is called from elsewhere.
    void wait();

    [[nodiscard]] int port() const;
    // "http://127.0.0.1:PORT", the root every server prefix hangs from.
    [[nodiscard]] QString rootUrl() const;
    [[nodiscard]] QString imagesFolder() const;

    // The data-share calls answered beyond the built-in ones; add before start().
    Endpoints& endpoints();
    // The messaging server, e.g. to keep its message ids across restarts; before start().
    MessagingServer& messaging();

    void setFaults(std::vector<FaultRule> rules);
    [[nodiscard]] std::vector<FaultRule> faults() const;
    void setStream(StreamSettings settings);
    [[nodiscard]] StreamSettings stream() const;
    [[nodiscard]] std::vector<RecordedRequest> requests(const QByteArray& pathPrefix = {}) const;
    // Lets go the replies a "hold" fault holds for requests recorded so far; later ones are
    // held until the next call.
    void releaseHeld();
    // Back to the state after start: no faults, default stream, no recorded requests, no
    // reply held.
    void reset();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace standin
