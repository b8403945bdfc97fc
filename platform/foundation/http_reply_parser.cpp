#include "platform/foundation/http_reply_parser.h"

#include <http_parser.h>

#include <algorithm>
#include <cstring>

namespace ns {

namespace {

// Beyond these a reply's head is taken for garbage rather than read for ever.
constexpr std::uint32_t kMaximumHeadBytes = 256 * 1024;
constexpr qsizetype kMaximumFields = 256;

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void chopWhiteSpace(QByteArray& text) {
    qsizetype end = text.size();
    while (end > 0 && isWhiteSpace(text[end - 1])) --end;
    text.truncate(end);
}

// "HTTP/1.x", one space, three digits, then nothing or a space and the reason.
bool isStatusLine(QByteArrayView line) {
    if (line.endsWith('\r')) line.chop(1);
    return line.size() >= 12 && line.startsWith("HTTP/1.") && isDigit(line[7]) && line[8] == ' ' &&
           isDigit(line[9]) && isDigit(line[10]) && isDigit(line[11]) &&
           (line.size() == 12 || line[12] == ' ');
}

// The library's flag says chunked whether or not the codings the fields list end in it.
bool endsInChunked(const HTTPReplyParser::Fields& fields) {
    QByteArray last;
    for (const auto& [name, value] : fields) {
        if (name.compare("transfer-encoding", Qt::CaseInsensitive) != 0) continue;
        for (QByteArray coding : value.split(',')) {
            coding = coding.trimmed();
            if (!coding.isEmpty()) last = coding;
        }
    }
    return last.compare("chunked", Qt::CaseInsensitive) == 0;
}

QString bareCarriageReturn() {
    return QStringLiteral("a carriage return that ends no line");
}

}  // namespace

// The library's callbacks, one per event; each finds its reader in the parser's `data`.
// A non-zero return halts the library, except from the end of the head (headersComplete):
// there 1 tells it that no body follows, and 3 (any other value but 2, which would switch
// protocols) halts it.
struct HTTPReplyParserCallbacks {
    using Span = HTTPReplyParser::Span;

    static HTTPReplyParser& reader(http_parser* parser) {
        return *static_cast<HTTPReplyParser*>(parser->data);
    }

    static int status(http_parser* parser, const char* at, std::size_t length) {
        HTTPReplyParser& self = reader(parser);
        self.head_.reason.append(self.sent(at), static_cast<qsizetype>(length));
        return 0;
    }

    static int field(http_parser* parser, const char* at, std::size_t length) {
        HTTPReplyParser& self = reader(parser);
        if (self.headDelivered_) return 0;  // a trailer after a chunked body: not kept
        if (self.lastSpan_ != Span::Field) {
            self.endField();
            if (self.head_.fields.size() >= kMaximumFields) {
                self.fail(QStringLiteral("too many reply header fields"));
                return 1;
            }
            self.head_.fields.emplace_back();
        }
        self.head_.fields.back().first.append(self.sent(at), static_cast<qsizetype>(length));
        self.lastSpan_ = Span::Field;
        return 0;
    }

    static int value(http_parser* parser, const char* at, std::size_t length) {
        HTTPReplyParser& self = reader(parser);
        if (self.headDelivered_ || self.head_.fields.isEmpty()) return 0;
        QByteArray& value = self.head_.fields.back().second;
        const char* end = at + length;
        // A span stops short of the run only where its line ends.
        const bool lineEnded = end != self.runEnd_;
        if (self.lastSpan_ == Span::Value && self.valueLineEnded_) {
            // A folded line goes on the value of the line before: the fold is one space.
            chopWhiteSpace(value);
            value.append(' ');
            self.skipWhiteSpace_ = true;
        }
        if (self.skipWhiteSpace_) {
            while (at != end && isWhiteSpace(*at)) ++at;
            if (at != end) self.skipWhiteSpace_ = false;
        }
        value.append(self.sent(at), end - at);
        self.valueLineEnded_ = lineEnded;
        self.lastSpan_ = Span::Value;
        return 0;
    }

    static int headersComplete(http_parser* parser) {
        HTTPReplyParser& self = reader(parser);
        self.endField();
        self.lastSpan_ = Span::None;
        if (!self.checkHead(*parser)) return 3;
        const int status = parser->status_code;
        self.head_.status = status;
        if (status >= 100 && status < 200) {
            self.interim_ = true;  // the final reply follows on the same connection
            return 1;
        }
        self.headDelivered_ = true;
        if (!self.handler_.head(self.head_)) {
            self.outcome_ = HTTPReplyParser::Outcome::Stopped;
            return 3;
        }
        return self.noBody_ || status == 204 || status == 304 ? 1 : 0;
    }

    static int body(http_parser* parser, const char* at, std::size_t length) {
        HTTPReplyParser& self = reader(parser);
        if (length == 0) return 0;
        self.bodyEnd_ = at + length;
        const QByteArrayView bytes(self.sent(at), static_cast<qsizetype>(length));
        if (!self.handler_.body(bytes)) {
            self.outcome_ = HTTPReplyParser::Outcome::Stopped;
            return 1;
        }
        return 0;
    }

    static int chunkHeader(http_parser* parser) {
        if (parser->content_length > 0) ++reader(parser).chunks_;
        return 0;
    }

    static int messageComplete(http_parser* parser) {
        HTTPReplyParser& self = reader(parser);
        self.messageEnded_ = true;
        self.reusable_ = !self.interim_ && http_should_keep_alive(parser) != 0;
        // Stops the library right after the message, so that what follows is seen.
        http_parser_pause(parser, 1);
        return 0;
    }

    static const http_parser_settings& settings() {
        static const http_parser_settings all = [] {
            http_parser_settings s;
            http_parser_settings_init(&s);
            s.on_status = status;
            s.on_header_field = field;
            s.on_header_value = value;
            s.on_headers_complete = headersComplete;
            s.on_body = body;
            s.on_chunk_header = chunkHeader;
            s.on_message_complete = messageComplete;
            // Set once, for the whole process; this reader is the library's one user.
            http_parser_set_max_header_size(kMaximumHeadBytes);
            return s;
        }();
        return all;
    }
};

HTTPReplyParser::HTTPReplyParser(bool noBody, Handler handler)
    : parser_(std::make_unique<http_parser>()), noBody_(noBody), handler_(std::move(handler)) {
    (void)HTTPReplyParserCallbacks::settings();
    startMessage();
}

HTTPReplyParser::~HTTPReplyParser() = default;

void HTTPReplyParser::startMessage() {
    http_parser_init(parser_.get(), HTTP_RESPONSE);
    parser_->data = this;
    head_ = {};
    statusLine_.clear();
    statusLineEnded_ = false;
    interim_ = false;
    messageEnded_ = false;
    lastSpan_ = Span::None;
    valueLineEnded_ = false;
    skipWhiteSpace_ = false;
}

void HTTPReplyParser::endField() {
    if (!head_.fields.isEmpty()) chopWhiteSpace(head_.fields.back().second);
    skipWhiteSpace_ = false;
}

bool HTTPReplyParser::checkHead(const http_parser& parser) {
    if (!isStatusLine(statusLine_)) {
        fail(QStringLiteral("malformed status line"));
        return false;
    }
    for (const auto& [name, value] : head_.fields) {
        if (name.contains('\t') || name.endsWith(' ')) {
            fail(QStringLiteral("white space in a reply header name"));
            return false;
        }
    }
    if (endsInChunked(head_.fields) != ((parser.flags & F_CHUNKED) != 0)) {
        fail(QStringLiteral("transfer codings that cannot be told apart"));
        return false;
    }
    if (parser.status_code == 101) {
        fail(QStringLiteral("the server switched to a protocol nobody asked for"));
        return false;
    }
    return true;
}

HTTPReplyParser::Outcome HTTPReplyParser::fail(const QString& text) {
    if (outcome_ == Outcome::Reading) {
        outcome_ = Outcome::Failed;
        failure_ = text;
    }
    return outcome_;
}

void HTTPReplyParser::keepStatusLine(const char* from, const char* to) {
    // Empty lines before the status line are passed over, as the library does.
    for (const char* at = from; at != to && !statusLineEnded_; ++at) {
        const char c = *sent(at);
        if (c == '\n') {
            statusLineEnded_ = !statusLine_.isEmpty();
        } else if (c != '\r' || !statusLine_.isEmpty()) {
            statusLine_.append(c);
        }
    }
    if (statusLine_.size() > kMaximumHeadBytes) fail(QStringLiteral("reply status line too long"));
}

std::size_t HTTPReplyParser::run(const char* from, const char* to) {
    if (!statusLineEnded_ && from != to) {
        keepStatusLine(from, to);
        if (outcome_ != Outcome::Reading) return 0;
    }
    runEnd_ = to;
    bodyEnd_ = nullptr;
    const std::size_t parsed =
        http_parser_execute(parser_.get(), &HTTPReplyParserCallbacks::settings(), from,
                            static_cast<std::size_t>(to - from));
    runEnd_ = nullptr;
    return parsed;
}

HTTPReplyParser::Outcome HTTPReplyParser::feed(QByteArrayView bytes) {
    if (outcome_ == Outcome::Complete && !bytes.isEmpty()) reusable_ = false;
    if (outcome_ != Outcome::Reading || bytes.isEmpty()) return outcome_;
    if (std::exchange(pendingCR_, false) && bytes.front() != '\n')
        return fail(bareCarriageReturn());
    // The library takes only a space for white space in places (after a length or a
    // coding, for one); it reads the piece with its tabs as spaces. Every span it reports is
    // taken from the bytes as sent.
    readable_.resize(bytes.size());
    std::replace_copy(bytes.begin(), bytes.end(), readable_.begin(), '\t', ' ');
    sent_ = bytes.data();
    read_ = readable_.constData();
    const char* at = read_;
    const char* const end = at + bytes.size();
    while (at != end) {
        // The library takes a carriage return for a line's end whatever follows it. The run
        // stops right after one that no line feed follows, to see whether the body took it.
        const char* to = end;
        for (const char* cr = at; cr != end; ++cr) {
            cr =
                static_cast<const char*>(std::memchr(cr, '\r', static_cast<std::size_t>(end - cr)));
            if (!cr) break;
            if (cr + 1 == end || cr[1] != '\n') {
                to = cr + 1;
                break;
            }
        }
        const std::size_t parsed = run(at, to);
        if (outcome_ != Outcome::Reading) return outcome_;
        const auto error = HTTP_PARSER_ERRNO(parser_.get());
        if (error == HPE_PAUSED) {  // a message ended
            at += parsed;
            if (interim_) {
                startMessage();
                continue;
            }
            if (at != end) reusable_ = false;  // bytes nobody asked for follow the reply
            outcome_ = Outcome::Complete;
            return outcome_;
        }
        if (error != HPE_OK) return fail(QString::fromLatin1(http_errno_description(error)));
        if (to[-1] == '\r' && bodyEnd_ != to) {
            if (to != end) return fail(bareCarriageReturn());
            pendingCR_ = true;  // the next piece must begin with its line feed
        }
        at = to;
    }
    return outcome_;
}

HTTPReplyParser::Outcome HTTPReplyParser::closed() {
    if (outcome_ != Outcome::Reading) return outcome_;
    if (pendingCR_) return fail(bareCarriageReturn());
    (void)run(nullptr, nullptr);  // tells the library the bytes have ended
    if (outcome_ != Outcome::Reading) return outcome_;
    if (messageEnded_ && !interim_) {
        outcome_ = Outcome::Complete;
        reusable_ = false;
        return outcome_;
    }
    return fail(QStringLiteral("connection closed before the reply ended"));
}

}  // namespace ns
