// The stand-in server program, driven by a plain HTTP client and raw sockets.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/MessagingServer.h"
#include "standin/StandinServer.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using standin::FaultRule;
using standin::StreamSettings;
namespace paths = standin::paths;

namespace {

QJsonObject jsonOfBody(const std::string& body) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
}

// Sends `request` as it stands and returns every byte that comes back until the server
// closes the connection, or until `most` bytes came when that is not negative.
QByteArray rawExchange(int port, const QByteArray& request, qsizetype most = -1) {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray reply;
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(sock, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) ==
            request.size()) {
        char buffer[4096];
        ssize_t received = 0;
        while ((most < 0 || reply.size() < most) &&
               (received = ::recv(sock, buffer, sizeof buffer, 0)) > 0) {
            reply.append(buffer, static_cast<qsizetype>(received));
        }
    }
    ::close(sock);
    return reply;
}

// The data of each whole chunk of a chunked body, in order, up to its last chunk or the
// first chunk cut off.
QList<QByteArray> chunksOf(const QByteArray& body) {
    QList<QByteArray> chunks;
    for (qsizetype at = 0;;) {
        const qsizetype lineEnd = body.indexOf("\r\n", at);
        if (lineEnd < 0) break;
        bool ok = false;
        const qsizetype size = body.mid(at, lineEnd - at).toLongLong(&ok, 16);
        if (!ok || size == 0 || lineEnd + 2 + size + 2 > body.size()) break;
        chunks << body.mid(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
    return chunks;
}

// What came back on a connection, and whether the server closed it (rather than a minute
// passing without a byte).
struct Exchange {
    QByteArray reply;
    bool closed = false;
};

// How a client reads the reply: at once and to its end, or only after a pause and at most so
// many bytes (a small receive buffer then holds little of what the server wrote meanwhile).
struct Reading {
    std::chrono::milliseconds pause{0};
    qsizetype most = -1;
};

// Connects, then sends `parts` with `pause` between them, and reads what comes back.
Exchange pausedExchange(int port, const QList<QByteArray>& parts, std::chrono::milliseconds pause,
                        Reading reading = {}) {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval minute{60, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &minute, sizeof minute);
    if (reading.most >= 0) {
        const int smallBuffer = 64 * 1024;
        ::setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &smallBuffer, sizeof smallBuffer);
    }
    Exchange exchange;
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        for (const QByteArray& part : parts) {
            if (&part != &parts.front()) std::this_thread::sleep_for(pause);
            ::send(sock, part.constData(), static_cast<size_t>(part.size()), MSG_NOSIGNAL);
        }
        std::this_thread::sleep_for(reading.pause);
        QByteArray buffer(64 * 1024, Qt::Uninitialized);
        ssize_t received = 0;
        while ((reading.most < 0 || exchange.reply.size() < reading.most) &&
               (received = ::recv(sock, buffer.data(), static_cast<size_t>(buffer.size()), 0)) >
                   0) {
            exchange.reply.append(buffer.constData(), static_cast<qsizetype>(received));
        }
        exchange.closed = received == 0;
    }
    ::close(sock);
    return exchange;
}

QByteArray bodyOf(const QByteArray& rawReply) {
    return rawReply.mid(rawReply.indexOf("\r\n\r\n") + 4);
}

// The body bytes of the app's picture upload, boundary B.
QByteArray appUploadBody(const QByteArray& file) {
    return "\r\n--B\r\nContent-Disposition: form-data; name=\"jsonArgs\";\r\n\r\n"
           "{\"imageCount\":\"1\"}\r\n--B\r\n"
           "\r\n--B\r\nContent-Disposition: form-data; name=\"image\"; "
           "filename=\"imageName.jpg\"\r\nContent-Type: image/pjpeg\r\n\r\n" +
           file + "\r\n--B\r\n";
}

}  // namespace

class StandinServerTest : public StandinFixture {
protected:
    httplib::Client client() { return standinClient(server().port()); }

    httplib::Result call(const QByteArray& interface, const std::string& path = paths::kDataShare,
                         const std::string& body = {}) {
        return client().Post(path, {{"interface", interface.toStdString()}}, body,
                             "application/x-www-form-urlencoded");
    }

    // The chunks of a streaming receive, each as the client got it, and whether the reply
    // ended properly.
    std::pair<std::vector<std::string>, bool> readStream(size_t stopAfter = SIZE_MAX) {
        std::vector<std::string> chunks;
        auto result = client().Get(std::string(paths::kStreamReceive) + "?userid=7",
                                   [&](const char* data, size_t length) {
                                       chunks.emplace_back(data, length);
                                       return chunks.size() < stopAfter;
                                   });
        return {chunks, result && result->status == 200};
    }
};

TEST_F(StandinServerTest, EchoReturnsTheRequestAsReceived) {
    const QByteArray body = "jsonArgs={\"city\":\"上海\"}";
    const QByteArray request =
        "POST /datashare/?b=x%20y&a[]=1 HTTP/1.1\r\n"
        "Host: 127.0.0.1\r\n"
        "customerId: 710\r\n"
        "interface: echo\r\n"
        "Zeta: last-in-the-alphabet\r\n"
        "alpha: first\r\n"
        "Accept-Encoding: gzip\r\n"
        "Connection: close\r\n"
        "Content-Length: " +
        QByteArray::number(body.size()) + "\r\n\r\n" + body;
    const QByteArray reply = rawExchange(server().port(), request);
    ASSERT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
    EXPECT_FALSE(reply.contains("Content-Encoding")) << "compressed only when switched on";
    const QJsonObject echo = QJsonDocument::fromJson(bodyOf(reply)).object();
    EXPECT_EQ(echo["method"].toString(), "POST");
    EXPECT_EQ(echo["path"].toString(), "/datashare/");
    EXPECT_EQ(echo["query"].toString(), "b=x%20y&a[]=1");
    EXPECT_EQ(echo["body"].toString(), QString::fromUtf8(body));
    const QJsonArray headers = echo["headers"].toArray();
    const QStringList expected{"Host",  "customerId",      "interface",  "Zeta",
                               "alpha", "Accept-Encoding", "Connection", "Content-Length"};
    ASSERT_EQ(headers.size(), expected.size());
    for (int i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i].toArray()[0].toString(), expected[i]);
    }
    EXPECT_EQ(headers[3].toArray()[1].toString(), "last-in-the-alphabet");
}

// A busy machine may run a test's client seconds late: a connection that is slow to bring its
// request, or the rest of it, or to read the reply, is waited for rather than dropped for the
// machine's pace, while a connection left idle after its request is still let go after the
// keep-alive time.
TEST_F(StandinServerTest, AClientSlowToSendOrToReadIsWaitedForAndAnIdleOneLetGo) {
    const QByteArray request =
        "GET /datashare/ HTTP/1.1\r\nHost: 127.0.0.1\r\ninterface: echo\r\n"
        "Content-Length: 0\r\n\r\n";
    const QByteArray closing = QByteArray(request).replace("Host:", "Connection: close\r\nHost:");
    // Past the keep-alive time and the read and write time-outs the server library has by
    // default (5 s).
    constexpr std::chrono::milliseconds kPause{5500};
    // A reply that goes on for as long as the client reads: what the server could write before
    // the client read anything fills the connection's buffers, a few megabytes at most.
    server().setFault({.prefix = "/echo/slow-reader", .endless = true, .times = 1});
    const int port = server().port();
    auto late = std::async(std::launch::async, [&] {
        return pausedExchange(port, {{}, closing}, kPause);
    });
    auto halting = std::async(std::launch::async, [&] {
        return pausedExchange(port, {closing.left(20), closing.mid(20)}, kPause);
    });
    auto idle = std::async(std::launch::async, [&] { return pausedExchange(port, {request}, {}); });
    constexpr qsizetype kPastTheBuffers = 16 * 1024 * 1024;
    auto slowReader = std::async(std::launch::async, [&] {
        return pausedExchange(
            port,
            {"GET /echo/slow-reader HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"}, {},
            {.pause = kPause, .most = kPastTheBuffers});
    });
    EXPECT_TRUE(late.get().reply.startsWith("HTTP/1.1 200")) << "sent seconds after connecting";
    EXPECT_TRUE(halting.get().reply.startsWith("HTTP/1.1 200")) << "sent in two parts";
    const Exchange slow = slowReader.get();
    EXPECT_TRUE(slow.reply.startsWith("HTTP/1.1 200"));
    EXPECT_GE(slow.reply.size(), kPastTheBuffers) << "read seconds after it was asked for";
    const Exchange answered = idle.get();
    EXPECT_TRUE(answered.reply.startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(answered.closed) << "an idle connection is let go well within the minute";
}

TEST_F(StandinServerTest, DataShareDispatchesOnTheInterfaceHeader) {
    auto ping = call("ping");
    ASSERT_TRUE(ping);
    EXPECT_EQ(jsonOfBody(ping->body), (QJsonObject{{"status", 0}, {"data", "pong"}}));

    auto unknown = call("NoSuchCall");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 200);
    EXPECT_EQ(jsonOfBody(unknown->body)["status"].toInt(), -1);
    EXPECT_TRUE(jsonOfBody(unknown->body)["errDetail"].toString().contains("NoSuchCall"));

    auto headerless = client().Post(paths::kDataShare, "", "text/plain");
    ASSERT_TRUE(headerless);
    EXPECT_EQ(jsonOfBody(headerless->body)["status"].toInt(), -1);
}

TEST_F(StandinServerTest, EveryServerAnswersUnderItsPrefix) {
    auto users = call("LoginOut", "/users/logout");
    ASSERT_TRUE(users);
    EXPECT_EQ(jsonOfBody(users->body), (QJsonObject{{"status", 0}, {"errDetail", ""}}));
    EXPECT_FALSE(users->has_header("Token"));
    auto push = call("PushSettingSync", paths::kPush);
    ASSERT_TRUE(push);
    EXPECT_EQ(jsonOfBody(push->body)["status"].toInt(), 0);
    auto backend = call("GetUserStatuss", paths::kBackend, "jsonArgs={}");
    ASSERT_TRUE(backend);
    EXPECT_EQ(jsonOfBody(backend->body)["params"].toObject()["errorno"].toInt(), 0);
    auto log = client().Post("/log/ClientLog.ashx", "record", "application/octet-stream");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->status, 200);
    auto nowhere = client().Get("/elsewhere");
    ASSERT_TRUE(nowhere);
    EXPECT_EQ(nowhere->status, 404);

    const auto logs = server().requests(paths::kLog);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].body, "record");
}

TEST_F(StandinServerTest, EachLogonGetsHeadersOfItsOwn) {
    auto first = call("userLogin", "/users/login");
    auto second = call("userLogin", "/users/login");
    ASSERT_TRUE(first && second);
    for (const char* name : {"Token", "Sessionid", "LoginId", "wapSessionId", "LoginName"}) {
        EXPECT_TRUE(first->has_header(name)) << name;
        EXPECT_NE(first->get_header_value(name), second->get_header_value(name)) << name;
    }
}

TEST_F(StandinServerTest, MessageApiAnswersTheShortCalls) {
    const std::string api = paths::kMessageApi;
    auto sent = client().Post(api + "?op=sendmsg&userId=5&mobileType=710&tovik_uuid=k&domain=kbw",
                              R"({"fromUser":{"id":"5","name":"me"},"toUser":{"id":"9"}})",
                              "application/x-www-form-urlencoded");
    ASSERT_TRUE(sent);
    const QJsonObject data = jsonOfBody(sent->body)["data"].toObject();
    EXPECT_GT(data["msg"].toObject()["id"].toInteger(), 0);
    EXPECT_GT(data["msg"].toObject()["updateTime"].toInteger(), 0);
    EXPECT_EQ(data["fromUser"].toObject()["name"].toString(), "me");
    EXPECT_EQ(data["toUser"].toObject()["id"].toString(), "9");
    EXPECT_TRUE(data["toUser"].toObject().contains("picUrl"));

    auto offline = client().Get(api + "?op=getnotrecvmsgs&userId=5&channel=0");
    ASSERT_TRUE(offline);
    EXPECT_GT(jsonOfBody(offline->body)["requestTime"].toInteger(), 0);
    EXPECT_TRUE(jsonOfBody(offline->body)["data"].isArray());

    auto ack = client().Get(api + "?op=ackrecvmsg&talkId=9-5&msgIds=1,2&channel=0");
    ASSERT_TRUE(ack);
    EXPECT_EQ(jsonOfBody(ack->body)["params"].toObject()["errorno"].toInt(), 0);

    auto unknown = client().Get(api + "?op=nothing");
    ASSERT_TRUE(unknown);
    EXPECT_TRUE(jsonOfBody(unknown->body).contains("error_msg"));
}

// A broker's picture or voice written through the control call without a root is a whole
// address on this server, which serves it; a root given is kept.
TEST_F(StandinServerTest, WrittenPicturesAndVoicesAreWholeAddressesItServes) {
    for (const char* kind : {"picture", "voice"}) {
        auto written = client().Post(
            "/__control/im/write",
            QStringLiteral(R"({"to": 77, "kind": "%1"})").arg(QLatin1String(kind)).toStdString(),
            "application/json");
        ASSERT_TRUE(written);
        EXPECT_EQ(written->status, 200);
    }
    ASSERT_EQ(client()
                  .Post("/__control/im/write",
                        R"({"to": 78, "kind": "picture", "root": "http://h"})", "application/json")
                  ->status,
              200);
    const std::string api = paths::kMessageApi;
    const auto offline = client().Get(api + "?op=getnotrecvmsgs&userId=77&channel=0");
    ASSERT_TRUE(offline);
    const QString body = QString::fromStdString(offline->body);
    const QString root = server().root();
    for (const QString& path :
         {QStringLiteral("/img/chat/1.jpg"), QStringLiteral("/img/test/voice.amr")}) {
        EXPECT_TRUE(body.contains(root + path)) << offline->body;
        const auto served = client().Get(path.toStdString());
        ASSERT_TRUE(served);
        EXPECT_EQ(served->status, 200) << path.toStdString();
    }
    EXPECT_FALSE(body.contains("\"pic_url\":\"/img")) << "no root-relative path";
    const auto given = client().Get(api + "?op=getnotrecvmsgs&userId=78&channel=0");
    ASSERT_TRUE(given);
    EXPECT_NE(given->body.find("http://h/img/chat/1.jpg"), std::string::npos) << given->body;
}

// A written message says the text asked for, a broker's sentence when none is, or that text
// cut to so many bytes of UTF-8, never inside a character: one that does not fit whole is left
// out. Contents written as text stand in the packet as they are.
TEST_F(StandinServerTest, AWrittenMessageSaysWhatItWasAskedToSayAsItWasAsked) {
    int user = 90;
    // The body of the offline fetch of a new user to whom the order was written.
    const auto fetched = [&](const QJsonObject& order) {
        QJsonObject addressed = order;
        addressed.insert("to", ++user);
        const auto sent =
            client().Post("/__control/im/write", QJsonDocument(addressed).toJson().toStdString(),
                          "application/json");
        EXPECT_TRUE(sent && sent->status == 200);
        const auto offline =
            client().Get(std::string(paths::kMessageApi) +
                         "?op=getnotrecvmsgs&channel=0&userId=" + std::to_string(user));
        return offline ? QByteArray::fromStdString(offline->body) : QByteArray();
    };
    const auto written = [&](const QJsonObject& order) {
        return QJsonDocument::fromJson(fetched(order))["data"][0]["msgs"][0]["contents"][0]
            .toString();
    };
    EXPECT_EQ(written({{"text", "有空吗"}}), "有空吗");
    EXPECT_EQ(written({}), "您好，这套房子还在，欢迎来看房。");
    EXPECT_EQ(written({{"text", ""}}), "您好，这套房子还在，欢迎来看房。");
    // A number longer than any a double holds, which only the text can carry whole.
    const QByteArray digits = "[123456789012345678901234567890]";
    EXPECT_TRUE(fetched({{"contentsText", QString::fromLatin1(digits)}})
                    .contains("\"contents\":" + digits));
    EXPECT_EQ(written({{"textBytes", 9}}), "长长长");
    EXPECT_EQ(written({{"textBytes", 11}}), "长长长");
    EXPECT_EQ(written({{"text", "ab长"}, {"textBytes", 9}}), "ab长ab");
    EXPECT_EQ(written({{"text", "ab长"}, {"textBytes", 12}}), "ab长ab长ab");
    EXPECT_EQ(written({{"text", "长"}, {"textBytes", 2}}), "");
}

// A message written with a delay is kept from the user's fetches until then, though sent.
TEST_F(StandinServerTest, AMessageWrittenWithADelayIsNotFetchedBeforeItsTime) {
    const auto sent = client().Post("/__control/im/write", R"({"to": 80, "delayMs": 3600000})",
                                    "application/json");
    ASSERT_TRUE(sent && sent->status == 200);
    const auto offline =
        client().Get(std::string(paths::kMessageApi) + "?op=getnotrecvmsgs&channel=0&userId=80");
    ASSERT_TRUE(offline);
    EXPECT_TRUE(jsonOfBody(offline->body)["data"].toArray().isEmpty()) << offline->body;
    const auto messages = client().Get("/__control/im/messages?to=80");
    ASSERT_TRUE(messages);
    EXPECT_EQ(jsonOfBody(messages->body)["unacknowledged"].toArray().size(), 1);
}

// A write that names no user goes to the user whose app opened a stream last, and is refused
// while no app has opened one.
TEST_F(StandinServerTest, AWriteWithoutAUserGoesToTheAppThatOpenedAStreamLast) {
    const auto refused =
        client().Post("/__control/im/write", R"({"text": "您好"})", "application/json");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_EQ(readStream(1).first.size(), 1u) << "user 7's stream opened";
    const auto written =
        client().Post("/__control/im/write", R"({"text": "您好"})", "application/json");
    ASSERT_TRUE(written);
    ASSERT_EQ(written->status, 200);
    const auto sent = client().Get("/__control/im/messages?to=7");
    ASSERT_TRUE(sent);
    EXPECT_EQ(jsonOfBody(sent->body)["sent"].toArray().size(), 1) << sent->body;
}

TEST_F(StandinServerTest, RecordsRequestsWithTheirWireHeadersUntilReset) {
    const QByteArray request =
        "PUT /push/x?q=%E4%B8%8A HTTP/1.1\r\nHost: h\r\n"
        "X-Mixed-Case: V\r\ncontentformat: bin\r\n"
        "Connection: close\r\nContent-Length: 3\r\n\r\nabc";
    ASSERT_FALSE(rawExchange(server().port(), request).isEmpty());
    ASSERT_TRUE(call("ping"));

    auto all = server().requests();
    ASSERT_EQ(all.size(), 2u) << "control calls are not recorded";
    const auto& put = all[0];
    EXPECT_EQ(put.index, 1);
    EXPECT_EQ(put.method, "PUT");
    EXPECT_EQ(put.target, "/push/x?q=%E4%B8%8A");
    EXPECT_EQ(put.path, "/push/x");
    EXPECT_EQ(put.query, "q=%E4%B8%8A");
    EXPECT_EQ(put.headerNames(), (QList<QByteArray>{"Host", "X-Mixed-Case", "contentformat",
                                                    "Connection", "Content-Length"}));
    EXPECT_EQ(put.header("x-mixed-case"), "V");
    EXPECT_EQ(put.body, "abc");
    EXPECT_EQ(all[1].header("interface"), "ping");
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 1u);

    server().reset();
    EXPECT_TRUE(server().requests().empty());
    ASSERT_TRUE(call("ping"));
    ASSERT_EQ(server().requests().size(), 1u);
    EXPECT_EQ(server().requests()[0].index, 1);
}

TEST_F(StandinServerTest, StreamSendsOneSegmentPerChunkThenEnds) {
    const QByteArray a = StreamSettings::segment("recvMsg", R"({"msgs":[]})");
    const QByteArray b = StreamSettings::segment("command", "{}");
    const QByteArray c = StreamSettings::segment("recvHeartbeatMsg", "");
    server().setStream({.segments = {a, b, c}, .count = 3});

    auto [chunks, ended] = readStream();
    EXPECT_TRUE(ended);
    EXPECT_EQ(chunks,
              (std::vector<std::string>{a.toStdString(), b.toStdString(), c.toStdString()}));
    EXPECT_EQ(a, R"(<script>window.parent.QX.webim.cometMgr.recvMsg({"msgs":[]});</script>)");
}

TEST_F(StandinServerTest, StreamGoesOnWithNumberedHeartbeatsAtItsPace) {
    server().setStream({.segments = {"<script>first</script>"}, .count = 4, .heartbeatMs = 40});
    QElapsedTimer elapsed;
    elapsed.start();
    auto [chunks, ended] = readStream();
    EXPECT_GE(elapsed.elapsed(), 3 * 40);
    EXPECT_TRUE(ended);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0], "<script>first</script>");
    EXPECT_EQ(chunks[3], StreamSettings::segment("recvHeartbeatMsg", "4").toStdString());
}

TEST_F(StandinServerTest, EndlessStreamSendsAtOnceAndLetsTheClientLeave) {
    // A pause before the first heartbeat would be this long: no busy machine takes as long.
    constexpr int kPauseMs = int(kStandinWaitSec) * 1000 / 2;
    server().setStream({.heartbeatMs = kPauseMs});
    QElapsedTimer elapsed;
    elapsed.start();
    auto [chunks, ended] = readStream(1);
    EXPECT_LT(elapsed.elapsed(), kPauseMs) << "the first heartbeat does not wait";
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], StreamSettings::segment("recvHeartbeatMsg", "1").toStdString());
    EXPECT_TRUE(call("ping"));
}

TEST_F(StandinServerTest, DelayHoldsTheReplyAndCountsAsAnswering) {
    server().setFault({.prefix = paths::kBackend, .delayMs = 1000});
    EXPECT_EQ(server().answering(), 0);
    QElapsedTimer elapsed;
    elapsed.start();
    std::atomic<bool> replied = false;
    std::thread caller([&] {
        EXPECT_TRUE(call("GetUserStatuss", paths::kBackend));
        replied = true;
    });
    bool seenAnswering = false;
    while (!replied && !seenAnswering) seenAnswering = server().answering() == 1;
    caller.join();
    EXPECT_TRUE(seenAnswering) << "a held reply is work in progress";
    EXPECT_GE(elapsed.elapsed(), 1000);
    EXPECT_EQ(server().answering(), 0);
    EXPECT_EQ(server().requests(paths::kBackend).size(), 1u) << "recorded on arrival";
}

TEST_F(StandinServerTest, AHeldReplyWaitsForItsReleaseAndAResetLetsItGoToo) {
    server().setFault({.prefix = paths::kBackend, .hold = true, .times = 2});
    size_t recorded = 0;
    for (const bool byReset : {false, true}) {
        std::atomic<bool> replied = false;
        std::thread caller([&] {
            const auto result = call("GetUserStatuss", paths::kBackend);
            EXPECT_TRUE(result && result->status == 200);
            replied = true;
        });
        // Recorded is enough: the release counts for it even before its reply starts waiting.
        ++recorded;
        while (server().requests(paths::kBackend).size() != recorded && !replied) {
            std::this_thread::yield();
        }
        // Held: other calls go on meanwhile.
        EXPECT_TRUE(call("ping"));
        EXPECT_FALSE(replied) << "released by reset: " << byReset;
        if (byReset) {
            server().reset();
        } else {
            server().releaseHeld();
        }
        caller.join();
        EXPECT_TRUE(replied);
        EXPECT_EQ(server().answering(), 0);
    }
}

TEST_F(StandinServerTest, ARecordedRequestHasSpentItsShareOfACountedRule) {
    server().setFault({.prefix = paths::kBackend, .hold = true, .times = 1});
    std::atomic<bool> replied = false;
    std::thread caller([&] {
        EXPECT_TRUE(call("GetUserStatuss", paths::kBackend));
        replied = true;
    });
    while (server().requests(paths::kBackend).empty()) std::this_thread::yield();
    // Seen recorded, the first request holds the one hold: the next is answered at once.
    const auto next = call("GetUserStatuss", paths::kBackend);
    EXPECT_TRUE(next && next->status == 200);
    EXPECT_FALSE(replied);
    server().releaseHeld();
    caller.join();
}

TEST_F(StandinServerTest, ForcedStatusKeepsOrReplacesTheBody) {
    server().setFaults({{.prefix = "/datashare/", .status = 404, .body = "nf"},
                        {.prefix = paths::kPush, .status = 201}});
    auto missing = call("ping");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(missing->body, "nf");
    auto created = call("ping", paths::kPush);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->status, 201);
    EXPECT_EQ(jsonOfBody(created->body)["status"].toInt(), 0);
}

TEST_F(StandinServerTest, GarbageIsNeitherJsonNorText) {
    server().setFault({.contentType = "text/html", .garbage = true});
    auto reply = call("ping");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->get_header_value("Content-Type"), "text/html");
    const QByteArray body = QByteArray::fromStdString(reply->body);
    EXPECT_GE(body.size(), 64);
    QJsonParseError error{};
    QJsonDocument::fromJson(body, &error);
    EXPECT_NE(error.error, QJsonParseError::NoError);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(body);
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(utf8.hasError());
}

TEST_F(StandinServerTest, TruncatedReplyPromisesMoreThanItSends) {
    server().setFault({.truncate = true});
    const QByteArray reply = rawExchange(
        server().port(),
        "POST /datashare/ HTTP/1.1\r\nHost: h\r\ninterface: ping\r\nContent-Length: 0\r\n\r\n");
    const QByteArray head = reply.left(reply.indexOf("\r\n\r\n"));
    const qsizetype at = head.indexOf("Content-Length: ") + 16;
    const int promised = head.mid(at, head.indexOf("\r\n", at) - at).toInt();
    const QByteArray body = bodyOf(reply);
    EXPECT_GT(promised, body.size());
    EXPECT_TRUE(QByteArray(R"({"data":"pong","status":0})").startsWith(body));

    EXPECT_FALSE(call("ping")) << "a client sees the reply break off";
}

TEST_F(StandinServerTest, GzipCompressesTheBody) {
    server().setFault({.prefix = paths::kDataShare, .gzip = true});
    auto raw = client();
    raw.set_decompress(false);
    auto compressed = raw.Post(paths::kDataShare, {{"interface", "ping"}}, "", "text/plain");
    ASSERT_TRUE(compressed);
    EXPECT_EQ(compressed->get_header_value("Content-Encoding"), "gzip");
    EXPECT_EQ(compressed->body.substr(0, 2), "\x1f\x8b");
    auto decoded = call("ping");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(jsonOfBody(decoded->body)["data"].toString(), "pong");
    auto elsewhere = call("x", paths::kPush);
    ASSERT_TRUE(elsewhere);
    EXPECT_FALSE(elsewhere->has_header("Content-Encoding"));
}

// After its body an endless reply repeats its text whole, chunk after chunk, on the stream
// too, for as long as the client reads.
TEST_F(StandinServerTest, AnEndlessReplyRepeatsItsTextWholeForAsLongAsTheClientReads) {
    server().setFault(
        {.prefix = paths::kStreamHost, .body = "<script>", .endless = true, .endlessText = "1,2"});
    QByteArray body;
    client().Get(std::string(paths::kStreamReceive) + "?userid=7",
                 [&](const char* data, size_t length) {
                     body.append(data, qsizetype(length));
                     return body.size() < 300 * 1024;  // past four chunks of 64 KB
                 });
    const qsizetype repeated = (body.size() - 8) / 3;
    EXPECT_GE(repeated, 100 * 1024);
    EXPECT_EQ(body.first(8 + 3 * repeated), "<script>" + QByteArray("1,2").repeated(repeated));
    EXPECT_TRUE(call("ping"));

    // Spaces after each repetition, read back from its JSON as a client sets it.
    server().setFault(FaultRule::fromJson(
        QJsonDocument::fromJson(
            R"({"prefix":"/comet","endless":true,"endlessText":"<x>","endlessSpaces":100000})")
            .object()));
    body.clear();
    client().Get(std::string(paths::kStreamReceive) + "?userid=7",
                 [&](const char* data, size_t length) {
                     body.append(data, qsizetype(length));
                     return body.size() < 250 * 1000;
                 });
    const QByteArray once = "<x>" + QByteArray(100000, ' ');
    EXPECT_EQ(body.first(2 * once.size()), once + once);

    // A count below zero is read as none, as no count is.
    for (const char* spaces : {"-1", "-100000", "0"}) {
        const FaultRule rule = FaultRule::fromJson(
            QJsonDocument::fromJson(
                QByteArray(
                    R"({"prefix":"/comet","endless":true,"endlessText":"<x>","endlessSpaces":)") +
                spaces + "}")
                .object());
        EXPECT_EQ(rule.endlessSpaces, 0) << spaces;
        EXPECT_FALSE(rule.toJson().contains("endlessSpaces")) << spaces;
    }
}

// A reply in small chunks, each its own send: the whole body in chunks of the given size, an
// endless one's repetitions too.
TEST_F(StandinServerTest, AReplyInSmallChunksCarriesItsWholeBodyInChunksOfThatSize) {
    server().setFault({.prefix = paths::kDataShare, .chunkBytes = 4});
    const QByteArray pong = R"({"data":"pong","status":0})";
    const QByteArray reply = rawExchange(server().port(),
                                         "POST /datashare/ HTTP/1.1\r\nHost: h\r\ninterface: "
                                         "ping\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    EXPECT_TRUE(bodyOf(reply).endsWith("\r\n0\r\n\r\n")) << "the reply ends";
    const QList<QByteArray> chunks = chunksOf(bodyOf(reply));
    EXPECT_EQ(chunks.size(), (pong.size() + 3) / 4);
    for (const QByteArray& chunk : chunks) EXPECT_LE(chunk.size(), 4) << chunk.toStdString();
    EXPECT_EQ(chunks.join(), pong);

    server().setFault(FaultRule::fromJson(
        QJsonDocument::fromJson(
            R"({"prefix":"/comet","body":"<script>","endless":true,"endlessText":"1,","chunkBytes":1})")
            .object()));
    const QByteArray stream = rawExchange(
        server().port(), "GET /comet/recvmsg?userid=7 HTTP/1.1\r\nHost: h\r\n\r\n", 4096);
    const QList<QByteArray> pieces = chunksOf(bodyOf(stream));
    ASSERT_GE(pieces.size(), 100);
    for (const QByteArray& piece : pieces) EXPECT_EQ(piece.size(), 1);
    const QByteArray text = pieces.join();
    EXPECT_EQ(text, ("<script>" + QByteArray("1,").repeated(pieces.size())).left(text.size()));

    // A size alone on the stream's road turns it into a plain reply too, of its empty body:
    // none of the stream's segments comes, and the reply ends.
    server().setFault({.prefix = paths::kStreamHost, .chunkBytes = 4});
    server().setStream({.count = 5, .heartbeatMs = 0});
    const auto [streamed, ended] = readStream();
    EXPECT_TRUE(streamed.empty()) << streamed.front();
    EXPECT_TRUE(ended);
    server().setFaults({});
    EXPECT_EQ(readStream().first.size(), 5u) << "the same stream without the rule";

    // A size below one is read as none.
    for (const char* size : {"0", "-1"}) {
        const FaultRule rule = FaultRule::fromJson(
            QJsonDocument::fromJson(QByteArray(R"({"endless":true,"chunkBytes":)") + size + "}")
                .object());
        EXPECT_EQ(rule.chunkBytes, 0) << size;
        EXPECT_FALSE(rule.toJson().contains("chunkBytes")) << size;
    }
}

TEST_F(StandinServerTest, StreamBreaksOffAfterTheGivenChunks) {
    server().setFault({.prefix = paths::kStreamHost, .dropAfterChunks = 2});
    server().setStream({.count = 5, .heartbeatMs = 0});
    auto [chunks, ended] = readStream();
    EXPECT_EQ(chunks.size(), 2u);
    EXPECT_FALSE(ended);
}

TEST_F(StandinServerTest, LongestPrefixWinsAndSpentRulesStepAside) {
    server().setFaults(
        {{.prefix = "", .status = 500}, {.prefix = paths::kUsers, .status = 403, .times = 1}});
    EXPECT_EQ(call("a", "/users/a")->status, 403);
    EXPECT_EQ(call("a", "/users/a")->status, 500);
    EXPECT_EQ(call("a", paths::kPush)->status, 500);
    server().reset();
    EXPECT_EQ(call("a", "/users/a")->status, 200);
}

// Of rules with prefixes of one length the first listed applies, until it is spent.
TEST_F(StandinServerTest, OfRulesWithPrefixesOfOneLengthTheFirstListedApplies) {
    server().setFaults({{.prefix = paths::kUsers, .status = 403, .times = 1},
                        {.prefix = paths::kUsers, .status = 404},
                        {.prefix = paths::kUsers, .status = 418}});
    EXPECT_EQ(call("a", "/users/a")->status, 403);
    EXPECT_EQ(call("a", "/users/a")->status, 404);
    EXPECT_EQ(call("a", "/users/a")->status, 404);
}

// A rule that names the beginning of a query is spent only by the calls it names: an
// acknowledgement on the fetch's path, which may come first, leaves the fetch's rule to it.
TEST_F(StandinServerTest, ARuleWithAQueryAppliesOnlyToTheCallsItNames) {
    const std::string api = paths::kMessageApi;
    server().setFaults({{.prefix = QByteArray(paths::kMessageApi) + "?op=getnotrecvmsgs",
                         .status = 503,
                         .times = 1}});
    EXPECT_EQ(client().Get(api + "?op=ackrecvmsg&talkId=9-5&msgIds=1&channel=0")->status, 200);
    EXPECT_EQ(client().Get(api + "?op=getnotrecvmsgs&userId=5&channel=0")->status, 503);
    EXPECT_EQ(client().Get(api + "?op=getnotrecvmsgs&userId=5&channel=0")->status, 200);
}

TEST_F(StandinServerTest, ControlRefusesWhatItCannotRead) {
    EXPECT_EQ(client().Post("/__control/faults", "nope", "application/json")->status, 400);
    EXPECT_EQ(client().Post("/__control/stream", "[]", "application/json")->status, 400);
    EXPECT_EQ(client().Get("/__control/nothing")->status, 404);
}

TEST_F(StandinServerTest, TheAppsUploadIsStoredAndServed) {
    const QByteArray picture("\xff\xd8 not really a picture \x00\xff\xd9", 28);
    auto reply =
        client().Post(paths::kDataShare, {{"interface", "UploadImages"}, {"QxData-Version", "1.0"}},
                      appUploadBody(picture).toStdString(), "multipart/form-data; boundary=\"B\"");
    ASSERT_TRUE(reply);
    const QJsonObject result = jsonOfBody(reply->body);
    EXPECT_EQ(result["status"].toInt(), 0);
    const QString url = result["data"].toString();
    ASSERT_TRUE(url.startsWith(server().root() + paths::kUploads)) << url.toStdString();
    EXPECT_TRUE(url.endsWith(".jpg"));

    auto stored = client().Get(url.mid(server().root().size()).toStdString());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, 200);
    EXPECT_EQ(stored->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(QByteArray::fromStdString(stored->body), picture);
    EXPECT_EQ(server().requests(paths::kDataShare)[0].body, appUploadBody(picture));
}

TEST_F(StandinServerTest, StandardFormUploadsWorkAndMalformedOnesAreRefused) {
    const std::string voice =
        "--v\r\nContent-Disposition: form-data; name=\"image\"; filename=\"imageName.amr\"\r\n"
        "Content-Type: audio/amr\r\n\r\n#!AMR\n\r\n--v--\r\n";
    auto reply = client().Post(paths::kDataShare, {{"interface", "UploadImages"}}, voice,
                               "multipart/form-data; boundary=v");
    ASSERT_TRUE(reply);
    const QString url = jsonOfBody(reply->body)["data"].toString();
    EXPECT_TRUE(url.endsWith(".amr"));
    EXPECT_EQ(client()
                  .Get(url.mid(server().root().size()).toStdString())
                  ->get_header_value("Content-Type"),
              "audio/amr");

    for (const auto& [type, body] : std::vector<std::pair<std::string, std::string>>{
             {"multipart/form-data", voice},
             {"multipart/form-data; boundary=v", "garbage"},
             {"multipart/form-data; boundary=v", voice.substr(0, 60)}}) {
        auto refused =
            client().Post(paths::kDataShare, {{"interface", "UploadImages"}}, body, type);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 400) << type << " / " << body;
    }
}

TEST_F(StandinServerTest, ImageHostServesTheSamplePictures) {
    auto png = client().Get("/img/test/red.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->get_header_value("Content-Type"), "image/png");
    const QImage red = QImage::fromData(QByteArray::fromStdString(png->body), "PNG");
    EXPECT_EQ(red.size(), QSize(8, 8));
    EXPECT_EQ(red.pixelColor(3, 3), QColor(255, 0, 0));

    auto jpeg = client().Get("/img/test/blue.jpg");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(jpeg->body)).size(), QSize(16, 12));

    EXPECT_EQ(client().Get("/img/test/none.png")->status, 404);
    EXPECT_EQ(client().Get("/img/%2e%2e/%2e%2e/etc/passwd")->status, 404);
    EXPECT_EQ(client().Get("/img/test")->status, 404);

    // Few bytes for many pixels, through the control call as a test program sends it; a
    // missing picture stays missing.
    ASSERT_EQ(client()
                  .Post("/__control/faults", R"({"prefix":"/img/test/","picture":[5000,5000]})",
                        "application/json")
                  ->status,
              200);
    auto flat = client().Get("/img/test/blue.jpg");
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->status, 200);
    EXPECT_EQ(flat->get_header_value("Content-Type"), "image/png");
    EXPECT_LT(flat->body.size(), 100'000u);
    QBuffer bytes;
    bytes.setData(QByteArray::fromStdString(flat->body));
    EXPECT_EQ(QImageReader(&bytes).size(), QSize(5000, 5000));
    EXPECT_EQ(client().Get("/img/test/none.png")->status, 404);

    // Of palette or grey pixels (the header's colour type, byte 25), interlaced or not; a GIF
    // of frames of a size asked for.
    const auto served = [&](const char* rule) {
        EXPECT_EQ(client().Post("/__control/faults", rule, "application/json")->status, 200);
        return QByteArray::fromStdString(client().Get("/img/test/blue.jpg")->body);
    };
    const QByteArray palette =
        served(R"({"prefix":"/img/test/","picture":[300,200],"pixels":"palette"})");
    EXPECT_EQ(palette[25], 3);
    EXPECT_EQ(QImage::fromData(palette).pixel(299, 199), qRgb(120, 170, 210));
    const QByteArray grey =
        served(R"({"prefix":"/img/test/","picture":[300,200],"pixels":"grey","interlaced":true})");
    EXPECT_EQ(grey[25], 0);
    EXPECT_EQ(grey[28], 1);
    EXPECT_EQ(QImage::fromData(grey).size(), QSize(300, 200));
    const QByteArray gif =
        served(R"({"prefix":"/img/test/","picture":[64,48],"gifFrames":1,"gifFrame":[16,12]})");
    // The frame's width and height after the header, the colour table, the looping and the
    // frame's control blocks and its place.
    EXPECT_EQ(gif.mid(51, 4), QByteArray("\x10\x00\x0c\x00", 4));
    EXPECT_TRUE(gif.endsWith("\x00\x3b")) << "the frame's end, then the trailer";
    const QImage frame = QImage::fromData(gif);
    ASSERT_EQ(frame.size(), QSize(64, 48));
    EXPECT_EQ(frame.pixel(15, 11), qRgb(120, 170, 210));
    // Cut off after its frame, as a download that stopped: the same bytes but the trailer.
    const QByteArray cut = served(
        R"({"prefix":"/img/test/","picture":[64,48],"gifFrames":1,"gifFrame":[16,12],"gifCut":true})");
    EXPECT_EQ(cut, gif.chopped(1));
    const auto listed =
        QJsonDocument::fromJson(QByteArray::fromStdString(client().Get("/__control/faults")->body));
    EXPECT_TRUE(listed.array().at(0)["gifCut"].toBool());
}

// The same server run inside the test process, steered from C++.
// A client keeps the messages it received by their ids, so a server restarted for the same
// client gives none of the ids it gave before.
TEST(StandinInProcessTest, KeptMessageIdsGoOnAfterARestart) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("messages.json");
    {
        standin::MessagingServer first;
        ASSERT_TRUE(first.keepIn(file)) << "no file yet: ids from 1";
        EXPECT_EQ(first.write(QJsonObject{{"to", 5}}), QList<qint64>{1});
        EXPECT_EQ(first.write(QJsonObject{{"to", 5}, {"count", 2}}), (QList<qint64>{2, 3}));
    }
    standin::MessagingServer again;
    ASSERT_TRUE(again.keepIn(file));
    EXPECT_EQ(again.write(QJsonObject{{"to", 5}}), QList<qint64>{4});

    QFile broken(folder.filePath("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("[4");
    broken.close();
    standin::MessagingServer refused;
    EXPECT_FALSE(refused.keepIn(broken.fileName()));
}

// The messages of a begun answer come back from the file as it writes them; an entry that is
// no such message makes the file refused whole, as one that is no JSON is.
TEST(StandinInProcessTest, KeptAnswersAreReadBackAndAnythingElseRefused) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QJsonObject packet{{"user", "5"},
                             {"ids", QJsonArray{"7"}},
                             {"talks", QJsonArray{"880001-5", "5-880001"}},
                             {"notBefore", "0"},
                             {"answer", "need 1 from 880001"},
                             {"body", QJsonObject{{"msgs", QJsonArray()}}},
                             {"text", R"({"msgs":[]})"}};
    const auto kept = [&](const QString& name, const QJsonValue& answers) {
        const QString file = folder.filePath(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(
            QJsonDocument(QJsonObject{{"lastMessageId", "7"}, {"answers", answers}}).toJson());
        return file;
    };
    standin::MessagingServer server;
    ASSERT_TRUE(server.keepIn(kept("honest.json", QJsonArray{packet})));
    const auto listed = server.control("im/messages", "GET", "to=5", {});
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->second["unacknowledged"].toArray(), QJsonArray{7});
    EXPECT_TRUE(listed->second["sent"].toArray().isEmpty()) << "written by the run before";
    EXPECT_EQ(server.write(QJsonObject{{"to", 5}}), QList<qint64>{8});

    const std::vector<std::pair<QString, QJsonValue>> broken{{"user", "0"},
                                                             {"ids", QJsonArray()},
                                                             {"ids", QJsonArray{"0"}},
                                                             {"talks", QJsonArray{"880001-5"}},
                                                             {"answer", ""},
                                                             {"text", ""}};
    for (const auto& [field, value] : broken) {
        QJsonObject wrong = packet;
        wrong.insert(field, value);
        standin::MessagingServer refused;
        EXPECT_FALSE(refused.keepIn(kept("broken.json", QJsonArray{wrong}))) << field.toStdString();
    }
    standin::MessagingServer refused;
    EXPECT_FALSE(refused.keepIn(kept("broken.json", 5))) << "answers that are no list";
}

// A server stopped right after it started, before its listening thread began to listen, stops
// all the same (a test that starts a server and finds nothing to ask it).
TEST(StandinInProcessTest, AServerStoppedRightAfterItsStartStops) {
    std::promise<void> stopped;
    std::future<void> done = stopped.get_future();
    std::thread cycles([&stopped] {
        for (int n = 0; n < 20; ++n) {
            standin::StandinServer server;
            if (server.start() > 0) server.stop();
        }
        stopped.set_value();
    });
    if (done.wait_for(std::chrono::seconds(kStandinWaitSec)) != std::future_status::ready) {
        // Left hanging, it goes with the test program.
        cycles.detach();
        FAIL() << "a stop right after the start left the server listening";
    }
    cycles.join();
}

TEST(StandinInProcessTest, TakesFaultsAndGivesRecordsFromCpp) {
    standin::StandinServer server;
    const int port = server.start();
    ASSERT_GT(port, 0);
    auto http = standinClient(port);
    server.setFaults({{.prefix = paths::kPush, .status = 418}});
    EXPECT_EQ(http.Post(paths::kPush, "", "text/plain")->status, 418);
    EXPECT_EQ(http.Post(paths::kUsers, "", "text/plain")->status, 200);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests(paths::kPush).size(), 1u);
    EXPECT_EQ(server.faults().size(), 1u);

    server.reset();
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(http.Post(paths::kPush, "", "text/plain")->status, 200);
    server.stop();
}
