#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

struct http_parser;

namespace ns {

// Reads one HTTP/1.1 reply from the bytes of a connection, as they come, in pieces of any
// size. The framing is the HTTP parser library's. On top of it this refuses what the library
// lets through but a reply must not hold: a carriage return that ends no line (anywhere
// outside the body), a status line that is not "HTTP/1.x" and a three-digit status,
// white space in or after a field name, transfer codings the library read otherwise than
// their fields say, and an upgrade nobody asked for. It unfolds folded header lines, passes
// interim (1xx) replies over and bounds the head. Header values are kept as the bytes the
// server sent.
class HTTPReplyParser {
public:
    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    struct Head {
        int status = 0;
        QByteArray reason;
        // In the order sent, names with their case; values unfolded, without the white space
        // around them.
        Fields fields;
    };

    // Told of the final head, then of each piece of its body. Returning false stops the
    // reading there: the one told has ended the exchange.
    struct Handler {
        std::function<bool(const Head&)> head;
        std::function<bool(QByteArrayView)> body;
    };

    enum class Outcome {
        Reading,   // the reply goes on
        Complete,  // the framing says the reply has ended
        Failed,    // broken framing, or cut short (see failure())
        Stopped,   // the handler stopped it
    };

    // `noBody`: the request was one whose reply has no body whatever its head says (HEAD).
    HTTPReplyParser(bool noBody, Handler handler);
    ~HTTPReplyParser();
    HTTPReplyParser(const HTTPReplyParser&) = delete;
    HTTPReplyParser& operator=(const HTTPReplyParser&) = delete;

    // Bytes after a complete reply are not read, but leave the connection unfit for reuse.
    Outcome feed(QByteArrayView bytes);
    // The server closed the connection: ends a body read to the close, fails anything else.
    Outcome closed();

    [[nodiscard]] Outcome outcome() const { return outcome_; }
    // Whether the final head had been handed over when the reading failed.
    [[nodiscard]] bool headDelivered() const { return headDelivered_; }
    [[nodiscard]] const QString& failure() const { return failure_; }
    // The chunks of a chunked body whose size has been read, the last, empty one aside.
    [[nodiscard]] qint64 chunks() const { return chunks_; }
    // After Complete: the connection may carry the next exchange (the server keeps it open,
    // the body was not read to the close, and no byte came after the reply).
    [[nodiscard]] bool reusable() const { return outcome_ == Outcome::Complete && reusable_; }

private:
    friend struct HTTPReplyParserCallbacks;

    void startMessage();
    // Runs the library over [from, to) of the piece it reads; the count of bytes it took.
    std::size_t run(const char* from, const char* to);
    void keepStatusLine(const char* from, const char* to);
    // The byte the server sent where the library reads `at`.
    [[nodiscard]] const char* sent(const char* at) const { return sent_ + (at - read_); }
    [[nodiscard]] bool checkHead(const http_parser& parser);
    Outcome fail(const QString& text);
    void endField();

    std::unique_ptr<http_parser> parser_;
    bool noBody_;
    Handler handler_;
    Outcome outcome_ = Outcome::Reading;
    QString failure_;
    bool headDelivered_ = false;
    bool reusable_ = false;
    bool pendingCR_ = false;  // the last byte read was a carriage return outside a body
    qint64 chunks_ = 0;

    // The message being read.
    Head head_;
    QByteArray statusLine_;
    bool statusLineEnded_ = false;
    bool interim_ = false;
    bool messageEnded_ = false;
    enum class Span { None, Field, Value } lastSpan_ = Span::None;
    bool valueLineEnded_ = false;  // the last value span reached its line's end
    bool skipWhiteSpace_ = false;  // at the start of a folded line

    // The piece being read: as sent, and as the library reads it (tabs as spaces).
    QByteArray readable_;
    const char* sent_ = nullptr;
    const char* read_ = nullptr;
    const char* runEnd_ = nullptr;
    const char* bodyEnd_ = nullptr;  // where the last body span of the run ended
};

}  // namespace ns
