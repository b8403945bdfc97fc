#include "account/QXUserInfo.h"
#include "account/UserLogonData.h"
#include "platform/foundation/user_defaults.h"
#include "standin/FormFields.h"

#include "StandinFixture.h"

namespace {

class UserLogonDataTest : public StandinFixture {
protected:
    [[nodiscard]] static ns::UserDefaults& defaults() {
        return ns::UserDefaults::standardUserDefaults();
    }
    // What the failure callbacks were told, in order.
    QStringList failures;
    int successes = 0;
    UserLogonData::Success countSuccess() {
        return [this] { ++successes; };
    }
    UserLogonData::Failure keepFailure() {
        return [this](const QString& reason) { failures << reason; };
    }
};

TEST_F(UserLogonDataTest, AnAutomaticLogonCancelledByTheNextOneIsNoFailure) {
    QXUserInfo user;
    user.setLogonSuccess(true);
    user.setLoginID(100007);
    // Launch and coming back to the foreground may each start one, the second cancelling
    // the first: only the second answers, and the user stays logged on.
    UserLogonData::startHttpRequestWithLoginID("100007", user, countSuccess(), keepFailure());
    UserLogonData::startHttpRequestWithLoginID("100007", user, countSuccess(), keepFailure());
    ASSERT_TRUE(runMainLoopUntil([&] { return successes == 1; }));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(',').toStdString();
    EXPECT_TRUE(user.sessionID().startsWith("auto-session-"));
}

TEST_F(UserLogonDataTest, ARefusalCarriesTheServersReasonAndALostRequestNone) {
    QXUserInfo user;
    server().setFault({.prefix = "/users/", .body = R"({"status":-1,"errDetail":"账号已停用"})"});
    UserLogonData::logonWithName("demo", user, countSuccess(), keepFailure());
    ASSERT_TRUE(runMainLoopUntil([&] { return failures.size() == 1; }));
    EXPECT_EQ(failures.front(), QStringLiteral("账号已停用"));

    // A reply without any status is no logon either.
    server().setFault({.prefix = "/users/", .body = R"({"errDetail":""})"});
    UserLogonData::logonWithName("demo", user, countSuccess(), keepFailure());
    ASSERT_TRUE(runMainLoopUntil([&] { return failures.size() == 2; }));

    server().setFault({.prefix = "/users/", .status = 500});
    UserLogonData::logonWithName("demo", user, countSuccess(), keepFailure());
    ASSERT_TRUE(runMainLoopUntil([&] { return failures.size() == 3; }));
    EXPECT_TRUE(failures.back().isEmpty());
    EXPECT_EQ(successes, 0);
    EXPECT_FALSE(user.logonSuccess());
    EXPECT_FALSE(defaults().objectForKey("loginID").isValid());
}

TEST_F(UserLogonDataTest, ALogonByNameIsKeptAndReadBackAsTheNextRunsLogon) {
    auto user = std::make_shared<QXUserInfo>();
    UserLogonData::logonWithName("demo", *user, countSuccess(), keepFailure());
    ASSERT_TRUE(runMainLoopUntil([&] { return successes == 1; }));
    ASSERT_TRUE(user->logonSuccess());
    EXPECT_GT(user->loginID(), 0);
    EXPECT_EQ(user->userId(), user->loginID());

    QXUserInfo nextRun;
    nextRun.readFromUserDefault();
    EXPECT_TRUE(nextRun.logonSuccess());
    EXPECT_EQ(nextRun.loginID(), user->loginID());
    EXPECT_EQ(nextRun.token(), user->token());
    EXPECT_EQ(nextRun.sessionID(), user->sessionID());
    EXPECT_FALSE(nextRun.token().isEmpty());

    // The logout goes out with the login id of the logon.
    UserLogonData::autoLogoutRequestWithSuccess(user->loginID(), countSuccess(), keepFailure());
    ASSERT_TRUE(runMainLoopUntil([&] { return successes == 2; }));
    const auto logouts = server().requests("/users/");
    ASSERT_FALSE(logouts.empty());
    EXPECT_EQ(standin::FormFields(logouts.back().body).number("loginId"), user->loginID());
}

TEST_F(UserLogonDataTest, ALogoffForgetsTheLogonInMemoryAndInTheStore) {
    defaults().setInteger(55, "anonymousLoginId");
    defaults().setInteger(100007, "loginID");
    defaults().setBool(true, "lastLogonState");
    defaults().setObject("s", "sessionID");
    defaults().setObject("t", "token");
    defaults().setObject("n", "loginName");
    defaults().setObject("w", "wapSessionId");
    QXUserInfo user;
    user.readFromUserDefault();
    ASSERT_TRUE(user.logonSuccess());
    EXPECT_EQ(user.loginName(), "n");

    user.removeMemoryLogonInfo();
    EXPECT_FALSE(user.logonSuccess());
    EXPECT_EQ(user.loginID(), 55);
    EXPECT_TRUE(user.sessionID().isEmpty());
    EXPECT_TRUE(user.token().isEmpty());
    EXPECT_TRUE(user.loginName().isEmpty());

    QXUserInfo::removeFileLogonInfo();
    for (const char* key : {"loginID", "sessionID", "token", "loginName", "wapSessionId"}) {
        EXPECT_FALSE(defaults().objectForKey(key).isValid()) << key;
    }
    // Whatever "lastLogonState" still says, no stored login id means no logon.
    QXUserInfo nextRun;
    nextRun.readFromUserDefault();
    EXPECT_FALSE(nextRun.logonSuccess());
    EXPECT_EQ(nextRun.loginID(), 55);
}

}  // namespace
