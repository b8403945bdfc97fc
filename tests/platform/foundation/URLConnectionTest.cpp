#include "platform/foundation/http_socket_reply.h"
#include "platform/foundation/network_thread.h"
#include "platform/foundation/read_pacing.h"
#include "platform/foundation/url_cache.h"
#include "platform/foundation/url_connection.h"

#include "LoopbackServer.h"
#include "SandboxTest.h"
#include "standin/Gzip.h"

#include <QTcpServer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Writes down everything a connection tells, and on which thread.
class Recorder : public ns::URLConnectionDelegate {
public:
    struct Redirect {
        QUrl to;
        int status = 0;  // 0 for the first request, which is no redirect
    };

    std::optional<ns::URLRequest> willSendRequest(
        ns::URLConnection&, const ns::URLRequest& request,
        const std::shared_ptr<const ns::URLResponse>& redirectResponse) override {
        std::lock_guard lock(mutex);
        note("request");
        const auto* http = dynamic_cast<const ns::HTTPURLResponse*>(redirectResponse.get());
        redirects.push_back({request.url(), http ? http->statusCode() : 0});
        if (redirectResponse && !followRedirects) return std::nullopt;
        return request;
    }
    void didSendBodyData(ns::URLConnection&, qint64 written, qint64 total,
                         qint64 expected) override {
        std::lock_guard lock(mutex);
        uploads.push_back({written, total, expected});
    }
    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>& r) override {
        std::lock_guard lock(mutex);
        note("response");
        response = r;
    }
    void didReceiveData(ns::URLConnection& connection, const QByteArray& data) override {
        {
            std::lock_guard lock(mutex);
            note("data");
            chunks.push_back(data);
        }
        if (cancelOnFirstData) connection.cancel();
    }
    std::optional<ns::CachedURLResponse> willCacheResponse(
        ns::URLConnection&, const ns::CachedURLResponse& proposed) override {
        std::lock_guard lock(mutex);
        note("cache");
        return proposed;
    }
    void didFinishLoading(ns::URLConnection&) override {
        std::lock_guard lock(mutex);
        note("finish");
        ended = true;
    }
    void didFailWithError(ns::URLConnection&, const ns::Error& e) override {
        std::lock_guard lock(mutex);
        note("fail");
        error = e;
        ended = true;
    }

    [[nodiscard]] bool hasEnded() {
        std::lock_guard lock(mutex);
        return ended;
    }
    [[nodiscard]] std::size_t chunkCount() {
        std::lock_guard lock(mutex);
        return chunks.size();
    }
    [[nodiscard]] QByteArray body() {
        std::lock_guard lock(mutex);
        QByteArray all;
        for (const auto& chunk : chunks) all += chunk;
        return all;
    }
    [[nodiscard]] const ns::HTTPURLResponse* http() {
        std::lock_guard lock(mutex);
        return dynamic_cast<const ns::HTTPURLResponse*>(response.get());
    }
    [[nodiscard]] std::vector<std::string> events() {
        std::lock_guard lock(mutex);
        return log;
    }

    std::mutex mutex;
    std::vector<std::string> log;
    std::vector<QString> threads;
    std::vector<Redirect> redirects;
    std::vector<std::array<qint64, 3>> uploads;
    std::shared_ptr<const ns::URLResponse> response;
    std::vector<QByteArray> chunks;
    std::optional<ns::Error> error;
    bool ended = false;
    bool followRedirects = true;
    bool cancelOnFirstData = false;

private:
    void note(const char* event) {
        log.emplace_back(event);
        threads.push_back(QThread::currentThread()->objectName());
    }
};

class URLConnectionTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        ns::URLCache::setSharedURLCache(std::make_shared<ns::URLCache>());
    }

    // Runs a request to its end; false when it did not end within 5 s.
    bool load(const ns::URLRequest& request, const std::shared_ptr<Recorder>& recorder) {
        connection_ = ns::URLConnection::connectionWithRequest(request, recorder);
        return runMainLoopUntil([&] { return recorder->hasEnded(); });
    }

    // Waits until everything already posted to "NetKit" has run.
    static void drainNetworkThread() {
        for (int round = 0; round < 3; ++round) ns::NetworkThread::shared().sync([] {});
    }

    std::shared_ptr<ns::URLConnection> connection_;
};

TEST_F(URLConnectionTest, GetSendsTheHeadersAsSetAndReadsStatusTypeEncodingAndLength) {
    httplib::Headers seen;
    LoopbackServer server;
    server.server().Get("/page", [&](const httplib::Request& request, httplib::Response& response) {
        seen = request.headers;
        response.status = 203;
        response.set_header("X-Reply", "yes");
        response.set_header("Content-Disposition", "attachment; filename=\"report.bin\"");
        response.set_content("\xe4\xbd\xa0\xe5\xa5\xbd", "application/octet-stream; charset=UTF-8");
    });
    server.start();

    ns::URLRequest request(server.url("/page"));
    request.setValue("first", "X-One");
    request.setValue("中文", "X-Two");
    request.setValue("second", "x-one");  // same field, other case: replaced in place
    ASSERT_EQ(request.allHTTPHeaderFields().names(), (QStringList{"X-One", "X-Two"}));

    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(request, recorder));
    EXPECT_FALSE(recorder->error) << recorder->error->description().toStdString();
    EXPECT_EQ(recorder->events(),
              (std::vector<std::string>{"request", "response", "data", "finish"}));
    for (const auto& thread : recorder->threads) EXPECT_EQ(thread, "NetKit");

    EXPECT_EQ(seen.find("X-One")->second, "second");
    EXPECT_EQ(seen.find("X-Two")->second, "\xe4\xb8\xad\xe6\x96\x87");
    const auto* http = recorder->http();
    ASSERT_NE(http, nullptr);
    EXPECT_EQ(http->statusCode(), 203);
    EXPECT_EQ(http->url(), server.url("/page"));
    EXPECT_EQ(http->allHeaderFields().value("x-reply"), "yes");
    EXPECT_EQ(http->mimeType(), "application/octet-stream");
    EXPECT_EQ(http->textEncodingName(), "UTF-8");
    EXPECT_EQ(http->expectedContentLength(), 6);
    EXPECT_EQ(http->suggestedFilename(), "report.bin");
    EXPECT_EQ(QString::fromUtf8(recorder->body()), "你好");
    EXPECT_EQ(ns::HTTPURLResponse::localizedStringForStatusCode(404), "not found");

    // A finished connection keeps nothing alive: not itself, not its delegate.
    const std::weak_ptr<ns::URLConnection> finished = connection_;
    connection_.reset();
    drainNetworkThread();
    EXPECT_TRUE(finished.expired());
    EXPECT_EQ(recorder.use_count(), 1);
}

TEST_F(URLConnectionTest, PostSendsBodyBytesAndBodyStreamsAsGiven) {
    std::vector<std::string> bodies;
    std::vector<std::string> types;
    LoopbackServer server;
    server.server().Post("/echo",
                         [&](const httplib::Request& request, httplib::Response& response) {
                             bodies.push_back(request.body);
                             types.push_back(request.get_header_value("Content-Type"));
                             response.set_content(request.body, "application/octet-stream");
                         });
    server.start();

    const QByteArray form = "jsonArgs={\"city\":\"北京\",\"q\":\"a&b+c%\"}";
    ns::URLRequest request(server.url("/echo"));
    request.setHTTPMethod("POST");
    request.setHTTPBody(form);
    auto first = std::make_shared<Recorder>();
    ASSERT_TRUE(load(request, first));
    EXPECT_EQ(first->body(), form);

    QByteArray large(300 * 1024, '\0');
    for (int i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7);
    ns::URLRequest streamed(server.url("/echo"));
    streamed.setHTTPMethod("POST");
    streamed.setValue("application/x-test", "Content-Type");
    streamed.setValue(QString::number(large.size()), "Content-Length");
    streamed.setHTTPBodyStream(ns::InputStream::withData(large));
    auto second = std::make_shared<Recorder>();
    ASSERT_TRUE(load(streamed, second));
    EXPECT_FALSE(second->error);
    EXPECT_EQ(second->body(), large);

    // Without a length the whole stream is read before it is sent.
    streamed.setValue(QString(), "Content-Length");
    streamed.setHTTPBodyStream(ns::InputStream::withData(form));
    auto third = std::make_shared<Recorder>();
    ASSERT_TRUE(load(streamed, third));
    EXPECT_EQ(third->body(), form);

    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(QByteArray::fromStdString(bodies[0]), form);
    EXPECT_EQ(types[0], "application/x-www-form-urlencoded");  // the platform's default for a body
    EXPECT_EQ(types[1], "application/x-test");

    // Upload progress: increments that add up, totals that grow to the body's size.
    ASSERT_FALSE(second->uploads.empty());
    qint64 sum = 0;
    qint64 lastTotal = 0;
    for (const auto& [written, total, expected] : second->uploads) {
        sum += written;
        EXPECT_EQ(total, sum);
        EXPECT_GT(total, lastTotal);
        EXPECT_EQ(expected, large.size());
        lastTotal = total;
    }
    EXPECT_EQ(lastTotal, large.size());
}

TEST_F(URLConnectionTest, ManyLoadsAtOnceEachGetTheirOwnReply) {
    LoopbackServer server;
    server.server().Get(
        R"(/item/(\d+))", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("item " + request.matches[1].str(), "application/octet-stream");
        });
    server.start();
    std::vector<std::shared_ptr<Recorder>> recorders;
    std::vector<std::shared_ptr<ns::URLConnection>> connections;
    for (int i = 0; i < 100; ++i) {
        recorders.push_back(std::make_shared<Recorder>());
        connections.push_back(ns::URLConnection::connectionWithRequest(
            ns::URLRequest(server.url(QStringLiteral("/item/%1").arg(i))), recorders.back()));
    }
    ASSERT_TRUE(runMainLoopUntil([&] {
        return std::all_of(recorders.begin(), recorders.end(),
                           [](const auto& r) { return r->hasEnded(); });
    }));
    for (int i = 0; i < 100; ++i) {
        EXPECT_FALSE(recorders[i]->error) << i;
        EXPECT_EQ(recorders[i]->body(), "item " + QByteArray::number(i));
    }
}

// Each piece comes only once the one before has arrived: past the run of small reads after
// which a reply is read at a pace, each still comes, on its own, and waits at most for the pause
// after the read before it (20 ms), never for the low-water mark. The quickest of the pieces
// after the run counts, against a bound that leaves a busy machine room.
TEST_F(URLConnectionTest, StreamedChunksArriveInOrderEachWithItsOwnBytes) {
    Gate gate;
    std::vector<QByteArray> pieces{"first piece|", "second|"};
    for (int more = 0; more < 10; ++more)
        pieces.push_back("more " + QByteArray::number(more) + "|");
    pieces.push_back("the last");
    LoopbackServer server;
    server.serveGatedStream("/stream", pieces, gate);
    server.start();

    auto recorder = std::make_shared<Recorder>();
    connection_ =
        ns::URLConnection::connectionWithRequest(ns::URLRequest(server.url("/stream")), recorder);
    std::chrono::steady_clock::duration quickest = std::chrono::hours(1);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const auto sent = std::chrono::steady_clock::now();
        gate.open();  // the next piece goes out only once the one before has arrived
        ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() == i + 1; })) << i;
        if (i >= std::size_t(ns::ReadPacing::kSmallReadsBeforePacing))
            quickest = std::min(quickest, std::chrono::steady_clock::now() - sent);
    }
    EXPECT_LT(quickest, 250ms);
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->hasEnded(); }));
    ASSERT_EQ(recorder->chunks.size(), pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(recorder->chunks[i], pieces[i]);
    }
    EXPECT_EQ(recorder->http()->expectedContentLength(), -1);
}

// An exchange is read at a pace from its eighth small read in a row on, and stays so whatever
// comes; a read of 1 KB or more ends a run of small ones, and a new exchange starts afresh.
TEST(ReadPacingTest, EightSmallReadsInARowPaceTheRestOfTheExchange) {
    ns::ReadPacing pacing;
    for (int read = 1; read < 8; ++read) EXPECT_FALSE(pacing.read(1023)) << read;
    EXPECT_TRUE(pacing.read(1));
    EXPECT_TRUE(pacing.read(64 * 1024));
    EXPECT_TRUE(pacing.read(1));
    EXPECT_TRUE(pacing.isPaced());
    pacing.reset();
    EXPECT_FALSE(pacing.isPaced());
    EXPECT_FALSE(pacing.read(1));

    ns::ReadPacing broken;
    for (int read = 1; read < 8; ++read) EXPECT_FALSE(broken.read(10)) << read;
    EXPECT_FALSE(broken.read(1024));
    for (int read = 1; read < 8; ++read) EXPECT_FALSE(broken.read(10)) << read;
    EXPECT_TRUE(broken.read(10));
}

TEST_F(URLConnectionTest, GzipBodiesAreDecodedWhoeverAskedForTheCoding) {
    QByteArray plain;
    for (int i = 0; i < 2000; ++i) plain += "第" + QByteArray::number(i) + "条 housing post, ";
    const QByteArray packed = standin::gzipCompress(plain);
    LoopbackServer server;
    server.server().Get("/packed", [&](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content(packed.toStdString(), "application/json; charset=utf-8");
    });
    server.server().Get("/broken", [&](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content("this is not gzip at all", "application/octet-stream");
    });
    server.start();

    // The app names the coding itself, as its requests do.
    ns::URLRequest asked(server.url("/packed"));
    asked.setValue("gzip", "Accept-Encoding");
    auto first = std::make_shared<Recorder>();
    ASSERT_TRUE(load(asked, first));
    EXPECT_EQ(first->body(), plain);
    EXPECT_EQ(first->http()->allHeaderFields().value("Content-Encoding"), "gzip");
    EXPECT_EQ(first->http()->expectedContentLength(), packed.size());

    auto second = std::make_shared<Recorder>();
    ASSERT_TRUE(load(ns::URLRequest(server.url("/packed")), second));
    EXPECT_EQ(second->body(), plain);

    auto broken = std::make_shared<Recorder>();
    ASSERT_TRUE(load(ns::URLRequest(server.url("/broken")), broken));
    ASSERT_TRUE(broken->error);
    EXPECT_EQ(broken->error->code(), ns::Error::kURLErrorCannotDecodeContentData);
}

TEST_F(URLConnectionTest, GzipStreamIsDecodedPieceByPiece) {
    Gate gate;
    QByteArray plain;
    for (int i = 0; i < 500; ++i) plain += "segment " + QByteArray::number(i) + ";";
    const QByteArray packed = standin::gzipCompress(plain);
    const qsizetype half = packed.size() / 2;
    LoopbackServer server;
    server.serveGatedStream("/stream", {packed.left(half), packed.mid(half)}, gate,
                            {{"Content-Encoding", "gzip"}});
    server.start();

    auto recorder = std::make_shared<Recorder>();
    connection_ =
        ns::URLConnection::connectionWithRequest(ns::URLRequest(server.url("/stream")), recorder);
    gate.open();
    // Half of the compressed bytes already give a part of the text, before the rest is sent.
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() >= 1; }));
    const QByteArray early = recorder->body();
    EXPECT_FALSE(early.isEmpty());
    EXPECT_TRUE(plain.startsWith(early));
    gate.open();
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->hasEnded(); }));
    EXPECT_FALSE(recorder->error);
    EXPECT_EQ(recorder->body(), plain);
}

TEST_F(URLConnectionTest, NothingReachesTheDelegateAfterCancel) {
    Gate gate;
    std::atomic<bool> serverDone{false};
    LoopbackServer server;
    server.serveGatedStream("/stream", {"chunk", "chunk", "chunk"}, gate, {},
                            [&] { serverDone = true; });
    server.start();

    auto recorder = std::make_shared<Recorder>();
    connection_ =
        ns::URLConnection::connectionWithRequest(ns::URLRequest(server.url("/stream")), recorder);
    gate.open();
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() == 1; }));
    connection_->cancel();
    gate.open(2);
    ASSERT_TRUE(runMainLoopUntil([&] { return serverDone.load(); }));
    drainNetworkThread();
    EXPECT_EQ(recorder->events(), (std::vector<std::string>{"request", "response", "data"}));

    // The connection let go of its delegate.
    EXPECT_EQ(recorder.use_count(), 1);
}

TEST_F(URLConnectionTest, ACancelledStreamClosesItsSocketSoLaterLoadsAreNotHeldUp) {
    std::atomic<int> serving{0};
    LoopbackServer server;
    server.server().Get("/endless", [&](const httplib::Request&, httplib::Response& response) {
        ++serving;
        response.set_chunked_content_provider("application/octet-stream",
                                              [&](size_t, httplib::DataSink& sink) {
                                                  // Beats until a write finds the client gone.
                                                  while (sink.write("beat", 4)) {
                                                      std::this_thread::sleep_for(5ms);
                                                  }
                                                  --serving;
                                                  return false;
                                              });
    });
    server.server().Get("/plain", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("done", "text/plain");
    });
    server.start();

    // More streams, one after the other, than the connections kept open to one host.
    for (int i = 0; i < 8; ++i) {
        auto recorder = std::make_shared<Recorder>();
        auto stream = ns::URLConnection::connectionWithRequest(
            ns::URLRequest(server.url("/endless")), recorder);
        ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() >= 1; })) << i;
        stream->cancel();
        ASSERT_TRUE(runMainLoopUntil([&] { return serving.load() == 0; })) << i;
    }
    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(ns::URLRequest(server.url("/plain")), recorder));
    EXPECT_EQ(recorder->body(), "done");
}

TEST_F(URLConnectionTest, AReplyPastItsMaximumLengthFailsThereAndClosesItsConnection) {
    constexpr qint64 kBound = 1024 * 1024;
    std::atomic<int> serving{0};
    const QByteArray exact(kBound, 'x');
    // 64 KB that inflate to 64 MB.
    const QByteArray bomb = standin::gzipPaddedWithSpaces("{}", 64 * kBound);
    LoopbackServer server;
    server.server().Get("/exact", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(exact.toStdString(), "application/octet-stream");
    });
    server.server().Get("/bomb", [&](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Encoding", "gzip");
        response.set_content(bomb.toStdString(), "application/octet-stream");
    });
    server.server().Get("/endless", [&](const httplib::Request&, httplib::Response& response) {
        ++serving;
        response.set_chunked_content_provider("application/octet-stream",
                                              [&](size_t, httplib::DataSink& sink) {
                                                  while (sink.write(exact.constData(), 4096)) {
                                                  }
                                                  --serving;
                                                  return false;
                                              });
    });
    server.start();
    const auto loadBounded = [&](const QString& path, qint64 bound) {
        ns::URLRequest request(server.url(path));
        request.setMaximumResponseLength(bound);
        auto recorder = std::make_shared<Recorder>();
        EXPECT_TRUE(load(request, recorder)) << path.toStdString();
        return recorder;
    };
    const auto expectTooLong = [&](const std::shared_ptr<Recorder>& recorder, qint64 bound) {
        ASSERT_TRUE(recorder->error);
        EXPECT_EQ(recorder->error->code(), ns::Error::kURLErrorDataLengthExceedsMaximum);
        EXPECT_LE(recorder->body().size(), bound);
    };

    const auto whole = loadBounded("/exact", kBound);
    EXPECT_FALSE(whole->error);
    EXPECT_EQ(whole->body(), exact);
    expectTooLong(loadBounded("/exact", kBound - 1), kBound - 1);
    expectTooLong(loadBounded("/bomb", kBound), kBound);
    // A body that never ends: the connection closes, so the server's writes fail.
    expectTooLong(loadBounded("/endless", kBound), kBound);
    ASSERT_TRUE(runMainLoopUntil([&] { return serving.load() == 0; }));
}

TEST_F(URLConnectionTest, ASocketReplyNobodyReadsKeepsNoMoreThanItsBuffersAndHoldsTheServerBack) {
    const QByteArray body(32 * 1024 * 1024, 'b');  // far more than the kernel's buffers hold
    LoopbackServer server;
    server.server().Get("/big", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(body.toStdString(), "application/octet-stream");
    });
    server.start();

    ns::HTTPSocketReply* reply = nullptr;
    ns::NetworkThread::shared().sync([&] {
        reply = new ns::HTTPSocketReply(QNetworkRequest(server.url("/big")), "GET", "/big", {}, {},
                                        &ns::NetworkThread::shared().accessManager());
        reply->send();
    });
    const qint64 buffer = reply->readBufferSize();
    ASSERT_GT(buffer, 0);
    // Read nothing until the reply's buffer and its socket's are both full.
    qint64 held = 0;
    ASSERT_TRUE(runMainLoopUntil([&] {
        bool full = false;
        ns::NetworkThread::shared().sync([&] {
            const auto* socket = reply->findChild<QTcpSocket*>();
            held = reply->bytesAvailable();
            full = socket && held >= buffer && socket->bytesAvailable() >= socket->readBufferSize();
        });
        return full;
    }));
    EXPECT_LT(held, 2 * buffer);

    // Read, and the rest comes, whole.
    qint64 received = 0;
    ASSERT_TRUE(runMainLoopUntil([&] {
        ns::NetworkThread::shared().sync([&] { received += reply->readAll().size(); });
        return received == body.size();
    }));
    ns::NetworkThread::shared().sync([&] {
        reply->abort();
        reply->deleteLater();
    });
}

TEST_F(URLConnectionTest, CancelFromInsideACallbackEndsTheLoadThere) {
    LoopbackServer server;
    server.server().Get("/big", [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 50; ++i) {
                if (!sink.write("0123456789", 10)) return false;
            }
            sink.done();
            return true;
        });
    });
    server.start();
    auto recorder = std::make_shared<Recorder>();
    recorder->cancelOnFirstData = true;
    connection_ =
        ns::URLConnection::connectionWithRequest(ns::URLRequest(server.url("/big")), recorder);
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() == 1; }));
    drainNetworkThread();
    EXPECT_EQ(recorder->events(), (std::vector<std::string>{"request", "response", "data"}));
}

TEST_F(URLConnectionTest, IdleTimeOutRunsOnTheClockAndFailsWith1001) {
    Gate reply;
    std::atomic<int> arrived{0};
    LoopbackServer server;
    server.server().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
        ++arrived;
        reply.pass();
        response.set_content("late", "text/plain");
    });
    server.start();

    ns::URLRequest request(server.url("/slow"));
    request.setTimeoutInterval(20);
    auto recorder = std::make_shared<Recorder>();
    connection_ = ns::URLConnection::connectionWithRequest(request, recorder);
    ASSERT_TRUE(runMainLoopUntil([&] { return arrived.load() == 1; }));
    drainNetworkThread();  // the time-out is armed when the request goes out

    clock().advance(19s);
    drainMainLoop();
    drainNetworkThread();
    EXPECT_FALSE(recorder->hasEnded());
    clock().advance(1s);
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->hasEnded(); }));
    reply.open();

    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->domain(), ns::Error::kURLErrorDomain);
    EXPECT_EQ(recorder->error->code(), ns::Error::kURLErrorTimedOut);
    EXPECT_EQ(recorder->error->localizedDescription(), "The request timed out.");
    EXPECT_EQ(recorder->error->failingURL(), server.url("/slow").toString());
}

TEST_F(URLConnectionTest, TheTimeOutCountsFromTheLastActivity) {
    Gate gate;
    LoopbackServer server;
    server.serveGatedStream("/trickle", {"x", "x", "x"}, gate);
    server.start();

    ns::URLRequest request(server.url("/trickle"));
    request.setTimeoutInterval(10);
    auto recorder = std::make_shared<Recorder>();
    connection_ = ns::URLConnection::connectionWithRequest(request, recorder);
    gate.open();
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() == 1; }));
    clock().advance(6s);
    gate.open();
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->chunkCount() == 2; }));

    clock().advance(6s);  // past the first deadline, but idle for 6 s only
    drainMainLoop();
    drainNetworkThread();
    EXPECT_FALSE(recorder->hasEnded());

    clock().advance(4s);  // idle for 10 s now
    ASSERT_TRUE(runMainLoopUntil([&] { return recorder->hasEnded(); }));
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->code(), ns::Error::kURLErrorTimedOut);
    gate.open(2);
}

TEST_F(URLConnectionTest, RefusedConnectionFailsWith1004) {
    // A port that was free a moment ago and has no listener now.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QUrl closed(QStringLiteral("http://127.0.0.1:%1/nothing").arg(probe.serverPort()));
    probe.close();

    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(ns::URLRequest(closed), recorder));
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->code(), ns::Error::kURLErrorCannotConnectToHost);
    EXPECT_EQ(recorder->error->userInfo().value(ns::Error::kFailingURLKey).toUrl(), closed);
    EXPECT_EQ(recorder->events(), (std::vector<std::string>{"request", "fail"}));
}

TEST_F(URLConnectionTest, RedirectsAreShownToTheDelegateAndFollowed) {
    std::string methodAtTarget;
    LoopbackServer server;
    server.server().Post("/old", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/moved", 303);
    });
    server.server().Get("/moved", [&](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/new", 302);
    });
    server.server().Get("/new", [&](const httplib::Request& request, httplib::Response& response) {
        methodAtTarget = request.method;
        response.set_content("arrived", "text/plain");
    });
    server.start();

    ns::URLRequest request(server.url("/old"));
    request.setHTTPMethod("POST");
    request.setHTTPBody("a=1");
    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(request, recorder));
    ASSERT_EQ(recorder->redirects.size(), 3u);
    EXPECT_EQ(recorder->redirects[0].status, 0);
    EXPECT_EQ(recorder->redirects[1].status, 303);
    EXPECT_EQ(recorder->redirects[1].to, server.url("/moved"));
    EXPECT_EQ(recorder->redirects[2].status, 302);
    EXPECT_EQ(recorder->redirects[2].to, server.url("/new"));
    EXPECT_EQ(methodAtTarget, "GET");  // a 303 turns a POST into a GET
    EXPECT_EQ(recorder->http()->url(), server.url("/new"));
    EXPECT_EQ(recorder->body(), "arrived");
    EXPECT_EQ(connection_->currentRequest().url(), server.url("/new"));

    // A delegate that answers nothing gets the redirect itself as the response.
    auto staying = std::make_shared<Recorder>();
    staying->followRedirects = false;
    ASSERT_TRUE(load(ns::URLRequest(server.url("/moved")), staying));
    EXPECT_EQ(staying->http()->statusCode(), 302);
    EXPECT_FALSE(staying->error);
}

TEST_F(URLConnectionTest, CachePoliciesAnswerFromTheSharedCache) {
    std::atomic<int> hits{0};
    LoopbackServer server;
    server.server().Get("/picture", [&](const httplib::Request&, httplib::Response& response) {
        ++hits;
        response.set_content("picture bytes", "image/png");
    });
    server.start();

    ns::URLRequest request(server.url("/picture"));
    request.setCachePolicy(ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData);
    auto first = std::make_shared<Recorder>();
    ASSERT_TRUE(load(request, first));
    EXPECT_EQ(first->events(),
              (std::vector<std::string>{"request", "response", "data", "cache", "finish"}));

    request.setCachePolicy(ns::URLRequest::CachePolicy::ReturnCacheDataElseLoad);
    auto second = std::make_shared<Recorder>();
    ASSERT_TRUE(load(request, second));
    EXPECT_EQ(hits.load(), 1);
    EXPECT_EQ(second->body(), "picture bytes");
    EXPECT_EQ(second->events(),
              (std::vector<std::string>{"request", "response", "data", "finish"}));

    // No max-age: the protocol's policy asks the server again.
    request.setCachePolicy(ns::URLRequest::CachePolicy::UseProtocolCachePolicy);
    auto third = std::make_shared<Recorder>();
    ASSERT_TRUE(load(request, third));
    EXPECT_EQ(hits.load(), 2);

    ns::URLRequest absent(server.url("/never-loaded"));
    absent.setCachePolicy(ns::URLRequest::CachePolicy::ReturnCacheDataDontLoad);
    auto fourth = std::make_shared<Recorder>();
    ASSERT_TRUE(load(absent, fourth));
    ASSERT_TRUE(fourth->error);
    EXPECT_EQ(fourth->error->code(), ns::Error::kURLErrorResourceUnavailable);
}

// Small replies under URLs of their own each (acknowledgement calls, say) cost the cache what
// they hold, URL, header fields and bookkeeping included, not only their few bytes of body;
// a body read into a large buffer is kept in one of its own size.
TEST(URLCacheTest, ManySmallRepliesStayWithinTheCapacityWithWhatTheyHold) {
    constexpr qint64 kCapacity = 64 * 1024;
    ns::URLCache cache(kCapacity);
    const QByteArray body = R"({"params":{"errorno":0}})";
    constexpr qint64 kBookkeeping = 512;  // what an entry costs besides what it holds
    const auto cost = [&](int n) {
        const QUrl url(QStringLiteral("http://h/api?op=ackrecvmsg&msgIds=%1").arg(n));
        return kBookkeeping + body.size() +
               qint64(url.toString(QUrl::FullyEncoded).size() * sizeof(QChar)) +
               qint64((QStringLiteral("Content-Type").size() +
                       QStringLiteral("application/json").size()) *
                      sizeof(QChar));
    };
    for (int n = 0; n < 1000; ++n) {
        const QUrl url(QStringLiteral("http://h/api?op=ackrecvmsg&msgIds=%1").arg(n));
        QByteArray read;
        read.reserve(16 * 1024);  // as a read of the network leaves it
        read.append(body);
        cache.storeCachedResponse({std::make_shared<ns::HTTPURLResponse>(
                                       url, 200,
                                       ns::HTTPHeaderFields{{QStringLiteral("Content-Type"),
                                                             QStringLiteral("application/json")}}),
                                   read},
                                  ns::URLRequest(url));
    }
    const qint64 each = cost(999);
    EXPECT_LE(cache.currentMemoryUsage(), kCapacity);
    EXPECT_GT(cache.currentMemoryUsage(), kCapacity - 2 * each);
    // The newest are kept, the oldest went.
    const auto newest = cache.cachedResponseForRequest(
        ns::URLRequest(QUrl(QStringLiteral("http://h/api?op=ackrecvmsg&msgIds=999"))));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->data, body);
    EXPECT_LT(newest->data.capacity(), 1024);
    EXPECT_FALSE(cache.cachedResponseForRequest(
        ns::URLRequest(QUrl(QStringLiteral("http://h/api?op=ackrecvmsg&msgIds=0")))));
    // Taking one out gives back its cost.
    const qint64 before = cache.currentMemoryUsage();
    cache.removeCachedResponseForRequest(
        ns::URLRequest(QUrl(QStringLiteral("http://h/api?op=ackrecvmsg&msgIds=999"))));
    EXPECT_EQ(cache.currentMemoryUsage(), before - each);
    // An entry costing more than a twentieth of the capacity is not kept.
    const QUrl big(QStringLiteral("http://h/big"));
    cache.storeCachedResponse({std::make_shared<ns::URLResponse>(big, QString(), 0, QString()),
                               QByteArray(kCapacity / 20, 'x')},
                              ns::URLRequest(big));
    EXPECT_FALSE(cache.cachedResponseForRequest(ns::URLRequest(big)));
}

// Answers a password challenge with a fixed credential and counts the questions.
class PasswordDelegate final : public Recorder {
public:
    void willSendRequestForAuthenticationChallenge(
        ns::URLConnection&, const ns::URLAuthenticationChallenge& challenge) override {
        std::lock_guard lock(mutex);
        realms.push_back(challenge.protectionSpace().realm());
        methods.push_back(challenge.protectionSpace().authenticationMethod());
        failures.push_back(challenge.previousFailureCount());
        if (challenge.previousFailureCount() == 0) {
            challenge.sender()->useCredential(
                ns::URLCredential::withUser(user, "secret", ns::URLCredential::Persistence::None),
                challenge);
        } else {
            challenge.sender()->continueWithoutCredentialForAuthenticationChallenge(challenge);
        }
    }

    QString user;
    std::vector<QString> realms;
    std::vector<QString> methods;
    std::vector<int> failures;
};

TEST_F(URLConnectionTest, PasswordChallengesGoToTheDelegate) {
    LoopbackServer server;
    server.server().Get(
        "/private", [&](const httplib::Request& request, httplib::Response& response) {
            // "alice:secret"
            if (request.get_header_value("Authorization") == "Basic YWxpY2U6c2VjcmV0") {
                response.set_content("welcome", "text/plain");
                return;
            }
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"housing\"");
            response.set_content("who are you", "text/plain");
        });
    server.start();

    auto accepted = std::make_shared<PasswordDelegate>();
    accepted->user = "alice";
    ASSERT_TRUE(load(ns::URLRequest(server.url("/private")), accepted));
    EXPECT_EQ(accepted->body(), "welcome");
    ASSERT_EQ(accepted->realms.size(), 1u);
    EXPECT_EQ(accepted->realms[0], "housing");
    EXPECT_EQ(accepted->methods[0], ns::URLProtectionSpace::kAuthenticationMethodHTTPBasic);

    // A refused credential is asked about again with a failure count; going on
    // without one delivers the server's 401. (Another server, so that no credential
    // is remembered for it.)
    LoopbackServer other;
    other.server().Get(
        "/private", [&](const httplib::Request& request, httplib::Response& response) {
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"housing\"");
            response.set_content(request.has_header("Authorization") ? "not you" : "who are you",
                                 "application/octet-stream");
        });
    other.start();
    auto refused = std::make_shared<PasswordDelegate>();
    refused->user = "mallory";
    ASSERT_TRUE(load(ns::URLRequest(other.url("/private")), refused));
    EXPECT_EQ(refused->failures, (std::vector<int>{0, 1}));
    EXPECT_FALSE(refused->error);
    EXPECT_EQ(refused->http()->statusCode(), 401);
    EXPECT_EQ(refused->body(), "not you");
}

TEST_F(URLConnectionTest, SynchronousRequestFromTheMainThread) {
    LoopbackServer server;
    server.server().Get("/sync", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("done", "text/plain");
    });
    server.start();
    const auto result =
        ns::URLConnection::sendSynchronousRequest(ns::URLRequest(server.url("/sync")));
    EXPECT_FALSE(result.error);
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.data, "done");
    EXPECT_EQ(result.response->mimeType(), "text/plain");
}

}  // namespace

namespace {

// A server that answers every request with the same raw bytes: for replies no well-behaved
// server library would send. It writes them in one piece, or in pieces of 1 to 7 bytes (each
// its own send, or each a tenth of a millisecond after the one before), and then closes the
// connection, or keeps it open for the next request.
class RawReplyServer {
public:
    enum class Writes { Whole, InPieces, InPiecesApart };
    // After a reply: close, keep the connection, or keep it but close it without a byte
    // when the next request has come on it.
    enum class After { Close, KeepOpen, DropTheNextRequest };

    explicit RawReplyServer(QByteArray reply, Writes writes = Writes::Whole,
                            After after = After::Close)
        : reply_(std::move(reply)), writes_(writes), after_(after) {}
    ~RawReplyServer() {
        // A connection kept idle would hold the server's thread.
        ns::NetworkThread::shared().sync([] { ns::HTTPSocketReply::closeIdleConnections(); });
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        if (thread_.joinable()) thread_.join();
    }
    void start() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listener_, 8);
        thread_ = std::thread([this] {
            while (!stopping_) {
                const int client = ::accept(listener_, nullptr, nullptr);
                if (client < 0) return;
                ++connections_;
                const int on = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                for (int answered = 0; readRequest(client); ++answered) {
                    ++requests_;
                    if (after_ == After::DropTheNextRequest && answered > 0) break;
                    write(client);
                    if (after_ == After::Close) break;
                }
                ::shutdown(client, SHUT_WR);
                char buffer[4096];
                while (::recv(client, buffer, sizeof buffer, 0) > 0) {
                }
                ::close(client);
            }
        });
    }
    [[nodiscard]] QUrl url() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/raw").arg(port_));
    }
    [[nodiscard]] int connections() const { return connections_; }
    [[nodiscard]] int requests() const { return requests_; }

private:
    static bool readRequest(int client) {
        QByteArray request;
        char byte = 0;
        while (!request.endsWith("\r\n\r\n")) {
            if (::recv(client, &byte, 1, 0) != 1) return false;
            request.append(byte);
        }
        return true;
    }
    void write(int client) const {
        qsizetype piece = writes_ == Writes::Whole ? reply_.size() : 1;
        for (qsizetype at = 0; at < reply_.size(); at += piece, piece = piece % 7 + 1) {
            const auto length = std::min(piece, reply_.size() - at);
            if (::send(client, reply_.constData() + at, length, MSG_NOSIGNAL) != length) return;
            if (writes_ == Writes::InPiecesApart) std::this_thread::sleep_for(100us);
        }
    }

    QByteArray reply_;
    Writes writes_;
    After after_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<int> requests_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

struct RawCase {
    QByteArray reply;
    QByteArray body;   // for replies that end normally
    qint64 error = 0;  // else the error they end with
};

}  // namespace

// Every reply below is sent whole and again in pieces of a few bytes.
class RawReplyTest : public URLConnectionTest,
                     public ::testing::WithParamInterface<RawReplyServer::Writes> {
protected:
    std::shared_ptr<Recorder> loadRaw(const QByteArray& reply, const QString& method = "GET") {
        RawReplyServer server(reply, GetParam());
        server.start();
        ns::URLRequest request(server.url());
        request.setHTTPMethod(method);
        auto recorder = std::make_shared<Recorder>();
        EXPECT_TRUE(load(request, recorder)) << reply.toStdString();
        return recorder;
    }

    void expectEnds(const std::vector<RawCase>& cases, const QString& method = "GET") {
        for (const auto& [reply, body, error] : cases) {
            const auto recorder = loadRaw(reply, method);
            if (error == 0) {
                EXPECT_FALSE(recorder->error) << reply.toStdString();
                EXPECT_EQ(recorder->body(), body) << reply.toStdString();
                EXPECT_EQ(recorder->events().back(), "finish") << reply.toStdString();
            } else {
                ASSERT_TRUE(recorder->error) << reply.toStdString();
                EXPECT_EQ(recorder->error->code(), error) << reply.toStdString();
                EXPECT_EQ(recorder->events().back(), "fail") << reply.toStdString();
            }
        }
    }
};

INSTANTIATE_TEST_SUITE_P(WholeAndInPieces, RawReplyTest,
                         ::testing::Values(RawReplyServer::Writes::Whole,
                                           RawReplyServer::Writes::InPieces));

TEST_P(RawReplyTest, CutOrMalformedFramingFailsAsALostConnection) {
    constexpr auto kLost = ns::Error::kURLErrorNetworkConnectionLost;
    expectEnds({
        // chunked, cut before the terminating chunk, inside a chunk, right after the head
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", {}, kLost},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel", {}, kLost},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", {}, kLost},
        // a chunk-size line that is no number; a chunk whose data runs past its size
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\nworld\r\n"
         "0\r\n\r\n",
         {},
         kLost},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhelloX\r\n0\r\n\r\n",
         {},
         kLost},
        // shorter than its length
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", {}, kLost},
        // an interim reply and no final one
        {"HTTP/1.1 100 Continue\r\n\r\n", {}, kLost},
    });
}

TEST_P(RawReplyTest, WellFramedRepliesEndNormally) {
    expectEnds({
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "5;name=value\r\nhello\r\n6 \r\n world\r\n0\r\nExpires: never\r\n\r\n",
         "hello world"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello", "hello"},
        // no length at all: the close ends it
        {"HTTP/1.0 200 OK\r\n\r\nuntil the end", "until the end"},
        // an interim reply before the final one; replies that have no body whatever their
        // head says
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK", "OK"},
        {"HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", ""},
        {"HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n", ""},
    });
    expectEnds({{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", ""}}, "HEAD");
}

TEST_P(RawReplyTest, ACarriageReturnThatEndsNoLineFailsTheReply) {
    expectEnds({
        // in a field it would hide the next one; in a chunk-size line, shift the body
        {"HTTP/1.1 200 OK\r\nX:\rTransfer-Encoding: chunked\r\n\r\n1\r\nA\r\n0\r\n\r\n",
         {},
         ns::Error::kURLErrorBadServerResponse},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\r;ABCD\r\n34\r\nE\r\n0\r\n\r\n",
         {},
         ns::Error::kURLErrorNetworkConnectionLost},
    });
}

TEST_P(RawReplyTest, CodingsThatDoNotEndInChunkedAreReadToTheClose) {
    expectEnds({
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, identity\r\n\r\n2\r\nOK\r\n0\r\n\r\n",
         "2\r\nOK\r\n0\r\n\r\n"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunkedchunked\r\n\r\n2\r\nOK\r\n0\r\n\r\n",
         "2\r\nOK\r\n0\r\n\r\n"},
    });
}

TEST_P(RawReplyTest, AReplyFramedByACodingAndALengthAtOnceFails) {
    expectEnds({
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n"
         "5\r\nhello\r\n0\r\n\r\n",
         {},
         ns::Error::kURLErrorBadServerResponse},
    });
}

TEST_P(RawReplyTest, FieldValuesThatAreNotUtf8ReachTheCallerByteForByte) {
    const auto recorder = loadRaw(
        "HTTP/1.1 200 OK\r\n"
        "Content-Disposition: attachment; filename=\"caf\xe9.txt\"\r\n"
        "X-Utf8: \xe6\x88\xbf\xe6\xba\x90\r\n"
        "Content-Length: 2\r\n\r\nOK");
    ASSERT_FALSE(recorder->error);
    const auto* http = recorder->http();
    ASSERT_TRUE(http);
    const QString disposition = http->allHeaderFields().value("Content-Disposition");
    EXPECT_EQ(disposition.toLatin1(), "attachment; filename=\"caf\xe9.txt\"");
    EXPECT_EQ(http->suggestedFilename(), QString::fromUtf8("café.txt"));
    EXPECT_EQ(http->allHeaderFields().value("X-Utf8"), QString::fromUtf8("房源"));
}

TEST_P(RawReplyTest, FoldedFieldLinesAreUnfolded) {
    const auto recorder =
        loadRaw("HTTP/1.1 200 OK\r\nX-Note: one\r\n two\r\n\tthree\r\nContent-Length: 2\r\n\r\nOK");
    ASSERT_FALSE(recorder->error);
    ASSERT_TRUE(recorder->http());
    EXPECT_EQ(recorder->http()->allHeaderFields().value("X-Note"), "one two three");
    EXPECT_EQ(recorder->body(), "OK");
}

// A reply that comes a few bytes a send, the sends further apart than a read takes, is read at a
// pace: a few dozen times in all rather than once a send, whole and in order. The connection,
// kept, reads the next reply as it comes again. The same reply in one send is read at once.
TEST_F(URLConnectionTest, AReplyInPiecesOfAFewBytesIsReadAtAPaceWholeAndInOrder) {
    QByteArray body;
    for (int at = 0; at < 4000; ++at) body += char('a' + at % 26);
    const QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n" + body;
    RawReplyServer pieces(reply, RawReplyServer::Writes::InPiecesApart,
                          RawReplyServer::After::KeepOpen);
    pieces.start();
    for (int load = 0; load < 2; ++load) {
        auto recorder = std::make_shared<Recorder>();
        ASSERT_TRUE(this->load(ns::URLRequest(pieces.url()), recorder)) << load;
        EXPECT_FALSE(recorder->error) << load;
        EXPECT_EQ(recorder->body(), body) << load;
        // Some 1,000 sends.
        EXPECT_LT(recorder->chunkCount(), 250u) << load;
    }
    EXPECT_EQ(pieces.connections(), 1);

    RawReplyServer whole(reply, RawReplyServer::Writes::Whole);
    whole.start();
    auto recorder = std::make_shared<Recorder>();
    ASSERT_TRUE(load(ns::URLRequest(whole.url()), recorder));
    EXPECT_EQ(recorder->body(), body);
}

TEST_F(URLConnectionTest, AConnectionIsUsedAgainOnlyAfterAReplyThatEndedWithNothingAfterIt) {
    for (const auto& [reply, connections] : std::vector<std::pair<QByteArray, int>>{
             {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK", 1},
             {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK and more", 2},
             {"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nOK", 2},
         }) {
        RawReplyServer server(reply, RawReplyServer::Writes::Whole,
                              RawReplyServer::After::KeepOpen);
        server.start();
        for (int load = 0; load < 2; ++load) {
            auto recorder = std::make_shared<Recorder>();
            ASSERT_TRUE(this->load(ns::URLRequest(server.url()), recorder));
            EXPECT_FALSE(recorder->error) << reply.toStdString();
            EXPECT_EQ(recorder->body(), "OK");
        }
        EXPECT_EQ(server.connections(), connections) << reply.toStdString();
    }

    // A kept connection the server closes without a byte as the next request goes: that
    // request goes again, once, on a new connection.
    RawReplyServer dropping("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOK",
                            RawReplyServer::Writes::Whole,
                            RawReplyServer::After::DropTheNextRequest);
    dropping.start();
    for (int load = 0; load < 2; ++load) {
        auto recorder = std::make_shared<Recorder>();
        ASSERT_TRUE(this->load(ns::URLRequest(dropping.url()), recorder));
        EXPECT_FALSE(recorder->error) << load;
        EXPECT_EQ(recorder->body(), "OK");
    }
    EXPECT_EQ(dropping.connections(), 2);
    EXPECT_EQ(dropping.requests(), 3);
}
