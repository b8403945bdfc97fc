#include "net/transport/QXHttpConnect.h"
#include "net/transport/QXNetWorkData.h"

#include "net/QXNetDefaultContext.h"

#include "platform/foundation/network_thread.h"

#include "StandinFixture.h"

#include <QRegularExpression>

namespace paths = standin::paths;

namespace {

// What the three actions of a connection were handed.
struct Actions {
    struct Call {
        QString action;
        QVariant result;
        QVariant info;
    };
    std::vector<Call> calls;
    std::shared_ptr<int> target = std::make_shared<int>(0);

    void attach(QXHttpConnect& connection) {
        auto record = [this](const QString& name) {
            return [this, name](const QVariant& result, const QVariant& info) {
                calls.push_back({name, result, info});
            };
        };
        connection.setTarget(target, record("success"), record("failed"), record("timeout"));
    }
};

struct NetworkListener : QXNetWorkDataDelegate {
    void networkData(QXNetWorkData&, int successful, const QString& statusString) override {
        results.emplace_back(successful, statusString);
    }
    std::vector<std::pair<int, QString>> results;
};

}  // namespace

class QXHttpConnectTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        context_->setConnectionReachabil(true);
        QXNetContext::install(context_);
    }
    void TearDown() override {
        connection_->cancelConnection();
        settle();
        QXNetContext::install(nullptr);
        StandinFixture::TearDown();
    }

    bool waitForCalls(std::size_t count) {
        const bool done = runMainLoopUntil([&] { return actions_.calls.size() >= count; });
        settle();
        return done;
    }
    void settle() {
        for (int round = 0; round < 3; ++round) ns::NetworkThread::shared().sync([] {});
        drainMainLoop();
    }
    void start(const QString& path, const QVariant& info = QVariant()) {
        connection_->preCreateConnectRequestWithURL(server().url(path));
        connection_->startCreatedConnectWithFurtherInfo(info);
    }

    std::shared_ptr<QXNetDefaultContext> context_;
    std::shared_ptr<QXHttpConnect> connection_ = std::make_shared<QXHttpConnect>();
    Actions actions_;
};

TEST_F(QXHttpConnectTest, TheWholeBodyComesAsBytesOrAsItsDecodedTree) {
    actions_.attach(*connection_);
    connection_->preCreateConnectRequestWithURL(server().url("/echo/plain"));
    connection_->setHttpMethod("POST");
    connection_->setHttpHeader({{"interface", "x"}, {"customerId", "710"}});
    connection_->setHttpBody("a=1");
    connection_->startCreatedConnectWithFurtherInfo(QString("info"));
    EXPECT_TRUE(connection_->isRequesting());
    ASSERT_TRUE(waitForCalls(1));
    ASSERT_EQ(actions_.calls[0].action, "success");
    EXPECT_EQ(actions_.calls[0].info, QVariant("info"));
    const QByteArray bytes = actions_.calls[0].result.toByteArray();
    EXPECT_TRUE(bytes.contains("\"body\":\"a=1\"")) << bytes.toStdString();
    EXPECT_EQ(connection_->reponseStatusCode(), 200);
    EXPECT_FALSE(connection_->isRequesting());
    EXPECT_EQ(server().requests(paths::kEcho)[0].header("customerId"), "710");

    // Decoded whole: a tree; a body that is not JSON gives no tree, and no failure.
    connection_->setJsonEncode(true);
    connection_->setGzipEncode(true);
    server().setFault({.prefix = paths::kEcho, .gzip = true, .times = 1});
    start("/echo/tree");
    ASSERT_TRUE(waitForCalls(2));
    ASSERT_EQ(actions_.calls[1].action, "success");
    EXPECT_EQ(actions_.calls[1].result.toMap().value("path").toString(), "/echo/tree");

    server().setFault({.prefix = paths::kEcho, .garbage = true, .times = 1});
    start("/echo/garbage");
    ASSERT_TRUE(waitForCalls(3));
    EXPECT_EQ(actions_.calls[2].action, "success");
    EXPECT_FALSE(actions_.calls[2].result.isValid());
    EXPECT_FALSE(connection_->jsonEncodeFromData(QString("{}")).isValid()) << "text is no data";
}

TEST_F(QXHttpConnectTest, DecodingAsTheBodyArrivesFailsAtTheResponseWithCodeZero) {
    auto request = std::make_shared<QXNetWorkData>();
    auto listener = std::make_shared<NetworkListener>();
    request->setDelegate(listener);
    const auto connection = request->httpRequest();
    connection->setJsonEncode(true);
    request->setHttpConnectFinishedMethod(connection);
    connection->preCreateConnectRequestWithURL(server().url("/echo/x"));
    connection->startCreatedConnectWithFurtherInfo(QVariant());
    ASSERT_TRUE(runMainLoopUntil([&] { return !listener->results.empty(); }));
    settle();
    ASSERT_EQ(listener->results.size(), 1u);
    EXPECT_EQ(listener->results[0].first, 0);
    EXPECT_EQ(listener->results[0].second, QXNetWorkData::kUnreachableMessage);
    EXPECT_EQ(request->getErrorCode(), 0);
}

TEST_F(QXHttpConnectTest, TheTimeOutRunsOnTheClock) {
    server().setFault({.prefix = paths::kEcho, .delayMs = 60000});
    actions_.attach(*connection_);
    connection_->preCreateConnectRequestWithURL(server().url("/echo/slow"));
    connection_->setTimeOut(5);
    connection_->startCreatedConnectWithFurtherInfo(7);
    ASSERT_TRUE(runMainLoopUntil([&] { return !server().requests(paths::kEcho).empty(); }));
    settle();
    clock().advance(4s);
    settle();
    EXPECT_TRUE(actions_.calls.empty());
    clock().advance(1s);
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(actions_.calls[0].action, "timeout");
    EXPECT_EQ(actions_.calls[0].info, QVariant(7));
    EXPECT_EQ(connection_->errorCode(), -1001);
}

TEST_F(QXHttpConnectTest, TheRequestBaseTellsTimeOutsAndFailuresByReachability) {
    server().setFault({.prefix = paths::kEcho, .delayMs = 60000});
    auto request = std::make_shared<QXNetWorkData>();
    auto listener = std::make_shared<NetworkListener>();
    request->setDelegate(listener);
    auto run = [&](const QString& url, bool reachable, bool timeOut) {
        context_->setConnectionReachabil(reachable);
        const std::size_t before = listener->results.size();
        const std::size_t received = server().requests(paths::kEcho).size();
        const auto connection = request->httpRequest();
        request->setHttpConnectFinishedMethod(connection);
        connection->preCreateConnectRequestWithURL(url);
        connection->setTimeOut(10);
        connection->startCreatedConnectWithFurtherInfo(QVariant());
        if (timeOut) {
            EXPECT_TRUE(runMainLoopUntil(
                [&] { return server().requests(paths::kEcho).size() > received; }));
            settle();
            clock().advance(10s);
        }
        EXPECT_TRUE(runMainLoopUntil([&] { return listener->results.size() > before; }));
        settle();
        return listener->results.back();
    };
    auto slow = server().url("/echo/slow");
    const auto refused = QStringLiteral("http://127.0.0.1:1/");
    EXPECT_EQ(run(slow, true, true).first, -1);
    EXPECT_EQ(run(slow, false, true).first, -2);
    EXPECT_EQ(run(refused, true, false).first, 0);
    EXPECT_EQ(run(refused, false, false).first, -2);
    EXPECT_EQ(listener->results.back().second, QXNetWorkData::kUnreachableMessage);

    // Held from the start to the end of a request only.
    auto held = std::make_shared<NetworkListener>();
    const std::weak_ptr<NetworkListener> heldWatch = held;
    request->setDelegate(held);
    request->setHttpConnectFinishedMethod(request->httpRequest());
    held.reset();
    EXPECT_FALSE(heldWatch.expired());
    request->cancelHttpConnect();
    EXPECT_TRUE(heldWatch.expired());
}

TEST_F(QXHttpConnectTest, ALongConnectionHandsOverEveryChunkAsText) {
    server().setStream(
        {.segments = {"<script>a</script>", "<script>b</script>"}, .count = 2, .intervalMs = 150});
    actions_.attach(*connection_);
    connection_->setLongConnect(true);
    start(QString(paths::kStreamReceive) + "?userid=7");
    ASSERT_TRUE(waitForCalls(3));
    ASSERT_EQ(actions_.calls.size(), 3u);
    EXPECT_EQ(actions_.calls[0].result, QVariant("<script>a</script>"));
    EXPECT_EQ(actions_.calls[1].result, QVariant("<script>b</script>"));
    // The end of the stream: nothing was kept.
    EXPECT_TRUE(actions_.calls[2].result.toByteArray().isEmpty());
}

TEST(QXNetWorkDataTest, TheStatisticHeadersCarryTheLocalTimeOfTheClock) {
    const QVariantMap stamped = QXNetWorkData::setStatisticInfoInHeadField({{"a", "1"}});
    EXPECT_EQ(stamped.value("a"), QVariant("1"));
    EXPECT_EQ(stamped.value("Accept-Encoding"), QVariant("gzip"));
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}:\\d{1,2}$")
                    .match(stamped.value("ClientTimeStamp").toString())
                    .hasMatch());
}
