#pragma once

// A server on a loopback port, on a thread of its own, for the benchmarks of the URL loading
// layers: each POST to /data is answered with its own body.

#include <httplib.h>

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>
#include <thread>
#include <utility>

namespace bench {

// A small form POST of the app's kind, the same for every loading benchmark.
inline const QByteArray kSmallPostBody =
    "jsonArgs={\"cityScriptIndex\":101,\"pageIndex\":1,\"pageSize\":20}";

class LoopbackEchoServer {
public:
    explicit LoopbackEchoServer(std::string contentType) : contentType_(std::move(contentType)) {
        server_.Post("/data", [this](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.body, contentType_);
        });
        server_.set_tcp_nodelay(true);  // else small replies wait for delayed acknowledgements
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~LoopbackEchoServer() {
        server_.stop();
        thread_.join();
    }
    LoopbackEchoServer(const LoopbackEchoServer&) = delete;
    LoopbackEchoServer& operator=(const LoopbackEchoServer&) = delete;

    [[nodiscard]] QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/data").arg(port_));
    }

private:
    const std::string contentType_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace bench
