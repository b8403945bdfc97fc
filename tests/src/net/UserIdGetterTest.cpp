#include "net/UserIdGetter.h"

#include "net/EndpointTable.h"

#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"

#include "ServiceCallFixture.h"

namespace paths = standin::paths;

class UserIdGetterTest : public ServiceCallFixture {
protected:
    void SetUp() override {
        ServiceCallFixture::SetUp();
        context().setDeviceId("DEVICE-1");
    }
    void TearDown() override {
        if (getter_->getterTimer()) getter_->getterTimer()->invalidate();
        ServiceCallFixture::TearDown();
    }

    // Queries (or lets the timer query) and waits until the reply has done what `done`
    // looks for.
    void queried(const std::function<void()>& ask, const std::function<bool()>& done) {
        ask();
        ASSERT_TRUE(waitUntil(done));
    }
    // Marks the user id, so that the next failure shows by setting the fallback again.
    bool failedAgain() { return context().userId() == EndpointTable::fallbackUserId(); }
    void markUserId() { context().setUserId("SOMETHING"); }
    std::function<bool()> userIdIs(const QString& userId) {
        return [this, userId] { return context().userId() == userId; };
    }

    static ns::UserDefaults& defaults() { return ns::UserDefaults::standardUserDefaults(); }

    std::shared_ptr<UserIdGetter> getter_ = std::make_shared<UserIdGetter>();
};

TEST_F(UserIdGetterTest, FailuresLeaveTheFallbackIdAndOneRetryTimer) {
    server().setFault({.prefix = paths::kDataShare, .status = 503});
    markUserId();
    queried([&] { getter_->queryUserId(); }, [&] { return failedAgain(); });

    const auto sent = server().requests(paths::kDataShare);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "GET");
    EXPECT_EQ(sent[0].target, "/datashare/");
    EXPECT_TRUE(sent[0].body.isEmpty());
    const QStringList order{"customerId",    "clientAgent", "model",     "versionId",
                            "contentformat", "agency",      "interface", "imei"};
    EXPECT_EQ(namesAmong(sent[0], order), order);
    EXPECT_EQ(sent[0].header("interface"), "userRegister");
    EXPECT_EQ(sent[0].header("imei"), "DEVICE-1");
    EXPECT_FALSE(sent[0].hasHeader("idfa"));

    for (int failure = 1; failure <= 3; ++failure) {
        EXPECT_TRUE(getter_->gotFailed()) << failure;
        EXPECT_EQ(context().userId(), EndpointTable::fallbackUserId()) << failure;
        ASSERT_TRUE(getter_->getterTimer());
        EXPECT_TRUE(getter_->getterTimer()->isValid());
        EXPECT_EQ(clock().scheduledCount(), 1u) << "one retry timer, nothing else";
        markUserId();
        if (failure < 3) queried([&] { clock().advance(10s); }, [&] { return failedAgain(); });
    }
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 3u);
}

TEST_F(UserIdGetterTest, AGetterThatNobodyHoldsStillFallsBackRetriesAndEndsWithItsId) {
    server().setFault({.prefix = paths::kDataShare, .status = 503, .times = 1});
    markUserId();
    std::weak_ptr<UserIdGetter> left;
    {
        auto getter = std::make_shared<UserIdGetter>();
        left = getter;
        getter->queryUserId();
    }
    ASSERT_TRUE(waitUntil([&] { return failedAgain(); }));
    ASSERT_FALSE(left.expired()) << "its retry timer holds it";

    server().setFault({.prefix = paths::kDataShare, .body = "{\"userid\":\"U\"}"});
    queried([&] { clock().advance(10s); }, userIdIs("U"));
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 2u);
    EXPECT_TRUE(waitUntil([&] { return left.expired(); })) << "let go once it has its id";
}

TEST_F(UserIdGetterTest, ARealIdIsStoredAndStopsTheRetries) {
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    markUserId();
    queried([&] { getter_->queryUserId(); }, [&] { return failedAgain(); });
    ASSERT_TRUE(getter_->getterTimer());

    server().setFault(
        {.prefix = paths::kDataShare, .body = "{\"userid\":\"U\",\"anonymousLoginId\":7}"});
    queried([&] { clock().advance(10s); }, userIdIs("U"));
    EXPECT_FALSE(getter_->gotFailed());
    EXPECT_FALSE(getter_->getterTimer()->isValid());
    EXPECT_EQ(defaults().objectForKey("userId"), QVariant("U"));
    EXPECT_EQ(defaults().objectForKey("anonymousLoginId"), QVariant(qint64(7)));
    EXPECT_EQ(context().imUserId(), 7);
    EXPECT_EQ(context().imUserChangedCount(), 1);

    clock().advance(30s);
    settle();
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 2u) << "no query after success";
}

TEST_F(UserIdGetterTest, RepliesWithoutAUserIdAreFailuresUntilARealOneComes) {
    // Status 200, but no JSON; then JSON without "userid"; then an empty one.
    server().setFault({.prefix = paths::kDataShare, .garbage = true});
    markUserId();
    queried([&] { getter_->queryUserId(); }, [&] { return failedAgain(); });
    EXPECT_TRUE(getter_->gotFailed());
    EXPECT_EQ(context().userId(), EndpointTable::fallbackUserId());
    EXPECT_FALSE(defaults().objectForKey("userId").isValid());

    for (const char* reply : {"{\"status\":-1,\"errDetail\":\"busy\"}", "{\"userid\":\"\"}"}) {
        server().setFault({.prefix = paths::kDataShare, .body = reply});
        markUserId();
        queried([&] { clock().advance(10s); }, [&] { return failedAgain(); });
        EXPECT_TRUE(getter_->gotFailed()) << reply;
        EXPECT_EQ(context().userId(), EndpointTable::fallbackUserId()) << reply;
        EXPECT_FALSE(defaults().objectForKey("userId").isValid()) << reply;
        EXPECT_TRUE(getter_->getterTimer()->isValid()) << reply;
    }
    EXPECT_EQ(context().imUserChangedCount(), 0);

    // The stand-in's own answer: a real id at last.
    server().setFaults({});
    markUserId();
    queried([&] { clock().advance(10s); }, [&] { return !failedAgain() && !getter_->gotFailed(); });
    EXPECT_FALSE(getter_->gotFailed());
    EXPECT_EQ(context().userId().size(), 32);
    EXPECT_NE(context().userId(), EndpointTable::fallbackUserId());
    EXPECT_EQ(defaults().stringForKey("userId"), context().userId());
    EXPECT_GT(context().imUserId(), 0);
    EXPECT_FALSE(getter_->getterTimer()->isValid());
}

TEST_F(UserIdGetterTest, AReplyWithoutAnonymousLoginIdRemovesTheStoredOne) {
    defaults().setInteger(5, "anonymousLoginId");
    server().setFault({.prefix = paths::kDataShare, .body = "{\"userid\":\"U2\"}"});
    queried([&] { getter_->queryUserId(); }, userIdIs("U2"));
    EXPECT_FALSE(defaults().objectForKey("anonymousLoginId").isValid());
    EXPECT_EQ(context().imUserId(), 0);
    EXPECT_FALSE(getter_->getterTimer()) << "a success makes no timer";
}
