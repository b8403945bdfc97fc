#include "net/transport/NKImageRequestOperation.h"
#include "net/transport/NKJSONRequestOperation.h"
#include "net/transport/NKNetworkActivityIndicatorManager.h"
#include "net/transport/NKPropertyListRequestOperation.h"
#include "net/transport/NKXMLRequestOperation.h"

#include "platform/uikit/application.h"
#include "platform/uikit/decoding_budget.h"

#include "Gate.h"
#include "HangWait.h"
#include "ProcessEndChild.h"
#include "TransportFixture.h"
#include "standin/Endpoints.h"

#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

namespace {

// Waits without running the main loop until `done`; false after kHangWait of real time (a
// broken test).
bool waitOffTheMainLoop(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kHangWait;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

// The whole decoding budget, held so that the decode of a picture of a million pixels or more
// waits for its share until the test gives it back. Past kHangWait of real time it is given
// back anyway, and ranOut() tells the test that what it waited for came only then.
class HeldBudget {
public:
    HeldBudget()
        : share_(ui::DecodingBudget::take(ui::DecodingBudget::kBytes)), watchdog_([this] {
              std::unique_lock lock(mutex_);
              ranOut_ = !changed_.wait_for(lock, kHangWait, [this] { return givenBack_; });
              share_ = {};
          }) {}
    ~HeldBudget() {
        giveBack();
        watchdog_.join();
    }
    HeldBudget(const HeldBudget&) = delete;
    HeldBudget& operator=(const HeldBudget&) = delete;

    void giveBack() {
        {
            std::lock_guard lock(mutex_);
            givenBack_ = true;
        }
        changed_.notify_all();
    }
    [[nodiscard]] bool ranOut() {
        std::lock_guard lock(mutex_);
        return ranOut_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool givenBack_ = false;
    bool ranOut_ = false;
    ui::DecodingBudget::Share share_;
    std::thread watchdog_;
};

// An image operation that counts the decodes of its body.
class CountingImageOperation : public NKImageRequestOperation {
public:
    using NKImageRequestOperation::NKImageRequestOperation;
    [[nodiscard]] int decodes() const { return decodes_; }

protected:
    [[nodiscard]] Image decodedImage(const QByteArray& data) const override {
        ++decodes_;
        return NKImageRequestOperation::decodedImage(data);
    }

private:
    mutable std::atomic<int> decodes_{0};
};

// What a typed factory's blocks were told.
template <class Result>
struct TypedOutcome {
    int successes = 0;
    int failures = 0;
    bool onMainThread = true;
    Result result{};
    std::optional<ns::Error> error;
    [[nodiscard]] int calls() const { return successes + failures; }
};

class NKTypedRequestOperationTest : public TransportFixture {
protected:
    using JSONOutcome = TypedOutcome<QVariant>;

    std::shared_ptr<JSONOutcome> loadJSON(const QString& path) {
        auto outcome = std::make_shared<JSONOutcome>();
        auto operation = NKJSONRequestOperation::JSONRequestOperationWithRequest(
            request(path),
            [outcome](const ns::URLRequest&, const auto&, const QVariant& JSON) {
                ++outcome->successes;
                outcome->onMainThread = ns::MainQueue::isMainThread();
                outcome->result = JSON;
            },
            [outcome](const ns::URLRequest&, const auto&, const ns::Error& error,
                      const QVariant& JSON) {
                ++outcome->failures;
                outcome->onMainThread = ns::MainQueue::isMainThread();
                outcome->error = error;
                outcome->result = JSON;
            });
        operation->start();
        EXPECT_TRUE(runMainLoopUntil([&] { return outcome->calls() > 0; }));
        drainNetworkThread();
        drainMainLoop();
        return outcome;
    }

    std::shared_ptr<TypedOutcome<NKImageRequestOperation::Image>> loadImage(
        const std::shared_ptr<NKImageRequestOperation>& operation) {
        auto outcome = std::make_shared<TypedOutcome<NKImageRequestOperation::Image>>();
        operation->setCompletionBlockWithSuccess(
            [outcome](const auto&, const QVariant& image) {
                ++outcome->successes;
                outcome->result = image.value<NKImageRequestOperation::Image>();
            },
            [outcome](const auto&, const ns::Error& error) {
                ++outcome->failures;
                outcome->error = error;
            });
        operation->start();
        EXPECT_TRUE(runMainLoopUntil([&] { return outcome->calls() > 0; }));
        drainMainLoop();
        return outcome;
    }
};

TEST_F(NKTypedRequestOperationTest, JSONRepliesDecodeOffTheMainThreadAndArriveOnIt) {
    const auto outcome = loadJSON("/echo/json");
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->failures, 0);
    EXPECT_TRUE(outcome->onMainThread);
    EXPECT_EQ(outcome->result.toMap().value("path").toString(), "/echo/json");
}

TEST_F(NKTypedRequestOperationTest, GzippedJSONDecodes) {
    server().setFault({.prefix = standin::paths::kEcho, .gzip = true});
    const auto outcome = loadJSON("/echo/gzip");
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->result.toMap().value("path").toString(), "/echo/gzip");
}

TEST_F(NKTypedRequestOperationTest, HTMLWithABodyFailsWith1016) {
    server().setFault({.prefix = standin::paths::kEcho, .contentType = "text/html"});
    const auto outcome = loadJSON("/echo/html");
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->domain(), "NetKitErrorDomain");
    EXPECT_EQ(outcome->error->code(), -1016);
    EXPECT_EQ(outcome->error->localizedDescription(),
              "Expected content type {(\n    \"application/json\",\n    \"text/json\",\n    "
              "\"text/javascript\"\n)}, got text/html");
    EXPECT_FALSE(outcome->result.isValid());  // never decoded
}

TEST_F(NKTypedRequestOperationTest, AWrongTypeWithAnEmptyBodyIsNoError) {
    server().setFault({.prefix = standin::paths::kEcho, .body = "", .contentType = "text/html"});
    const auto outcome = loadJSON("/echo/empty");
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_FALSE(outcome->result.isValid());
}

TEST_F(NKTypedRequestOperationTest, ASingleSpaceIsNilWithoutAnError) {
    server().setFault(
        {.prefix = standin::paths::kEcho, .body = " ", .contentType = "application/json"});
    const auto outcome = loadJSON("/echo/space");
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_FALSE(outcome->result.isValid());
}

TEST_F(NKTypedRequestOperationTest, TextThatIsNotJSONFailsWithTheReadersError) {
    server().setFault(
        {.prefix = standin::paths::kEcho, .body = "{\"a\":", .contentType = "application/json"});
    const auto outcome = loadJSON("/echo/broken");
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->domain(), kJsonErrorDomain);
    EXPECT_FALSE(outcome->result.isValid());
}

TEST_F(NKTypedRequestOperationTest, BytesThatAreNoTextFailInsteadOfSucceedingWithNothing) {
    server().setFault(
        {.prefix = standin::paths::kEcho, .contentType = "application/json", .garbage = true});
    const auto outcome = loadJSON("/echo/garbage");
    EXPECT_EQ(outcome->successes, 0);
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error->code(), -1016);
    EXPECT_EQ(outcome->error->localizedDescription(),
              "Operation responseData failed decoding as a UTF-8 string");
}

TEST_F(NKTypedRequestOperationTest, ImagesDecodeAtTheOperationsScale) {
    auto operation = std::make_shared<NKImageRequestOperation>(request("/img/test/red.png"));
    EXPECT_DOUBLE_EQ(operation->imageScale(), 2.0);
    const auto outcome = loadImage(operation);
    ASSERT_EQ(outcome->successes, 1);
    ASSERT_TRUE(outcome->result);
    EXPECT_DOUBLE_EQ(outcome->result->scale(), 2.0);
    EXPECT_DOUBLE_EQ(outcome->result->size().width, 4.0);

    operation->setImageScale(1);
    const auto rescaled = operation->responseImage();
    ASSERT_TRUE(rescaled);
    EXPECT_NE(rescaled, outcome->result);
    EXPECT_DOUBLE_EQ(rescaled->scale(), 1.0);
    EXPECT_DOUBLE_EQ(rescaled->size().width, 8.0);
}

TEST_F(NKTypedRequestOperationTest, ImageFailuresAndEmptyImages) {
    server().setFault({.prefix = "/img/", .body = "<html></html>", .contentType = "text/html"});
    const auto html =
        loadImage(std::make_shared<NKImageRequestOperation>(request("/img/test/red.png")));
    ASSERT_EQ(html->failures, 1);
    EXPECT_EQ(html->error->code(), -1016);

    server().setFault({.prefix = "/img/", .body = "", .contentType = "image/png"});
    const auto empty =
        loadImage(std::make_shared<NKImageRequestOperation>(request("/img/test/red.png")));
    ASSERT_EQ(empty->successes, 1);
    EXPECT_FALSE(empty->result);

    // Bytes that are no picture: nothing, decoded once however often asked for.
    server().setFault({.prefix = "/img/", .body = "no picture", .contentType = "image/png"});
    auto noPicture = std::make_shared<CountingImageOperation>(request("/img/test/red.png"));
    const auto notDecoded = loadImage(noPicture);
    ASSERT_EQ(notDecoded->successes, 1);
    EXPECT_FALSE(notDecoded->result);
    EXPECT_FALSE(noPicture->responseImage());
    EXPECT_EQ(noPicture->decodes(), 1);
}

TEST_F(NKTypedRequestOperationTest, TheImageFactoryRunsTheProcessingBlockBeforeSuccess) {
    std::shared_ptr<ui::Image> delivered;
    std::atomic<bool> processedOffMain{false};
    auto operation = NKImageRequestOperation::imageRequestOperationWithRequest(
        request("/img/test/blue.jpg"),
        [&](const std::shared_ptr<ui::Image>& image) {
            processedOffMain = !ns::MainQueue::isMainThread();
            return ui::Image::imageWithQImage(image->pixels(), 1);
        },
        [&](const ns::URLRequest&, const auto& response, const std::shared_ptr<ui::Image>& image) {
            EXPECT_EQ(response->statusCode(), 200);
            delivered = image;
        },
        nullptr);
    operation->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return delivered != nullptr; }));
    EXPECT_TRUE(processedOffMain.load());
    EXPECT_DOUBLE_EQ(delivered->scale(), 1.0);
    EXPECT_DOUBLE_EQ(delivered->size().width, 16.0);
}

TEST_F(NKTypedRequestOperationTest, WhileAnImageWaitsForItsShareItsCancelAndOtherLoadsGoOn) {
    // 2,048 x 2,048 pixels: 16 MB decoded, a share of the budget.
    server().setFault({.prefix = "/img/posts/", .picture = QSize(2048, 2048)});
    HeldBudget budget;
    auto large = std::make_shared<NKImageRequestOperation>(request("/img/posts/1.jpg"));
    const auto largeOutcome = Outcome::of(*large);
    std::atomic<int> largeReports{0};
    large->setDownloadProgressBlock([&](quint64, qint64, qint64) { ++largeReports; });
    large->start();
    // Its decode waits for its share, the reports of its bytes still on the main queue.
    ASSERT_TRUE(waitOffTheMainLoop([] { return ui::DecodingBudget::waitingCount() == 1; }));

    auto small = std::make_shared<NKImageRequestOperation>(request("/img/test/red.png"));
    const auto smallOutcome = Outcome::of(*small);
    std::atomic<int> smallReports{0};
    small->setDownloadProgressBlock([&](quint64, qint64, qint64) { ++smallReports; });
    small->start();
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return smallOutcome->calls() > 0 && smallReports > 0 && largeReports > 0; }));
    large->cancel();
    EXPECT_FALSE(budget.ranOut()) << "the main thread waited for the decode";
    EXPECT_EQ(smallOutcome->successes, 1);
    EXPECT_EQ(largeOutcome->calls(), 0);

    // The cancel came after the load had finished: the load keeps its outcome.
    budget.giveBack();
    ASSERT_TRUE(waitFor(largeOutcome));
    ASSERT_EQ(largeOutcome->successes, 1);
    const auto image = largeOutcome->responseObject.value<NKImageRequestOperation::Image>();
    ASSERT_TRUE(image);
    EXPECT_DOUBLE_EQ(image->size().width, 1024.0);
}

TEST_F(NKTypedRequestOperationTest, AnImageIsDecodedOnceForEveryReaderAndRescaledWithoutDecoding) {
    server().setFault({.prefix = "/img/posts/", .picture = QSize(2048, 2048)});
    HeldBudget budget;
    auto operation = std::make_shared<CountingImageOperation>(request("/img/posts/1.jpg"));
    const auto outcome = Outcome::of(*operation);
    operation->start();
    ASSERT_TRUE(waitOffTheMainLoop([] { return ui::DecodingBudget::waitingCount() == 1; }));
    // Readers that come while the completion's decode waits for its share.
    constexpr int kReaders = 3;
    std::atomic<int> reading{0};
    std::vector<NKImageRequestOperation::Image> read(kReaders);
    std::vector<std::thread> readers;
    for (int i = 0; i < kReaders; ++i) {
        readers.emplace_back([&, i] {
            ++reading;
            read[i] = operation->responseImage();
        });
    }
    ASSERT_TRUE(waitOffTheMainLoop([&] { return reading == kReaders; }));
    budget.giveBack();
    for (auto& reader : readers) reader.join();
    ASSERT_TRUE(waitFor(outcome));
    ASSERT_EQ(outcome->successes, 1);
    const auto image = outcome->responseObject.value<NKImageRequestOperation::Image>();
    ASSERT_TRUE(image);
    for (const auto& each : read) EXPECT_EQ(each, image);
    EXPECT_EQ(operation->responseImage(), image);
    EXPECT_EQ(operation->decodes(), 1);

    operation->setImageScale(1);
    const auto rescaled = operation->responseImage();
    ASSERT_TRUE(rescaled);
    EXPECT_NE(rescaled, image);
    EXPECT_DOUBLE_EQ(rescaled->size().width, 2048.0);
    EXPECT_EQ(operation->decodes(), 1);
}

constexpr char kPictureURL[] = "HOUSING_TEST_PICTURE_URL";

// A picture whose decode waits for its share of the decoding budget as the process ends, and
// gets it only once the statics have gone (the operation's processing queue and the budget
// among them): the end gives up on it at its limit, the exit neither waits for it nor aborts,
// and the decode finishes after the statics, its outcome dropped without a call.
TEST_F(NKTypedRequestOperationTest, AnImageDecodeStillRunningAtExitEndsQuietlyAfterTheStatics) {
    server().setFault({.prefix = "/img/posts/", .picture = QSize(2048, 2048)});
    EXPECT_EQ(endOfChildTest(sandboxPath(), "LeavesAnImageDecodeWaitingForItsShare",
                             {{kPictureURL, url("/img/posts/1.jpg").toString()}}),
              "a picture decoded after the statics went | statics went at 5 s | "
              "the operation went after the statics went");
}

// In a process without an application object (a tool, a benchmark) the end comes only at exit,
// among the statics: a decode that runs on past the end's limit holds that exit no longer than
// the end waits, although the processing queue it runs on was made after the end was watched for.
TEST_F(NKTypedRequestOperationTest, ADecodeAtAnExitWithoutAnApplicationObjectHoldsItNoLonger) {
    EXPECT_EQ(endOfChildTest(sandboxPath(), "LeavesADecodeRunningWithoutAnApplicationObject",
                             {{QString::fromLatin1(kWithoutApplicationObject), "1"}}),
              "statics went at 5 s | the decode ended after the statics went");
}

// An image operation that tells when its picture was decoded and when it went; the last of the
// work held past the statics.
class OperationOfTheEnd final : public NKImageRequestOperation {
public:
    using NKImageRequestOperation::NKImageRequestOperation;
    OperationOfTheEnd(const OperationOfTheEnd&) = delete;
    OperationOfTheEnd& operator=(const OperationOfTheEnd&) = delete;
    ~OperationOfTheEnd() override {
        endLogLine("the operation went " + beforeOrAfterTheStatics());
        lateWorkDone();
    }

protected:
    [[nodiscard]] Image decodedImage(const QByteArray& data) const override {
        Image image = NKImageRequestOperation::decodedImage(data);
        endLogLine((image ? "a picture decoded " : "no picture decoded ") +
                   beforeOrAfterTheStatics());
        return image;
    }
};

TEST(ProcessEndChild, LeavesAnImageDecodeWaitingForItsShare) {
    if (!startProcessEndChild()) {
        GTEST_SKIP() << "runs as the child of NKTypedRequestOperationTest only";
    }
    ns::URLCache::setSharedURLCache(std::make_shared<ns::URLCache>());
    // The whole budget, given back once the statics have gone; or, when something of the exit
    // waits for the decode, once the wait for a hang runs out.
    holdWorkPastTheStatics();
    std::thread([share = ui::DecodingBudget::take(ui::DecodingBudget::kBytes)]() mutable {
        if (!passOnceTheStaticsHaveGone()) endLogLine("the exit waited for the decode");
        share = {};
    }).detach();
    auto operation = std::make_shared<OperationOfTheEnd>(
        ns::URLRequest(QUrl(qEnvironmentVariable(kPictureURL))));
    operation->setCompletionBlockWithSuccess(
        [](const auto&, const QVariant&) { endLogLine("the success block ran"); },
        [](const auto&, const ns::Error&) { endLogLine("the failure block ran"); });
    operation->start();
    ASSERT_TRUE(waitOffTheMainLoop([] { return ui::DecodingBudget::waitingCount() == 1; }));
    static StaticsSentinel sentinel;
    endTheWaitAtItsLimit();
}

// The image operations' processing queue, on which their pictures are decoded.
class ImageProcessing final : public NKImageRequestOperation {
public:
    using NKImageRequestOperation::processingQueue;
};

TEST(ProcessEndChild, LeavesADecodeRunningWithoutAnApplicationObject) {
    if (!startProcessEndChild()) {
        GTEST_SKIP() << "runs as the child of NKTypedRequestOperationTest only";
    }
    // Made before the processing queue and the end's watch: goes after them at exit.
    static StaticsSentinel sentinel;
    holdWorkPastTheStatics();
    static Gate started;
    // Stands for a decode that runs until the statics have gone; or, when something of the exit
    // waits for it, until the wait for a hang runs out.
    ImageProcessing::processingQueue()->async([] {
        started.open();
        if (!passOnceTheStaticsHaveGone()) endLogLine("the exit waited for the decode");
        endLogLine("the decode ended " + beforeOrAfterTheStatics());
        lateWorkDone();
    });
    ASSERT_TRUE(started.pass());
    endTheWaitAtItsLimit();
}

// A read of the body before the reply has come finds none and keeps nothing: a read once it
// has come decodes the body, for JSON as for a picture.
TEST_F(NKTypedRequestOperationTest, ABodyReadBeforeTheReplyCameIsReadWholeOnceItHas) {
    server().setFault({.prefix = standin::paths::kEcho, .hold = true});
    auto json = std::make_shared<NKJSONRequestOperation>(request("/echo/early"));
    const auto jsonOutcome = Outcome::of(*json);
    json->start();
    ASSERT_TRUE(waitForRequests(standin::paths::kEcho, 1));
    EXPECT_FALSE(json->responseJSON().isValid()) << "no body yet";
    server().releaseHeld();
    ASSERT_TRUE(waitFor(jsonOutcome));
    EXPECT_EQ(jsonOutcome->successes, 1);
    EXPECT_EQ(json->responseJSON().toMap().value("path").toString(), "/echo/early");

    server().setFault({.prefix = "/img/test/", .hold = true});
    auto image = std::make_shared<NKImageRequestOperation>(request("/img/test/red.png"));
    const auto imageOutcome = Outcome::of(*image);
    image->start();
    ASSERT_TRUE(waitForRequests("/img/test/", 1));
    EXPECT_FALSE(image->responseImage()) << "no body yet";
    server().releaseHeld();
    ASSERT_TRUE(waitFor(imageOutcome));
    EXPECT_EQ(imageOutcome->successes, 1);
    const auto red = image->responseImage();
    ASSERT_TRUE(red);
    EXPECT_DOUBLE_EQ(red->size().width, 4.0) << "8 pixels at scale 2";
}

TEST(NKTypedRequestOperationClasses, CanProcessByExtensionOrAcceptHeader) {
    ns::URLRequest png(QUrl("http://h/a/picture.png"));
    EXPECT_TRUE(NKImageRequestOperation::canProcessRequest(png));
    EXPECT_FALSE(
        NKImageRequestOperation::canProcessRequest(ns::URLRequest(QUrl("http://h/a.PNG"))));

    ns::URLRequest api(QUrl("http://h/api"));
    EXPECT_FALSE(NKJSONRequestOperation::canProcessRequest(api));
    api.setValue("text/html, application/json ; q=0.9", "Accept");
    EXPECT_TRUE(NKJSONRequestOperation::canProcessRequest(api));
    EXPECT_FALSE(NKXMLRequestOperation::canProcessRequest(api));
    EXPECT_TRUE(NKJSONRequestOperation::canProcessRequest(ns::URLRequest(QUrl("http://h/x.json"))));
    EXPECT_TRUE(NKPropertyListRequestOperation::canProcessRequest(
        ns::URLRequest(QUrl("http://h/x.plist"))));
}

TEST_F(NKTypedRequestOperationTest, PropertyListsAndXMLDecode) {
    server().setFault({.prefix = standin::paths::kEcho,
                       .body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">"
                               "<dict><key>city</key><string>北京</string></dict></plist>",
                       .contentType = "application/x-plist"});
    QVariant list;
    auto plist = NKPropertyListRequestOperation::propertyListRequestOperationWithRequest(
        request("/echo/plist"),
        [&](const ns::URLRequest&, const auto&, const QVariant& value) { list = value; }, nullptr);
    plist->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return list.isValid(); }));
    EXPECT_EQ(list.toMap().value("city").toString(), QString::fromUtf8("北京"));
    EXPECT_EQ(plist->propertyListFormat(), ns::PropertyList::Format::Xml);

    server().setFault({.prefix = standin::paths::kEcho,
                       .body = "<houses><house id=\"7\">two rooms</house></houses>",
                       .contentType = "text/xml"});
    NKXMLRequestOperation::Parser parser;
    auto xml = NKXMLRequestOperation::XMLParserRequestOperationWithRequest(
        request("/echo/xml"),
        [&](const ns::URLRequest&, const auto&, const NKXMLRequestOperation::Parser& p) {
            parser = p;
        },
        nullptr);
    xml->start();
    ASSERT_TRUE(runMainLoopUntil([&] { return parser != nullptr; }));

    struct Collector : ns::XMLParserDelegate {
        void didStartElement(ns::XMLParser&, const QString& name, const QString&, const QString&,
                             const QMap<QString, QString>& attributes) override {
            names << name + attributes.value("id");
        }
        void foundCharacters(ns::XMLParser&, const QString& text) override { characters += text; }
        QStringList names;
        QString characters;
    };
    auto collector = std::make_shared<Collector>();
    parser->setDelegate(collector);
    EXPECT_TRUE(parser->parse());
    EXPECT_EQ(collector->names, (QStringList{"houses", "house7"}));
    EXPECT_EQ(collector->characters, "two rooms");
}

class NKNetworkActivityIndicatorTest : public TransportFixture {
protected:
    void SetUp() override {
        TransportFixture::SetUp();
        ui::Application::reset();
    }
    static bool indicatorShown() {
        return ui::Application::sharedApplication().isNetworkActivityIndicatorVisible();
    }
};

TEST_F(NKNetworkActivityIndicatorTest, FollowsRunningOperationsAndGoesOffAfterADelay) {
    NKNetworkActivityIndicatorManager manager;
    manager.setEnabled(true);
    server().setFault({.prefix = standin::paths::kEcho, .hold = true});
    auto operation = std::make_shared<NKHTTPRequestOperation>(request("/echo/busy"));
    auto outcome = Outcome::of(*operation);
    operation->start();

    ASSERT_TRUE(runMainLoopUntil([&] { return indicatorShown(); }));
    EXPECT_EQ(manager.activityCount(), 1);
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(manager.activityCount(), 0);
    EXPECT_TRUE(indicatorShown());  // not yet: it waits 0.17 s on the clock
    clock().advance(170ms);
    drainMainLoop();
    EXPECT_FALSE(indicatorShown());

    manager.decrementActivityCount();
    manager.decrementActivityCount();
    EXPECT_EQ(manager.activityCount(), 0);  // never below 0
}

TEST_F(NKNetworkActivityIndicatorTest, CountsButLeavesTheIndicatorAloneWhileDisabled) {
    NKNetworkActivityIndicatorManager manager;
    manager.incrementActivityCount();
    manager.incrementActivityCount();
    drainMainLoop();
    EXPECT_EQ(manager.activityCount(), 2);
    EXPECT_TRUE(manager.isNetworkActivityIndicatorVisible());
    EXPECT_FALSE(indicatorShown());
}

}  // namespace
