#include "platform/foundation/http_socket_reply.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPointer>
#include <QTcpSocket>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>

namespace ns {

namespace {

// Beyond these a reply's head is taken for garbage rather than read for ever.
constexpr qsizetype kMaximumLine = 64 * 1024;
constexpr int kMaximumHeaders = 256;

// At most this many exchanges run at once per server, as browsers do; the rest wait for
// a connection to come free. Servers serve a few connections at a time, and idle ones
// kept open hold them.
constexpr int kConnectionsPerServer = 6;

// Connections whose last exchange ended cleanly, waiting for the next one to the same
// server. Touched on "NetKit" only.
std::multimap<QString, QPointer<QTcpSocket>>& idleConnections() {
    static std::multimap<QString, QPointer<QTcpSocket>> idle;
    return idle;
}

// Per server, the connections in use and the exchanges waiting for one. "NetKit" only.
struct ServerSlots {
    int busy = 0;
    std::deque<QPointer<HTTPSocketReply>> waiting;
};

std::map<QString, ServerSlots>& serverSlots() {
    static std::map<QString, ServerSlots> all;
    return all;
}

QTcpSocket* takeIdleConnection(const QString& key) {
    auto& idle = idleConnections();
    for (auto found = idle.find(key); found != idle.end() && found->first == key;
         found = idle.find(key)) {
        QPointer<QTcpSocket> socket = found->second;
        idle.erase(found);
        if (!socket) continue;
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
            return socket;
        socket->abort();
        socket->deleteLater();
    }
    return nullptr;
}

void keepIdleConnection(const QString& key, QTcpSocket* socket) {
    QPointer<QTcpSocket> guarded(socket);
    // A server closing an idle connection, or talking out of turn, ends it.
    const auto drop = [guarded] {
        if (!guarded) return;
        auto& idle = idleConnections();
        for (auto it = idle.begin(); it != idle.end(); ++it) {
            if (it->second == guarded) {
                idle.erase(it);
                break;
            }
        }
        guarded->abort();
        guarded->deleteLater();
    };
    QObject::connect(socket, &QTcpSocket::readyRead, socket, drop);
    QObject::connect(socket, &QTcpSocket::disconnected, socket, drop);
    idleConnections().emplace(key, guarded);
}

bool isToken(const QByteArray& name) {
    if (name.isEmpty()) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c > 32 && c < 127 && !QByteArray("()<>@,;:\\\"/[]?={}").contains(c);
    });
}

std::optional<qint64> parseDecimal(const QByteArray& text) {
    const QByteArray digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 18) return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A chunk-size line: hexadecimal digits, then optional white space and extensions.
std::optional<qint64> parseChunkSize(const QByteArray& line) {
    qsizetype end = 0;
    qint64 value = 0;
    while (end < line.size() && std::isxdigit(static_cast<unsigned char>(line[end]))) {
        if (end == 15) return std::nullopt;  // beyond any reply a phone would hold
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[end])));
        value = value * 16 + (c <= '9' ? c - '0' : c - 'a' + 10);
        ++end;
    }
    if (end == 0) return std::nullopt;
    const QByteArray rest = line.mid(end);
    const QByteArray trimmed = rest.trimmed();
    if (!trimmed.isEmpty() && !trimmed.startsWith(';')) return std::nullopt;
    return value;
}

QString quotedParameter(const QByteArray& challenge, const QByteArray& name) {
    const qsizetype at = challenge.toLower().indexOf(name + "=");
    if (at < 0) return {};
    QByteArray value = challenge.mid(at + name.size() + 1).trimmed();
    if (value.startsWith('"')) {
        value = value.mid(1);
        return QString::fromUtf8(value.left(value.indexOf('"')));
    }
    return QString::fromUtf8(value.left(value.indexOf(',')).trimmed());
}

}  // namespace

HTTPSocketReply::HTTPSocketReply(const QNetworkRequest& request, const QByteArray& method,
                                 const QByteArray& target, Fields fields, const QByteArray& body,
                                 QObject* parent)
    : QNetworkReply(parent),
      request_(request),
      method_(method),
      target_(target),
      fields_(std::move(fields)),
      body_(body) {
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::CustomOperation);
    const QUrl& url = request.url();
    poolKey_ = url.host() + QLatin1Char(':') + QString::number(url.port(80));
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

HTTPSocketReply::~HTTPSocketReply() {
    releaseSocket(false);
}

void HTTPSocketReply::closeIdleConnections() {
    auto& idle = idleConnections();
    for (auto& [key, socket] : idle) {
        if (!socket) continue;
        QObject::disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
        socket->deleteLater();
    }
    idle.clear();
}

void HTTPSocketReply::send() {
    connectSocket(true);
}

void HTTPSocketReply::connectSocket(bool mayReuse) {
    auto& server = serverSlots()[poolKey_];
    socket_ = mayReuse ? takeIdleConnection(poolKey_) : nullptr;
    if (!socket_ && server.busy >= kConnectionsPerServer) {
        server.waiting.emplace_back(this);  // started by the next connection to come free
        return;
    }
    ++server.busy;
    socketReused_ = socket_ != nullptr;
    if (!socket_) socket_ = new QTcpSocket();
    socket_->setParent(this);
    heardAnything_ = false;
    connect(socket_, &QTcpSocket::readyRead, this, [this] { onReadable(); });
    connect(socket_, &QTcpSocket::bytesWritten, this, [this](qint64 n) { onBytesWritten(n); });
    connect(socket_, &QTcpSocket::disconnected, this, [this] { onClosed(); });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] { onSocketError(); });
    if (socketReused_) {
        writeRequest();
        return;
    }
    connect(socket_, &QTcpSocket::connected, this, [this] {
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        writeRequest();
    });
    socket_->connectToHost(url().host(), static_cast<quint16>(url().port(80)));
}

void HTTPSocketReply::writeRequest() {
    const QUrl& target = url();
    QByteArray head = method_ + ' ' + target_ + " HTTP/1.1\r\n";
    QByteArray host = target.host(QUrl::FullyEncoded).toUtf8();
    if (host.contains(':')) host = '[' + host + ']';
    if (target.port(80) != 80) host += ':' + QByteArray::number(target.port());
    head += "Host: " + host + "\r\n";
    bool hasConnection = false;
    for (const auto& [name, value] : fields_) {
        const QByteArray lower = name.toLower();
        if (lower == "content-length" || lower == "host") continue;
        if (lower == "connection") hasConnection = true;
        head += name + ": " + value + "\r\n";
    }
    if (!hasConnection) head += "Connection: keep-alive\r\n";
    if (!body_.isEmpty() || method_ == "POST" || method_ == "PUT" || method_ == "PATCH")
        head += "Content-Length: " + QByteArray::number(body_.size()) + "\r\n";
    auto* manager = qobject_cast<QNetworkAccessManager*>(parent());
    if (manager && request_.attribute(QNetworkRequest::CookieLoadControlAttribute).toInt() !=
                       QNetworkRequest::Manual) {
        QByteArray cookies;
        for (const QNetworkCookie& cookie : manager->cookieJar()->cookiesForUrl(target)) {
            if (!cookies.isEmpty()) cookies += "; ";
            cookies += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
        }
        if (!cookies.isEmpty()) head += "Cookie: " + cookies + "\r\n";
    }
    if (credential_) {
        const QByteArray pair =
            (credential_->user + QLatin1Char(':') + credential_->password).toUtf8();
        head += "Authorization: Basic " + pair.toBase64() + "\r\n";
    }
    head += "\r\n";
    headerBytes_ = head.size();
    written_ = 0;
    socket_->write(head + body_);
}

void HTTPSocketReply::onBytesWritten(qint64 written) {
    const qint64 before = std::clamp<qint64>(written_ - headerBytes_, 0, body_.size());
    written_ += written;
    const qint64 sent = std::clamp<qint64>(written_ - headerBytes_, 0, body_.size());
    if (sent > before) emit uploadProgress(sent, body_.size());
}

void HTTPSocketReply::onReadable() {
    if (ended_ || !socket_) return;
    const QByteArray bytes = socket_->readAll();
    if (bytes.isEmpty()) return;
    heardAnything_ = true;
    input_ += bytes;
    (void)parse();
}

std::optional<QByteArray> HTTPSocketReply::takeLine() {
    const qsizetype end = input_.indexOf('\n');
    if (end < 0) return std::nullopt;
    QByteArray line = input_.left(end);
    input_.remove(0, end + 1);
    if (line.endsWith('\r')) line.chop(1);
    return line;
}

bool HTTPSocketReply::parse() {
    for (;;) {
        switch (phase_) {
            case Phase::StatusLine:
            case Phase::Headers:
            case Phase::ChunkSize:
            case Phase::ChunkEnd:
            case Phase::Trailers: {
                const auto line = takeLine();
                if (!line) {
                    if (input_.size() > kMaximumLine) {
                        fail(ProtocolFailure, QStringLiteral("reply line too long"));
                        return false;
                    }
                    return true;
                }
                if (phase_ == Phase::StatusLine) {
                    if (line->isEmpty()) continue;  // tolerated before the status line
                    if (!readStatusLine(*line)) return false;
                } else if (phase_ == Phase::Headers) {
                    if (line->isEmpty()) {
                        if (!endHeaders()) return false;
                        continue;
                    }
                    const qsizetype colon = line->indexOf(':');
                    if (colon <= 0 || !isToken(line->left(colon)) ||
                        headers_.size() >= kMaximumHeaders) {
                        fail(ProtocolFailure, QStringLiteral("malformed reply header"));
                        return false;
                    }
                    headers_.append({line->left(colon), line->mid(colon + 1).trimmed()});
                } else if (phase_ == Phase::ChunkSize) {
                    const auto size = parseChunkSize(*line);
                    if (!size) {
                        fail(RemoteHostClosedError, QStringLiteral("broken chunk framing"));
                        return false;
                    }
                    remaining_ = *size;
                    phase_ = remaining_ == 0 ? Phase::Trailers : Phase::ChunkData;
                } else if (phase_ == Phase::ChunkEnd) {
                    if (!line->isEmpty()) {
                        fail(RemoteHostClosedError, QStringLiteral("broken chunk framing"));
                        return false;
                    }
                    phase_ = Phase::ChunkSize;
                } else if (line->isEmpty()) {  // the end of the trailers
                    completeExchange();
                    return false;
                }
                break;
            }
            case Phase::Body:
            case Phase::ChunkData: {
                if (input_.isEmpty()) return true;
                if (framing_ == Framing::UntilClose) {
                    deliverBody(std::exchange(input_, {}));
                    return true;
                }
                const qsizetype take =
                    static_cast<qsizetype>(std::min<qint64>(remaining_, input_.size()));
                deliverBody(input_.left(take));
                input_.remove(0, take);
                remaining_ -= take;
                if (ended_) return false;
                if (remaining_ > 0) return true;
                if (phase_ == Phase::ChunkData) {
                    phase_ = Phase::ChunkEnd;
                } else {
                    completeExchange();
                    return false;
                }
                break;
            }
            case Phase::Done:
                return false;
        }
        if (ended_) return false;
    }
}

bool HTTPSocketReply::readStatusLine(const QByteArray& line) {
    const QList<QByteArray> parts = line.split(' ');
    const auto status = parts.size() >= 2 ? parseDecimal(parts[1]) : std::nullopt;
    if (!line.startsWith("HTTP/1.") || !status || parts[1].size() != 3) {
        fail(ProtocolFailure, QStringLiteral("malformed status line"));
        return false;
    }
    status_ = static_cast<int>(*status);
    reason_ = line.mid(parts[0].size() + parts[1].size() + 2);
    keepAlive_ = line.startsWith("HTTP/1.1");
    headers_.clear();
    phase_ = Phase::Headers;
    return true;
}

bool HTTPSocketReply::endHeaders() {
    if (status_ >= 100 && status_ < 200) {  // an interim reply; the real one follows
        phase_ = Phase::StatusLine;
        return true;
    }
    QByteArray connection;
    QByteArray transferEncoding;
    std::optional<QByteArray> contentLength;
    QByteArray challenge;
    for (const auto& [name, value] : headers_) {
        const QByteArray lower = name.toLower();
        if (lower == "connection") connection = value.toLower();
        if (lower == "transfer-encoding") transferEncoding = value.toLower();
        if (lower == "www-authenticate" && value.toLower().startsWith("basic")) challenge = value;
        if (lower == "content-length") {
            if (contentLength && *contentLength != value) {
                fail(ProtocolFailure, QStringLiteral("conflicting reply lengths"));
                return false;
            }
            contentLength = value;
        }
    }
    if (connection.contains("close")) keepAlive_ = false;
    if (connection.contains("keep-alive")) keepAlive_ = true;

    if (method_ == "HEAD" || status_ == 204 || status_ == 304) {
        framing_ = Framing::None;
    } else if (transferEncoding.contains("chunked")) {
        framing_ = Framing::Chunked;
    } else if (contentLength) {
        const auto length = parseDecimal(*contentLength);
        if (!length) {
            fail(ProtocolFailure, QStringLiteral("malformed reply length"));
            return false;
        }
        framing_ = Framing::Length;
        remaining_ = *length;
    } else {
        framing_ = Framing::UntilClose;
        keepAlive_ = false;
    }

    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status_);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, QString::fromUtf8(reason_));
    QList<QByteArray> names;
    QList<QByteArray> values;
    for (const auto& [name, value] : headers_) {
        const qsizetype at = names.indexOf(name);
        if (at < 0) {
            names << name;
            values << value;
        } else {
            const bool cookie = name.compare("set-cookie", Qt::CaseInsensitive) == 0;
            values[at] += (cookie ? QByteArray("\n") : QByteArray(", ")) + value;
        }
    }
    for (qsizetype i = 0; i < names.size(); ++i) setRawHeader(names[i], values[i]);
    if (framing_ == Framing::Length) setHeader(QNetworkRequest::ContentLengthHeader, remaining_);

    retryWithPassword_ = false;
    if (status_ == 401 && !challenge.isEmpty() && passwordHandler_) {
        credential_ = passwordHandler_(quotedParameter(challenge, "realm"));
        if (ended_) return false;  // cancelled from inside
        retryWithPassword_ = credential_ && !credential_->user.isEmpty();
        if (!retryWithPassword_) credential_.reset();
    }

    if (!retryWithPassword_) {
        auto* manager = qobject_cast<QNetworkAccessManager*>(parent());
        const QByteArray setCookie = rawHeader("Set-Cookie");
        if (manager && !setCookie.isEmpty() &&
            request_.attribute(QNetworkRequest::CookieSaveControlAttribute).toInt() !=
                QNetworkRequest::Manual) {
            manager->cookieJar()->setCookiesFromUrl(QNetworkCookie::parseCookies(setCookie), url());
        }
        emit metaDataChanged();
        if (ended_) return false;
    }

    switch (framing_) {
        case Framing::None:
            completeExchange();
            return false;
        case Framing::Chunked:
            phase_ = Phase::ChunkSize;
            return true;
        case Framing::Length:
            if (remaining_ == 0) {
                completeExchange();
                return false;
            }
            phase_ = Phase::Body;
            return true;
        case Framing::UntilClose:
            phase_ = Phase::Body;
            return true;
    }
    return true;
}

void HTTPSocketReply::deliverBody(QByteArray bytes) {
    if (retryWithPassword_ || bytes.isEmpty()) return;  // the refused reply's body is dropped
    output_ += bytes;
    emit readyRead();
}

void HTTPSocketReply::completeExchange() {
    phase_ = Phase::Done;
    if (retryWithPassword_) {
        startOver(true);
        return;
    }
    ended_ = true;
    releaseSocket(keepAlive_ && framing_ != Framing::UntilClose && input_.isEmpty());
    setFinished(true);
    emit finished();
}

void HTTPSocketReply::startOver(bool withPassword) {
    releaseSocket(withPassword && keepAlive_ && input_.isEmpty());
    input_.clear();
    phase_ = Phase::StatusLine;
    framing_ = Framing::None;
    retryWithPassword_ = false;
    headers_.clear();
    connectSocket(withPassword);
}

void HTTPSocketReply::onClosed() {
    if (ended_ || !socket_) return;
    if (socket_->bytesAvailable() > 0) {
        onReadable();
        if (ended_) return;
    }
    if (phase_ == Phase::Body && framing_ == Framing::UntilClose) {
        completeExchange();
        return;
    }
    if (socketReused_ && !heardAnything_) {
        // The server had closed the idle connection as we sent: once more on a new one.
        startOver(false);
        return;
    }
    fail(RemoteHostClosedError, QStringLiteral("connection closed before the reply ended"));
}

void HTTPSocketReply::onSocketError() {
    if (ended_ || !socket_) return;
    switch (socket_->error()) {
        case QAbstractSocket::RemoteHostClosedError:
            onClosed();
            return;
        case QAbstractSocket::ConnectionRefusedError:
            fail(ConnectionRefusedError, socket_->errorString());
            return;
        case QAbstractSocket::HostNotFoundError:
            fail(HostNotFoundError, socket_->errorString());
            return;
        default:
            fail(UnknownNetworkError, socket_->errorString());
            return;
    }
}

void HTTPSocketReply::fail(NetworkError code, const QString& text) {
    if (ended_) return;
    ended_ = true;
    releaseSocket(false);
    setError(code, text);
    setFinished(true);
    emit errorOccurred(code);
    emit finished();
}

void HTTPSocketReply::releaseSocket(bool keep) {
    auto& server = serverSlots()[poolKey_];
    if (!socket_) {
        // Still waiting for a connection: it waits no more.
        server.waiting.erase(std::remove(server.waiting.begin(), server.waiting.end(), this),
                             server.waiting.end());
        return;
    }
    QTcpSocket* socket = std::exchange(socket_, nullptr);
    QObject::disconnect(socket, nullptr, this, nullptr);
    --server.busy;
    if (keep && socket->state() == QAbstractSocket::ConnectedState) {
        socket->setParent(parent());
        keepIdleConnection(poolKey_, socket);
    } else {
        socket->abort();
        socket->setParent(nullptr);
        socket->deleteLater();
    }
    while (!server.waiting.empty() && server.busy < kConnectionsPerServer) {
        const QPointer<HTTPSocketReply> next = server.waiting.front();
        server.waiting.pop_front();
        if (next) next->connectSocket(true);
    }
}

void HTTPSocketReply::abort() {
    if (ended_) return;
    ended_ = true;
    releaseSocket(false);
    setError(OperationCanceledError, QStringLiteral("cancelled"));
    setFinished(true);
}

qint64 HTTPSocketReply::bytesAvailable() const {
    return output_.size() + QNetworkReply::bytesAvailable();
}

qint64 HTTPSocketReply::readData(char* data, qint64 maxLength) {
    const qint64 count = std::min<qint64>(maxLength, output_.size());
    if (count == 0) return ended_ ? -1 : 0;
    std::memcpy(data, output_.constData(), static_cast<std::size_t>(count));
    output_.remove(0, static_cast<qsizetype>(count));
    return count;
}

}  // namespace ns
