// What a published need brings about on the stand-in: the brokers of its district, the
// houses that match it, their answers over the messaging stream and the need calls.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Geography.h"
#include "standin/NeedReplies.h"
#include "standin/PostDetailCalls.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

namespace paths = standin::paths;
using standin::NeedReplies;
using standin::PostedNeed;

namespace {

constexpr int kReplyCity = 0;

// A district of the city where brokers work: its id and name.
std::pair<qint64, QString> brokerDistrict() {
    const auto brokers = standin::SamplePeople::brokersOfCity(kReplyCity);
    for (const standin::DistrictRow& district : standin::Geography::city(kReplyCity)->districts) {
        if (!brokers.empty() && district.name == brokers.front().districtName)
            return {district.id, district.name};
    }
    return {};
}

PostedNeed need(const QString& kind, qint64 district, const QJsonArray& houseTypes,
                const QString& price) {
    PostedNeed made;
    made.id = 5;
    made.rentOrBuy = kind;
    made.cityScriptIndex = kReplyCity;
    made.districtId = district;
    made.houseTypes = houseTypes;
    made.price = price;
    made.userId = QStringLiteral("9000000000042");
    return made;
}

QJsonObject replyJsonOf(const httplib::Result& result) {
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

}  // namespace

TEST(NeedRepliesSampleTest, BrokersOfTheDistrictAnswerWithHousesThatMatchTheNeed) {
    const auto [district, name] = brokerDistrict();
    ASSERT_GT(district, 0);
    const PostedNeed twoRooms = need("1", district, {2}, "2000_6000");
    const auto brokers = NeedReplies::brokersFor(NeedReplies::placeOf(twoRooms));
    ASSERT_FALSE(brokers.empty());
    EXPECT_LE(brokers.size(), std::size_t(NeedReplies::kAnsweringBrokers));
    for (const auto& broker : brokers) EXPECT_EQ(broker.districtName, name);

    const auto houses = NeedReplies::housesFor(twoRooms);
    ASSERT_FALSE(houses.empty());
    for (const standin::SamplePost* house : houses) {
        EXPECT_EQ(house->districtId, district);
        EXPECT_EQ(house->rooms, 2);
        EXPECT_GE(house->price, 2000);
        EXPECT_LT(house->price, 6000);
        EXPECT_EQ(house->major, 1);
    }
    // Whatever the need, brokers recommend brokers' houses only.
    for (const char* kind : {"1", "3", "5"}) {
        for (const auto* house : NeedReplies::housesFor(need(kind, district, {}, "-1")))
            EXPECT_TRUE(standin::SamplePeople::isBroker(house->posterId)) << house->puid;
    }
    // Four or more rooms, any price; a bare upper bound.
    for (const auto* house : NeedReplies::housesFor(need("1", district, {4}, "-1")))
        EXPECT_GE(house->rooms, 4);
    for (const auto* house : NeedReplies::housesFor(need("5", district, {}, "300")))
        EXPECT_LT(house->price, 300);
    // A need nothing matches has no houses, and the brokers around it say they will look.
    EXPECT_TRUE(NeedReplies::housesFor(need("1", district, {1}, "_1")).empty());
    const QJsonArray waiting = NeedReplies::answersTo(need("1", district, {1}, "_1"), "http://r");
    EXPECT_EQ(waiting.size(), qsizetype(brokers.size())) << "a greeting each, no card";

    // The brokers who posted its houses answer first, each with a card of his own house.
    const auto answering = NeedReplies::answeringBrokers(twoRooms);
    ASSERT_FALSE(answering.empty());
    EXPECT_EQ(answering[0].userId, houses[0]->posterId);
    const QJsonArray orders = NeedReplies::answersTo(twoRooms, "http://r");
    const QJsonObject greeting = orders[0].toObject();
    EXPECT_EQ(greeting["to"].toInteger(), 9000000000042);
    EXPECT_EQ(greeting["from"].toInteger(), answering[0].userId);
    EXPECT_EQ(greeting["postId"].toString(), "5") << "the answer names the need";
    EXPECT_GE(greeting["delayMs"].toInt(), NeedReplies::kFirstAnswerMs);
    int cards = 0;
    for (const QJsonValue& order : orders) {
        if (order["kind"] != "card") continue;
        ++cards;
        const QJsonArray card = order["contents"].toArray()[0].toArray();
        EXPECT_EQ(card[0].toString(), "url");
        const auto* offered = standin::Posts::byPuid(card[1]["puid"].toString().toLongLong());
        ASSERT_NE(offered, nullptr);
        EXPECT_EQ(offered->posterId, order["from"].toInteger()) << "his own house";
        EXPECT_NE(std::find(houses.begin(), houses.end(), offered), houses.end());
    }
    EXPECT_GE(cards, 1);
    EXPECT_EQ(orders.size(), qsizetype(answering.size()) + cards);

    // A recommended house names the broker who posted it.
    const QJsonObject record = NeedReplies::houseRecord(*houses[0]);
    const auto poster = standin::SamplePeople::broker(houses[0]->posterId);
    ASSERT_TRUE(poster);
    EXPECT_EQ(record["userId"].toString(), QString::number(poster->userId));
    EXPECT_EQ(record["person"].toString(), poster->name);
    EXPECT_TRUE(record["houseAttribute"].toString().contains("㎡"));
    EXPECT_EQ(record["houseImages"].toArray().size(), houses[0]->hasImage ? 3 : 0);
    if (houses[0]->hasImage) {
        // Thumbnails of the post's own photos, which the host draws in any size.
        EXPECT_EQ(record["houseImages"][0].toString(),
                  standin::PostDetailCalls::photoPath(houses[0]->puid, 1, 124, 92));
    }
}

class NeedRepliesTest : public StandinFixture {
protected:
    QJsonValue call(const char* interface, const QString& klass, const QString& method,
                    const QJsonArray& arguments) {
        httplib::Client http = standinClient(server().port());
        const QByteArray body =
            "class=" + QJsonDocument(QJsonObject{{klass, QJsonObject{{method, arguments}}}})
                           .toJson(QJsonDocument::Compact)
                           .toPercentEncoding();
        return replyJsonOf(http.Post(paths::kDataShare, {{"interface", interface}},
                                     body.toStdString(),
                                     "application/x-www-form-urlencoded"))["data"][klass][method];
    }
    // The packets an offline fetch of the user's client gets now.
    QJsonArray offline(qint64 user) {
        httplib::Client http("127.0.0.1", server().port());
        const QByteArray target =
            QByteArray(paths::kMessageApi) +
            "?op=getnotrecvmsgs&maxTalkNum=50&userId=" + QByteArray::number(user);
        return replyJsonOf(http.Get(target.toStdString()))["data"].toArray();
    }
    QJsonObject messagesTo(qint64 user) {
        const auto reply = server().control("GET", "im/messages?to=" + QByteArray::number(user));
        return reply ? QJsonDocument::fromJson(*reply).object() : QJsonObject();
    }
};

TEST_F(NeedRepliesTest, APostedNeedIsKeptAnsweredOverTheStreamAndPagedThroughItsHouses) {
    const auto [district, name] = brokerDistrict();
    const QJsonArray arguments{"1",
                               QJsonObject{{"cityScriptIndex", "0"},
                                           {"streetId", "-1"},
                                           {"districtId", QString::number(district)}},
                               "",
                               QJsonArray{1, 2, 3},
                               "9000000000042",
                               "",
                               "0",
                               "我要求租一套房源",
                               "-1",
                               "1"};
    const QJsonObject posted =
        call("HousingRequestInfo", "SearchHousingRequest", "postHousingRequest", arguments)
            .toObject();
    const QString needId = posted["postId"].toString();
    ASSERT_FALSE(needId.isEmpty());
    const QJsonArray agents = posted["agents"].toArray();
    ASSERT_FALSE(agents.isEmpty());

    // The answers are written at once and reach the user a moment later.
    EXPECT_EQ(messagesTo(9000000000042)["unacknowledged"].toArray().size(), 2 * agents.size());
    EXPECT_TRUE(offline(9000000000042).isEmpty()) << "not yet";
    QJsonArray answers;
    EXPECT_TRUE(runMainLoopUntil([&] {
        answers = offline(9000000000042);
        return answers.size() == 2 * agents.size();
    }));
    const QJsonObject packet = answers[0].toObject();
    EXPECT_EQ(packet["post"]["id"].toString(), needId) << "the answer names the need";
    EXPECT_EQ(packet["fromUser"]["id"].toVariant().toString(),
              agents[0].toObject()["userId"].toString());

    const QJsonObject first =
        call("HousingAppCInfo", "NevoruSubscribe", "getSubscribeHouseList", {needId, 1, 0})
            .toObject();
    const int total = first["total"].toInt();
    ASSERT_GT(total, 0);
    EXPECT_EQ(first["list"].toArray().size(), std::min(total, NeedReplies::kHousePageSize));
    const int pages = (total + NeedReplies::kHousePageSize - 1) / NeedReplies::kHousePageSize;
    const QJsonObject past =
        call("HousingAppCInfo", "NevoruSubscribe", "getSubscribeHouseList", {needId, pages + 1, 0})
            .toObject();
    EXPECT_EQ(past["page"].toInt(), 1) << "past the last page the batches start again";
    EXPECT_EQ(past["list"], first["list"]);

    // The nearby brokers of the area, and of a position ("lng,lat") in it.
    const QJsonArray byArea = call("HousingRequestInfo", "SearchHousingRequest", "getNearbyAgent",
                                   {"1", arguments[1], "", "[1]", "42", "-1", "1"})
                                  .toArray();
    EXPECT_EQ(byArea.size(), agents.size());
    const auto centre = standin::Geography::districtCentre(district);
    ASSERT_TRUE(centre);
    const QJsonArray byPosition =
        call("HousingRequestInfo", "SearchHousingRequest", "getNearbyAgent",
             {"1", "", QStringLiteral("%1,%2").arg(centre->second).arg(centre->first), "[1]", "42",
              "-1", "1"})
            .toArray();
    EXPECT_FALSE(byPosition.isEmpty());

    const QJsonObject refused =
        call("HousingRequestInfo", "SearchHousingRequest", "postHousingRequest", {"1"}).toObject();
    EXPECT_EQ(refused["status"].toInt(), -1);
    EXPECT_FALSE(refused["msg"].toString().isEmpty());
}
