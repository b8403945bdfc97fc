#include "net/NKHTTPClient+QXClient.h"

#include "net/QXIMConstantManager.h"

#include "platform/foundation/concurrent_queue.h"

#include "standin/Endpoints.h"
#include "transport/TransportFixture.h"

#include <QStringList>

namespace {

// Sets the client identity constants for one test and puts the earlier values back.
class IdentityConstants {
public:
    IdentityConstants(const QString& customId, const QString& clientAgent, const QString& versionId)
        : customId_(constants().qximcustomId()),
          clientAgent_(constants().qximclientAgent()),
          versionId_(constants().qximversionId()) {
        set(customId, clientAgent, versionId);
    }
    ~IdentityConstants() { set(customId_, clientAgent_, versionId_); }

private:
    static QXIMConstantManager& constants() { return QXIMConstantManager::share(); }
    static void set(const QString& customId, const QString& clientAgent, const QString& versionId) {
        constants().setQximcustomId(customId);
        constants().setQximclientAgent(clientAgent);
        constants().setQximversionId(versionId);
    }

    QString customId_;
    QString clientAgent_;
    QString versionId_;
};

TEST(NKHTTPClientQXClient, TheProjectClientCarriesTheAppsDefaultsInOrder) {
    {
        IdentityConstants identity("710", "iphone#320*480", "2.3.0");
        const auto client = QXClient::initForQXProject();
        const ns::HTTPHeaderFields headers = client->defaultHeaders();
        EXPECT_EQ(headers.names(), (QStringList{"Accept-Encoding", "customerId", "clientAgent",
                                                "versionId", "model", "agency", "contentformat"}));
        EXPECT_EQ(headers.value("Accept-Encoding"), "gzip");
        EXPECT_EQ(headers.value("customerId"), "710");
        EXPECT_EQ(headers.value("model"), "Generic/iphone");
        EXPECT_EQ(headers.value("contentformat"), "json2");
        EXPECT_TRUE(client->baseURL().isEmpty());
        EXPECT_TRUE(client->registeredHTTPOperationClassNames().isEmpty());
        EXPECT_EQ(client->networkReachabilityStatus(), ReachabilityStatus::Undetermined);
        EXPECT_EQ(client->operationQueue()->maxConcurrentOperationCount(), -1);
    }
    IdentityConstants unset{QString(), QString(), QString()};
    EXPECT_EQ(QXClient::clientWithQXBaseURL(QUrl("http://ignored/"))->defaultHeaders().names(),
              (QStringList{"Accept-Encoding", "model", "agency", "contentformat"}));
}

TEST(NKHTTPClientQXClient, RequestsTakeTheirBodyByMethodAndASnapshotOfTheHeaders) {
    const ns::HTTPHeaderFields headers{{"interface", "GetPost"}, {"SeqId", "1"}};
    const QString url("http://h/datashare/");

    const auto get = QXClient::requestWithUrl(url, headers, "GET", QString("?postId=7&page=2"));
    EXPECT_EQ(get.url().toString(), "http://h/datashare/?postId=7&page=2");
    EXPECT_TRUE(get.httpBody().isEmpty());
    EXPECT_TRUE(get.httpShouldUsePipelining());
    EXPECT_EQ(QXClient::requestWithUrl(url, headers, "DELETE", QString("x")).url().toString(),
              "http://h/datashare/x");
    // A body appended to the URL must leave a valid URL: it is never rewritten into one.
    const auto stray = QXClient::requestWithUrl(url, headers, "GET", QString("?k=a%41 b&c=%zz"));
    EXPECT_FALSE(stray.url().isValid());
    EXPECT_EQ(stray.urlText(), url + "?k=a%41 b&c=%zz");

    const auto post = QXClient::requestWithUrl(url, headers, "POST",
                                               QString::fromUtf8("jsonArgs={\"k\":\"房\"}"));
    EXPECT_EQ(post.urlText(), url);
    EXPECT_EQ(post.httpBody(), "jsonArgs={\"k\":\"\xE6\x88\xBF\"}");
    EXPECT_FALSE(post.httpShouldUsePipelining());
    EXPECT_EQ(post.allHTTPHeaderFields(), headers);  // no Content-Type added
    const auto bytes = QXClient::requestWithUrl(url, headers, "POST", QByteArray("\x00\x01", 2));
    EXPECT_EQ(bytes.httpBody(), QByteArray("\x00\x01", 2));
    EXPECT_TRUE(
        QXClient::requestWithUrl(url, headers, "GET", QByteArray("b")).httpBody().isEmpty());

    // The client's form: its base URL and default headers of that moment.
    NKHTTPClient client(NKHTTPClient::Plain{});
    client.setBaseURL(QUrl(url));
    client.setDefaultHeaders(headers);
    const auto built = QXClient::requestWithMethod(client, "POST", QString("a=1"));
    client.setDefaultHeader("interface", "other");
    QXClient::clearHeaderWithKey(client, "SeqId");
    EXPECT_EQ(built.urlText(), url);
    EXPECT_EQ(built.allHTTPHeaderFields(), headers);
    EXPECT_EQ(QXClient::returnDefaultHeaders(client).names(), QStringList{"interface"});
}

TEST(NKHTTPClientQXClient, TheCancelRuleMatchesTheInterfaceHeaderAndTheExactURLText) {
    NKHTTPClient client(NKHTTPClient::Plain{});
    client.operationQueue()->setSuspended(true);
    const QString url = "http://127.0.0.1:9/datashare/";
    const auto queue = [&](const ns::HTTPHeaderFields& headers, const QString& target) {
        auto operation = QXClient::HTTPRequestOperationWithRequest(
            client, QXClient::requestWithUrl(target, headers, "POST", QString("b")), nullptr,
            nullptr, false);
        client.enqueueHTTPRequestOperation(operation);
        return operation;
    };
    const auto matching = queue({{"interface", "GetPost"}}, url);
    const auto slash = queue({{"interface", "GetPost"}}, url + "x");
    // Texts that one URL reader would take for the same URL are still different texts.
    const auto upper = queue({{"interface", "GetPost"}}, "HTTP://127.0.0.1:9/datashare/");
    const auto escaped = queue({{"interface", "GetPost"}}, "http://127.0.0.1:9/d%61tashare/");
    const auto other = queue({{"interface", "GetPostList"}}, url);
    QXClient::clearDefaultHeaders(client);
    const auto bare = queue(QXClient::returnDefaultHeaders(client), url);
    const auto noInterface = queue({{"SeqId", "1"}}, url);
    const auto emptyInterface = queue({{"interface", ""}}, url);

    QXClient::cancelAllHTTPOperationsWithInterface(client, "GetPost", url);
    EXPECT_TRUE(matching->isCancelled());
    EXPECT_FALSE(slash->isCancelled());
    EXPECT_FALSE(upper->isCancelled());
    EXPECT_FALSE(escaped->isCancelled());
    EXPECT_FALSE(other->isCancelled());
    EXPECT_FALSE(bare->isCancelled());

    // The empty interface matches an empty header, never a missing one.
    QXClient::cancelAllHTTPOperationsWithInterface(client, "", url);
    EXPECT_TRUE(emptyInterface->isCancelled());
    EXPECT_FALSE(noInterface->isCancelled());
    EXPECT_FALSE(bare->isCancelled());
    client.operationQueue()->cancelAllOperations();
}

class NKHTTPClientQXClientTest : public TransportFixture {};

TEST_F(NKHTTPClientQXClientTest, EntryPointsRetargetTheClientAndCarryTheUserInfo) {
    auto client = QXClient::initForQXProject();
    const QUrl echo = url("/echo/post");
    QVariant seen;
    auto posted = std::make_shared<Outcome>();
    QXClient::postWithUrl(
        *client, echo, QString("a=1"), QVariant("row-3"),
        [&, success = posted->success()](const auto& operation, const QVariant& body) {
            seen = QXClient::userInfo(*operation);
            success(operation, body);
        },
        posted->failure());
    EXPECT_EQ(client->baseURL(), echo);
    ASSERT_TRUE(waitFor(posted));
    EXPECT_EQ(seen.toString(), "row-3");

    auto got = std::make_shared<Outcome>();
    QXClient::getWithUrl(*client, url("/echo/get"), QString("?page=2"), got->success(),
                         got->failure());
    ASSERT_TRUE(waitFor(got));

    auto uploaded = std::make_shared<Outcome>();
    qint64 sent = 0;
    QXClient::postWithUrlDataBody(
        *client, url("/echo/upload"), QByteArray(64 * 1024, 'v'), QVariant(),
        [&](quint64, qint64 total, qint64) { sent = total; }, uploaded->success(),
        uploaded->failure());
    ASSERT_TRUE(waitFor(uploaded));
    EXPECT_EQ(sent, 64 * 1024);

    const auto requests = server().requests(standin::paths::kEcho);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].body, "a=1");
    EXPECT_EQ(requests[0].header("contentformat"), "json2");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].query, "page=2");
    EXPECT_EQ(requests[2].body.size(), 64 * 1024);
}

TEST_F(NKHTTPClientQXClientTest, FlaggingAfterTheBlocksKeepsTheOrdinaryCompletion) {
    server().setStream(
        {.segments = {"<script>a</script>", "<script>b</script>"}, .count = 2, .intervalMs = 100});
    NKHTTPClient client(NKHTTPClient::Plain{});
    auto outcome = std::make_shared<Outcome>();
    auto operation =
        QXClient::HTTPRequestOperationWithRequest(client, request(standin::paths::kStreamReceive),
                                                  outcome->success(), outcome->failure(), false);
    EXPECT_FALSE(QXClient::isForIM(*operation));
    QXClient::setIsForIM(*operation, true);
    EXPECT_TRUE(QXClient::isForIM(*operation));
    client.enqueueHTTPRequestOperation(operation);
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->responseObject.toByteArray(), "<script>a</script><script>b</script>");
    QXClient::setIsForIM(*operation, false);
    EXPECT_FALSE(QXClient::isForIM(*operation));
}

TEST_F(NKHTTPClientQXClientTest, AFlaggedGetHandsEachChunkToItsQueueThenEnds) {
    server().setStream(
        {.segments = {"<script>a</script>", "<script>b</script>"}, .count = 2, .intervalMs = 150});
    auto client = QXClient::initForQXProject();
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    std::mutex mutex;
    std::vector<QByteArray> chunks;
    bool onQueue = true;
    bool failed = false;
    QXClient::getWithUrlForIM(
        *client, url(standin::paths::kStreamReceive), QString(), queue,
        [&](const auto& operation, const QVariant& chunk) {
            std::lock_guard guard(mutex);
            chunks.push_back(chunk.toByteArray());
            onQueue = onQueue && queue->isCurrent() && QXClient::isForIM(*operation);
        },
        [&](const auto&, const auto&) {
            std::lock_guard guard(mutex);
            failed = true;
        });
    ASSERT_TRUE(runMainLoopUntil([&] {
        std::lock_guard guard(mutex);
        return chunks.size() >= 3 || failed;
    }));
    queue->sync([] {});
    EXPECT_FALSE(failed);
    EXPECT_EQ(chunks, (std::vector<QByteArray>{"<script>a</script>", "<script>b</script>", ""}));
    EXPECT_TRUE(onQueue);
}

}  // namespace
