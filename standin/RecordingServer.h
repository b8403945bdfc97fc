#pragma once

#include <QByteArray>
#include <QList>

#include <httplib.h>

#include <utility>

namespace standin {

// The request line and header fields of one request exactly as they came over the wire:
// names in their own spelling, in their own order (the parsed headers of the HTTP library
// are sorted and carry extra entries of its own).
struct RawRequestHead {
    QByteArray method;
    QByteArray target;  // path and query, undecoded
    QList<std::pair<QByteArray, QByteArray>> headers;
};

// An HTTP server that serves each connection itself so that it sees the bytes of every
// request head, and that leaves compression and body parsing (multipart, forms) to its
// handlers.
class RecordingServer : public httplib::Server {
public:
    RecordingServer();

    // The head of the request being handled on the calling thread (a handler's thread).
    [[nodiscard]] static const RawRequestHead& currentHead();

private:
    bool process_and_close_socket(socket_t sock) override;
};

}  // namespace standin
