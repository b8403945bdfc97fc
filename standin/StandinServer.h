#pragma once

#include <memory>
#include <string>

namespace standin {

// The stand-in for every server the app talks to, on one loopback port.
class StandinServer {
public:
    StandinServer();
    ~StandinServer();

    // Starts listening on 127.0.0.1; port 0 picks a free port. Returns the port,
    // or 0 when it could not listen.
    int start(int port = 0);
    void stop();
    // Blocks until stop() is called from elsewhere.
    void wait();

    [[nodiscard]] int port() const;
    [[nodiscard]] std::string rootUrl() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace standin
