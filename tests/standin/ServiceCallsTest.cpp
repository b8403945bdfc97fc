// The shared service calls of the stand-in server and their sample data.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/ChatBroker.h"
#include "standin/ClassCalls.h"
#include "standin/FormFields.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"
#include "standin/SamplePictures.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

namespace paths = standin::paths;

namespace {

QJsonObject jsonOf(const httplib::Result& result) {
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

}  // namespace

class ServiceCallsTest : public StandinFixture {
protected:
    httplib::Client client() { return standinClient(server().port()); }

    httplib::Result post(const std::string& interface, const std::string& body,
                         const std::string& path = paths::kDataShare) {
        return client().Post(path, {{"interface", interface}}, body,
                             "application/x-www-form-urlencoded");
    }

    // The path of a URL the stand-in handed out, for fetching it back.
    static std::string pathOf(const QJsonValue& url) {
        return QUrl(url.toString()).path().toStdString();
    }
};

TEST(FormFieldsTest, DecodesAsAServerDoes) {
    const standin::FormFields fields(
        "act=1&loginId=42&conditions={\"postId\":\"p9\"}&q=a%26b+c&empty&act=2");
    EXPECT_EQ(fields.number("act"), 1) << "the first of repeated names counts";
    EXPECT_EQ(fields.number("loginId"), 42);
    EXPECT_EQ(fields.value("conditions"), "{\"postId\":\"p9\"}");
    EXPECT_EQ(fields.value("q"), "a&b c");
    EXPECT_TRUE(fields.contains("empty"));
    EXPECT_EQ(fields.number("missing", -7), -7);
    EXPECT_EQ(standin::ClassCalls::parse("class=%7B%22A%22%3A%7B%22m%22%3A%5B1%5D%7D%7D"),
              (QJsonObject{{"A", QJsonObject{{"m", QJsonArray{1}}}}}));
    EXPECT_FALSE(standin::ClassCalls::parse("jsonArgs={}"));
    EXPECT_FALSE(standin::ClassCalls::parse("class=[1]"));
}

TEST_F(ServiceCallsTest, EachDeviceKeepsItsAnonymousUser) {
    auto ask = [&](const std::string& device) {
        return jsonOf(
            client().Get(paths::kDataShare, {{"interface", "userRegister"}, {"imei", device}}));
    };
    const QJsonObject first = ask("DEVICE-A");
    EXPECT_EQ(first["userid"].toString().size(), 32);
    EXPECT_GT(first["anonymousLoginId"].toInteger(), 0);
    EXPECT_EQ(ask("DEVICE-A"), first);
    const QJsonObject other = ask("DEVICE-B");
    EXPECT_NE(other["userid"], first["userid"]);
    EXPECT_NE(other["anonymousLoginId"], first["anonymousLoginId"]);
}

TEST_F(ServiceCallsTest, NewsComeInPagesOfTenWithPagesOfTheirOwn) {
    const QJsonObject check =
        jsonOf(post("CommonConsultList", "categoryId=7&majorCategoryId=\"\"&pageIndex=0"));
    const QJsonArray first = check["data"].toArray();
    ASSERT_EQ(first.size(), 10);
    // The same news, their times counted from the moment of each call.
    const auto ids = [](const QJsonArray& items) {
        QList<int> found;
        for (const QJsonValue& item : items) found << item["id"].toInt();
        return found;
    };
    EXPECT_EQ(ids(jsonOf(post("CommonConsultList", "pageIndex=1"))["data"].toArray()), ids(first));
    EXPECT_EQ(jsonOf(post("CommonConsultList", "pageIndex=2"))["data"].toArray().size(), 2);
    EXPECT_TRUE(jsonOf(post("CommonConsultList", "pageIndex=9"))["data"].toArray().isEmpty());

    const QJsonObject newest = first[0].toObject();
    EXPECT_FALSE(newest["title"].toString().isEmpty());
    auto page = client().Get(pathOf(newest["url"]));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(QString::fromStdString(page->body).indexOf(newest["title"].toString()), -1);
    auto picture = client().Get(pathOf(newest["img"]));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->status, 200);
    auto missing = client().Get("/news/99.html");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

TEST_F(ServiceCallsTest, BannersPointAtPicturesTheImageHostServes) {
    const QJsonObject reply = jsonOf(
        post("CommonOperateList", "cityId=12&pageType=1&categoryId=\"\"&majorCategoryId=\"\""));
    const QJsonObject data = reply["data"].toObject();
    EXPECT_EQ(data["cityId"].toInt(), 12);
    const QJsonArray top = data["top"].toArray();
    ASSERT_EQ(top.size(), 6);
    for (const QJsonValue& item : top) {
        EXPECT_FALSE(item["title"].toString().isEmpty());
        EXPECT_FALSE(item["jump_url"].toString().isEmpty());
        auto picture = client().Get(pathOf(item["img_url"]));
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->status, 200);
    }
}

TEST_F(ServiceCallsTest, ClassCallsAnswerUnderDataClassAndMethod) {
    const QJsonObject houses = jsonOf(post(
        "HousingAppCInfo", "class={\"NevoruSubscribe\":{\"getSubscribeHouseList\":[\"n1\",1,0]}}"));
    const QJsonObject list = houses["data"]["NevoruSubscribe"]["getSubscribeHouseList"].toObject();
    EXPECT_EQ(list["total"].toInt(), 0) << "no need has that id";
    EXPECT_TRUE(list["list"].isArray());

    const QJsonObject nearby = jsonOf(
        post("HousingRequestInfo",
             "class={\"SearchHousingRequest\":{\"getNearbyAgent\":[\"1\",{\"cityScriptIndex\":0,"
             "\"streetId\":-1,\"districtId\":-1},\"\",1,2,3,4]},"
             "\"Nobody\":{\"nothing\":[]}}"));
    EXPECT_FALSE(nearby["data"]["SearchHousingRequest"]["getNearbyAgent"].toArray().isEmpty());
    EXPECT_TRUE(nearby["data"]["Nobody"]["nothing"].isNull());

    EXPECT_EQ(jsonOf(post("HousingRequestInfo", "jsonArgs={}"))["status"].toInt(), -1);
}

TEST_F(ServiceCallsTest, BrokersHaveShopsAndPersonalUsersNone) {
    const QJsonObject broker =
        jsonOf(post("GetUserPrivilegeByUserId",
                    "cityScriptIndex=3&categoryId=7&feeType=1&ucUserId=5001&pg=2&pi=1"));
    EXPECT_EQ(broker["isZuzeridUser"].toInt(), 1);
    EXPECT_FALSE(broker["baseInfo"]["name"].toString().isEmpty());
    EXPECT_TRUE(broker["premierPrivilege"]["postNum"].isObject());
    const QJsonObject personal =
        jsonOf(post("GetUserPrivilegeByUserId", "ucUserId=5010&pg=2&pi=1"));
    EXPECT_EQ(personal["isZuzeridUser"].toInt(), 0);
    // A broker of the messaging server's own is on his page who he is in his chat.
    const QJsonObject chatBroker = standin::ChatBroker::profile(880001);
    const QJsonObject page = jsonOf(post("GetUserPrivilegeByUserId", "ucUserId=880001&pg=2&pi=1"));
    EXPECT_EQ(page["phone"], chatBroker["phone"]);
    EXPECT_EQ(page["baseInfo"]["name"], chatBroker["name"]);
    EXPECT_EQ(page["baseInfo"]["companyName"], chatBroker["companyName"]);
    EXPECT_EQ(page["baseInfo"]["creditScore"], chatBroker["creditScore"]);
}

TEST_F(ServiceCallsTest, TheSamplePostsBrokersAndPostersAreAnsweredAsWhoTheyAre) {
    // The broker of the first of the city's rent posts that a broker put up.
    qint64 brokerId = 0;
    for (const standin::SamplePost& rent : standin::Posts::postsOf(100, 1)) {
        if (standin::SamplePeople::isBroker(rent.posterId)) {
            brokerId = rent.posterId;
            break;
        }
    }
    const standin::SampleBroker broker = *standin::SamplePeople::broker(brokerId);
    const QJsonObject shop = jsonOf(post(
        "GetUserPrivilegeByUserId", "ucUserId=" + std::to_string(broker.userId) + "&pg=2&pi=1"));
    EXPECT_EQ(shop["isZuzeridUser"].toInt(), 1);
    EXPECT_EQ(shop["phone"].toString(), broker.phone);
    const QJsonObject info = shop["baseInfo"].toObject();
    EXPECT_EQ(info["name"].toString(), broker.name);
    EXPECT_EQ(info["companyName"].toString(), broker.company);
    EXPECT_EQ(info["creditScore"].toInt(), broker.creditScore);
    EXPECT_TRUE(standin::SamplePictures::render(info["avatar"].toString()));
    int posts = 0;
    for (const char* kind : {"1", "3", "5"}) {
        const int count = shop["premierPrivilege"]["postNum"][kind].toInt();
        EXPECT_EQ(count,
                  int(standin::Posts::ofPoster(broker.userId, QString(kind).toInt()).size()));
        posts += count;
    }
    EXPECT_GT(posts, 0) << "the broker's posts are counted by kind";

    const standin::SamplePoster poster = standin::SamplePeople::posterOfPost(10001005);
    const QJsonObject personal = jsonOf(post(
        "GetUserPrivilegeByUserId", "ucUserId=" + std::to_string(poster.userId) + "&pg=2&pi=1"));
    EXPECT_EQ(personal["isZuzeridUser"].toInt(), 0);
    EXPECT_EQ(personal["baseInfo"]["name"].toString(), poster.name);
    EXPECT_EQ(personal["phone"].toString(), poster.phone);
}

TEST_F(ServiceCallsTest, SubscriptionsAreMadeListedAndCancelled) {
    auto subscribe = [&](const std::string& body) {
        return jsonOf(post("CommonSubscribe", body, paths::kPush));
    };
    const QJsonObject made = subscribe("act=1&loginId=42&conditions={\"postId\":\"p9\"}");
    const qint64 id = made["data"].toObject()["subscribeId"].toInteger();
    EXPECT_GT(id, 0);
    subscribe("act=1&loginId=7&conditions={\"postId\":\"p1\"}");
    const QJsonArray listed = subscribe("act=5&loginId=42")["data"].toArray();
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].toObject()["id"].toInteger(), id);
    EXPECT_EQ(listed[0].toObject()["postId"].toString(), "p9");
    EXPECT_TRUE(listed[0].toObject()["newNum"].isDouble());

    EXPECT_EQ(
        subscribe(QStringLiteral("act=4&subscribeId=%1&loginId=42").arg(id).toStdString())["status"]
            .toInt(),
        0);
    EXPECT_TRUE(subscribe("act=5&loginId=42")["data"].toArray().isEmpty());
    EXPECT_EQ(subscribe("act=3")["status"].toInt(), -1);
}

TEST_F(ServiceCallsTest, UserStatusesAreKeyedByUserId) {
    const QJsonObject reply =
        jsonOf(post("GetUserStatuss", "jsonArgs={\"userids\":\"5001,5002\",\"mobiletype\":\"710\"}",
                    paths::kBackend));
    const QJsonObject params = reply["params"].toObject();
    EXPECT_EQ(params["errorno"].toInt(), 0);
    EXPECT_TRUE(params["data"]["5001"]["status"].toBool());
    EXPECT_FALSE(params["data"]["5002"]["status"].toBool());
}

TEST_F(ServiceCallsTest, TheProfileNeedsASession) {
    const QJsonObject profile = jsonOf(client().Get("/users/GetUserInfo/42?session_id=S"));
    EXPECT_EQ(profile["status"].toInt(), 0);
    EXPECT_EQ(profile["data"]["loginId"].toInteger(), 42);
    EXPECT_EQ(profile["data"]["sessionId"].toString(), "S");
    EXPECT_EQ(jsonOf(client().Get("/users/GetUserInfo/42?session_id="))["status"].toInt(), -1);
}

TEST_F(ServiceCallsTest, AWellFormedUploadIsStored) {
    const std::string body =
        "\r\n--Boundary-X\r\nContent-Disposition: form-data; name=\"jsonArgs\";\r\n\r\n"
        "{\"imageCount\":\"1\"}\r\n--Boundary-X\r\n"
        "Content-Disposition: form-data; name=\"image\"; filename=\"imageName.amr\"\r\n"
        "Content-Type: audio/amr\r\n\r\n#!AMR\n\x3c\r\n--Boundary-X--\r\n";
    auto reply = client().Post(paths::kDataShare, {{"interface", "UploadImages"}}, body,
                               "multipart/form-data; boundary=\"Boundary-X\"");
    const QJsonObject stored = jsonOf(reply);
    ASSERT_EQ(stored["status"].toInt(), 0) << (reply ? reply->body : std::string());
    EXPECT_TRUE(stored["data"].toString().endsWith(".amr"));
    auto file = client().Get(pathOf(stored["data"]));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->body, std::string("#!AMR\n\x3c"));
}
