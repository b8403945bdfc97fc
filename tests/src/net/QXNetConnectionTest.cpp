#include "net/QXNetConnection.h"

#include "net/RequestHeaderSet.h"

#include "ServiceCallFixture.h"

namespace paths = standin::paths;

class QXNetConnectionTest : public ServiceCallFixture {
protected:
    QXNetConnection& connection() { return QXNetConnection::sharedInstance(); }

    // The one request the stand-in received under `prefix`.
    standin::RecordedRequest onlyRequest(const QByteArray& prefix) {
        const auto sent = server().requests(prefix);
        EXPECT_EQ(sent.size(), 1u);
        return sent.empty() ? standin::RecordedRequest() : sent.front();
    }
};

TEST(QXNetConnectionBodyTest, SubscriptionBodiesFollowTheAction) {
    EXPECT_EQ(QXNetConnection::manageSubscribeBody("p9", 1, 42),
              "act=1&loginId=42&conditions={\"postId\":\"p9\"}");
    EXPECT_EQ(QXNetConnection::manageSubscribeBody("p9", 4, 42), "act=4&subscribeId=p9&loginId=42");
    EXPECT_EQ(QXNetConnection::manageSubscribeBody("p9", 5, 42), "act=5&loginId=42");
    EXPECT_EQ(QXNetConnection::manageSubscribeBody(QString(), 5, 42), "act=5&loginId=42");
    for (int other : {0, 2, 3, 6, -1}) {
        EXPECT_EQ(QXNetConnection::manageSubscribeBody("p9", other, 42),
                  QStringLiteral("act=%1").arg(other));
    }
    // A post id that would break the JSON or the form still arrives whole.
    EXPECT_EQ(QXNetConnection::manageSubscribeBody("a\"&b", 1, 7),
              "act=1&loginId=7&conditions={\"postId\":\"a\\\"%26b\"}");
}

TEST_F(QXNetConnectionTest, SubscriptionsGoToThePushServerWithTheLoginOfTheUser) {
    context().setLogonState({.loginID = 42, .sessionID = "S", .token = "T", .userId = 42});
    auto made = std::make_shared<Heard>();
    connection().requestManageSubscribeWithID("p9", QXNetConnection::kSubscribe, 3, made->success(),
                                              made->failure());
    ASSERT_TRUE(waitFor(made));
    const auto sent = onlyRequest(paths::kPush);
    EXPECT_EQ(sent.path, "/push/");
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.header("interface"), "CommonSubscribe");
    EXPECT_EQ(sent.body, "act=1&loginId=42&conditions={\"postId\":\"p9\"}");
    const qint64 id = made->reply().value("data").toMap().value("subscribeId").toLongLong();
    EXPECT_GT(id, 0);

    auto listed = std::make_shared<Heard>();
    connection().requestManageSubscribeWithID(QString(), QXNetConnection::kListSubscriptions, 0,
                                              listed->success(), listed->failure());
    ASSERT_TRUE(waitFor(listed));
    const QVariantList list = listed->reply().value("data").toList();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].toMap().value("id").toLongLong(), id);
}

TEST_F(QXNetConnectionTest, NewsAndBannersArePostedWithTheirHeaderSets) {
    context().setDeviceId("DEVICE-1");
    context().setCurrentCityId(12);
    context().setCurrentCityScript_index(3);
    auto news = std::make_shared<Heard>();
    connection().requestNewsDataWithSuccess(news->success(), news->failure(), 0);
    ASSERT_TRUE(waitFor(news));
    auto banners = std::make_shared<Heard>();
    connection().requestBannerDataWithSuccess(banners->success(), banners->failure());
    ASSERT_TRUE(waitFor(banners));

    const auto sent = server().requests(paths::kDataShare);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(sent[0].body, "categoryId=7&majorCategoryId=\"\"&pageIndex=0");
    QStringList newsHeaders = RequestHeaderSet::dataShare("CommonConsultList").names() << "mac";
    EXPECT_EQ(namesAmong(sent[0], newsHeaders), newsHeaders);
    EXPECT_EQ(sent[0].header("mac"), "DEVICE-1");
    EXPECT_EQ(sent[0].header("cityScriptIndex"), "3");
    EXPECT_EQ(sent[1].body, "cityId=12&pageType=1&categoryId=\"\"&majorCategoryId=\"\"");
    EXPECT_EQ(sent[1].header("interface"), "CommonOperateList");
    EXPECT_FALSE(sent[1].hasHeader("mac"));

    EXPECT_FALSE(news->reply().value("data").toList().isEmpty());
    EXPECT_EQ(banners->reply().value("data").toMap().value("top").toList().size(), 6);
}

TEST_F(QXNetConnectionTest, UserStatusGoesToTheBackendRootWithNoPath) {
    auto status = std::make_shared<Heard>();
    connection().requestUserStatusWithuserIds("5001", status->success(), status->failure());
    ASSERT_TRUE(waitFor(status));
    const auto sent = onlyRequest(paths::kBackend);
    EXPECT_EQ(sent.target, "/backend/");
    EXPECT_EQ(sent.header("interface"), "GetUserStatuss");
    EXPECT_EQ(sent.body, "jsonArgs={\"userids\":\"5001\",\"mobiletype\":\"710\"}");
    const QVariantMap params = status->reply().value("params").toMap();
    EXPECT_EQ(params.value("errorno").toInt(), 0);
    EXPECT_TRUE(params.value("data").toMap().value("5001").toMap().value("status").toBool());
}

TEST_F(QXNetConnectionTest, NeedAndBrokerCallsCarryTheirBodies) {
    context().setCurrentCityScript_index(3);
    auto houses = std::make_shared<Heard>();
    connection().requestSubscribeHouseListWithRequestId("n1", 2, 9000000001LL, houses->success(),
                                                        houses->failure());
    ASSERT_TRUE(waitFor(houses));
    auto nearby = std::make_shared<Heard>();
    const QString nearbyBody =
        "class={\"SearchHousingRequest\":{\"getNearbyAgent\":[\"1\",\"\",\"n1\",1,2,3,4]}}";
    connection().requestNearByAgentInfoWithParameter(nearbyBody, nearby->success(),
                                                     nearby->failure());
    ASSERT_TRUE(waitFor(nearby));
    auto broker = std::make_shared<Heard>();
    connection().requestAgentInfoWithAgentId("5001", broker->success(), broker->failure());
    ASSERT_TRUE(waitFor(broker));

    const auto sent = server().requests(paths::kDataShare);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].header("interface"), "HousingAppCInfo");
    EXPECT_EQ(sent[0].body,
              "class={\"NevoruSubscribe\":{\"getSubscribeHouseList\":[\"n1\",2,9000000001]}}");
    EXPECT_EQ(sent[1].header("interface"), "HousingRequestInfo");
    EXPECT_EQ(sent[1].body, nearbyBody.toUtf8());
    EXPECT_EQ(sent[2].header("interface"), "GetUserPrivilegeByUserId");
    EXPECT_EQ(sent[2].body, "cityScriptIndex=3&categoryId=7&feeType=1&ucUserId=5001&pg=2&pi=1");

    // A broker without an id: the value goes out empty.
    auto nobody = std::make_shared<Heard>();
    connection().requestAgentInfoWithAgentId("", nobody->success(), nobody->failure());
    ASSERT_TRUE(waitFor(nobody));
    ASSERT_EQ(server().requests(paths::kDataShare).size(), 4u);
    EXPECT_EQ(server().requests(paths::kDataShare)[3].body,
              "cityScriptIndex=3&categoryId=7&feeType=1&ucUserId=&pg=2&pi=1");

    const QVariantMap list = houses->reply()
                                 .value("data")
                                 .toMap()
                                 .value("NevoruSubscribe")
                                 .toMap()
                                 .value("getSubscribeHouseList")
                                 .toMap();
    EXPECT_EQ(list.value("total").toInt(), 0) << "the stand-in knows no need n1";
    EXPECT_EQ(list.value("list").typeId(), QMetaType::QVariantList);
    EXPECT_EQ(broker->reply().value("isZuzeridUser").toInt(), 1);
}
