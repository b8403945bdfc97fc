#pragma once

// Servers on a loopback port, on a thread of their own, for the benchmarks: one that answers
// each POST to /data with its own body (the URL loading layers), and one of any routes.

#include <httplib.h>

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <string>
#include <thread>
#include <utility>

namespace bench {

// A small form POST of the app's kind, the same for every loading benchmark.
inline const QByteArray kSmallPostBody =
    "jsonArgs={\"cityScriptIndex\":101,\"pageIndex\":1,\"pageSize\":20}";

// A server on a loopback port, on a thread of its own, answering the routes `routes` sets.
class LoopbackServer {
public:
    explicit LoopbackServer(const std::function<void(httplib::Server&)>& routes) {
        routes(server_);
        server_.set_tcp_nodelay(true);  // else small replies wait for delayed acknowledgements
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~LoopbackServer() {
        server_.stop();
        thread_.join();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    [[nodiscard]] QString root() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

class LoopbackEchoServer {
public:
    explicit LoopbackEchoServer(std::string contentType)
        : server_([contentType = std::move(contentType)](httplib::Server& server) {
              server.Post("/data", [contentType](const httplib::Request& request,
                                                 httplib::Response& response) {
                  response.set_content(request.body, contentType);
              });
          }) {}

    [[nodiscard]] QUrl url() const { return QUrl(server_.root() + QStringLiteral("/data")); }

private:
    LoopbackServer server_;
};

}  // namespace bench
