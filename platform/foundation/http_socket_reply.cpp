#include "platform/foundation/http_socket_reply.h"

#include "platform/foundation/http_header_fields.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPointer>
#include <QTcpSocket>

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>

namespace ns {

namespace {

// At most this many exchanges run at once per server, as browsers do; the rest wait for
// a connection to come free. Servers serve a few connections at a time, and idle ones
// kept open hold them.
constexpr int kConnectionsPerServer = 6;

// The most a reply keeps of what its reader has not taken yet, and the most its socket reads
// ahead of the parser. Past them nothing more is taken from the connection until the reader
// reads, so that a reader that falls behind holds the server back instead of filling memory.
constexpr qint64 kReadBufferBytes = 64 * 1024;

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
    setReadBufferSize(kReadBufferBytes);
    pacedPause_.setSingleShot(true);
    // The pause has passed: the socket is read as soon as anything waits in it.
    connect(&pacedPause_, &QTimer::timeout, this, [this] { setLowWater(1); });
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
    parser_ = std::make_unique<HTTPReplyParser>(
        method_ == "HEAD",
        HTTPReplyParser::Handler{[this](const HTTPReplyParser::Head& h) { return readHead(h); },
                                 [this](QByteArrayView bytes) { return readBody(bytes); }});
    socketReused_ = socket_ != nullptr;
    pacing_.reset();
    lowWater_ = 1;  // a kept connection went back to it when it was let go
    if (!socket_) socket_ = new QTcpSocket();
    socket_->setParent(this);
    socket_->setReadBufferSize(kReadBufferBytes);
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

void HTTPSocketReply::onReadable(bool evenIfFull) {
    if (ended_ || !socket_) return;
    if (!evenIfFull && readBufferSize() > 0 && output_.size() >= readBufferSize()) return;
    const QByteArray bytes = socket_->readAll();
    if (bytes.isEmpty()) return;
    heardAnything_ = true;
    paceAfterRead(bytes.size());
    const qsizetype before = output_.size();
    settle(parser_->feed(bytes), before);
}

void HTTPSocketReply::paceAfterRead(qsizetype bytes) {
    if (!pacing_.read(bytes)) return;
    setLowWater(ReadPacing::kPacedLowWaterBytes);
    pacedPause_.start(ReadPacing::kPause);
}

void HTTPSocketReply::setLowWater(int bytes) {
    if (lowWater_ == bytes) return;
    // The system reports the socket readable once that many bytes wait, or once the server has
    // closed it. Where it refuses the mark, a trickle is simply read as it comes.
    (void)::setsockopt(static_cast<int>(socket_->socketDescriptor()), SOL_SOCKET, SO_RCVLOWAT,
                       &bytes, sizeof bytes);
    lowWater_ = bytes;
}

void HTTPSocketReply::settle(HTTPReplyParser::Outcome outcome, qsizetype outputBefore) {
    // The body read from one piece reaches the reader at once, before the reply ends.
    if (!ended_ && output_.size() > outputBefore) emit readyRead();
    if (ended_) return;
    switch (outcome) {
        case HTTPReplyParser::Outcome::Reading:
        case HTTPReplyParser::Outcome::Stopped:
            return;
        case HTTPReplyParser::Outcome::Complete:
            completeExchange();
            return;
        case HTTPReplyParser::Outcome::Failed:
            // A broken head is a bad reply; broken framing after it, a lost connection.
            fail(parser_->headDelivered() ? RemoteHostClosedError : ProtocolFailure,
                 parser_->failure());
            return;
    }
}

bool HTTPSocketReply::readHead(const HTTPReplyParser::Head& head) {
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, head.status);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, HTTPHeaderFields::textOf(head.reason));
    QList<QByteArray> names;
    QList<QByteArray> values;
    QByteArray challenge;
    for (const auto& [name, value] : head.fields) {
        if (name.compare("www-authenticate", Qt::CaseInsensitive) == 0 &&
            value.toLower().startsWith("basic"))
            challenge = value;
        const qsizetype at = names.indexOf(name);
        if (at < 0) {
            names << name;
            values << value;
        } else {
            const bool cookie = name.compare("set-cookie", Qt::CaseInsensitive) == 0;
            values[at] += (cookie ? QByteArray("\n") : QByteArray(", ")) + value;
        }
    }
    // The raw fields as sent; the reply reads its typed ones (the length) from them.
    for (qsizetype i = 0; i < names.size(); ++i) setRawHeader(names[i], values[i]);

    retryWithPassword_ = false;
    if (head.status == 401 && !challenge.isEmpty() && passwordHandler_) {
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
    }
    return !ended_;
}

bool HTTPSocketReply::readBody(QByteArrayView bytes) {
    // The body of a refused reply, answered by sending again with a password, is dropped.
    if (!retryWithPassword_) output_.append(bytes);
    return !ended_;
}

void HTTPSocketReply::completeExchange() {
    if (retryWithPassword_) {
        startOver(true);
        return;
    }
    ended_ = true;
    releaseSocket(parser_->reusable());
    setFinished(true);
    emit finished();
}

void HTTPSocketReply::startOver(bool withPassword) {
    releaseSocket(withPassword && parser_->reusable());
    retryWithPassword_ = false;
    connectSocket(withPassword);
}

void HTTPSocketReply::onClosed() {
    if (ended_ || !socket_) return;
    const QTcpSocket* socket = socket_;
    if (socket_->bytesAvailable() > 0) {
        onReadable(true);  // the rest of a closed connection: one socket buffer at most
        if (ended_ || socket_ != socket) return;
    }
    if (socketReused_ && !heardAnything_) {
        // The server had closed the idle connection as we sent: once more on a new one.
        startOver(false);
        return;
    }
    const HTTPReplyParser::Outcome outcome = parser_->closed();
    if (outcome == HTTPReplyParser::Outcome::Failed) {
        fail(RemoteHostClosedError, parser_->failure());
        return;
    }
    settle(outcome, output_.size());
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
    pacedPause_.stop();
    setLowWater(1);  // the next exchange on a kept connection starts unpaced
    QTcpSocket* socket = std::exchange(socket_, nullptr);
    QObject::disconnect(socket, nullptr, this, nullptr);
    --server.busy;
    if (keep && socket->state() == QAbstractSocket::ConnectedState &&
        socket->bytesAvailable() == 0) {
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
    if (socket_ && socket_->bytesAvailable() > 0 && output_.size() < readBufferSize()) {
        // Room again: what waits in the socket is read once the reader is done reading.
        QMetaObject::invokeMethod(
            this, [this] { onReadable(); }, Qt::QueuedConnection);
    }
    return count;
}

}  // namespace ns
