#include "net/QXUserInfoNetwork.h"

#include "net/EndpointTable.h"

#include "ServiceCallFixture.h"

namespace {

const QByteArray kUsers = "/users/";

struct ProfileListener : QXUserInfoNetworkDelegate {
    void newNetWorkForQXUerInfo(QXUserInfoNetwork& network) override {
        profiles.push_back(network.resultDic());
    }
    std::vector<QVariantMap> profiles;
};

}  // namespace

class QXUserInfoNetworkTest : public ServiceCallFixture {
protected:
    void SetUp() override {
        ServiceCallFixture::SetUp();
        context().setUserId("U-1");
        context().setLogonState({.loginID = 42, .sessionID = "S", .token = "T", .userId = 42});
    }

    // The profile call in its callback form, heard by `heard`.
    void fetch(QXUserInfoNetwork& network, const std::shared_ptr<Heard>& heard) {
        network.getUserInfoWithSuccess(
            [heard](const QVariantMap& profile) { heard->replies.push_back(profile); },
            heard->failure());
    }

    // Lets a reply on its way arrive (or not) before the test looks.
    void linger() {
        runMainLoopUntil([] { return false; }, std::chrono::milliseconds(500));
        settle();
    }

    std::shared_ptr<QXUserInfoNetwork> network_ = std::make_shared<QXUserInfoNetwork>();
};

TEST_F(QXUserInfoNetworkTest, TheProfileIsFetchedWithTheUsersHeaderSet) {
    auto heard = std::make_shared<Heard>();
    fetch(*network_, heard);
    ASSERT_TRUE(waitFor(heard));

    EXPECT_EQ(network_->networkUrl(),
              EndpointTable::apiHost() + "/users/GetUserInfo/42?session_id=S");
    const auto sent = server().requests(kUsers);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "GET");
    EXPECT_EQ(sent[0].target, "/users/GetUserInfo/42?session_id=S");
    const QStringList order{"customerId",     "clientAgent", "model",       "versionId",
                            "contentformat",  "agency",      "ContentType", "UserId",
                            "QxData-Version", "SessionId",   "Token"};
    EXPECT_EQ(namesAmong(sent[0], QStringList(order) << "interface"), order);
    EXPECT_EQ(sent[0].header("contentformat"), "bin");
    EXPECT_EQ(sent[0].header("ContentType"), "application/x-www-form-urlencoded");
    EXPECT_EQ(sent[0].header("UserId"), "U-1");
    EXPECT_EQ(sent[0].header("SessionId"), "S");
    EXPECT_EQ(sent[0].header("Token"), "T");

    ASSERT_EQ(heard->replies.size(), 1u);
    EXPECT_EQ(heard->reply().value("data").toMap().value("loginId").toLongLong(), 42);
    EXPECT_EQ(network_->resultDic(), heard->reply());
}

TEST_F(QXUserInfoNetworkTest, TheLogonTokenAndTheMessagingTokenBothReachTheServer) {
    context().setIMUserToken(QString("M"));
    auto heard = std::make_shared<Heard>();
    fetch(*network_, heard);
    ASSERT_TRUE(waitFor(heard));
    const auto sent = server().requests(kUsers);
    ASSERT_EQ(sent.size(), 1u);
    QList<std::pair<QByteArray, QByteArray>> tokens;
    for (const auto& header : sent[0].headers) {
        if (header.first.compare("token", Qt::CaseInsensitive) == 0) tokens << header;
    }
    // The users server reads its own "Token" first; the messaging one follows.
    EXPECT_EQ(tokens, (QList<std::pair<QByteArray, QByteArray>>{{"Token", "T"}, {"token", "M"}}));
    EXPECT_EQ(sent[0].header("Token"), "T");
}

TEST_F(QXUserInfoNetworkTest, AReplyThatIsNoDictionaryChangesNothing) {
    const QVariantMap earlier{{"kept", true}};
    network_->setResultDic(earlier);
    auto listener = std::make_shared<ProfileListener>();
    network_->setResponseVc(listener);
    server().setFault({.prefix = kUsers, .body = "[1,2]"});

    auto heard = std::make_shared<Heard>();
    fetch(*network_, heard);
    ASSERT_TRUE(waitUntil([&] { return server().requests(kUsers).size() == 1; }));
    linger();
    network_->getUserInfo();
    ASSERT_TRUE(waitUntil([&] { return server().requests(kUsers).size() == 2; }));
    linger();

    EXPECT_EQ(heard->calls(), 0);
    EXPECT_TRUE(listener->profiles.empty());
    EXPECT_EQ(network_->resultDic(), earlier);
}

TEST_F(QXUserInfoNetworkTest, CancellingTheCallbackFormFailsWithCode999AndNeverSucceeds) {
    server().setFault({.prefix = kUsers, .delayMs = 60000});
    auto heard = std::make_shared<Heard>();
    fetch(*network_, heard);
    ASSERT_TRUE(waitUntil([&] { return !server().requests(kUsers).empty(); }));
    network_->cancelNetworkForGetUserInfo();
    ASSERT_TRUE(waitFor(heard));
    linger();

    EXPECT_TRUE(network_->isCancel());
    EXPECT_TRUE(heard->replies.empty());
    ASSERT_EQ(heard->failures.size(), 1u);
    EXPECT_TRUE(heard->failures[0].value("msg").toString().contains("Code=-999"));
}

TEST_F(QXUserInfoNetworkTest, TheDelegateHearsTheProfileWhileItLivesAndUntilACancel) {
    auto listener = std::make_shared<ProfileListener>();
    network_->setResponseVc(listener);
    network_->getUserInfo();
    ASSERT_TRUE(waitUntil([&] { return !listener->profiles.empty(); }));
    EXPECT_EQ(listener->profiles[0].value("status").toInt(), 0);
    EXPECT_EQ(network_->resultDic(), listener->profiles[0]);

    // Cancelled: the delegate hears nothing of it.
    server().setFault({.prefix = kUsers, .delayMs = 60000});
    network_->getUserInfo();
    ASSERT_TRUE(waitUntil([&] { return server().requests(kUsers).size() == 2; }));
    network_->cancelNetworkForGetUserInfo();
    linger();
    EXPECT_EQ(listener->profiles.size(), 1u);

    // Gone: the reply finds nobody to tell.
    network_->getUserInfo();
    listener.reset();
    ASSERT_TRUE(waitUntil([&] { return server().requests(kUsers).size() == 3; }));
    linger();
    EXPECT_EQ(network_->resultDic().value("status").toInt(), 0);
}
