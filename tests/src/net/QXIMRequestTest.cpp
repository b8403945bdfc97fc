#include "net/QXIMRequest.h"

#include "net/NKHTTPClient+QXClient.h"
#include "net/QXNetDefaultContext.h"
#include "net/RequestHeaderSet.h"

#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/network_thread.h"

#include "StandinFixture.h"
#include "standin/Endpoints.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using standin::paths::kDataShare;

// What the blocks of one or more calls were told, and whether on the main thread.
struct Replies : std::enable_shared_from_this<Replies> {
    QXIMRequest::SuccessBlock success() {
        return [self = shared_from_this()](const QVariant& object) {
            self->add(object, QVariant(), true);
        };
    }
    QXIMRequest::FailureBlock failure() {
        return [self = shared_from_this()](const QVariantMap& failure) {
            self->add(failure, QVariant(), false);
        };
    }
    QXIMRequest::UserInfoSuccessBlock successWithUserInfo() {
        return [self = shared_from_this()](const QVariant& object, const QVariant& info) {
            self->add(object, info, true);
        };
    }
    QXIMRequest::UserInfoFailureBlock failureWithUserInfo() {
        return [self = shared_from_this()](const QVariantMap& failure, const QVariant& info) {
            self->add(failure, info, false);
        };
    }
    QXIMRequest::DataSuccessBlock data() {
        return [self = shared_from_this()](const QByteArray& bytes) {
            self->add(bytes, QVariant(), true);
        };
    }

    void add(const QVariant& value, const QVariant& info, bool succeeded) {
        std::lock_guard guard(mutex);
        (succeeded ? objects : failures).push_back(value);
        userInfos.push_back(info);
        onMain = onMain && ns::MainQueue::isMainThread();
    }
    [[nodiscard]] int calls() {
        std::lock_guard guard(mutex);
        return static_cast<int>(objects.size() + failures.size());
    }
    [[nodiscard]] QVariantMap failureAt(std::size_t index = 0) {
        std::lock_guard guard(mutex);
        return index < failures.size() ? failures[index].toMap() : QVariantMap();
    }

    std::mutex mutex;
    std::vector<QVariant> objects;
    std::vector<QVariant> failures;
    std::vector<QVariant> userInfos;
    bool onMain = true;
};

// The names of `names` that `request` carries, in the order it carries them.
QStringList namesAmong(const standin::RecordedRequest& request, const QStringList& names) {
    QStringList found;
    for (const QByteArray& name : request.headerNames()) {
        if (names.contains(QString::fromLatin1(name))) found << QString::fromLatin1(name);
    }
    return found;
}

class QXIMRequestTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        QXNetContext::install(context_);
        request_ = std::make_unique<QXIMRequest>();
    }

    void TearDown() override {
        request_->httpClient()->operationQueue()->cancelAllOperations();
        drainNetworkThread();
        drainMainLoop();
        request_.reset();
        QXNetContext::install(nullptr);
        StandinFixture::TearDown();
    }

    [[nodiscard]] QXIMRequest& request() { return *request_; }
    [[nodiscard]] QString dataShare(const QString& tail = {}) {
        return server().url(kDataShare) + tail;
    }

    // Runs the main loop until `replies` has heard `count` times, then a little longer,
    // so that one call too many would be seen too.
    bool waitFor(const std::shared_ptr<Replies>& replies, int count = 1) {
        const bool heard = runMainLoopUntil([&] { return replies->calls() >= count; });
        drainNetworkThread();
        drainMainLoop();
        return heard;
    }
    static void drainNetworkThread() {
        for (int round = 0; round < 3; ++round) ns::NetworkThread::shared().sync([] {});
    }

    std::shared_ptr<QXNetDefaultContext> context_;

private:
    std::unique_ptr<QXIMRequest> request_;
};

TEST_F(QXIMRequestTest, TheDataShareHeaderSetGoesOutInItsOrderWithTheMessagingToken) {
    context_->setCurrentCityScript_index(101);
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("echo");
    request().addValuesFormDic(headers);
    auto plain = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "jsonArgs={}", plain->success(),
                             plain->failure());
    ASSERT_TRUE(waitFor(plain));

    context_->setIMUserToken(QString("tk-1"));
    request().addValuesFormDic(headers);
    EXPECT_EQ(request().getValueFromHeader("token"), "tk-1");
    auto withToken = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "jsonArgs={}", withToken->success(),
                             withToken->failure());
    ASSERT_TRUE(waitFor(withToken));

    const auto sent = server().requests(kDataShare);
    ASSERT_EQ(sent.size(), 2u);
    QStringList expected = headers.names();
    EXPECT_EQ(namesAmong(sent[0], expected << "token"), headers.names());
    EXPECT_EQ(namesAmong(sent[1], expected), expected);
    for (const auto& [name, value] : headers.pairs()) {
        EXPECT_EQ(sent[1].header(name.toLatin1()), value.toUtf8()) << name.toStdString();
    }
    EXPECT_EQ(sent[1].header("token"), "tk-1");
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(sent[0].body, "jsonArgs={}");

    // The reply came parsed, on the main thread: here the request as the server saw it.
    ASSERT_EQ(plain->objects.size(), 1u);
    EXPECT_TRUE(plain->failures.empty());
    EXPECT_TRUE(plain->onMain);
    EXPECT_EQ(plain->objects[0].toMap().value("body").toString(), "jsonArgs={}");
}

TEST_F(QXIMRequestTest, HeaderHelpersEditTheInstalledSet) {
    request().addValuesFormDic(RequestHeaderSet().set("a", "1").set("b", "2"));
    request().addValue("3", "c");
    request().addSeq();
    EXPECT_FALSE(request().getValueFromHeader("SeqId").isEmpty());
    request().removeSeq();
    request().removeParam("a");
    request().removeValuesInHead(RequestHeaderSet().set("b", "ignored"));
    EXPECT_EQ(request().headOfHttp().names(), QStringList{"c"});
    EXPECT_TRUE(request().getValueFromHeader("a").isNull());

    // An empty set and no messaging token: no headers at all.
    request().addValuesFormDic(RequestHeaderSet());
    EXPECT_TRUE(request().headOfHttp().isEmpty());
    EXPECT_TRUE(request().httpClient()->defaultHeaders().isEmpty());
}

TEST_F(QXIMRequestTest, ASecondCallOfTheSameInterfaceAndURLCancelsTheFirst) {
    // The replies wait until every call that could cancel them has been made.
    server().setFault({.prefix = kDataShare, .hold = true});
    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    auto first = std::make_shared<Replies>();
    auto second = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "page=1", first->success(), first->failure());
    request().requestWithUrl(dataShare(), "echo", "page=2", second->success(), second->failure());
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(first));
    ASSERT_TRUE(waitFor(second));

    ASSERT_EQ(first->failures.size(), 1u);
    EXPECT_TRUE(first->objects.empty());
    EXPECT_TRUE(first->failureAt().value("msg").toString().contains("Code=-999"));
    EXPECT_FALSE(first->failureAt().contains("statusCode"));
    ASSERT_EQ(second->objects.size(), 1u);
    EXPECT_EQ(second->objects[0].toMap().value("body").toString(), "page=2");

    // The same interface to another URL (here one letter longer) is left alone.
    server().setFault({.prefix = kDataShare, .hold = true});
    auto one = std::make_shared<Replies>();
    auto other = std::make_shared<Replies>();
    request().requestWithUrl(dataShare("a"), "echo", "x", one->success(), one->failure());
    request().requestWithUrl(dataShare("ab"), "echo", "y", other->success(), other->failure());
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(one));
    ASSERT_TRUE(waitFor(other));
    EXPECT_EQ(one->objects.size(), 1u);
    EXPECT_EQ(other->objects.size(), 1u);

    // And so is a call whose interface differs; a screen closing cancels its own.
    server().setFault({.prefix = kDataShare, .hold = true});
    auto kept = std::make_shared<Replies>();
    auto closed = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "z", kept->success(), kept->failure());
    request().cancelToVikRequestByInterface("ping", dataShare());
    request().addValuesFormDic(RequestHeaderSet::dataShare("ping"));
    request().requestWithUrl(dataShare(), "ping", "", closed->success(), closed->failure());
    request().cancelToVikRequestByInterface("ping", dataShare());
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(kept));
    ASSERT_TRUE(waitFor(closed));
    EXPECT_EQ(kept->objects.size(), 1u);
    EXPECT_TRUE(closed->failureAt().value("msg").toString().contains("Code=-999"));
}

TEST_F(QXIMRequestTest, CallsOfTwoOwnersNeverCancelEachOther) {
    // The replies wait until every call that could cancel them has been made.
    server().setFault({.prefix = kDataShare, .hold = true});
    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    const QXIMRequest::Owner page = QXIMRequest::newOwner();
    const QXIMRequest::Owner list = QXIMRequest::newOwner();
    EXPECT_NE(page, list);
    EXPECT_NE(page, 0u);
    auto photos = std::make_shared<Replies>();
    auto houses = std::make_shared<Replies>();
    auto morePhotos = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "photos", page, photos->success(),
                             photos->failure());
    // The list asks, then leaves: its calls go, the page's stay.
    request().requestWithUrl(dataShare(), "echo", "houses", list, houses->success(),
                             houses->failure());
    request().cancelToVikRequestByInterface("echo", dataShare(), list);
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(houses));
    ASSERT_TRUE(waitFor(photos));
    EXPECT_TRUE(houses->failureAt().value("msg").toString().contains("Code=-999"));
    ASSERT_EQ(photos->objects.size(), 1u);
    EXPECT_EQ(photos->objects[0].toMap().value("body").toString(), "photos");

    // An owner's second call still replaces its first, and a cancel without an owner reaches
    // every owner's calls. Their replies are never let go: only cancels end them.
    server().setFault({.prefix = kDataShare, .hold = true});
    auto first = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "1", page, first->success(), first->failure());
    request().requestWithUrl(dataShare(), "echo", "2", page, morePhotos->success(),
                             morePhotos->failure());
    request().cancelToVikRequestByInterface("echo", dataShare());
    ASSERT_TRUE(waitFor(first));
    ASSERT_TRUE(waitFor(morePhotos));
    EXPECT_TRUE(first->failureAt().value("msg").toString().contains("Code=-999"));
    EXPECT_TRUE(morePhotos->failureAt().value("msg").toString().contains("Code=-999"));
}

TEST_F(QXIMRequestTest, OneMessageSendNeverCancelsAnother) {
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true});
    // A send carrying its own interface name as header is the one case the rule could
    // match: it still must not.
    request().addValuesFormDic(RequestHeaderSet::messaging().set("interface", "im-sendmsg"));
    const QString url = server().url(standin::paths::kMessageApi) + "?op=sendmsg";
    auto sends = std::make_shared<Replies>();
    request().requestWithUrl(url, "im-sendmsg", "{}", QVariant(1), sends->successWithUserInfo(),
                             sends->failureWithUserInfo());
    request().requestWithUrl(url, "im-sendmsg", "{}", QVariant(2), sends->successWithUserInfo(),
                             sends->failureWithUserInfo());
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(sends, 2));
    EXPECT_EQ(sends->objects.size(), 2u);
    EXPECT_TRUE(sends->failures.empty());
}

TEST_F(QXIMRequestTest, StatusesAndBodiesBecomeTheAgreedDictionaries) {
    request().addValuesFormDic(RequestHeaderSet::dataShare("ping"));
    const auto call = [&](const standin::FaultRule& fault) {
        server().setFault(fault);
        auto replies = std::make_shared<Replies>();
        request().requestWithUrl(dataShare(), "ping", "", replies->success(), replies->failure());
        EXPECT_TRUE(waitFor(replies));
        EXPECT_EQ(replies->calls(), 1);
        return replies;
    };

    const auto accepted = call({.prefix = kDataShare, .status = 201});
    EXPECT_EQ(accepted->failureAt(), (QVariantMap{{"statusCode", 201}}));

    const auto missing = call({.prefix = kDataShare, .status = 404, .body = "nf"});
    const QVariantMap notFound = missing->failureAt();
    EXPECT_EQ(notFound.keys(), (QStringList{"localizedRecoverySuggestion", "msg", "statusCode"}));
    EXPECT_EQ(notFound.value("statusCode").toInt(), 404);
    EXPECT_EQ(notFound.value("localizedRecoverySuggestion").toString(), "nf");
    EXPECT_TRUE(notFound.value("msg").toString().contains("got 404"));

    const auto notJson =
        call({.prefix = kDataShare, .body = "not json", .contentType = "text/plain"});
    ASSERT_EQ(notJson->objects.size(), 1u);
    EXPECT_FALSE(notJson->objects[0].isValid());

    const auto garbage = call({.prefix = kDataShare, .garbage = true});
    ASSERT_EQ(garbage->objects.size(), 1u);
    EXPECT_FALSE(garbage->objects[0].isValid());

    const auto zipped = call({.prefix = kDataShare, .gzip = true});
    ASSERT_EQ(zipped->objects.size(), 1u);
    EXPECT_EQ(zipped->objects[0].toMap().value("data").toString(), "pong");

    const auto cut = call({.prefix = kDataShare, .truncate = true});
    ASSERT_EQ(cut->failures.size(), 1u);
    EXPECT_FALSE(cut->failureAt().value("msg").toString().isEmpty());

    // A reply may bring 8 MB, decoded, and not a byte more, however it comes.
    constexpr qint64 kEightMegabytes = 8 * 1024 * 1024;
    const auto most = call({.prefix = kDataShare, .inflatesTo = kEightMegabytes});
    ASSERT_EQ(most->objects.size(), 1u);
    EXPECT_EQ(most->objects[0].toMap().value("data").toString(), "pong");
    for (const auto& tooLong :
         {standin::FaultRule{.prefix = kDataShare, .inflatesTo = kEightMegabytes + 1},
          standin::FaultRule{.prefix = kDataShare, .endless = true}}) {
        const auto failed = call(tooLong);
        ASSERT_EQ(failed->failures.size(), 1u);
        EXPECT_TRUE(failed->failureAt().value("msg").toString().contains("Code=-1103"));
    }
}

TEST_F(QXIMRequestTest, ACallTimesOutOnTheClock) {
    server().setFault({.prefix = kDataShare, .delayMs = 60000});
    request().addValuesFormDic(RequestHeaderSet::dataShare("ping"));
    auto replies = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "ping", "", replies->success(), replies->failure());
    ASSERT_TRUE(runMainLoopUntil([&] { return !server().requests(kDataShare).empty(); }));
    drainNetworkThread();

    clock().advance(59s);
    drainNetworkThread();
    drainMainLoop();
    EXPECT_EQ(replies->calls(), 0);
    clock().advance(1s);
    ASSERT_TRUE(runMainLoopUntil([&] { return replies->calls() > 0; }));
    EXPECT_TRUE(replies->failureAt().value("msg").toString().contains("Code=-1001"));

    // A reply that trickles in, a byte every 20 s of the clock, ends at two minutes all the
    // same, as a time-out; an upload, whose bytes go out slowly over a mobile link, at ten.
    server().setFault(
        {.prefix = kDataShare, .body = QByteArray(4096, ' ') + "{}", .trickleMs = 10});
    std::atomic<qint64> arrived{0};
    const auto followed = [&] {
        arrived = 0;
        const auto trickling = std::dynamic_pointer_cast<NKURLConnectionOperation>(
            request().httpClient()->operationQueue()->operations().back());
        if (trickling)
            trickling->setDownloadProgressBlock(
                [&](quint64, qint64 total, qint64) { arrived = total; });
        return trickling != nullptr;
    };
    // Whether the call was still on its way after the next byte, as the clock moved on.
    const auto onItsWayAfter = [&](const std::shared_ptr<Replies>& replies,
                                   std::chrono::seconds step) {
        const qint64 seen = arrived;
        if (!runMainLoopUntil([&] { return arrived > seen || replies->calls() > 0; }) ||
            replies->calls() > 0)
            return false;
        clock().advance(step);
        drainNetworkThread();
        drainMainLoop();
        return true;
    };
    auto trickled = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "ping", "", trickled->success(), trickled->failure());
    ASSERT_TRUE(followed());
    for (int step = 0; step < 5; ++step) ASSERT_TRUE(onItsWayAfter(trickled, 20s)) << step;
    ASSERT_TRUE(onItsWayAfter(trickled, 19s));
    EXPECT_EQ(trickled->calls(), 0);
    ASSERT_TRUE(onItsWayAfter(trickled, 1s));
    ASSERT_TRUE(runMainLoopUntil([&] { return trickled->calls() > 0; }));
    EXPECT_TRUE(trickled->failureAt().value("msg").toString().contains("Code=-1001"));

    auto uploaded = std::make_shared<Replies>();
    request().requestWithUrlWithDataParameter(dataShare(), "ping", QByteArray(1024, 'u'),
                                              QVariant(), uploaded->successWithUserInfo(),
                                              uploaded->failureWithUserInfo());
    ASSERT_TRUE(followed());
    for (int step = 0; step < 29; ++step) ASSERT_TRUE(onItsWayAfter(uploaded, 20s)) << step;
    ASSERT_TRUE(onItsWayAfter(uploaded, 19s));
    ASSERT_TRUE(onItsWayAfter(uploaded, 1s));
    ASSERT_TRUE(runMainLoopUntil([&] { return uploaded->calls() > 0; }));
    EXPECT_TRUE(uploaded->failureAt().value("msg").toString().contains("Code=-1001"));
}

TEST_F(QXIMRequestTest, TheExplicitMethodCallSendsOnlyWhatItCan) {
    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    auto put = std::make_shared<Replies>();
    request().requestWithUrlWithMethod(dataShare(), "echo", "a=1", "PUT", put->success(),
                                       put->failure());
    ASSERT_TRUE(waitFor(put));
    EXPECT_TRUE(put->objects.empty());
    EXPECT_TRUE(put->failureAt().value("msg").toString().contains("PUT"));
    EXPECT_TRUE(server().requests(kDataShare).empty());

    auto get = std::make_shared<Replies>();
    request().requestWithUrlWithMethod(dataShare(), "echo", "a=1", "GET", get->success(),
                                       get->failure());
    ASSERT_TRUE(waitFor(get));
    auto post = std::make_shared<Replies>();
    request().requestWithUrlWithMethod(dataShare("p"), "echo", "a=1", "POST", post->success(),
                                       post->failure());
    ASSERT_TRUE(waitFor(post));
    auto fallback = std::make_shared<Replies>();
    request().requestWithUrlWithMethod(dataShare("d"), "echo", "a=1", "", fallback->success(),
                                       fallback->failure());
    ASSERT_TRUE(waitFor(fallback));

    const auto sent = server().requests(kDataShare);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].method, "GET");
    EXPECT_TRUE(sent[0].query.isEmpty());
    EXPECT_TRUE(sent[0].body.isEmpty());
    EXPECT_EQ(sent[1].method, "POST");
    EXPECT_EQ(sent[1].body, "a=1");
    EXPECT_EQ(sent[2].method, "GET");
    EXPECT_TRUE(sent[2].body.isEmpty());
}

TEST_F(QXIMRequestTest, AnEmptyURLIsAnsweredWithAFailureInsteadOfSilence) {
    auto main = std::make_shared<Replies>();
    request().requestWithUrl("", "echo", "a=1", main->success(), main->failure());
    auto get = std::make_shared<Replies>();
    request().requestWithUrl("", get->success(), get->failure());
    auto bytes = std::make_shared<Replies>();
    request().requestWithUrlSuccessWithData("", bytes->data(), bytes->failure());
    for (const auto& replies : {main, get, bytes}) {
        ASSERT_TRUE(waitFor(replies));
        EXPECT_EQ(replies->calls(), 1);
        EXPECT_TRUE(replies->failureAt().value("msg").toString().contains("Code=-1000"));
        EXPECT_TRUE(replies->onMain);
    }

    auto picture = std::make_shared<Replies>();
    request().requestWithUrlForImage("", picture->data(), picture->failure(), nullptr);
    EXPECT_EQ(picture->failureAt(), (QVariantMap{{"error", QString::fromUtf8("url为空")}}));
}

TEST_F(QXIMRequestTest, TheUserInfoComesBackUnchangedToExactlyOneBlock) {
    const QVariant info = QVariantMap{{"row", 7}, {"talk", "1-2"}};
    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    auto good = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "a=1", info, good->successWithUserInfo(),
                             good->failureWithUserInfo());
    ASSERT_TRUE(waitFor(good));
    ASSERT_EQ(good->objects.size(), 1u);
    EXPECT_TRUE(good->failures.empty());
    EXPECT_EQ(good->userInfos, std::vector<QVariant>{info});
    // Let go of once handed back.
    ASSERT_TRUE(request()._operation());
    EXPECT_FALSE(QXClient::userInfo(*request()._operation()).isValid());

    server().setFault({.prefix = kDataShare, .status = 500});
    auto bad = std::make_shared<Replies>();
    request().requestWithUrl(dataShare(), "echo", "a=1", info, bad->successWithUserInfo(),
                             bad->failureWithUserInfo());
    ASSERT_TRUE(waitFor(bad));
    EXPECT_TRUE(bad->objects.empty());
    EXPECT_EQ(bad->failureAt().value("statusCode").toInt(), 500);
    EXPECT_EQ(bad->userInfos, std::vector<QVariant>{info});
}

TEST_F(QXIMRequestTest, BytesCallsHandOverTheBodyAndFailWithTheMessageOnly) {
    server().setFault({.prefix = "/img/", .status = 404, .times = 1});
    auto missing = std::make_shared<Replies>();
    request().requestWithUrlSuccessWithData(server().url("/img/none.png"), missing->data(),
                                            missing->failure());
    ASSERT_TRUE(waitFor(missing));
    EXPECT_EQ(missing->failureAt().keys(), QStringList{"msg"});

    auto picture = std::make_shared<Replies>();
    request().requestWithUrlSuccessWithData(server().url("/img/test/red.png"), picture->data(),
                                            picture->failure());
    ASSERT_TRUE(waitFor(picture));
    ASSERT_EQ(picture->objects.size(), 1u);
    EXPECT_TRUE(picture->objects[0].toByteArray().startsWith("\x89PNG"));

    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    auto posted = std::make_shared<Replies>();
    request().requestWithUrlWithDataParameter(dataShare(), "echo", QByteArray("\x00\x01", 2),
                                              QVariant("up"), posted->successWithUserInfo(),
                                              posted->failureWithUserInfo());
    ASSERT_TRUE(waitFor(posted));
    ASSERT_EQ(posted->objects.size(), 1u);
    EXPECT_EQ(posted->objects[0].toMap().value("bodyBase64").toString(), "AAE=");
    EXPECT_EQ(posted->userInfos[0].toString(), "up");
}

TEST_F(QXIMRequestTest, ThePictureDownloadGoesWithoutHeadersAndReportsProgress) {
    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    auto picture = std::make_shared<Replies>();
    qint64 received = 0;
    request().requestWithUrlForImage(server().url("/img/test/red.png"), picture->data(),
                                     picture->failure(),
                                     [&](quint64, qint64 total, qint64) { received = total; });
    ASSERT_TRUE(waitFor(picture));
    ASSERT_EQ(picture->objects.size(), 1u);
    const QByteArray png = picture->objects[0].toByteArray();
    EXPECT_TRUE(png.startsWith("\x89PNG"));
    EXPECT_EQ(received, png.size());
    const auto sent = server().requests("/img/");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FALSE(sent[0].hasHeader("interface"));
    EXPECT_FALSE(sent[0].hasHeader("customerId"));
    EXPECT_TRUE(request().headOfHttp().isEmpty());

    auto missing = std::make_shared<Replies>();
    request().requestWithUrlForImage(server().url("/img/none.png"), missing->data(),
                                     missing->failure(), nullptr);
    ASSERT_TRUE(waitFor(missing));
    EXPECT_EQ(missing->failureAt(), (QVariantMap{{"error", "http result error"}}));
}

TEST_F(QXIMRequestTest, TheRarelyUsedFormsKeepTheirOwnRules) {
    request().addValuesFormDic(RequestHeaderSet::dataShare("ping"));
    // Raw bytes of a 200 reply; {"statusCode"} for another accepted status.
    auto found = std::make_shared<Replies>();
    request().requestFindHouseWithUrl(dataShare(), "ping", "a=1", found->data(), found->failure());
    ASSERT_TRUE(waitFor(found));
    ASSERT_EQ(found->objects.size(), 1u);
    EXPECT_TRUE(found->objects[0].toByteArray().contains("\"pong\""));
    server().setFault({.prefix = kDataShare, .status = 202, .times = 1});
    auto pushed = std::make_shared<Replies>();
    request().requestWithUrlForPush(dataShare(), "ping", QString(), pushed->data(),
                                    pushed->failure());
    ASSERT_TRUE(waitFor(pushed));
    EXPECT_EQ(pushed->failureAt(), (QVariantMap{{"statusCode", 202}}));

    // No pre-cancel: the same call twice runs twice.
    server().setFault({.prefix = kDataShare, .hold = true});
    auto twice = std::make_shared<Replies>();
    request().goOnRequestWithUrl(dataShare(), "ping", "", twice->success(), twice->failure());
    request().goOnRequestWithUrl(dataShare(), "ping", "", twice->success(), twice->failure());
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor(twice, 2));
    EXPECT_EQ(twice->objects.size(), 2u);

    // The upload's progress ends at the whole body, with the call's user info.
    server().setFaults({});
    double progress = 0;
    QVariant progressInfo;
    auto uploaded = std::make_shared<Replies>();
    request().uploadDataWithURL(
        dataShare(), "ping", QByteArray(200 * 1024, 'u'), QVariant("voice"),
        [&](double share, const QVariant& info) {
            progress = share;
            progressInfo = info;
        },
        uploaded->successWithUserInfo(), uploaded->failureWithUserInfo());
    ASSERT_TRUE(waitFor(uploaded));
    EXPECT_EQ(uploaded->objects.size(), 1u);
    EXPECT_DOUBLE_EQ(progress, 1.0);
    EXPECT_EQ(progressInfo.toString(), "voice");
    EXPECT_EQ(uploaded->userInfos[0].toString(), "voice");
}

// The messaging stream's blocks, on the library's queue.
struct StreamReplies : std::enable_shared_from_this<StreamReplies> {
    std::mutex mutex;
    std::vector<QByteArray> chunks;
    std::vector<QVariantMap> failures;
    bool onQueue = true;

    QXIMRequest::DataSuccessBlock success(const std::shared_ptr<ns::DispatchQueue>& queue) {
        return [self = shared_from_this(), queue](const QByteArray& chunk) {
            std::lock_guard guard(self->mutex);
            self->chunks.push_back(chunk);
            self->onQueue = self->onQueue && queue->isCurrent();
        };
    }
    QXIMRequest::FailureBlock failure(const std::shared_ptr<ns::DispatchQueue>& queue) {
        return [self = shared_from_this(), queue](const QVariantMap& failure) {
            std::lock_guard guard(self->mutex);
            self->failures.push_back(failure);
            self->onQueue = self->onQueue && queue->isCurrent();
        };
    }
    [[nodiscard]] std::size_t chunkCount() {
        std::lock_guard guard(mutex);
        return chunks.size();
    }
    [[nodiscard]] std::size_t failureCount() {
        std::lock_guard guard(mutex);
        return failures.size();
    }
    // The bytes of every chunk so far, in order.
    [[nodiscard]] QByteArray joined() {
        std::lock_guard guard(mutex);
        QByteArray bytes;
        for (const QByteArray& chunk : chunks) bytes += chunk;
        return bytes;
    }
    // Whether the stream ended: by a failure, or by the empty chunk of its normal end.
    [[nodiscard]] bool ended() {
        std::lock_guard guard(mutex);
        return !failures.empty() || (!chunks.empty() && chunks.back().isEmpty());
    }
};

TEST_F(QXIMRequestTest, TheMessagingStreamHandsOverEveryChunkThenTheEndAndGoesAway) {
    const QByteArray a = "<script>A</script>";
    const QByteArray b = "<script>BB</script>";
    const QByteArray c = "<script>CCC</script>";
    server().setStream({.segments = {a, b, c}, .count = 3, .intervalMs = 150});
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    auto replies = std::make_shared<StreamReplies>();
    request().addValuesFormDic(RequestHeaderSet::messagingStream());
    request().requsetWithImNetWork(server().url(standin::paths::kStreamReceive), queue,
                                   replies->success(queue), replies->failure(queue));
    std::weak_ptr<ns::Operation> stream;
    {
        const auto queued = request().httpClient()->operationQueue()->operations();
        ASSERT_EQ(queued.size(), 1u);
        stream = queued.front();
    }

    ASSERT_TRUE(runMainLoopUntil([&] { return replies->ended(); }));
    queue->sync([] {});
    // The three segments, whole and in order, then the end once: 150 ms apart they come in
    // reads of their own, but a busy machine may read two of them at once.
    EXPECT_EQ(replies->joined(), a + b + c);
    ASSERT_FALSE(replies->chunks.empty());
    EXPECT_TRUE(replies->chunks.back().isEmpty());
    EXPECT_EQ(std::count(replies->chunks.begin(), replies->chunks.end(), QByteArray()), 1);
    EXPECT_EQ(replies->failureCount(), 0u);
    EXPECT_TRUE(replies->onQueue);
    EXPECT_TRUE(runMainLoopUntil([&] { return stream.expired(); }));
    // The stream is no one's _operation(): that belongs to the main thread's calls.
    EXPECT_FALSE(request()._operation());

    const auto sent = server().requests(standin::paths::kStreamReceive);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].header("contentformat"), "bin");
    EXPECT_FALSE(sent[0].hasHeader("interface"));
}

// Each piece of the stream comes with the chunks of the reply's framing it came in: the stand-in
// writes a segment a chunk, and a body cut into chunks of 3 bytes comes in a chunk each 3.
TEST_F(QXIMRequestTest, EachPieceOfTheStreamComesWithTheChunksItCameIn) {
    const QByteArray a = "<script>A</script>";
    const QByteArray b = "<script>BB</script>";
    server().setStream({.segments = {a, b}, .count = 2, .intervalMs = 30});
    const auto read = [&] {
        auto queue = std::make_shared<ns::SerialQueue>("messaging");
        auto pieces = std::make_shared<std::vector<std::pair<QByteArray, qint64>>>();
        auto ended = std::make_shared<std::atomic<bool>>(false);
        request().receiveStream(
            server().url(standin::paths::kStreamReceive), queue,
            [pieces, ended](const QByteArray& piece, qint64 chunks) {
                if (piece.isEmpty()) *ended = true;
                if (!piece.isEmpty()) pieces->emplace_back(piece, chunks);
            },
            [ended](const QVariantMap&) { *ended = true; });
        EXPECT_TRUE(runMainLoopUntil([&] { return ended->load(); }));
        queue->sync([] {});
        QByteArray joined;
        qint64 chunks = 0;
        for (const auto& [piece, count] : *pieces) {
            EXPECT_GE(count, 1) << piece.toStdString();
            joined += piece;
            chunks += count;
        }
        return std::pair{joined, chunks};
    };
    EXPECT_EQ(read(), (std::pair{a + b, qint64(2)}));

    server().setFault({.prefix = standin::paths::kStreamReceive, .body = a, .chunkBytes = 3});
    EXPECT_EQ(read(), (std::pair{a, qint64(6)}));
}

TEST_F(QXIMRequestTest, ABrokenOrCancelledStreamFailsOnItsQueue) {
    server().setStream(
        {.segments = {"<script>a</script>", "<script>b</script>"}, .count = -1, .intervalMs = 30});
    server().setFault({.prefix = standin::paths::kStreamReceive, .dropAfterChunks = 2});
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    const QString url = server().url(standin::paths::kStreamReceive);
    auto dropped = std::make_shared<StreamReplies>();
    request().requsetWithImNetWork(url, queue, dropped->success(queue), dropped->failure(queue));
    ASSERT_TRUE(runMainLoopUntil([&] { return dropped->ended(); }));
    queue->sync([] {});
    // The two segments the server wrote before it broke off, whole and in order: 30 ms apart
    // they come in reads of their own, but a busy machine may read them at once.
    EXPECT_EQ(dropped->joined(), "<script>a</script><script>b</script>");
    EXPECT_EQ(dropped->failures[0].keys(), QStringList{"msg"});
    EXPECT_TRUE(dropped->onQueue);

    server().setFaults({});
    server().setStream({.count = -1, .heartbeatMs = 20});
    auto cancelled = std::make_shared<StreamReplies>();
    request().requsetWithImNetWork(url, queue, cancelled->success(queue),
                                   cancelled->failure(queue));
    ASSERT_TRUE(runMainLoopUntil([&] { return cancelled->chunkCount() >= 2; }));
    request().cancelIMNetWork();
    ASSERT_TRUE(runMainLoopUntil([&] { return cancelled->failureCount() == 1; }));
    queue->sync([] {});
    const std::size_t before = cancelled->chunkCount();
    EXPECT_TRUE(cancelled->failures[0].value("msg").toString().contains("Code=-999"));
    runMainLoopUntil([] { return false; }, 100ms);
    queue->sync([] {});
    EXPECT_EQ(cancelled->chunkCount(), before);

    auto empty = std::make_shared<StreamReplies>();
    request().requsetWithImNetWork("", queue, empty->success(queue), empty->failure(queue));
    ASSERT_TRUE(runMainLoopUntil([&] { return empty->failureCount() == 1; }));
    EXPECT_TRUE(empty->onQueue);
}

TEST_F(QXIMRequestTest, TheMessagingStreamRunsPastTheBoundsOfEveryCall) {
    // More than any reply may bring, then heartbeats for longer than any call may take.
    const QByteArray big = "<script>" + QByteArray(1024 * 1024, 'm') + "</script>";
    server().setStream({.segments = QList<QByteArray>(24, big), .count = -1, .heartbeatMs = 20});
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    auto replies = std::make_shared<StreamReplies>();
    request().requsetWithImNetWork(server().url(standin::paths::kStreamReceive), queue,
                                   replies->success(queue), replies->failure(queue));
    const auto received = [&] {
        std::lock_guard guard(replies->mutex);
        qint64 bytes = 0;
        for (const QByteArray& chunk : replies->chunks) bytes += chunk.size();
        return bytes;
    };
    ASSERT_TRUE(runMainLoopUntil([&] { return received() > 24 * big.size() || replies->ended(); }));
    ASSERT_FALSE(replies->ended());
    for (int step = 0; step < 12; ++step) {
        clock().advance(30s);
        drainNetworkThread();
        queue->sync([] {});
        const std::size_t before = replies->chunkCount();
        ASSERT_TRUE(runMainLoopUntil([&] {
            return replies->chunkCount() > before || replies->ended();
        })) << step;
        ASSERT_FALSE(replies->ended()) << step;
    }
    request().cancelIMNetWork();
    ASSERT_TRUE(runMainLoopUntil([&] { return replies->failureCount() == 1; }));
}

TEST_F(QXIMRequestTest, NoRequestIsPipelinedBehindTheEndlessStream) {
    server().setStream({.count = -1, .heartbeatMs = 20});
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    auto replies = std::make_shared<StreamReplies>();
    const auto stream =
        request().requsetWithImNetWork(server().url(standin::paths::kStreamReceive), queue,
                                       replies->success(queue), replies->failure(queue));
    ASSERT_NE(stream, nullptr);
    // A request queued behind the stream on its connection would never be answered.
    EXPECT_FALSE(stream->request().httpShouldUsePipelining());
    ASSERT_TRUE(runMainLoopUntil([&] { return replies->chunkCount() >= 1; }));

    // A GET sent while the stream runs is answered, and other GETs still allow pipelining.
    auto plain = std::make_shared<Replies>();
    request().requestWithUrl(dataShare("?op=echo"), plain->success(), plain->failure());
    ASSERT_TRUE(waitFor(plain));
    ASSERT_NE(request()._operation(), nullptr);
    EXPECT_TRUE(request()._operation()->request().httpShouldUsePipelining());
    request().cancelIMNetWork();
    ASSERT_TRUE(runMainLoopUntil([&] { return replies->failureCount() == 1; }));
}

TEST_F(QXIMRequestTest, CallsFromAnotherThreadNeverSeeTheMainThreadsHeaders) {
    constexpr int kCalls = 40;
    auto replies = std::make_shared<Replies>();
    auto worker = std::make_shared<ns::SerialQueue>("messaging");
    worker->async([&, replies] {
        for (int i = 0; i < kCalls; ++i) {
            request().addValuesFormDic(
                RequestHeaderSet::dataShare("echo").set("caller", QString("worker-%1").arg(i)));
            request().requestWithUrl(dataShare(QString("w%1").arg(i)), "echo", "",
                                     replies->success(), replies->failure());
        }
    });
    for (int i = 0; i < kCalls; ++i) {
        request().addValuesFormDic(
            RequestHeaderSet::dataShare("echo").set("caller", QString("main-%1").arg(i)));
        request().requestWithUrl(dataShare(QString("m%1").arg(i)), "echo", "", replies->success(),
                                 replies->failure());
    }
    ASSERT_TRUE(waitFor(replies, 2 * kCalls));
    worker->sync([] {});
    EXPECT_TRUE(replies->failures.empty());

    const auto sent = server().requests(kDataShare);
    ASSERT_EQ(sent.size(), 2u * kCalls);
    for (const auto& call : sent) {
        const QByteArray tail = call.path.mid(qsizetype(std::strlen(kDataShare)));
        const QByteArray expected = (tail.startsWith('w') ? "worker-" : "main-") + tail.mid(1);
        EXPECT_EQ(call.header("caller"), expected) << call.target.toStdString();
    }
    // The main thread's set is the client's; the worker's stayed with the worker.
    EXPECT_EQ(request().getValueFromHeader("caller"), QString("main-%1").arg(kCalls - 1));
}

TEST_F(QXIMRequestTest, ALogonReadsTheHeadersOfItsOwnReplyWhileTheStreamRuns) {
    server().setStream({.count = -1, .heartbeatMs = 2});
    auto queue = std::make_shared<ns::SerialQueue>("messaging");
    auto stream = std::make_shared<StreamReplies>();
    request().requsetWithImNetWork(server().url(standin::paths::kStreamReceive), queue,
                                   stream->success(queue), stream->failure(queue));
    ASSERT_TRUE(runMainLoopUntil([&] { return stream->chunkCount() > 10; }));

    const QString users = server().url(standin::paths::kUsers);
    QStringList tokens;
    for (int logon = 0; logon < 10; ++logon) {
        request().addValuesFormDic(RequestHeaderSet::usersEndpoint("userLogin", true));
        auto replies = std::make_shared<Replies>();
        request().requestWithUrlWithMethod(
            users, "userLogin", "loginName=a&password=b", "POST",
            [&](const QVariant&) {
                // Let the stream deliver more chunks before the reply headers are read.
                const std::size_t seen = stream->chunkCount();
                const auto until = std::chrono::steady_clock::now() + 1s;
                while (stream->chunkCount() < seen + 2 && std::chrono::steady_clock::now() < until)
                    std::this_thread::yield();
                const auto own = request()._operation();
                tokens << (own && own->HTTPResponse()
                               ? own->HTTPResponse()->allHeaderFields().value("Token")
                               : QString());
            },
            replies->failure());
        ASSERT_TRUE(runMainLoopUntil([&] { return tokens.size() == logon + 1; }));
    }
    request().cancelIMNetWork();
    for (int logon = 0; logon < tokens.size(); ++logon) {
        EXPECT_EQ(tokens[logon], QString("token-%1").arg(logon + 1));
    }
}

}  // namespace

TEST_F(QXIMRequestTest, URLsGoOutAsWrittenOrFailAsBadURLs) {
    request().addValuesFormDic(RequestHeaderSet::dataShare("echo"));
    // Valid escapes, in either case, and characters a lenient reader would change.
    const QString written = "?k=a%41b&c=%7e&d=%2f%2F&e=a+b&f=(x)!*'";
    auto sent = std::make_shared<Replies>();
    request().requestWithUrl(dataShare() + written, "echo", QString(), sent->success(),
                             sent->failure());
    ASSERT_TRUE(waitFor(sent));
    ASSERT_EQ(sent->objects.size(), 1u);
    const auto recorded = server().requests(kDataShare);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].target, QByteArray(kDataShare) + written.toLatin1());

    // A stray "%" or a space makes no URL: nothing is sent, the failure names a bad URL.
    for (const QString& bad : {dataShare() + "?k=a%41 b&c=%zz", dataShare() + "?p=100%"}) {
        auto refused = std::make_shared<Replies>();
        request().requestWithUrl(bad, "echo", QString(), refused->success(), refused->failure());
        ASSERT_TRUE(waitFor(refused));
        ASSERT_EQ(refused->failures.size(), 1u) << bad.toStdString();
        EXPECT_TRUE(refused->failureAt().value("msg").toString().contains("Code=-1000"))
            << refused->failureAt().value("msg").toString().toStdString();
    }
    EXPECT_EQ(server().requests(kDataShare).size(), 1u);
}
