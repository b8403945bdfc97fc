#pragma once

#include "platform/foundation/http_socket_reply.h"
#include "platform/foundation/network_thread.h"

#include "Gate.h"

#include <httplib.h>

#include <QByteArray>
#include <QNetworkAccessManager>

#include <QString>
#include <QUrl>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An HTTP server on a free loopback port, for the URL loading tests: register
// handlers on server(), then start(). Declare it after the variables its handlers
// use: it stops, and its handlers end, before those go away.
class LoopbackServer {
public:
    LoopbackServer() : LoopbackServer(std::make_unique<httplib::Server>(), "http") {}
    // An HTTPS server with the certificate and key in these PEM files.
    LoopbackServer(const std::string& certificatePath, const std::string& keyPath)
        : LoopbackServer(
              std::make_unique<httplib::SSLServer>(certificatePath.c_str(), keyPath.c_str()),
              "https") {}
    ~LoopbackServer() { stop(); }

    httplib::Server& server() { return *server_; }
    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme_).arg(port_).arg(path));
    }

    // Answers GET `path` with `pieces` as a chunked stream (with `headers`), each piece sent
    // only once `gate` lets it pass. The stream stops early when the gate stays shut or the
    // client has gone; `ended`, when given, runs on the server's thread as it stops either way.
    void serveGatedStream(const std::string& path, std::vector<QByteArray> pieces, Gate& gate,
                          httplib::Headers headers = {}, std::function<void()> ended = {}) {
        server_->Get(path, [pieces = std::move(pieces), &gate, headers = std::move(headers),
                            ended = std::move(ended)](const httplib::Request&,
                                                      httplib::Response& response) {
            for (const auto& [name, value] : headers) response.set_header(name, value);
            response.set_chunked_content_provider(
                "application/octet-stream",
                [&pieces, &gate, &ended](size_t, httplib::DataSink& sink) {
                    bool whole = true;
                    for (const QByteArray& piece : pieces) {
                        if (!gate.pass() || !sink.write(piece.constData(), size_t(piece.size()))) {
                            whole = false;
                            break;
                        }
                    }
                    if (whole) sink.done();
                    if (ended) ended();
                    return whole;
                });
        });
    }

    // The socket listens from construction on, so clients may connect at once.
    void start() {
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }
    void stop() {
        // Idle keep-alive connections would hold the server's threads for seconds.
        ns::NetworkThread::shared().sync([] {
            ns::NetworkThread::shared().accessManager().clearConnectionCache();
            ns::HTTPSocketReply::closeIdleConnections();
        });
        server_->stop();
        if (thread_.joinable()) thread_.join();
    }

private:
    LoopbackServer(std::unique_ptr<httplib::Server> server, const char* scheme)
        : server_(std::move(server)), scheme_(QString::fromLatin1(scheme)) {
        server_->set_tcp_nodelay(true);  // else small replies wait for delayed acknowledgements
        port_ = server_->bind_to_any_port("127.0.0.1");
    }

    std::unique_ptr<httplib::Server> server_;
    QString scheme_;
    int port_ = -1;
    std::thread thread_;
};
