#include "standin/StandinServer.h"

#include "standin/ChatBroker.h"
#include "standin/FlatPicture.h"
#include "standin/Gzip.h"
#include "standin/MessagingServer.h"
#include "standin/NeedReplies.h"
#include "standin/RecordingServer.h"
#include "standin/SampleImages.h"
#include "standin/SamplePictures.h"
#include "standin/SampleVoice.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

namespace standin {

namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

SteadyClock::duration milliseconds(double ms) {
    return std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double, std::milli>(std::max(ms, 0.0)));
}
const char kStreamContentType[] = "text/html; charset=utf-8";

// Bytes that are neither JSON nor UTF-8 (0xFF never occurs in UTF-8), the same every time.
QByteArray garbage(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 0x9e3779b9u;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(0x80u | (state >> 24));
    }
    bytes[0] = '\xff';
    return bytes;
}

// Writes `bytes` as chunks of at most `chunkBytes` bytes each (all in one when 0), each chunk
// its own send; false once a write fails.
bool writeInChunks(httplib::DataSink& sink, const QByteArray& bytes, qint64 chunkBytes) {
    const qsizetype step = chunkBytes > 0 ? qsizetype(chunkBytes) : bytes.size();
    for (qsizetype at = 0; at < bytes.size(); at += step) {
        const qsizetype length = std::min(step, bytes.size() - at);
        if (!sink.write(bytes.constData() + at, static_cast<size_t>(length))) return false;
    }
    return true;
}

RecordedRequest recordOf(const RawRequestHead& head, const httplib::Request& request) {
    RecordedRequest record;
    record.method = head.method.isEmpty() ? QByteArray::fromStdString(request.method) : head.method;
    record.target = head.target.isEmpty() ? QByteArray::fromStdString(request.target) : head.target;
    const qsizetype question = record.target.indexOf('?');
    record.path = question < 0 ? record.target : record.target.left(question);
    record.query = question < 0 ? QByteArray() : record.target.mid(question + 1);
    record.headers = head.headers;
    record.body = QByteArray::fromStdString(request.body);
    return record;
}

void setJson(httplib::Response& response, const QJsonValue& value, int status = 200) {
    response.status = status;
    const QByteArray text = value.isArray()
                                ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    response.set_content(text.toStdString(), "application/json; charset=utf-8");
}

}  // namespace

struct StandinServer::Impl {
    explicit Impl(const QString& folder)
        : temporaryImages(folder.isEmpty() ? std::make_unique<QTemporaryDir>(
                                                 QDir::tempPath() + "/standin-images-XXXXXX")
                                           : nullptr),
          imagesFolder(folder.isEmpty() ? temporaryImages->path() : folder),
          endpoints(imagesFolder) {
        SampleImages::writeTo(imagesFolder);
        SampleVoice::writeTo(imagesFolder);
        messaging.install(endpoints);
        NeedReplies::install(endpoints, messaging);
        ChatBroker::install(messaging, endpoints.postedNeeds());
        SamplePictures::addRoutes(endpoints);
    }

    void handle(const httplib::Request& request, httplib::Response& response);
    void control(const RecordedRequest& request, httplib::Response& response);
    // The server's root as the request reached it.
    [[nodiscard]] QString rootOf(const RecordedRequest& request) const;
    void write(Reply reply, const std::optional<FaultRule>& rule, httplib::Response& response);
    void startStream(httplib::Response& response, std::optional<int> dropAfterChunks,
                     std::shared_ptr<ChunkSource> source);
    // Waits for a moment of real time; false when the server stops or `stillWanted` says
    // no first.
    bool waitUntil(SteadyClock::time_point until, const std::function<bool()>& stillWanted = {});
    // Waits until held replies are released after `arrival` (the release count when the
    // request came); false when the server stops first.
    bool waitForRelease(std::uint64_t arrival);
    [[nodiscard]] std::uint64_t releaseCount() {
        std::lock_guard lock(stopMutex);
        return releases;
    }
    void releaseHeld() {
        {
            std::lock_guard lock(stopMutex);
            ++releases;
        }
        stopSignal.notify_all();
    }
    [[nodiscard]] StreamSettings currentStream() const {
        std::lock_guard lock(streamMutex);
        return stream;
    }
    void setStream(StreamSettings settings) {
        std::lock_guard lock(streamMutex);
        stream = std::move(settings);
    }
    void reset() {
        faults.clear();
        releaseHeld();
        log.clear();
        setStream({});
        messaging.reset();
        endpoints.reset();
    }
    [[nodiscard]] bool isStopping() {
        std::lock_guard lock(stopMutex);
        return stopping;
    }

    RecordingServer server;
    std::unique_ptr<QTemporaryDir> temporaryImages;
    QString imagesFolder;
    Endpoints endpoints;
    MessagingServer messaging;
    RequestLog log;
    FaultSwitches faults;
    std::atomic<int> answering = 0;
    mutable std::mutex streamMutex;
    StreamSettings stream;
    std::thread thread;
    std::atomic<bool> listenEnded = false;  // the thread's serving loop has returned
    int port = 0;
    std::mutex stopMutex;
    std::condition_variable stopSignal;
    bool stopping = false;
    std::uint64_t releases = 0;  // how many times held replies were let go
};

void StandinServer::Impl::handle(const httplib::Request& request, httplib::Response& response) {
    RecordedRequest record = recordOf(RecordingServer::currentHead(), request);
    if (record.path.startsWith(paths::kControl)) {
        control(record, response);
        return;
    }
    // Counted until the reply is written (a stream, until it starts), so that tests can keep
    // their clock still while the server works.
    ++answering;
    const auto answered = qScopeGuard([this] { --answering; });
    // A release counts for every request recorded before it, even one not yet waiting.
    const std::uint64_t arrival = releaseCount();
    // The rule is taken before the request is recorded: once a test sees the request
    // recorded, the request has its rule, and no later request takes a counted rule in its
    // place.
    const auto rule = faults.take(record.target);
    record = log.append(std::move(record));
    if (rule && rule->delayMs > 0 &&
        !waitUntil(SteadyClock::now() + std::chrono::milliseconds(rule->delayMs))) {
        return;
    }
    if (rule && rule->hold && !waitForRelease(arrival)) return;
    write(endpoints.answer(record, rootOf(record).toUtf8()), rule, response);
}

void StandinServer::Impl::write(Reply reply, const std::optional<FaultRule>& rule,
                                httplib::Response& response) {
    if (rule) {
        if (rule->status != 0) reply.status = rule->status;
        if (rule->body) reply.body = *rule->body;
        if (rule->contentType) reply.contentType = *rule->contentType;
        if (rule->garbage) reply.body = garbage(std::max<qsizetype>(reply.body.size(), 64));
        if (!rule->picture.isEmpty()) {
            if (rule->gifFrames > 0) {
                reply.body =
                    FlatPicture::gif(rule->picture, rule->gifFrames, rule->gifFrame, !rule->gifCut);
                reply.contentType = "image/gif";
            } else if (rule->jpeg) {
                reply.body = FlatPicture::jpeg(rule->picture);
                reply.contentType = "image/jpeg";
            } else {
                const auto pixels = rule->pixels == "grey"      ? FlatPicture::Pixels::Grey
                                    : rule->pixels == "palette" ? FlatPicture::Pixels::Palette
                                                                : FlatPicture::Pixels::Colour;
                reply.body = FlatPicture::png(rule->picture, rule->interlaced, pixels);
                reply.contentType = "image/png";
            }
        }
        // A forced status or body, or a body of a size or pace of its own, replaces the
        // stream by a plain reply.
        if (rule->status != 0 || rule->body || rule->garbage || rule->inflatesTo > 0 ||
            rule->endless || rule->trickleMs > 0 || rule->chunkBytes > 0 ||
            !rule->picture.isEmpty()) {
            reply.streamed = false;
        }
    }
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) {
        response.set_header(name.toStdString(), value.toStdString());
    }
    if (reply.streamed) {
        startStream(response, rule ? rule->dropAfterChunks : std::nullopt, std::move(reply.source));
        return;
    }
    QByteArray body = reply.body;
    if (rule && rule->inflatesTo > 0) {
        body = gzipPaddedWithSpaces(body, rule->inflatesTo);
        response.set_header("Content-Encoding", "gzip");
    } else if (rule && rule->gzip) {
        body = gzipCompress(body);
        response.set_header("Content-Encoding", "gzip");
    }
    const std::string contentType = reply.contentType.toStdString();
    if (rule && rule->endless) {
        const auto first = std::make_shared<QByteArray>(body);
        // Chunks of about 64 KB of whole repetitions of the text.
        const QByteArray text = (rule->endlessText.isEmpty() ? " " : rule->endlessText) +
                                QByteArray(rule->endlessSpaces, ' ');
        const auto fill = std::make_shared<QByteArray>(
            text.repeated(std::max<qsizetype>(1, 64 * 1024 / text.size())));
        const qint64 chunkBytes = rule->chunkBytes;
        response.set_chunked_content_provider(
            contentType, [this, first, fill, chunkBytes](size_t offset, httplib::DataSink& sink) {
                // Ends only when the client goes (a write fails) or the server stops.
                const QByteArray& piece = offset == 0 && !first->isEmpty() ? *first : *fill;
                return !isStopping() && writeInChunks(sink, piece, chunkBytes);
            });
        return;
    }
    if (rule && rule->trickleMs > 0 && !body.isEmpty()) {
        const auto whole = std::make_shared<QByteArray>(body);
        const int pause = rule->trickleMs;
        response.set_content_provider(
            static_cast<size_t>(whole->size()), contentType,
            [this, whole, pause](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset > 0 && !waitUntil(SteadyClock::now() + std::chrono::milliseconds(pause),
                                             [&sink] { return sink.is_writable(); })) {
                    return false;
                }
                return sink.write(whole->constData() + offset, 1);
            });
        return;
    }
    if (rule && rule->truncate) {
        const auto sent = std::make_shared<QByteArray>(body.left(body.size() / 2));
        const auto promised = static_cast<size_t>(std::max(body.size(), sent->size() + 1));
        response.set_content_provider(
            promised, contentType, [sent](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset == 0 && !sent->isEmpty()) {
                    sink.write(sent->constData(), static_cast<size_t>(sent->size()));
                }
                return false;  // the library closes the connection short of the length
            });
        return;
    }
    if (rule && rule->chunkBytes > 0) {
        const auto whole = std::make_shared<QByteArray>(body);
        const qint64 chunkBytes = rule->chunkBytes;
        response.set_chunked_content_provider(contentType,
                                              [whole, chunkBytes](size_t, httplib::DataSink& sink) {
                                                  if (!writeInChunks(sink, *whole, chunkBytes))
                                                      return false;
                                                  sink.done();
                                                  return true;
                                              });
        return;
    }
    response.set_content(body.toStdString(), contentType);
}

void StandinServer::Impl::startStream(httplib::Response& response,
                                      std::optional<int> dropAfterChunks,
                                      std::shared_ptr<ChunkSource> source) {
    struct Progress {
        StreamSettings settings;
        int sent = 0;
        // Each chunk is due at a fixed time after the previous one was due, so that the
        // rate holds on average however long the writes take.
        SteadyClock::time_point due = SteadyClock::now();
        bool dueSet = false;
    };
    const auto progress = std::make_shared<Progress>(Progress{currentStream()});
    response.set_chunked_content_provider(
        kStreamContentType,
        [this, progress, dropAfterChunks, source](size_t, httplib::DataSink& sink) {
            const StreamSettings& settings = progress->settings;
            int& sent = progress->sent;
            if (dropAfterChunks && sent >= *dropAfterChunks) return false;
            if (settings.count >= 0 && sent >= settings.count) {
                sink.done();
                return true;
            }
            if (!progress->dueSet) {
                progress->due += milliseconds(settings.pauseBefore(sent));
                progress->dueSet = true;
            }
            // The source's chunks go out as soon as they are ready, between the others.
            while (source && SteadyClock::now() < progress->due) {
                if (source->shouldDrop() || isStopping() || !sink.is_writable()) return false;
                for (const QByteArray& chunk : source->take()) {
                    if (!sink.write(chunk.constData(), static_cast<size_t>(chunk.size()))) {
                        return false;
                    }
                }
                if (source->shouldDrop()) return false;
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    progress->due - SteadyClock::now());
                source->waitForChunks(static_cast<int>(std::clamp<qint64>(left.count(), 0, 50)));
            }
            if (!waitUntil(progress->due, [&sink] { return sink.is_writable(); })) return false;
            progress->dueSet = false;
            const QByteArray chunk = settings.chunk(sent++);
            return sink.write(chunk.constData(), static_cast<size_t>(chunk.size()));
        });
}

bool StandinServer::Impl::waitUntil(SteadyClock::time_point until,
                                    const std::function<bool()>& stillWanted) {
    std::unique_lock lock(stopMutex);
    while (!stopping) {
        const auto now = SteadyClock::now();
        if (now >= until) return true;
        stopSignal.wait_for(lock, std::min<SteadyClock::duration>(until - now, kWaitSlice));
        if (stillWanted && SteadyClock::now() < until) {
            lock.unlock();
            const bool wanted = stillWanted();
            lock.lock();
            if (!wanted) return false;
        }
    }
    return false;
}

bool StandinServer::Impl::waitForRelease(std::uint64_t arrival) {
    std::unique_lock lock(stopMutex);
    stopSignal.wait(lock, [&] { return stopping || releases != arrival; });
    return !stopping;
}

QString StandinServer::Impl::rootOf(const RecordedRequest& request) const {
    QByteArray host = request.header("Host");
    if (host.isEmpty()) host = "127.0.0.1:" + QByteArray::number(port);
    return QString::fromUtf8("http://" + host);
}

void StandinServer::Impl::control(const RecordedRequest& request, httplib::Response& response) {
    const QByteArray what = request.path.mid(static_cast<qsizetype>(std::strlen(paths::kControl)));
    const QByteArray& method = request.method;
    const QJsonObject done{{"status", 0}};
    if (what == "requests" && method == "GET") {
        const QString prefix = QUrlQuery(QString::fromLatin1(request.query))
                                   .queryItemValue("prefix", QUrl::FullyDecoded);
        setJson(response, RequestLog::toJson(log.requests(prefix.toLatin1())));
    } else if (what == "requests" && method == "DELETE") {
        log.clear();
        setJson(response, done);
    } else if (what == "faults" && method == "GET") {
        setJson(response, FaultSwitches::toJson(faults.rules()));
    } else if (what == "faults" && method == "POST") {
        auto rules = FaultSwitches::rulesFromJson(request.body);
        if (!rules) return setJson(response, QJsonObject{{"error", "expected a fault rule"}}, 400);
        faults.set(std::move(*rules));
        setJson(response, done);
    } else if (what == "faults" && method == "DELETE") {
        faults.clear();
        setJson(response, done);
    } else if (what == "stream" && method == "GET") {
        setJson(response, currentStream().toJson());
    } else if (what == "stream" && (method == "POST" || method == "DELETE")) {
        auto settings =
            method == "POST" ? StreamSettings::fromJson(request.body) : StreamSettings();
        if (!settings)
            return setJson(response, QJsonObject{{"error", "expected stream settings"}}, 400);
        setStream(std::move(*settings));
        setJson(response, done);
    } else if (what == "release" && method == "POST") {
        releaseHeld();
        setJson(response, done);
    } else if (what == "reset" && method == "POST") {
        reset();
        setJson(response, done);
    } else if (what == "answering" && method == "GET") {
        setJson(response, QJsonObject{{"answering", answering.load()}});
    } else if (what == "ping") {
        setJson(response, done);
    } else if (auto answer =
                   messaging.control(what, method, request.query, request.body, rootOf(request))) {
        setJson(response, answer->second, answer->first);
    } else if (auto reply = endpoints.control(what, request)) {
        response.status = reply->status;
        response.set_content(reply->body.toStdString(), reply->contentType.toStdString());
    } else {
        setJson(response, QJsonObject{{"error", "no such control"}}, 404);
    }
}

StandinServer::StandinServer(const QString& imagesFolder)
    : impl_(std::make_unique<Impl>(imagesFolder)) {
    const auto handler = [impl = impl_.get()](const httplib::Request& request,
                                              httplib::Response& response) {
        impl->handle(request, response);
    };
    auto& server = impl_->server;
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Patch(".*", handler);
    server.Delete(".*", handler);
    server.Options(".*", handler);
}

StandinServer::~StandinServer() {
    stop();
}

int StandinServer::start(int port) {
    auto& server = impl_->server;
    impl_->port = port == 0 ? server.bind_to_any_port("127.0.0.1")
                            : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (impl_->port <= 0) {
        impl_->port = 0;
        return 0;
    }
    impl_->listenEnded = false;
    impl_->thread = std::thread([impl = impl_.get()] {
        impl->server.listen_after_bind();
        impl->listenEnded = true;
    });
    // The socket already listens after binding: early clients wait in its backlog. The
    // library's stop reaches only a loop that has begun: a stop right after this start must
    // not be lost, leaving the loop to serve for ever.
    while (!server.is_running() && !impl_->listenEnded) std::this_thread::yield();
    return impl_->port;
}

void StandinServer::stop() {
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stopping = true;
    }
    impl_->stopSignal.notify_all();
    impl_->server.stop();
    if (impl_->thread.joinable()) impl_->thread.join();
}

void StandinServer::wait() {
    if (impl_->thread.joinable()) impl_->thread.join();
}

int StandinServer::port() const {
    return impl_->port;
}

QString StandinServer::rootUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(impl_->port);
}

QString StandinServer::imagesFolder() const {
    return impl_->imagesFolder;
}

Endpoints& StandinServer::endpoints() {
    return impl_->endpoints;
}

MessagingServer& StandinServer::messaging() {
    return impl_->messaging;
}

void StandinServer::setFaults(std::vector<FaultRule> rules) {
    impl_->faults.set(std::move(rules));
}

std::vector<FaultRule> StandinServer::faults() const {
    return impl_->faults.rules();
}

void StandinServer::setStream(StreamSettings settings) {
    impl_->setStream(std::move(settings));
}

StreamSettings StandinServer::stream() const {
    return impl_->currentStream();
}

std::vector<RecordedRequest> StandinServer::requests(const QByteArray& pathPrefix) const {
    return impl_->log.requests(pathPrefix);
}

void StandinServer::releaseHeld() {
    impl_->releaseHeld();
}

void StandinServer::reset() {
    impl_->reset();
}

}  // namespace standin
