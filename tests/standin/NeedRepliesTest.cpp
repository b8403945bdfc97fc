// What a published need brings about on the stand-in: the brokers of its district, the
// houses that match it, their answers over the messaging stream and the need calls.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Geography.h"
#include "standin/MessagingServer.h"
#include "standin/NeedReplies.h"
#include "standin/PostDetailCalls.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"
#include "standin/StandinServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace paths = standin::paths;
using standin::NeedReplies;
using standin::PostedNeed;

namespace {

constexpr int kReplyCity = 0;
// The user who publishes the needs below.
constexpr qint64 kUser = 9000000000042;

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
    made.userId = QString::number(kUser);
    return made;
}

QJsonObject replyJsonOf(const httplib::Result& result) {
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

// The result of a class call to the stand-in on `port`.
QJsonValue classCall(int port, const char* interface, const QString& klass, const QString& method,
                     const QJsonArray& arguments) {
    httplib::Client http = standinClient(port);
    const QByteArray body =
        "class=" + QJsonDocument(QJsonObject{{klass, QJsonObject{{method, arguments}}}})
                       .toJson(QJsonDocument::Compact)
                       .toPercentEncoding();
    return replyJsonOf(http.Post(paths::kDataShare, {{"interface", interface}}, body.toStdString(),
                                 "application/x-www-form-urlencoded"))["data"][klass][method];
}

// The packets an offline fetch of the user's client gets now, at most `most`.
QJsonArray offlineFetch(int port, qint64 user, int most = 50) {
    auto http = standinClient(port);
    const QByteArray target = QByteArray(paths::kMessageApi) +
                              "?op=getnotrecvmsgs&maxTalkNum=" + QByteArray::number(most) +
                              "&userId=" + QByteArray::number(user);
    return replyJsonOf(http.Get(target.toStdString()))["data"].toArray();
}

// Who has answered the need so far, as the listing of the needs names them.
QStringList answeredBy(int port, const QString& needId) {
    auto http = standinClient(port);
    QStringList people;
    for (const QJsonValue need : replyJsonOf(http.Get("/__control/needs"))["needs"].toArray()) {
        if (need["id"].toString() != needId) continue;
        for (const QJsonValue person : need["answeredBy"].toArray()) people << person.toString();
    }
    return people;
}

// The houses a need lists, page after page, each with its broker ("userId"): puids by broker.
std::map<QString, std::set<QString>> housesListed(int port, const QString& needId) {
    const auto page = [&](int number) {
        return classCall(port, "HousingAppCInfo", "NevoruSubscribe", "getSubscribeHouseList",
                         {needId, number, 0})
            .toObject();
    };
    const int total = page(1)["total"].toInt();
    std::map<QString, std::set<QString>> listed;
    for (int number = 1; (number - 1) * NeedReplies::kHousePageSize < total; ++number) {
        for (const QJsonValue house : page(number)["list"].toArray())
            listed[house["userId"].toString()].insert(house["puid"].toString());
    }
    return listed;
}

// A need of the user for a flat of one to three rooms at any price in `district`.
QJsonArray rentNeed(qint64 district) {
    return QJsonArray{"1",
                      QJsonObject{{"cityScriptIndex", "0"},
                                  {"streetId", "-1"},
                                  {"districtId", QString::number(district)}},
                      "",
                      QJsonArray{1, 2, 3},
                      QString::number(kUser),
                      "",
                      "0",
                      "我要求租一套房源",
                      "-1",
                      "1"};
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
    // "不限" among the house types takes in every house.
    EXPECT_EQ(NeedReplies::housesFor(need("1", district, {-1}, "-1")).size(),
              NeedReplies::housesFor(need("1", district, {}, "-1")).size());
    EXPECT_GT(NeedReplies::housesFor(need("1", district, {-1, 2}, "-1")).size(),
              NeedReplies::housesFor(need("1", district, {2}, "-1")).size());
    for (const auto* house : NeedReplies::housesFor(need("5", district, {}, "300")))
        EXPECT_LT(house->price, 300);
    // A share's codes name the room let (1 主卧, 2 次卧, 3 隔断间), and the brokers' cards
    // offer only such rooms.
    const PostedNeed masterBedroom = need("3", district, {1}, "-1");
    const auto masters = NeedReplies::housesFor(masterBedroom);
    ASSERT_FALSE(masters.empty());
    for (const auto* house : masters)
        EXPECT_TRUE(house->title.contains(QStringLiteral("合租主卧")))
            << house->title.toStdString();
    std::size_t cards = 0;
    for (const QJsonValue order : NeedReplies::answersTo(masterBedroom, "http://r")) {
        if (order["kind"] == "card") {
            EXPECT_TRUE(order["contents"][0][2].toString().contains(QStringLiteral("主卧")))
                << order["contents"][0][2].toString().toStdString();
            ++cards;
        }
    }
    EXPECT_EQ(cards, NeedReplies::recommendedHouses(masterBedroom).size());
    EXPECT_GT(cards, 0u);
    EXPECT_EQ(NeedReplies::housesFor(need("3", district, {1, 3}, "-1")).size(),
              masters.size() + NeedReplies::housesFor(need("3", district, {3}, "-1")).size());
    EXPECT_EQ(NeedReplies::housesFor(need("3", district, {-1}, "-1")).size(),
              NeedReplies::housesFor(need("3", district, {}, "-1")).size());
    // A need nothing matches has no houses; the brokers around it answer it, each with a
    // greeting and no card, so that the count and the sheet name them and no house does.
    const PostedNeed unmatched = need("1", district, {1}, "_1");
    EXPECT_TRUE(NeedReplies::housesFor(unmatched).empty());
    const auto around = NeedReplies::brokersFor(NeedReplies::placeOf(unmatched));
    ASSERT_FALSE(around.empty());
    const auto looking = NeedReplies::answeringBrokers(unmatched);
    ASSERT_EQ(looking.size(), around.size());
    const QJsonArray promises = NeedReplies::answersTo(unmatched, "http://r");
    ASSERT_EQ(promises.size(), qsizetype(around.size()));
    for (qsizetype i = 0; i < promises.size(); ++i) {
        EXPECT_EQ(promises[i]["from"].toInteger(), looking[std::size_t(i)].userId);
        EXPECT_EQ(promises[i]["kind"].toString(), "text");
    }

    const QJsonArray orders = NeedReplies::answersTo(twoRooms, "http://r");
    ASSERT_FALSE(orders.isEmpty());
    const QJsonObject greeting = orders[0].toObject();
    EXPECT_EQ(greeting["to"].toInteger(), kUser);
    EXPECT_EQ(greeting["postId"].toString(), "5") << "the answer names the need";
    EXPECT_GE(greeting["delayMs"].toInt(), NeedReplies::kFirstAnswerMs);

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

TEST(NeedRepliesSampleTest, TheBrokersWhoAnswerAreThoseWhoRecommendEachWithHisCards) {
    const standin::CityRow* city = standin::Geography::city(kReplyCity);
    ASSERT_NE(city, nullptr);
    int needs = 0, busy = 0;
    std::set<QString> counts;  // what the greetings said of their houses
    for (const standin::DistrictRow& district : city->districts) {
        for (const auto& [kind, rooms, price] :
             std::vector<std::tuple<QString, QJsonArray, QString>>{
                 {"1", {}, "-1"}, {"1", {1, 3}, "-1"}, {"3", {}, "_3000"}, {"5", {2}, "-1"}}) {
            const PostedNeed wanted = need(kind, district.id, rooms, price);
            const auto recommended = NeedReplies::recommendedHouses(wanted);
            const auto brokers = NeedReplies::answeringBrokers(wanted);
            const auto matching = NeedReplies::housesFor(wanted);
            // Every broker who answers recommends (unless no house matches, when the brokers
            // around answer with none), and every recommended house is one of the need's,
            // offered by a broker who answers.
            std::map<qint64, std::set<QString>> offered;  // puids by broker
            for (const standin::SamplePost* house : recommended) {
                EXPECT_NE(std::find(matching.begin(), matching.end(), house), matching.end());
                offered[house->posterId].insert(QString::number(house->puid));
            }
            std::set<QString> names;
            std::set<qint64> answering;
            ASSERT_EQ(brokers.size(),
                      matching.empty()
                          ? NeedReplies::brokersFor(NeedReplies::placeOf(wanted)).size()
                          : offered.size());
            for (const auto& broker : brokers) {
                EXPECT_EQ(offered.contains(broker.userId), !matching.empty())
                    << broker.name.toStdString();
                EXPECT_LE(offered[broker.userId].size(),
                          std::size_t(NeedReplies::kHousesPerBroker));
                EXPECT_TRUE(names.insert(broker.name).second) << "two brokers of one name";
                answering.insert(broker.userId);
            }
            std::erase_if(offered, [](const auto& each) { return each.second.empty(); });
            EXPECT_LE(brokers.size(), std::size_t(NeedReplies::kAnsweringBrokers));
            EXPECT_FALSE(brokers.empty()) << "every need is answered";
            // Each answering broker greets the user, then sends a card of each of his houses,
            // and nothing else; his greeting says how many.
            std::map<qint64, std::set<QString>> carded;
            std::map<qint64, QString> greeted;
            for (const QJsonValue order : NeedReplies::answersTo(wanted, "http://r")) {
                const qint64 from = order["from"].toInteger();
                EXPECT_TRUE(answering.contains(from)) << from;
                if (order["kind"] == "text") {
                    EXPECT_FALSE(carded.contains(from)) << "the greeting comes first";
                    greeted[from] = order["text"].toString();
                    continue;
                }
                ASSERT_EQ(order["kind"], "card");
                const QJsonArray card = order["contents"].toArray()[0].toArray();
                EXPECT_EQ(card[0].toString(), "url");
                EXPECT_TRUE(greeted.contains(from));
                carded[from].insert(card[1]["puid"].toString());
            }
            EXPECT_EQ(carded, offered);
            EXPECT_EQ(greeted.size(), answering.size());
            for (const auto& [from, greeting] : greeted) {
                static const std::map<std::size_t, QString> kHowMany{
                    {0, QStringLiteral("马上联系您")},
                    {1, QStringLiteral("推荐一套房源")},
                    {2, QStringLiteral("推荐两套房源")},
                    {3, QStringLiteral("推荐三套房源")}};
                const QString said = kHowMany.at(carded[from].size());
                EXPECT_TRUE(answering.contains(from));
                EXPECT_TRUE(greeting.contains(said)) << greeting.toStdString();
                counts.insert(said);
            }
            ++needs;
            busy += brokers.size() > 1 ? 1 : 0;
        }
    }
    EXPECT_GT(busy, needs / 4) << "needs that several brokers answer";
    EXPECT_EQ(counts.size(), 4u) << "greetings of every count";
}

class NeedRepliesTest : public StandinFixture {
protected:
    QJsonValue call(const char* interface, const QString& klass, const QString& method,
                    const QJsonArray& arguments) {
        return classCall(server().port(), interface, klass, method, arguments);
    }
    // The packets an offline fetch of the user's client gets now.
    QJsonArray offline(qint64 user) { return offlineFetch(server().port(), user); }
    QJsonObject messagesTo(qint64 user) {
        const auto reply = server().control("GET", "im/messages?to=" + QByteArray::number(user));
        return reply ? QJsonDocument::fromJson(*reply).object() : QJsonObject();
    }
};

TEST_F(NeedRepliesTest, APostedNeedIsKeptAnsweredOverTheStreamAndPagedThroughItsHouses) {
    const auto [district, name] = brokerDistrict();
    const QJsonArray arguments = rentNeed(district);
    const QJsonObject posted =
        call("HousingRequestInfo", "SearchHousingRequest", "postHousingRequest", arguments)
            .toObject();
    const QString needId = posted["postId"].toString();
    ASSERT_FALSE(needId.isEmpty());
    const QJsonArray agents = posted["agents"].toArray();
    ASSERT_FALSE(agents.isEmpty());

    // The answers are written at once and reach the user a moment later (their delays, held
    // back from fetches as StandinServerTest shows): each broker told of greets the user and
    // sends a card of each house he recommends.
    const qsizetype written =
        NeedReplies::answersTo(*PostedNeed::fromArguments(arguments), "R").size();
    EXPECT_GT(written, agents.size());
    EXPECT_EQ(messagesTo(kUser)["unacknowledged"].toArray().size(), written);
    QJsonArray answers;
    EXPECT_TRUE(runMainLoopUntil([&] {
        answers = offline(kUser);
        return answers.size() == written;
    }));
    EXPECT_EQ(answers.at(0)["fromUser"]["id"].toVariant().toString(),
              agents[0].toObject()["userId"].toString());
    std::map<QString, std::set<QString>> carded;  // puids by broker
    for (const QJsonValue packet : answers) {
        EXPECT_EQ(packet["post"]["id"].toString(), needId) << "the answer names the need";
        const QJsonValue item = packet["msgs"][0]["contents"][0];
        if (item.isArray()) {
            carded[packet["fromUser"]["id"].toVariant().toString()].insert(
                item[1]["puid"].toString());
        }
    }

    // The houses recommended, page after page, are the cards' houses, offered by the brokers
    // who sent them: the brokers told of, no other.
    const QJsonObject first =
        call("HousingAppCInfo", "NevoruSubscribe", "getSubscribeHouseList", {needId, 1, 0})
            .toObject();
    const int total = first["total"].toInt();
    ASSERT_GT(total, 0);
    EXPECT_EQ(first["list"].toArray().size(), std::min(total, NeedReplies::kHousePageSize));
    const int pages = (total + NeedReplies::kHousePageSize - 1) / NeedReplies::kHousePageSize;
    EXPECT_EQ(housesListed(server().port(), needId), carded);
    std::set<QString> told;
    QStringList toldInOrder;
    for (const QJsonValue agent : agents) {
        told.insert(agent["userId"].toString());
        toldInOrder << agent["userId"].toString();
    }
    std::set<QString> offering;
    for (const auto& [broker, houses] : carded) offering.insert(broker);
    EXPECT_EQ(told, offering);
    EXPECT_EQ(answeredBy(server().port(), needId), toldInOrder)
        << "those whose answers reached the user, in the order they came";
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

// A broker has answered once one of his messages about the need has gone out to the user,
// on the stream as by a fetch; until then nobody has.
TEST_F(NeedRepliesTest, ABrokerHasAnsweredOnceHisAnswerWentOutOnTheStream) {
    const auto [district, name] = brokerDistrict();
    const QJsonObject posted =
        call("HousingRequestInfo", "SearchHousingRequest", "postHousingRequest", rentNeed(district))
            .toObject();
    const QString needId = posted["postId"].toString();
    const QJsonArray agents = posted["agents"].toArray();
    ASSERT_FALSE(agents.isEmpty());
    EXPECT_TRUE(answeredBy(server().port(), needId).isEmpty());

    // The first broker's greeting comes on the stream when its moment has come.
    QByteArray stream;
    auto http = standinClient(server().port());
    http.Get(std::string(paths::kStreamReceive) + "?userid=" + std::to_string(kUser),
             [&](const char* data, size_t length) {
                 stream.append(data, qsizetype(length));
                 return !stream.contains("fromUser");
             });
    ASSERT_TRUE(stream.contains(agents[0]["userId"].toString().toUtf8())) << stream.toStdString();
    const QStringList answered = answeredBy(server().port(), needId);
    ASSERT_FALSE(answered.isEmpty());
    EXPECT_EQ(answered.front(), agents[0]["userId"].toString());
}

// A stand-in stopped while the brokers answer a need (the demo's app quits, and
// scripts/run.sh stops the servers with it), started again on the files it keeps the needs
// and the messages in, sends what is left of every broker's answer. Without the messages file
// it cannot (it would give the app's ids again): it does not answer the need again, and the
// need names the brokers whose answers reached the user, and lists their houses, no other
// broker's.
class NeedRepliesKeptTest : public SandboxTest {
protected:
    // Every broker who answers the need of these arguments, in order; the houses they
    // recommend for it, puids by broker; and how many messages their answers hold.
    struct WholeAnswers {
        QStringList everyone;
        std::map<QString, std::set<QString>> houses;
        qsizetype messages = 0;
    };
    static WholeAnswers wholeAnswers(const QJsonArray& arguments) {
        const PostedNeed planned = *PostedNeed::fromArguments(arguments);
        WholeAnswers answers;
        for (const standin::SampleBroker& broker : NeedReplies::answeringBrokers(planned))
            answers.everyone << QString::number(broker.userId);
        for (const standin::SamplePost* house : NeedReplies::recommendedHouses(planned)) {
            answers.houses[QString::number(house->posterId)].insert(QString::number(house->puid));
        }
        answers.messages = NeedReplies::answersTo(planned, "R").size();
        return answers;
    }
    // The ids of the messages the stand-in on `port` wrote to the user in this run, in order.
    static QList<qint64> written(int port) {
        auto http = standinClient(port);
        QList<qint64> ids;
        for (const QJsonValue id :
             replyJsonOf(http.Get("/__control/im/messages?to=" + std::to_string(kUser)))["sent"]
                 .toArray()) {
            ids.append(id.toInteger());
        }
        return ids;
    }
    static QList<qint64> idsOf(const QJsonArray& packets) {
        QList<qint64> ids;
        for (const QJsonValue packet : packets) ids.append(packet["msgs"][0]["id"].toInteger());
        return ids;
    }
    // Acknowledges the packets as the app does, one call each.
    static void acknowledge(int port, const QJsonArray& packets) {
        auto http = standinClient(port);
        for (const QJsonValue packet : packets) {
            const std::string target =
                std::string(paths::kMessageApi) +
                "?op=ackrecvmsg&talkId=" + packet["talk"]["toTalkId"].toString().toStdString() +
                "&msgIds=" + std::to_string(packet["msgs"][0]["id"].toInteger());
            ASSERT_TRUE(http.Get(target));
        }
    }

    // The need below, which several brokers answer, and the first of them with the houses he
    // recommends for it.
    struct AnsweredNeed {
        QJsonArray arguments;
        std::vector<standin::SampleBroker> brokers;
        QString first;
        std::set<QString> his;  // puids
    };
    static AnsweredNeed answeredNeed() {
        AnsweredNeed need;
        need.arguments = rentNeed(brokerDistrict().first);
        const PostedNeed planned = *PostedNeed::fromArguments(need.arguments);
        need.brokers = NeedReplies::answeringBrokers(planned);
        if (need.brokers.empty()) return need;
        need.first = QString::number(need.brokers.front().userId);
        for (const standin::SamplePost* house : NeedReplies::recommendedHouses(planned)) {
            if (house->posterId == need.brokers.front().userId)
                need.his.insert(QString::number(house->puid));
        }
        return need;
    }
};

// Without the messages file.
TEST_F(NeedRepliesKeptTest, ANeedWhoseAnsweringARestartCutShortListsTheHousesOfThoseWhoAnswered) {
    const QString file = sandboxPath() + QStringLiteral("/needs.json");
    const auto [arguments, brokers, first, his] = answeredNeed();
    ASSERT_GT(brokers.size(), 1u) << "a need that several brokers answer";
    ASSERT_FALSE(his.empty());
    QString needId;
    {
        standin::StandinServer server;
        ASSERT_TRUE(server.endpoints().postedNeeds().keepIn(file));
        const int port = server.start();
        ASSERT_GT(port, 0);
        needId = classCall(port, "HousingRequestInfo", "SearchHousingRequest", "postHousingRequest",
                           arguments)["postId"]
                     .toString();
        ASSERT_FALSE(needId.isEmpty());
        EXPECT_EQ(housesListed(port, needId).size(), brokers.size())
            << "while their answers are on their way";
        // The user's app takes one message, the first broker's greeting, and quits.
        QJsonArray taken;
        ASSERT_TRUE(runMainLoopUntil([&] {
            taken = offlineFetch(port, kUser, 1);
            return !taken.isEmpty();
        }));
        EXPECT_EQ(taken.at(0)["fromUser"]["id"].toVariant().toString(), first);
        server.stop();
    }
    standin::StandinServer again;
    ASSERT_TRUE(again.endpoints().postedNeeds().keepIn(file));
    const int port = again.start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(answeredBy(port, needId), QStringList{first});
    EXPECT_EQ(housesListed(port, needId), (std::map<QString, std::set<QString>>{{first, his}}));
    auto http = standinClient(port);
    const QJsonObject messages =
        replyJsonOf(http.Get("/__control/im/messages?to=" + std::to_string(kUser)));
    EXPECT_TRUE(messages["sent"].toArray().isEmpty()) << "a kept need is not answered again";
    again.stop();

    // The same need as an older stand-in kept it, noting nobody: every planned broker's houses.
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    QJsonObject root = QJsonDocument::fromJson(kept.readAll()).object();
    kept.close();
    QJsonArray needs = root["needs"].toArray();
    QJsonObject need = needs.at(0).toObject();
    need.remove("answeredBy");
    needs.replace(0, need);
    root["needs"] = needs;
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly | QIODevice::Truncate));
    kept.write(QJsonDocument(root).toJson());
    kept.close();
    standin::StandinServer older;
    ASSERT_TRUE(older.endpoints().postedNeeds().keepIn(file));
    const int olderPort = older.start();
    ASSERT_GT(olderPort, 0);
    EXPECT_EQ(housesListed(olderPort, needId).size(), brokers.size());
    older.stop();
}

// Every broker sends all of his answer, greeting and cards, wherever a stop falls between
// them, whether or not any of it went out before. At each point the user's app has taken the
// first k messages of the answers (none, the first broker's greeting, then each of his
// cards), the last of them acknowledged or not (the app quit between keeping it and saying
// so); the stand-in stops and starts again on the files it keeps. The app then gets the rest
// of the answers, and again the message it had not acknowledged, under its id (the app keeps
// its messages by their ids, so that a copy shows once), and nothing written anew: every
// broker then counts as having answered and the need lists all their houses. Once the app
// has acknowledged them nothing more comes, a restart later too.
TEST_F(NeedRepliesKeptTest, EveryBrokerSendsHisWholeAnswerWhereverAStopFalls) {
    const auto [arguments, brokers, first, his] = answeredNeed();
    ASSERT_GT(brokers.size(), 1u) << "a need that several brokers answer";
    const int whole = 1 + int(his.size());  // the first broker's greeting and his cards
    ASSERT_GT(whole, 1);
    const auto [everyone, allHouses, all] = wholeAnswers(arguments);

    struct Stop {
        int taken = 0;  // messages the app took
        bool lastAcknowledged = true;
        QString folder;
        std::unique_ptr<standin::StandinServer> server;
        QString needId;
        QList<qint64> written;  // the ids of the answers, in order
    };
    std::vector<Stop> stops;
    stops.push_back({0, true});
    for (int taken = 1; taken <= whole; ++taken) {
        stops.push_back({taken, false});
        stops.push_back({taken, true});
    }
    const auto start = [](Stop& stop) {
        stop.server = std::make_unique<standin::StandinServer>();
        if (!stop.server->endpoints().postedNeeds().keepIn(stop.folder + "/needs.json") ||
            !stop.server->messaging().keepIn(stop.folder + "/messages.json")) {
            return 0;
        }
        return stop.server->start();
    };
    // Every stand-in is given the need at once, and then waited for together: the need given
    // last, to a stand-in of its own, has all of its answers out when the others do.
    for (Stop& stop : stops) {
        stop.folder = sandboxPath() + QStringLiteral("/stop-%1-%2")
                                          .arg(stop.taken)
                                          .arg(stop.lastAcknowledged ? "acknowledged" : "kept");
        ASSERT_TRUE(QDir().mkpath(stop.folder));
        const int port = start(stop);
        ASSERT_GT(port, 0);
        stop.needId = classCall(port, "HousingRequestInfo", "SearchHousingRequest",
                                "postHousingRequest", arguments)["postId"]
                          .toString();
        ASSERT_FALSE(stop.needId.isEmpty());
        stop.written = written(port);
        ASSERT_EQ(stop.written.size(), all);
    }
    standin::StandinServer last;
    const int lastPort = last.start();
    ASSERT_GT(lastPort, 0);
    classCall(lastPort, "HousingRequestInfo", "SearchHousingRequest", "postHousingRequest",
              arguments);
    ASSERT_TRUE(runMainLoopUntil([&] { return offlineFetch(lastPort, kUser).size() == all; }))
        << "every answer out";
    last.stop();

    for (Stop& stop : stops) {
        SCOPED_TRACE(QStringLiteral("%1 taken, the last %2")
                         .arg(stop.taken)
                         .arg(stop.lastAcknowledged ? "acknowledged" : "not acknowledged")
                         .toStdString());
        const int port = stop.server->port();
        if (stop.taken > 0) {
            const QJsonArray taken = offlineFetch(port, kUser, stop.taken);
            ASSERT_EQ(idsOf(taken), stop.written.first(stop.taken));
            QJsonArray acknowledged = taken;
            if (!stop.lastAcknowledged) acknowledged.removeLast();
            acknowledge(port, acknowledged);
        }
        stop.server->stop();
        stop.server.reset();

        ASSERT_GT(start(stop), 0);
        const int again = stop.server->port();
        const QJsonArray after = offlineFetch(again, kUser);
        for (const QJsonValue packet : after)
            EXPECT_EQ(packet["post"]["id"].toString(), stop.needId);
        const int from = stop.lastAcknowledged ? stop.taken : stop.taken - 1;
        EXPECT_EQ(idsOf(after), stop.written.mid(from))
            << "the rest of the answers, under their ids";
        EXPECT_EQ(answeredBy(again, stop.needId), everyone);
        EXPECT_EQ(housesListed(again, stop.needId), allHouses);
        EXPECT_TRUE(written(again).isEmpty()) << "nothing written anew";

        // Acknowledged, the answers are over: the next restart sends nothing.
        acknowledge(again, after);
        stop.server->stop();
        ASSERT_GT(start(stop), 0);
        EXPECT_TRUE(offlineFetch(stop.server->port(), kUser).isEmpty());
        EXPECT_TRUE(written(stop.server->port()).isEmpty());
        stop.server->stop();
    }
}

// What the stream carried before a stop makes no difference: a stop as soon as the stream has
// carried the first greeting, before the app acknowledged anything, sends every answer whole
// after it, each message when its time comes.
TEST_F(NeedRepliesKeptTest, EveryAnswerIsWholeAfterAStopWhateverTheStreamCarried) {
    const QString needs = sandboxPath() + QStringLiteral("/needs.json");
    const QString messages = sandboxPath() + QStringLiteral("/messages.json");
    const auto [arguments, brokers, first, his] = answeredNeed();
    QList<qint64> sentBefore;
    QByteArray stream;
    {
        standin::StandinServer server;
        ASSERT_TRUE(server.endpoints().postedNeeds().keepIn(needs));
        ASSERT_TRUE(server.messaging().keepIn(messages));
        const int port = server.start();
        ASSERT_GT(port, 0);
        classCall(port, "HousingRequestInfo", "SearchHousingRequest", "postHousingRequest",
                  arguments);
        sentBefore = written(port);
        auto http = standinClient(port);
        http.Get(std::string(paths::kStreamReceive) + "?userid=" + std::to_string(kUser),
                 [&](const char* data, size_t length) {
                     stream.append(data, qsizetype(length));
                     return !stream.contains("fromUser");
                 });
        server.stop();
    }
    ASSERT_TRUE(stream.contains(first.toUtf8()));

    standin::StandinServer again;
    ASSERT_TRUE(again.endpoints().postedNeeds().keepIn(needs));
    ASSERT_TRUE(again.messaging().keepIn(messages));
    const int port = again.start();
    ASSERT_GT(port, 0);
    // The cards that were not due at the stop come when they are.
    QList<qint64> sent;
    EXPECT_TRUE(runMainLoopUntil([&] {
        sent = idsOf(offlineFetch(port, kUser));
        return sent.size() >= sentBefore.size();
    }));
    EXPECT_EQ(sent, sentBefore);
    again.stop();
}

// A need published right before a stop, none of whose answers went out, is answered after
// the next start, a second stop before the app came back or not: every broker's greeting and
// cards under the ids they were written with, nothing written anew.
TEST_F(NeedRepliesKeptTest, ANeedPublishedRightBeforeAStopIsAnsweredAfterTwoRestarts) {
    const QString needs = sandboxPath() + QStringLiteral("/needs.json");
    const QString messages = sandboxPath() + QStringLiteral("/messages.json");
    const auto [arguments, brokers, first, his] = answeredNeed();
    const auto [everyone, allHouses, all] = wholeAnswers(arguments);
    const auto start = [&](standin::StandinServer& server) {
        if (!server.endpoints().postedNeeds().keepIn(needs) ||
            !server.messaging().keepIn(messages)) {
            return 0;
        }
        return server.start();
    };
    QString needId;
    QList<qint64> sentBefore;
    {
        standin::StandinServer server;
        const int port = start(server);
        ASSERT_GT(port, 0);
        needId = classCall(port, "HousingRequestInfo", "SearchHousingRequest", "postHousingRequest",
                           arguments)["postId"]
                     .toString();
        sentBefore = written(port);
        ASSERT_EQ(sentBefore.size(), all);
        server.stop();
    }
    {
        standin::StandinServer server;
        const int port = start(server);
        ASSERT_GT(port, 0);
        EXPECT_TRUE(written(port).isEmpty()) << "nothing written anew";
        EXPECT_TRUE(answeredBy(port, needId).isEmpty()) << "nobody has answered yet";
        server.stop();
    }
    standin::StandinServer again;
    const int port = start(again);
    ASSERT_GT(port, 0);
    QList<qint64> sent;
    EXPECT_TRUE(runMainLoopUntil([&] {
        sent = idsOf(offlineFetch(port, kUser));
        return sent.size() >= all;
    }));
    EXPECT_EQ(sent, sentBefore);
    EXPECT_TRUE(written(port).isEmpty()) << "nothing written anew";
    EXPECT_EQ(answeredBy(port, needId), everyone);
    EXPECT_EQ(housesListed(port, needId), allHouses);
    again.stop();
}

// A need kept while an older stand-in dropped the answers none of whose messages had gone
// out at a stop is answered at the next start by the brokers who owe it one: those who have
// not answered it and whose answers the messages file does not hold. A need an older
// stand-in kept without noting who answered, or one every broker answered, is not answered
// again; nor is a need whose owed answers the file holds since.
TEST_F(NeedRepliesKeptTest, TheBrokersWhoOweAKeptNeedAnAnswerWriteItAtTheStart) {
    const QString needs = sandboxPath() + QStringLiteral("/needs.json");
    const QString messages = sandboxPath() + QStringLiteral("/messages.json");
    const auto [arguments, brokers, first, his] = answeredNeed();
    ASSERT_GT(brokers.size(), 1u) << "a need that several brokers answer";
    const auto [everyone, allHouses, all] = wholeAnswers(arguments);
    const auto kept = [&](const QString& id, const std::optional<QStringList>& answered) {
        QJsonObject need{{"id", id}, {"postedAt", "1700000000"}, {"arguments", arguments}};
        if (answered) need.insert("answeredBy", QJsonArray::fromStringList(*answered));
        return need;
    };
    {
        QFile file(needs);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"lastId", "3"},
                                             {"needs", QJsonArray{kept("1", QStringList{first}),
                                                                  kept("2", std::nullopt),
                                                                  kept("3", everyone)}}})
                       .toJson());
        QFile ids(messages);
        ASSERT_TRUE(ids.open(QIODevice::WriteOnly));
        ids.write(R"({"lastMessageId": "40"})");
    }
    const auto start = [&](standin::StandinServer& server) {
        if (!server.endpoints().postedNeeds().keepIn(needs) ||
            !server.messaging().keepIn(messages)) {
            return 0;
        }
        return server.start();
    };
    QList<qint64> owed;
    {
        standin::StandinServer server;
        const int port = start(server);
        ASSERT_GT(port, 0);
        owed = written(port);
        ASSERT_EQ(owed.size(), all - (1 + qsizetype(his.size())))
            << "the answers of all but the broker who answered";
        EXPECT_GT(owed.front(), 40) << "under new ids";
        server.stop();
    }
    // Held by the file, the owed answers are not written again.
    {
        standin::StandinServer server;
        const int port = start(server);
        ASSERT_GT(port, 0);
        EXPECT_TRUE(written(port).isEmpty());
        server.stop();
    }
    standin::StandinServer again;
    const int port = start(again);
    ASSERT_GT(port, 0);
    QJsonArray sent;
    EXPECT_TRUE(runMainLoopUntil([&] {
        sent = offlineFetch(port, kUser);
        return sent.size() >= owed.size();
    }));
    EXPECT_EQ(idsOf(sent), owed);
    for (const QJsonValue packet : sent) {
        EXPECT_EQ(packet["post"]["id"].toString(), "1");
        EXPECT_NE(packet["fromUser"]["id"].toVariant().toString(), first);
    }
    EXPECT_EQ(answeredBy(port, "1"), everyone);
    EXPECT_EQ(housesListed(port, "1"), allHouses);
    acknowledge(port, sent);
    again.stop();

    // Every broker has answered now: nobody owes the need anything.
    standin::StandinServer later;
    const int laterPort = start(later);
    ASSERT_GT(laterPort, 0);
    EXPECT_TRUE(written(laterPort).isEmpty());
    EXPECT_TRUE(offlineFetch(laterPort, kUser).isEmpty());
    later.stop();
}
