#include "net/QXIMConstantManager.h"
#include "net/QXNetDefaultContext.h"
#include "net/RequestHeaderSet.h"
#include "net/RequestStamp.h"

#include "platform/foundation/concurrent_queue.h"

#include "Gate.h"
#include "ProcessEndChild.h"
#include "SandboxTest.h"

#include <QRegularExpression>

namespace {

const QRegularExpression kHeaderUUIDForm(
    "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");

class RequestHeaderSetTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        context_->setUserId("U-42");
        context_->setCurrentCityScript_index(1203);
        context_->setDeviceId("DEV-1");
        QXNetContext::install(context_);
    }
    void TearDown() override {
        QXNetContext::install(nullptr);
        SandboxTest::TearDown();
    }

    std::shared_ptr<QXNetDefaultContext> context_;
};

TEST_F(RequestHeaderSetTest, DataShareSetInItsOrder) {
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("SearchPostsByJson2");
    EXPECT_EQ(headers.names(),
              QStringList({"customerId", "clientAgent", "model", "userId", "versionId",
                           "contentformat", "agency", "cityScriptIndex", "QxData-Version",
                           "interface", "SeqId", "ClientTimeStamp", "Accept-Encoding"}));
    EXPECT_EQ(headers.value("customerId"), "710");
    EXPECT_EQ(headers.value("clientAgent"), "iphone#320*480");
    EXPECT_EQ(headers.value("model"), "Generic/iphone");
    EXPECT_EQ(headers.value("userId"), "U-42");
    EXPECT_EQ(headers.value("versionId"), "2.3.0");
    EXPECT_EQ(headers.value("contentformat"), "json2");
    EXPECT_EQ(headers.value("agency"), "appstore");
    EXPECT_EQ(headers.value("cityScriptIndex"), "1203");
    EXPECT_EQ(headers.value("QxData-Version"), "1.0");
    EXPECT_EQ(headers.value("interface"), "SearchPostsByJson2");
    EXPECT_TRUE(kHeaderUUIDForm.match(headers.value("SeqId")).hasMatch());
    EXPECT_EQ(headers.value("ClientTimeStamp"), RequestStamp::timeStamp());
    EXPECT_EQ(headers.value("Accept-Encoding"), "gzip");
}

TEST_F(RequestHeaderSetTest, EachSetHasANewSequenceIdAndTheClockOfItsMaking) {
    const RequestHeaderSet first = RequestHeaderSet::dataShare("GetPost");
    clock().advance(std::chrono::seconds(61));
    const RequestHeaderSet second = RequestHeaderSet::dataShare("GetPost");
    EXPECT_NE(first.value("SeqId"), second.value("SeqId"));
    EXPECT_NE(first.value("ClientTimeStamp"), second.value("ClientTimeStamp"));
    EXPECT_EQ(second.value("ClientTimeStamp"), RequestStamp::timeStamp());
}

TEST_F(RequestHeaderSetTest, UserIdFallsBackAndCityIndexMayBeNegative) {
    context_->setUserId("");
    context_->setCurrentCityScript_index(-1);
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("GetLastCategories");
    EXPECT_EQ(headers.value("userId"), "3A7F19C0B2D84E65A91C0F3B7D2E8A46");
    EXPECT_EQ(headers.value("cityScriptIndex"), "-1");
}

TEST_F(RequestHeaderSetTest, TokenIsAddedLastOnlyWhenTheMessagingUserHasOne) {
    const RequestHeaderSet headers = RequestHeaderSet::dataShare("GetPost");
    EXPECT_EQ(headers.withMessagingToken(), headers);
    EXPECT_FALSE(headers.withMessagingToken().contains("token"));

    context_->setIMUserToken(QString("tok-1"));
    const RequestHeaderSet installed = headers.withMessagingToken();
    ASSERT_EQ(installed.count(), headers.count() + 1);
    EXPECT_EQ(installed.pairs().last(), qMakePair(QString("token"), QString("tok-1")));
    EXPECT_EQ(installed.pairs().mid(0, headers.count()), headers.pairs());

    // An empty set stays empty without a token.
    context_->setIMUserToken(std::nullopt);
    EXPECT_TRUE(RequestHeaderSet().withMessagingToken().isEmpty());
}

TEST_F(RequestHeaderSetTest, PostListSearchLeavesOutCityAndDataVersion) {
    const RequestHeaderSet headers = RequestHeaderSet::postListSearch("SearchPostsByJson2");
    EXPECT_EQ(headers.names(), QStringList({"customerId", "clientAgent", "model", "userId",
                                            "versionId", "contentformat", "agency", "interface",
                                            "ClientTimeStamp", "Accept-Encoding", "SeqId"}));
    EXPECT_TRUE(kHeaderUUIDForm.match(headers.value("SeqId")).hasMatch());
}

TEST_F(RequestHeaderSetTest, NewsListAddsTheDeviceIdAsMac) {
    const RequestHeaderSet headers = RequestHeaderSet::newsList();
    EXPECT_EQ(headers.value("interface"), "CommonConsultList");
    EXPECT_EQ(headers.pairs().last(), qMakePair(QString("mac"), QString("DEV-1")));
    EXPECT_EQ(headers.count(), 14);
    EXPECT_FALSE(headers.contains("idfa"));
}

TEST_F(RequestHeaderSetTest, AnonymousUserIdQuery) {
    const RequestHeaderSet headers = RequestHeaderSet::anonymousUserId();
    const HeaderList expected = {{"customerId", "710"},         {"clientAgent", "iphone#320*480"},
                                 {"model", "Generic/iphone"},   {"versionId", "2.3.0"},
                                 {"contentformat", "json2"},    {"agency", "appstore"},
                                 {"interface", "userRegister"}, {"imei", "DEV-1"}};
    EXPECT_EQ(headers.pairs(), expected);
}

TEST_F(RequestHeaderSetTest, UsersEndpointWhileLoggedOffAndOn) {
    const RequestHeaderSet profile = RequestHeaderSet::usersEndpoint(QString(), true);
    const HeaderList loggedOff = {{"customerId", "710"},
                                  {"clientAgent", "iphone#320*480"},
                                  {"model", "Generic/iphone"},
                                  {"versionId", "2.3.0"},
                                  {"contentformat", "bin"},
                                  {"agency", "appstore"},
                                  {"ContentType", "application/x-www-form-urlencoded"},
                                  {"UserId", "U-42"},
                                  {"QxData-Version", "1.0"}};
    EXPECT_EQ(profile.pairs(), loggedOff);

    QXNetLogon logon;
    logon.loginID = 77;
    logon.sessionID = "S-1";
    logon.token = "T-1";
    context_->setLogonState(logon);
    const RequestHeaderSet phoneCheck = RequestHeaderSet::usersEndpoint("UserPhoneAuth", false);
    EXPECT_EQ(phoneCheck.names(), QStringList({"customerId", "clientAgent", "model", "versionId",
                                               "contentformat", "agency", "interface", "UserId",
                                               "QxData-Version", "SessionId", "Token"}));
    EXPECT_EQ(phoneCheck.value("interface"), "UserPhoneAuth");
    EXPECT_EQ(phoneCheck.value("SessionId"), "S-1");
    EXPECT_EQ(phoneCheck.value("Token"), "T-1");
}

TEST_F(RequestHeaderSetTest, UploadCountsSecondsSince2001) {
    const RequestHeaderSet headers = RequestHeaderSet::upload("Boundary-ABC");
    const HeaderList expected = {{"customerId", "710"},
                                 {"clientAgent", "iphone#320*480"},
                                 {"model", "Generic/iphone"},
                                 {"userId", "U-42"},
                                 {"versionId", "2.3.0"},
                                 {"agency", "appstore"},
                                 {"Content-Type", "multipart/form-data; boundary=\"Boundary-ABC\""},
                                 {"QxData-Version", "1.0"},
                                 {"interface", "UploadImages"},
                                 {"ClientTimeStamp", "801993600"}};
    EXPECT_EQ(headers.pairs(), expected);
}

TEST_F(RequestHeaderSetTest, LogUploadAndMessagingCalls) {
    const HeaderList log = {
        {"customerId", "710"}, {"uid", "U-42"}, {"versionId", "2.3.0"}, {"agency", "appstore"}};
    EXPECT_EQ(RequestHeaderSet::logUpload().pairs(), log);

    // The messaging calls carry the library's data version: "2.0" until the app sets it.
    QXIMConstantManager::share().setQximdataVersion(QString());
    const HeaderList messaging = {{"ContentType", "application/x-www-form-urlencoded"},
                                  {"QxData-Version", "2.0"}};
    EXPECT_EQ(RequestHeaderSet::messaging().pairs(), messaging);

    QXIMConstantManager::share().setQximdataVersion("1.0");
    const HeaderList stream = {{"contentformat", "bin"},
                               {"ContentType", "application/x-www-form-urlencoded"},
                               {"QxData-Version", "1.0"}};
    EXPECT_EQ(RequestHeaderSet::messagingStream().pairs(), stream);
    EXPECT_FALSE(RequestHeaderSet::messagingStream().contains("interface"));
    QXIMConstantManager::share().setQximdataVersion(QString());
}

// The messaging library builds its requests on its own queue, whose block may still run once
// the process's statics have gone: the constants and the context it reads then are still those
// in force.
TEST_F(RequestHeaderSetTest, MessagingHeadersBuiltAfterTheStaticsWentReadWhatWasInForce) {
    EXPECT_EQ(endOfChildTest(sandboxPath(), "BuildsMessagingHeadersPastTheStatics"),
              "statics went at 5 s | the messaging headers built after the statics went carry "
              "QxData-Version 3.1, token tok-end");
}

TEST(ProcessEndChild, BuildsMessagingHeadersPastTheStatics) {
    if (!startProcessEndChild()) GTEST_SKIP() << "runs as the child of RequestHeaderSetTest only";
    // The constant's text, shared with a copy that never goes: once the copy holds it alone, the
    // constants went with the statics (told without touching them).
    static auto* const version = new QString(QString::fromLatin1("3.1"));
    QXIMConstantManager::share().setQximdataVersion(*version);
    auto context = std::make_shared<QXNetDefaultContext>();
    context->setIMUserToken(QString::fromLatin1("tok-end"));
    QXNetContext::install(context);
    // Tells, without touching it, whether the context went with the statics.
    static auto* const installed = new std::weak_ptr<QXNetContext>(context);
    context.reset();
    // Never destroyed, as the messaging service's queue outlives the statics.
    static auto* const queue = new ns::SerialQueue("test.end.messaging");
    static Gate started;
    static StaticsSentinel sentinel;
    holdWorkPastTheStatics();
    queue->async([] {
        started.open();
        if (!passOnceTheStaticsHaveGone()) return;
        if (installed->expired()) {
            endLogLine("the request context went with the statics");
        } else if (version->isDetached()) {
            endLogLine("the messaging constants went with the statics");
        } else {
            const RequestHeaderSet headers = RequestHeaderSet::messaging().withMessagingToken();
            endLogLine("the messaging headers built " + beforeOrAfterTheStatics() +
                       " carry QxData-Version " + headers.value("QxData-Version").toStdString() +
                       ", token " + headers.value("token").toStdString());
        }
        lateWorkDone();
    });
    ASSERT_TRUE(started.pass());
    endTheWaitAtItsLimit();
}

TEST_F(RequestHeaderSetTest, SettingKeepsThePlaceAndNullLeavesOut) {
    RequestHeaderSet headers;
    headers.set("a", "1").set("b", "2").set("a", "3").set("c", QString());
    EXPECT_EQ(headers.pairs(), HeaderList({{"a", "3"}, {"b", "2"}}));
    headers.set("a", QString());
    EXPECT_EQ(headers.names(), QStringList({"b"}));
    // An empty value is a value.
    headers.set("e", "");
    EXPECT_TRUE(headers.contains("e"));
    // Names are exact: "Token" and "token" are two headers.
    headers.set("Token", "x").set("token", "y");
    EXPECT_EQ(headers.value("Token"), "x");
    EXPECT_EQ(headers.value("token"), "y");
}

}  // namespace
