#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "account/QXUserInfo.h"
#include "app/QXAppState.h"
#include "app/QXUtil.h"
#include "app/statistics/Statistics.h"
#include "net/RequestHeaderSet.h"
#include "net/RequestStamp.h"

#include "SandboxTest.h"

#include <QRegularExpression>

namespace {

const QRegularExpression kUUIDForm(
    "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");

// The application state installed as the request road's context, as the app does at launch.
class QXAppStateTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        resetMessagingUser();
        state_ = std::make_shared<QXAppState>();
        QXNetContext::install(state_);
    }
    void TearDown() override {
        QXNetContext::install(nullptr);
        resetMessagingUser();
        SandboxTest::TearDown();
    }
    static void resetMessagingUser() {
        QXIMUser::shared().setUserKey(QString());
        QXIMUser::shared().setToken(std::nullopt);
        QXIMUser::shared().setUserId(0);
    }

    std::shared_ptr<QXAppState> state_;
};

TEST_F(QXAppStateTest, UserIdFallsBackAndBecomesTheMessagingKey) {
    EXPECT_EQ(state_->userId(), "3A7F19C0B2D84E65A91C0F3B7D2E8A46");
    EXPECT_EQ(QXIMUser::shared().userKey(), "");

    state_->setUserId("A1B2");
    EXPECT_EQ(state_->userId(), "A1B2");
    EXPECT_EQ(QXIMUser::shared().userKey(), "A1B2");
    EXPECT_EQ(RequestHeaderSet::dataShare("GetPost").value("userId"), "A1B2");

    // The same id again leaves the key alone.
    QXIMUser::shared().setUserKey("other");
    state_->setUserId("A1B2");
    EXPECT_EQ(QXIMUser::shared().userKey(), "other");
}

TEST_F(QXAppStateTest, ANewMessagingUserBeforeTheServiceStartsStartsNothing) {
    // The request road reports the anonymous id; with no messaging service running yet
    // (a reply that beats the launch, a test of the request road) none is made for it.
    QXIMService::forceRelease();
    state_->setIMUserId(100321);
    state_->imUserChanged();
    EXPECT_EQ(QXIMService::sharedIfStarted(), nullptr);
}

TEST_F(QXAppStateTest, HeadersReadTheCityAndTheMessagingToken) {
    EXPECT_EQ(state_->currentCityScript_index(), -1);
    EXPECT_FALSE(state_->connectionReachabil());
    state_->setCurrentCityScript_index(1203);
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("GetPost");
    EXPECT_EQ(headers.value("cityScriptIndex"), "1203");
    EXPECT_FALSE(headers.withMessagingToken().contains("token"));

    QXIMUser::shared().setToken(QString("im-token"));
    EXPECT_EQ(headers.withMessagingToken().pairs().last(),
              qMakePair(QString("token"), QString("im-token")));
}

TEST_F(QXAppStateTest, LogonStateSendsSessionAndTokenOnlyWhileLoggedOn) {
    QXIMUser::shared().setUserId(555);
    const auto userInfo = state_->userInfo();
    userInfo->setLoginID(9000000001);
    userInfo->setSessionID("S-1");
    userInfo->setToken("T-1");

    // Logged off: the user id is the messaging user's temporary id, no session is sent.
    EXPECT_EQ(state_->logonState().userId, 555);
    EXPECT_FALSE(RequestHeaderSet::usersEndpoint("GetUserInfo", true).contains("SessionId"));

    userInfo->setLogonSuccess(true);
    const QXNetLogon logon = state_->logonState();
    EXPECT_EQ(logon.userId, 9000000001);
    EXPECT_EQ(logon.loginID, 9000000001);
    const RequestHeaderSet headers = RequestHeaderSet::usersEndpoint("GetUserInfo", true);
    EXPECT_EQ(headers.value("SessionId"), "S-1");
    EXPECT_EQ(headers.value("Token"), "T-1");
}

TEST_F(QXAppStateTest, StampsComeFromTheStatisticsService) {
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("GetPost");
    EXPECT_TRUE(kUUIDForm.match(headers.value("SeqId")).hasMatch());
    EXPECT_EQ(headers.value("ClientTimeStamp"), Statistics::getTimeStamp());
    EXPECT_EQ(Statistics::getTimeInterval(), 801993600);
    clock().advance(std::chrono::seconds(30));
    EXPECT_EQ(RequestHeaderSet::upload("B").value("ClientTimeStamp"), "801993630");
    EXPECT_TRUE(kUUIDForm.match(Statistics::NewSeqId()).hasMatch());
}

TEST_F(QXAppStateTest, DeviceIdentityOfTheUtilities) {
    EXPECT_TRUE(QXUtil::DeviceSystemVersionIsiOS7());
    // The device id is stable for the run and is what the headers send as "mac" and "imei".
    EXPECT_EQ(QXUtil::macaddress(), QXUtil::macaddress());
    EXPECT_EQ(RequestHeaderSet::anonymousUserId().value("imei"), QXUtil::macaddress());
    EXPECT_TRUE(kUUIDForm.match(QXUtil::GetGUID()).hasMatch());
    EXPECT_NE(QXUtil::GetGUID(), QXUtil::GetGUID());
}

TEST_F(QXAppStateTest, DateStringFormatsInTheDeviceTimeZone) {
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1780300800);  // 2026-06-01 08:00 UTC
    EXPECT_EQ(QXUtil::dateString(date, "yyyy-MM-dd HH:mm"),
              date.toLocalTime().toString("yyyy-MM-dd HH:mm"));
    EXPECT_EQ(QXUtil::dateString(date, "yyyy"), "2026");
}

}  // namespace
