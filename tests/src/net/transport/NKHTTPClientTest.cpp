#include "net/transport/NKHTTPClient.h"
#include "net/transport/NKJSONRequestOperation.h"
#include "net/transport/NKQueryStringPair.h"

#include "platform/foundation/network_reachability.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/property_list.h"

#include "TransportFixture.h"
#include "standin/Endpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QVariantMap kExample{
    {"b", "x y"}, {"a", QVariantList{1, 2}}, {"c", QVariantMap{{"d", QString::fromUtf8("é")}}}};

TEST(NKQueryString, FlattensSortsAndEscapesAsTheServersExpect) {
    const auto utf8 = NKStringEncoding::utf8();
    EXPECT_EQ(BuildQueryString(kExample, utf8), "a[]=1&a[]=2&b=x%20y&c[d]=%C3%A9");
    EXPECT_EQ(BuildQueryString(QVariantMap{{"B", 1}, {"a", 2}, {"C", 3}}, utf8), "a=2&B=1&C=3");
    EXPECT_EQ(
        BuildQueryString(
            QVariantMap{{"k", QVariantList{QVariantMap{{"x", 1}}, QVariantMap{{"x", 2}}}}}, utf8),
        "k[][x]=1&k[][x]=2");
    EXPECT_EQ(
        BuildQueryString(QVariantMap{{"flag", QVariant::fromValue(nullptr)}, {"n", 1.5}}, utf8),
        "flag&n=1.5");
    EXPECT_EQ(BuildQueryString(QVariantMap{{"yes", true}, {"big", qint64(1) << 40}}, utf8),
              "big=1099511627776&yes=1");
    EXPECT_EQ(EscapeQueryComponent("a+b&c=d/e?f%g:h;i'j,k!l*m(n)~o.p_q-r[s]", utf8),
              "a%2Bb%26c%3Dd%2Fe%3Ff%25g%3Ah%3Bi%27j%2Ck%21l%2Am%28n%29~o.p_q-r[s]");
    EXPECT_EQ(EscapeQueryComponent(QString::fromUtf8("房 租"), utf8), "%E6%88%BF%20%E7%A7%9F");
}

TEST(NKHTTPClientRequests, BaseURLsGainASlashSoThatPathsResolveBelowThem) {
    NKHTTPClient withPath(QUrl("http://h/api"));
    EXPECT_EQ(withPath.baseURL().toString(), "http://h/api/");
    EXPECT_EQ(withPath.requestWithMethod("GET", "users/7").url().toString(),
              "http://h/api/users/7");
    EXPECT_EQ(withPath.requestWithMethod("GET", "http://other/x").url().toString(),
              "http://other/x");
    NKHTTPClient bare(QUrl("http://h"));
    EXPECT_EQ(bare.baseURL().toString(), "http://h");
}

TEST(NKHTTPClientRequests, ParametersGoIntoTheQueryOrTheBodyByMethodAndEncoding) {
    NKHTTPClient client(QUrl("http://h/api/"));
    EXPECT_EQ(client.requestWithMethod("GET", "list", kExample).url().toString(QUrl::FullyEncoded),
              "http://h/api/list?a[]=1&a[]=2&b=x%20y&c[d]=%C3%A9");
    EXPECT_EQ(client.requestWithMethod("DELETE", "list?page=2", QVariantMap{{"n", 1}})
                  .url()
                  .toString(QUrl::FullyEncoded),
              "http://h/api/list?page=2&n=1");
    EXPECT_FALSE(client.requestWithMethod("GET", "list").url().hasQuery());

    const ns::URLRequest form = client.requestWithMethod(
        "POST", "list", QVariantMap{{"k", QVariant::fromValue(nullptr)}, {"v", "1&2"}});
    EXPECT_EQ(form.valueForHTTPHeaderField("Content-Type"),
              "application/x-www-form-urlencoded; charset=utf-8");
    EXPECT_EQ(form.httpBody(), "k&v=1%262");
    EXPECT_FALSE(form.url().hasQuery());

    client.setParameterEncoding(NKParameterEncoding::JSON);
    const ns::URLRequest json = client.requestWithMethod("PUT", "list", QVariantMap{{"a", 1}});
    EXPECT_EQ(json.valueForHTTPHeaderField("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(json.httpBody(), "{\"a\":1}");

    client.setParameterEncoding(NKParameterEncoding::PropertyList);
    const ns::URLRequest plist = client.requestWithMethod("POST", "list", QVariantMap{{"a", 1}});
    EXPECT_EQ(plist.valueForHTTPHeaderField("Content-Type"), "application/x-plist; charset=utf-8");
    EXPECT_EQ(ns::PropertyList::propertyListWithData(plist.httpBody()).toMap().value("a").toInt(),
              1);
}

TEST(NKHTTPClientRequests, DefaultHeadersAreCopiedIntoEveryRequest) {
    NKHTTPClient client(QUrl("http://h/"));
    const QString languages = client.defaultValueForHeader("Accept-Language");
    const QStringList entries = languages.split(", ");
    EXPECT_LE(entries.size(), 6);
    EXPECT_TRUE(entries.first().endsWith(";q=1"));
    EXPECT_TRUE(client.defaultValueForHeader("User-Agent").contains("Scale/2.00"));

    client.setDefaultHeader("interface", "echo");
    client.setAuthorizationHeaderWithUsername("user", "pass");
    ns::URLRequest request = client.requestWithMethod("GET", "x");
    EXPECT_EQ(request.valueForHTTPHeaderField("interface"), "echo");
    EXPECT_EQ(request.valueForHTTPHeaderField("Authorization"), "Basic dXNlcjpwYXNz");
    client.setAuthorizationHeaderWithToken("t0k");
    EXPECT_EQ(client.defaultValueForHeader("Authorization"), "Token token=\"t0k\"");
    client.clearAuthorizationHeader();
    EXPECT_TRUE(client.defaultValueForHeader("Authorization").isNull());

    // A request keeps the headers it was built with.
    client.setDefaultHeader("interface", QString());
    EXPECT_EQ(request.valueForHTTPHeaderField("interface"), "echo");
    client.setDefaultHeaders({});
    EXPECT_TRUE(client.requestWithMethod("GET", "x").allHTTPHeaderFields().isEmpty());
}

TEST(NKHTTPClientRequests, RegisteredClassesAreTriedLatestFirst) {
    NKHTTPClient client(QUrl("http://h/"));
    EXPECT_FALSE(client.registerHTTPOperationClass({"Nothing", nullptr, nullptr}));
    EXPECT_TRUE(client.registerHTTPOperationClass(
        NKHTTPOperationClass::of<NKJSONRequestOperation>("NKJSONRequestOperation")));
    EXPECT_EQ(client.registeredHTTPOperationClassNames(), QStringList{"NKJSONRequestOperation"});

    ns::URLRequest json = client.requestWithMethod("GET", "feed");
    json.setValue("application/json", "Accept");
    EXPECT_TRUE(std::dynamic_pointer_cast<NKJSONRequestOperation>(
        client.HTTPRequestOperationWithRequest(json, nullptr, nullptr)));
    const auto plain = client.HTTPRequestOperationWithRequest(
        client.requestWithMethod("GET", "feed"), nullptr, nullptr);
    EXPECT_FALSE(std::dynamic_pointer_cast<NKJSONRequestOperation>(plain));

    client.unregisterHTTPOperationClass("NKJSONRequestOperation");
    EXPECT_FALSE(std::dynamic_pointer_cast<NKJSONRequestOperation>(
        client.HTTPRequestOperationWithRequest(json, nullptr, nullptr)));
}

TEST(NKHTTPClientRequests, ACopyHasItsOwnQueueAndTheSameSettings) {
    NKHTTPClient client(QUrl("http://h/api/"));
    client.setDefaultHeader("agency", "appstore");
    client.setParameterEncoding(NKParameterEncoding::JSON);
    const auto copy = client.copy();
    EXPECT_EQ(copy->baseURL(), client.baseURL());
    EXPECT_EQ(copy->defaultValueForHeader("agency"), "appstore");
    EXPECT_EQ(copy->parameterEncoding(), NKParameterEncoding::JSON);
    EXPECT_NE(copy->operationQueue(), client.operationQueue());
    EXPECT_TRUE(client.description().contains("baseURL: http://h/api/"));
}

class NKHTTPClientTest : public TransportFixture {
protected:
    void TearDown() override {
        ns::NetworkReachability::clearSimulatedFlags();
        TransportFixture::TearDown();
    }
};

TEST_F(NKHTTPClientTest, AGetCarriesTheQueryAndTheHeadersToTheServer) {
    NKHTTPClient client(QUrl(server().root() + "/echo/"));
    client.setDefaultHeader("clientAgent", "iphone#320*480");
    auto outcome = std::make_shared<Outcome>();
    client.getPath("search", kExample, outcome->success(), outcome->failure());
    ASSERT_TRUE(waitFor(outcome));
    ASSERT_EQ(outcome->successes, 1);

    const auto recorded = server().requests(standin::paths::kEcho);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].path, "/echo/search");
    EXPECT_EQ(recorded[0].query, "a[]=1&a[]=2&b=x%20y&c[d]=%C3%A9");
    EXPECT_EQ(recorded[0].header("clientAgent"), "iphone#320*480");
}

TEST_F(NKHTTPClientTest, CancelByMethodAndPathCancelsOnlyTheMatchingOperations) {
    NKHTTPClient client(QUrl(server().root() + "/echo/"));
    auto getA = std::make_shared<Outcome>();
    auto postA = std::make_shared<Outcome>();
    auto getB = std::make_shared<Outcome>();
    auto getA2 = std::make_shared<Outcome>();
    std::atomic<bool> blockRan{false};
    auto other = ns::BlockOperation::blockOperationWithBlock([&] { blockRan = true; });
    client.operationQueue()->setSuspended(true);  // keep everything queued
    client.getPath("a", std::nullopt, getA->success(), getA->failure());
    client.postPath("a", QVariantMap{{"x", 1}}, postA->success(), postA->failure());
    client.getPath("b", std::nullopt, getB->success(), getB->failure());
    client.operationQueue()->addOperation(other);

    client.cancelAllHTTPOperationsWithMethod("GET", "a");
    client.operationQueue()->setSuspended(false);
    ASSERT_TRUE(
        runMainLoopUntil([&] { return getA->calls() + postA->calls() + getB->calls() == 3; }));
    EXPECT_EQ(getA->failures, 1);
    EXPECT_EQ(getA->error->code(), -999);
    EXPECT_EQ(postA->successes, 1);
    EXPECT_EQ(getB->successes, 1);
    EXPECT_TRUE(blockRan.load());

    // Without a method, every method of the path goes; running ones too (the server holds
    // them longer than any wait).
    server().setFault({.prefix = "/echo/a", .delayMs = 60000});
    auto postA2 = std::make_shared<Outcome>();
    client.getPath("a", std::nullopt, getA2->success(), getA2->failure());
    client.postPath("a", std::nullopt, postA2->success(), postA2->failure());
    ASSERT_TRUE(
        runMainLoopUntil([&] { return server().requests(standin::paths::kEcho).size() == 4; }));
    client.cancelAllHTTPOperationsWithMethod(QString(), "a");
    ASSERT_TRUE(runMainLoopUntil([&] { return getA2->calls() + postA2->calls() == 2; }));
    EXPECT_EQ(getA2->error->code(), -999);
    EXPECT_EQ(postA2->error->code(), -999);
}

TEST_F(NKHTTPClientTest, ABatchReportsProgressForEachAndCompletesOnceAfterAll) {
    NKHTTPClient client(QUrl(server().root() + "/echo/"));
    std::vector<ns::URLRequest> requests{client.requestWithMethod("GET", "one"),
                                         client.requestWithMethod("GET", "two"),
                                         client.requestWithMethod("GET", "three")};
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    int completions = 0;
    bool completedOnMain = false;
    NKHTTPClient::Operations finished;
    client.enqueueBatchOfHTTPRequestOperationsWithRequests(
        requests, [&](std::size_t done, std::size_t total) { progress.emplace_back(done, total); },
        [&](const NKHTTPClient::Operations& operations) {
            ++completions;
            completedOnMain = ns::MainQueue::isMainThread();
            finished = operations;
        });
    ASSERT_TRUE(runMainLoopUntil([&] { return completions > 0; }));
    drainMainLoop();

    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(completedOnMain);
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress.back(), std::make_pair(std::size_t{3}, std::size_t{3}));
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_LE(progress[i - 1].first, progress[i].first);
    ASSERT_EQ(finished.size(), 3u);
    for (const auto& operation : finished) {
        EXPECT_TRUE(operation->isFinished());
        EXPECT_FALSE(operation->error());
    }
}

TEST_F(NKHTTPClientTest, ABatchKeepsEachOperationsOwnCallbacks) {
    NKHTTPClient client(QUrl(server().root() + "/echo/"));
    auto first = std::make_shared<Outcome>();
    server().setFault({.prefix = "/echo/missing", .status = 404});
    auto second = std::make_shared<Outcome>();
    NKHTTPClient::Operations operations{
        client.HTTPRequestOperationWithRequest(client.requestWithMethod("GET", "ok"),
                                               first->success(), first->failure()),
        client.HTTPRequestOperationWithRequest(client.requestWithMethod("GET", "missing"),
                                               second->success(), second->failure())};
    bool completed = false;
    client.enqueueBatchOfHTTPRequestOperations(operations, nullptr,
                                               [&](const auto&) { completed = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return completed; }));
    drainMainLoop();
    EXPECT_EQ(first->successes, 1);
    EXPECT_EQ(second->failures, 1);
    EXPECT_EQ(second->error->code(), -1011);
}

TEST_F(NKHTTPClientTest, TheBaseHostsReachabilitySetsTheStatusAndIsPosted) {
    using Flags = ns::NetworkReachability;
    NKHTTPClient unmonitored(NKHTTPClient::Plain{});
    EXPECT_EQ(unmonitored.networkReachabilityStatus(), ReachabilityStatus::Undetermined);

    Flags::setSimulatedFlags(Flags::kReachable);
    auto client = std::make_shared<NKHTTPClient>(QUrl(server().root()));
    std::vector<ReachabilityStatus> heard;
    client->setReachabilityStatusChangeBlock([&](ReachabilityStatus s) { heard.push_back(s); });
    std::vector<int> posted;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        NKHTTPClient::kClientReachabilityChangeNotification, [&](const ns::Notification& n) {
            posted.push_back(n.userInfo.value(NKHTTPClient::kReachabilityStatusItem).toInt());
        });
    drainMainLoop();
    // An address has no first change to report: its state is told at once, not posted.
    EXPECT_EQ(heard, std::vector<ReachabilityStatus>{ReachabilityStatus::WiFi});
    EXPECT_TRUE(posted.empty());

    Flags::setSimulatedFlags(Flags::kReachable | Flags::kIsWWAN);
    Flags::setSimulatedFlags(Flags::kReachable | Flags::kConnectionRequired);
    ASSERT_TRUE(runMainLoopUntil([&] { return posted.size() == 2; }));
    EXPECT_EQ(heard,
              (std::vector<ReachabilityStatus>{ReachabilityStatus::WiFi, ReachabilityStatus::WWAN,
                                               ReachabilityStatus::None}));
    EXPECT_EQ(posted, (std::vector<int>{1, 0}));
    EXPECT_EQ(client->networkReachabilityStatus(), ReachabilityStatus::None);

    client.reset();  // stops watching: a later change reaches nobody
    Flags::setSimulatedFlags(Flags::kReachable);
    drainMainLoop();
    EXPECT_EQ(heard.size(), 3u);
}

}  // namespace

namespace {

TEST_F(NKHTTPClientTest, AnArchivedClientSendsWithTheArchivedSettingsOnly) {
    NKHTTPClient client(QUrl(server().root() + "/echo/api"));
    client.setDefaultHeaders({{"agency", "appstore"}});
    client.setStringEncoding(NKStringEncoding::isoLatin1());
    client.setParameterEncoding(NKParameterEncoding::FormURL);
    ASSERT_TRUE(client.registerHTTPOperationClass(
        NKHTTPOperationClass::of<NKJSONRequestOperation>("NKJSONRequestOperation")));
    ns::KeyedArchiver archiver;
    client.encodeWithCoder(archiver);
    const QByteArray archive = archiver.encodedData();

    const auto decoded = NKHTTPClient::initWithCoder(ns::KeyedUnarchiver(archive));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->baseURL(), client.baseURL()) << "with its slash";
    EXPECT_EQ(decoded->stringEncoding(), NKStringEncoding::isoLatin1());
    EXPECT_EQ(decoded->registeredHTTPOperationClassNames(), QStringList{"NKJSONRequestOperation"});
    EXPECT_NE(decoded->operationQueue(), client.operationQueue());
    ns::URLRequest json = decoded->requestWithMethod("GET", "feed");
    json.setValue("application/json", "Accept");
    EXPECT_TRUE(std::dynamic_pointer_cast<NKJSONRequestOperation>(
        decoded->HTTPRequestOperationWithRequest(json, nullptr, nullptr)));

    // The archived headers replace the ones a new client makes; the encoding writes the body.
    auto outcome = std::make_shared<Outcome>();
    decoded->postPath("form", QVariantMap{{"name", QString::fromUtf8("é")}}, outcome->success(),
                      outcome->failure());
    ASSERT_TRUE(waitFor(outcome));
    const auto recorded = server().requests(standin::paths::kEcho);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].path, "/echo/api/form");
    EXPECT_EQ(recorded[0].body, "name=%E9");
    EXPECT_EQ(recorded[0].header("Content-Type"),
              "application/x-www-form-urlencoded; charset=iso-8859-1");
    EXPECT_EQ(recorded[0].header("agency"), "appstore");
    EXPECT_TRUE(recorded[0].header("User-Agent").isEmpty());
    EXPECT_TRUE(recorded[0].header("Accept-Language").isEmpty());

    // A JSON client, and bytes that are no archive.
    client.setParameterEncoding(NKParameterEncoding::JSON);
    ns::KeyedArchiver again;
    client.encodeWithCoder(again);
    EXPECT_EQ(
        NKHTTPClient::initWithCoder(ns::KeyedUnarchiver(again.encodedData()))->parameterEncoding(),
        NKParameterEncoding::JSON);
    EXPECT_FALSE(NKHTTPClient::initWithCoder(ns::KeyedUnarchiver("not an archive")));
    EXPECT_FALSE(NKHTTPClient::initWithCoder(ns::KeyedUnarchiver(
        ns::PropertyList::dataWithPropertyList(QVariantMap{{"baseURL", "http://h/"}}))));
}

}  // namespace
