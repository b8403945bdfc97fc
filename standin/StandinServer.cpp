#include "standin/StandinServer.h"

#include <httplib.h>

#include <thread>

namespace standin {

struct StandinServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
};

StandinServer::StandinServer() : impl_(std::make_unique<Impl>()) {
    impl_->server.Get("/ping", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("pong", "text/plain");
    });
}

StandinServer::~StandinServer() { stop(); }

int StandinServer::start(int port) {
    auto& server = impl_->server;
    impl_->port = port == 0 ? server.bind_to_any_port("127.0.0.1")
                            : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (impl_->port <= 0) {
        impl_->port = 0;
        return 0;
    }
    impl_->thread = std::thread([&server] { server.listen_after_bind(); });
    // The socket already listens after binding: early clients wait in its backlog.
    return impl_->port;
}

void StandinServer::stop() {
    impl_->server.stop();
    if (impl_->thread.joinable()) impl_->thread.join();
}

void StandinServer::wait() {
    if (impl_->thread.joinable()) impl_->thread.join();
}

int StandinServer::port() const { return impl_->port; }

std::string StandinServer::rootUrl() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port);
}

}  // namespace standin
