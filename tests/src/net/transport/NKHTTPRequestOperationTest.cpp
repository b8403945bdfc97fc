#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/concurrent_queue.h"

#include "TransportFixture.h"
#include "standin/Endpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

class NKHTTPRequestOperationTest : public TransportFixture {
protected:
    // Runs one GET of `path` to its end and returns the operation.
    std::shared_ptr<NKHTTPRequestOperation> load(const QString& path,
                                                 const std::shared_ptr<Outcome>& outcome) {
        auto operation = std::make_shared<NKHTTPRequestOperation>(request(path));
        operation->setCompletionBlockWithSuccess(outcome->success(), outcome->failure());
        operation->start();
        EXPECT_TRUE(waitFor(outcome));
        return operation;
    }
};

TEST_F(NKHTTPRequestOperationTest, A404FailsOnceOnTheMainQueueWith1011AndKeepsTheBody) {
    server().setFault({.prefix = standin::paths::kEcho, .status = 404, .body = "nf"});
    auto outcome = std::make_shared<Outcome>();
    const auto operation = load("/echo/missing", outcome);

    EXPECT_EQ(outcome->successes, 0);
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_TRUE(outcome->onMainThread);
    const ns::Error& error = *outcome->error;
    EXPECT_EQ(error.domain(), "NetKitErrorDomain");
    EXPECT_EQ(error.code(), -1011);
    EXPECT_EQ(error.localizedDescription(), "Expected status code in (200-299), got 404");
    EXPECT_EQ(error.localizedRecoverySuggestion(), "nf");
    EXPECT_EQ(error.failingURL(), url("/echo/missing").toString());
    EXPECT_EQ(error.userInfo()
                  .value(NKHTTPRequestOperation::kFailingURLRequestErrorKey)
                  .value<ns::URLRequest>()
                  .url(),
              url("/echo/missing"));
    const auto response = error.userInfo()
                              .value(NKHTTPRequestOperation::kFailingURLResponseErrorKey)
                              .value<std::shared_ptr<const ns::URLResponse>>();
    ASSERT_TRUE(response);
    EXPECT_EQ(static_cast<const ns::HTTPURLResponse&>(*response).statusCode(), 404);
    EXPECT_EQ(operation->responseData(), "nf");
    EXPECT_FALSE(operation->hasAcceptableStatusCode());
    // The error, once made, stays the same.
    EXPECT_EQ(*operation->error(), error);
}

TEST_F(NKHTTPRequestOperationTest, AnyContentTypeSucceedsOnceWithTheBodyBytes) {
    server().setFault({.prefix = standin::paths::kEcho, .contentType = "text/html"});
    auto outcome = std::make_shared<Outcome>();
    const auto operation = load("/echo/page", outcome);

    EXPECT_EQ(outcome->failures, 0);
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_TRUE(outcome->onMainThread);
    const QByteArray body = outcome->responseObject.toByteArray();
    EXPECT_EQ(body, operation->responseData());
    EXPECT_EQ(QJsonDocument::fromJson(body).object().value("path").toString(), "/echo/page");
    EXPECT_TRUE(operation->hasAcceptableContentType());
}

TEST_F(NKHTTPRequestOperationTest, CallbacksRunOnTheQueuesTheCallerSets) {
    auto queue = std::make_shared<ns::SerialQueue>("callbacks");
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/queued"));
    auto outcome = std::make_shared<Outcome>();
    std::atomic<bool> onQueue{false};
    operation->setSuccessCallbackQueue(queue);
    operation->setCompletionBlockWithSuccess(
        [&, outcome](const auto& op, const QVariant& object) {
            onQueue = queue->isCurrent();
            outcome->success()(op, object);
        },
        outcome->failure());
    operation->start();
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_TRUE(onQueue.load());
    EXPECT_EQ(outcome->successes, 1);
}

TEST_F(NKHTTPRequestOperationTest, WithoutBlocksTheCompletionRunsAndDispatchesNothing) {
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/quiet"));
    operation->setCompletionBlockWithSuccess(nullptr, nullptr);
    std::weak_ptr<NKHTTPRequestOperation> weak = operation;
    operation->start();
    operation.reset();
    // Nothing holds the operation but its load and its completion: both let go.
    EXPECT_TRUE(runMainLoopUntil([&] { return weak.expired(); }));
}

TEST_F(NKHTTPRequestOperationTest, GzipRepliesArriveDecoded) {
    server().setFault({.prefix = standin::paths::kEcho, .gzip = true});
    auto outcome = std::make_shared<Outcome>();
    const auto operation = load("/echo/packed", outcome);
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(operation->HTTPResponse()->allHeaderFields().value("Content-Encoding"), "gzip");
    const auto echo = QJsonDocument::fromJson(outcome->responseObject.toByteArray()).object();
    EXPECT_EQ(echo.value("path").toString(), "/echo/packed");
}

TEST_F(NKHTTPRequestOperationTest, TextWithoutACharsetIsReadAsUTF8WhenItIsUTF8) {
    const QByteArray chinese = "错误：找不到该房源";
    server().setFault({.prefix = standin::paths::kEcho,
                       .status = 500,
                       .body = chinese,
                       .contentType = "text/plain"});
    auto outcome = std::make_shared<Outcome>();
    const auto operation = load("/echo/chinese", outcome);
    EXPECT_EQ(operation->responseStringEncoding(), NKStringEncoding::utf8());
    EXPECT_EQ(operation->responseString(), QString::fromUtf8(chinese));
    ASSERT_TRUE(outcome->error);
    EXPECT_EQ(outcome->error->localizedRecoverySuggestion(), QString::fromUtf8(chinese));
}

TEST_F(NKHTTPRequestOperationTest, TextWithoutACharsetThatIsNotUTF8IsReadAsLatin1) {
    server().setFault(
        {.prefix = standin::paths::kEcho, .contentType = "text/plain", .garbage = true});
    auto outcome = std::make_shared<Outcome>();
    const auto operation = load("/echo/latin", outcome);
    EXPECT_EQ(operation->responseStringEncoding(), NKStringEncoding::isoLatin1());
    const auto text = operation->responseString();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->toLatin1(), operation->responseData());
}

TEST_F(NKHTTPRequestOperationTest, OtherTypesReadAsTheirCharsetOrUTF8) {
    // A named charset wins, even over bytes that happen to be UTF-8.
    server().setFault({.prefix = standin::paths::kEcho,
                       .body = "caf\xc3\xa9",
                       .contentType = "text/plain; charset=iso-8859-1"});
    auto latin = std::make_shared<Outcome>();
    auto operation = load("/echo/named", latin);
    EXPECT_EQ(operation->responseString(), QString::fromLatin1("caf\xc3\xa9"));

    server().setFault({.prefix = standin::paths::kEcho,
                       .body = "caf\xc3\xa9",
                       .contentType = "text/plain; charset=no-such-charset"});
    auto unknown = std::make_shared<Outcome>();
    operation = load("/echo/unknown", unknown);
    EXPECT_EQ(operation->responseStringEncoding(), NKStringEncoding::utf8());
    EXPECT_EQ(operation->responseString(), QString::fromUtf8("caf\xc3\xa9"));

    server().setFault(
        {.prefix = standin::paths::kEcho, .contentType = "application/json", .garbage = true});
    auto garbage = std::make_shared<Outcome>();
    operation = load("/echo/json", garbage);
    EXPECT_EQ(operation->responseStringEncoding(), NKStringEncoding::utf8());
    EXPECT_FALSE(operation->responseString());  // not UTF-8: no text
}

TEST(NKHTTPRequestOperationSettings, StatusCodesAndContentTypesAreWrittenAsThePlatformWritesThem) {
    using Op = NKHTTPRequestOperation;
    EXPECT_EQ(Op::describeStatusCodes(*Op::acceptableStatusCodes()), "200-299");
    EXPECT_EQ(Op::describeStatusCodes({200, 201, 204, 300, 301, 302}), "200-201,204,300-302");
    EXPECT_EQ(Op::describeStatusCodes({}), "");
    EXPECT_EQ(Op::describeContentTypes({"application/json", "text/json"}),
              "{(\n    \"application/json\",\n    \"text/json\"\n)}");
    EXPECT_FALSE(Op::acceptableContentTypes());
    EXPECT_TRUE(Op::canProcessRequest(ns::URLRequest(QUrl("http://h/x"))));
}

}  // namespace
