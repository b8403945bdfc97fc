#pragma once

#include "platform/foundation/http_reply_parser.h"
#include "platform/foundation/read_pacing.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;

namespace ns {

// One HTTP/1.1 exchange over a plain TCP socket, read strictly (by HTTPReplyParser): a reply
// is complete only when its framing says so (every chunk and the terminating chunk, or as
// many bytes as its Content-Length promises). A reply cut short or with broken framing ends
// with RemoteHostClosedError (ProtocolFailure when its head is broken), never as a normal
// end with a short body. It plays the network access manager's reply towards the URL
// connection: the same signals, attributes and raw headers (the bytes sent). It keeps at most
// its read buffer (64 KB unless set) of body that the reader has not taken, and reads no
// further from the connection meanwhile. A reply that comes in small pieces, read after read,
// is read at a pace: once 16 KB have come or 20 ms after the last read, whichever is first, so
// that what it costs follows its bytes rather than how finely the server cut them. Idle
// connections are kept per server for the next exchange. Lives on "NetKit".
class HTTPSocketReply final : public QNetworkReply {
public:
    struct Credential {
        QString user;
        QString password;
    };
    // Asked with the realm when the server wants a password (a 401 with a Basic
    // challenge); no answer delivers the 401 as the reply.
    using PasswordHandler = std::function<std::optional<Credential>(const QString& realm)>;

    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    // `target` is the request target as it goes on the request line, byte for byte;
    // `fields` the header fields as they go, in order, names with their case.
    HTTPSocketReply(const QNetworkRequest& request, const QByteArray& method,
                    const QByteArray& target, Fields fields, const QByteArray& body,
                    QObject* parent);
    ~HTTPSocketReply() override;

    void setPasswordHandler(PasswordHandler handler) { passwordHandler_ = std::move(handler); }

    // Sends the request; call once the signals are connected.
    void send();

    void abort() override;
    [[nodiscard]] qint64 bytesAvailable() const override;
    [[nodiscard]] bool isSequential() const override { return true; }

    // The chunks of chunked framing the body read so far came in (HTTPReplyParser::chunks()),
    // once some of the body has been read.
    [[nodiscard]] qint64 chunksRead() const { return parser_->chunks(); }

    // Closes the connections kept for later exchanges (on "NetKit").
    static void closeIdleConnections();

protected:
    qint64 readData(char* data, qint64 maxLength) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void connectSocket(bool reused);
    void writeRequest();
    void onBytesWritten(qint64 written);
    // Takes what the socket holds, unless the reader has a full buffer to take first.
    void onReadable(bool evenIfFull = false);
    // Paces the reading once a run of small reads shows a trickle: the socket is not woken
    // again until enough has come or a while has passed.
    void paceAfterRead(qsizetype bytes);
    // The bytes the connection waits for before it is read (1: any).
    void setLowWater(int bytes);
    void onClosed();
    void onSocketError();
    // Each returns false when the exchange has ended meanwhile.
    bool readHead(const HTTPReplyParser::Head& head);
    bool readBody(QByteArrayView bytes);
    void settle(HTTPReplyParser::Outcome outcome, qsizetype outputBefore);
    void completeExchange();
    void startOver(bool withPassword);
    void fail(NetworkError code, const QString& text);
    void releaseSocket(bool keep);

    QNetworkRequest request_;
    QByteArray method_;
    QByteArray target_;
    Fields fields_;
    QByteArray body_;
    QString poolKey_;
    PasswordHandler passwordHandler_;
    std::optional<Credential> credential_;

    QTcpSocket* socket_ = nullptr;
    bool socketReused_ = false;
    bool heardAnything_ = false;
    qint64 headerBytes_ = 0;
    qint64 written_ = 0;
    std::unique_ptr<HTTPReplyParser> parser_;  // of the exchange under way
    QByteArray output_;                        // body bytes waiting for the reader

    ReadPacing pacing_;  // of the exchange under way
    int lowWater_ = 1;   // what the socket waits for now
    QTimer pacedPause_;  // the pause after a paced read

    bool retryWithPassword_ = false;
    bool ended_ = false;
};

}  // namespace ns
