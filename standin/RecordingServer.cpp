#include "standin/RecordingServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace standin {

namespace {

constexpr size_t kWorkerThreads = 64;  // each open stream holds one
// Many requests per connection: the client's connection pool is measured against us.
constexpr size_t kRequestsPerConnection = 100000;
// How long the server waits for a client to read what it writes, to send its request once
// connected, or to send the rest of a request begun, before the connection is dropped.
constexpr time_t kLongestClientWaitSec = 120;
constexpr int kPollSliceMs = 100;

bool waitFor(int sock, short events, int timeoutMs) {
    pollfd entry{sock, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

RawRequestHead parseHead(const QByteArray& bytes) {
    RawRequestHead head;
    QList<QByteArray> lines = bytes.split('\n');
    for (auto& line : lines) {
        if (line.endsWith('\r')) line.chop(1);
    }
    if (lines.isEmpty()) return head;
    const QList<QByteArray> requestLine = lines.first().split(' ');
    if (!requestLine.isEmpty()) head.method = requestLine.value(0);
    head.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty()) break;
        if ((line.startsWith(' ') || line.startsWith('\t')) && !head.headers.isEmpty()) {
            // An old-style folded line continues the previous value.
            head.headers.last().second += ' ' + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        head.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return head;
}

void addressText(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

// A buffered socket stream that keeps a copy of the bytes of each request head.
class TapStream final : public httplib::Stream {
public:
    TapStream(int sock, int readTimeoutMs, int writeTimeoutMs)
        : sock_(sock), readTimeoutMs_(readTimeoutMs), writeTimeoutMs_(writeTimeoutMs) {}

    bool is_readable() const override {
        return bufferPos_ < buffer_.size() || waitFor(sock_, POLLIN, readTimeoutMs_);
    }

    bool is_writable() const override {
        return waitFor(sock_, POLLOUT, writeTimeoutMs_) && clientConnected();
    }

    ssize_t read(char* ptr, size_t size) override {
        if (bufferPos_ == buffer_.size()) {
            if (!waitFor(sock_, POLLIN, readTimeoutMs_)) return -1;
            char chunk[16384];
            ssize_t received = 0;
            do {
                received = ::recv(sock_, chunk, sizeof chunk, 0);
            } while (received < 0 && errno == EINTR);
            if (received <= 0) return received;
            buffer_.assign(chunk, static_cast<size_t>(received));
            bufferPos_ = 0;
        }
        const size_t count = std::min(size, buffer_.size() - bufferPos_);
        std::memcpy(ptr, buffer_.data() + bufferPos_, count);
        if (tapping_) head_.append(ptr, static_cast<qsizetype>(count));
        bufferPos_ += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!waitFor(sock_, POLLOUT, writeTimeoutMs_)) return -1;
        ssize_t sent = 0;
        do {
            sent = ::send(sock_, ptr, size, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            addressText(address, ip, port);
        }
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            addressText(address, ip, port);
        }
    }

    socket_t socket() const override { return sock_; }

    // Waits until the next request starts to arrive, the keep-alive time runs out or the
    // server stops.
    bool waitForRequest(int keepAliveMs, const std::function<bool()>& stopping) const {
        if (bufferPos_ < buffer_.size()) return true;
        for (int waited = 0; waited < keepAliveMs && !stopping(); waited += kPollSliceMs) {
            if (waitFor(sock_, POLLIN, kPollSliceMs)) return true;
        }
        return false;
    }

    void beginRequest() {
        head_.clear();
        rawHead_ = {};
        tapping_ = true;
    }

    // Called by the library once the head is parsed, before the body is read.
    void headRead(httplib::Request& request) {
        tapping_ = false;
        rawHead_ = parseHead(head_);
        // The stand-in decides itself whether a reply is compressed, and reads every body
        // as plain bytes: the library would refuse the app's own multipart layout and cap
        // form bodies.
        request.headers.erase("Accept-Encoding");
        // A request with neither length nor chunking has no body (the library would refuse it).
        if (!request.has_header("Content-Length") && !request.has_header("Transfer-Encoding")) {
            request.set_header("Content-Length", "0");
        }
        if (request.has_header("Content-Type")) {
            request.headers.erase("Content-Type");
            request.set_header("Content-Type", "application/octet-stream");
        }
    }

    [[nodiscard]] const RawRequestHead& rawHead() const { return rawHead_; }

    // The connection still stands unless the client has closed its end.
    [[nodiscard]] bool clientConnected() const {
        if (bufferPos_ < buffer_.size()) return true;
        if (!waitFor(sock_, POLLIN, 0)) return true;
        char byte = 0;
        return ::recv(sock_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
    }

private:
    int sock_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    std::string buffer_;
    size_t bufferPos_ = 0;
    bool tapping_ = false;
    QByteArray head_;
    RawRequestHead rawHead_;
};

thread_local TapStream* currentStream = nullptr;

}  // namespace

RecordingServer::RecordingServer() {
    new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    set_keep_alive_max_count(kRequestsPerConnection);
    set_tcp_nodelay(true);
    // A client that holds its reading back (the app while what it read waits to be stored, or
    // a busy machine running it slowly) is waited for, not dropped after the library's 5 s: a
    // stream dropped for the reader's pace would fail a test by the machine's speed.
    set_write_timeout(kLongestClientWaitSec);
    // Likewise a client that connected, or began a request, and is slow to send the rest: a
    // test's control call refused for the machine's pace would fail it by the machine's speed.
    // Between the requests of a connection the library's keep-alive time still applies, so
    // that idle connections do not hold the server's threads.
    set_read_timeout(kLongestClientWaitSec);
    // The library's default lets a second server listen on a port one already listens on,
    // and the two then share its connections; a stand-in asks for the port a sandbox used
    // before and must be refused it while another holds it. A port whose last connections
    // still linger after a stop is free again at once.
    set_socket_options([](socket_t sock) {
        const int on = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    });
}

const RawRequestHead& RecordingServer::currentHead() {
    static const RawRequestHead none;
    return currentStream ? currentStream->rawHead() : none;
}

bool RecordingServer::process_and_close_socket(socket_t sock) {
    const int on = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const auto milliseconds = [](time_t sec, time_t usec) {
        return static_cast<int>(sec * 1000 + usec / 1000);
    };
    TapStream stream(sock, milliseconds(read_timeout_sec_, read_timeout_usec_),
                     milliseconds(write_timeout_sec_, write_timeout_usec_));
    currentStream = &stream;
    const auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };

    bool handled = false;
    for (size_t left = keep_alive_max_count_; left > 0 && !stopping(); --left) {
        // A connection is opened for a request, which is waited for as for the rest of a
        // request; after it, the connection is idle and kept only for the keep-alive time.
        const bool first = left == keep_alive_max_count_;
        const int waitMs = first ? milliseconds(read_timeout_sec_, read_timeout_usec_)
                                 : static_cast<int>(keep_alive_timeout_sec_ * 1000);
        if (!stream.waitForRequest(waitMs, stopping)) break;
        bool connectionClosed = false;
        stream.beginRequest();
        handled =
            process_request(stream, left == 1, connectionClosed,
                            [&stream](httplib::Request& request) { stream.headRead(request); });
        if (!handled || connectionClosed) break;
    }
    currentStream = nullptr;
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return handled;
}

}  // namespace standin
