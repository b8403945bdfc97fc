// The sample broker's answers and the calls about a user and a broker: what a sent message gets
// back on the stream, the post card's post, the deal record and its page.
#include "StandinFixture.h"

#include "standin/ChatBroker.h"
#include "standin/Geography.h"
#include "standin/NeedReplies.h"
#include "standin/PostedNeeds.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"
#include "standin/SampleVoice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

namespace {

// A packet as the app sends it: the talk's post (a need's id or a post's reference) is named
// by the packet's post, its talk carries no post.
QJsonObject sent(const QJsonValue& first, const QString& postId = "p9") {
    return QJsonObject{{"fromUser", QJsonObject{{"id", "42"}}},
                       {"toUser", QJsonObject{{"id", "880002"}}},
                       {"post", QJsonObject{{"id", postId}, {"title", " "}}},
                       {"talk", QJsonObject{{"id", "880002-42"}, {"channel", "0"}}},
                       {"msgs", QJsonArray{QJsonObject{{"contents", QJsonArray{first}}}}}};
}

TEST(ChatBrokerAnswers, TheKindOfTheAnswerFollowsWhatWasSent) {
    const auto kindOf = [](const QJsonValue& first) {
        return standin::ChatBroker::answerTo(sent(first), "R").value("kind").toString();
    };
    EXPECT_EQ(kindOf("有照片吗"), "picture");
    EXPECT_EQ(kindOf("发个语音介绍一下"), "voice");
    EXPECT_EQ(kindOf("推荐几套房源"), "card");
    EXPECT_EQ(kindOf("我要屏蔽你"), "notice");
    EXPECT_EQ(kindOf(QJsonArray{"pic", QJsonObject{}}), "text");
    const QJsonObject greeting = standin::ChatBroker::answerTo(sent("你好"), "R");
    EXPECT_EQ(greeting.value("text").toString(), standin::ChatBroker::greeting(880002));
    EXPECT_EQ(greeting.value("to").toInteger(), 42);
    EXPECT_EQ(greeting.value("from").toInteger(), 880002);
    EXPECT_EQ(greeting.value("postId").toString(), "p9") << "about the talk's post";
    EXPECT_TRUE(greeting.value("text").toString().contains(
        standin::ChatBroker::profile(880002).value("phone").toString()));
    // Nobody to answer, or nobody answering.
    QJsonObject anonymous = sent("你好");
    anonymous.insert("fromUser", QJsonObject{});
    EXPECT_TRUE(standin::ChatBroker::answerTo(anonymous, "R").isEmpty());
}

TEST(ChatBrokerAnswers, AskedForHousesABrokerOffersTheNeedsOrHisOwnOneAfterAnother) {
    const auto brokers = standin::SamplePeople::brokersOfCity(0);
    ASSERT_FALSE(brokers.empty());
    qint64 district = 0;
    for (const auto& each : standin::Geography::city(0)->districts) {
        if (each.name == brokers.front().districtName) district = each.id;
    }
    standin::PostedNeeds needs;
    standin::PostedNeed wanted;
    wanted.rentOrBuy = "1";
    wanted.districtId = district;
    wanted.houseTypes = {2};
    wanted.price = "-1";
    wanted.userId = "42";
    const QString needId = QString::number(needs.add(wanted));
    const auto matching = standin::NeedReplies::housesFor(*needs.byId(needId.toLongLong()));
    ASSERT_GE(matching.size(), 2u);
    const qint64 broker = matching[1]->posterId;
    const auto cardOf = [](const QJsonObject& order) {
        return order.value("contents").toArray().at(0).toArray().at(1).toObject();
    };
    QJsonObject asked = sent("再推荐几套房源", needId);
    asked.insert("toUser", QJsonObject{{"id", QString::number(broker)}});
    // His own house of the need first, then another that matches it.
    const QJsonObject first = cardOf(standin::ChatBroker::answerTo(asked, "R", &needs, 0));
    const auto* offered = standin::Posts::byPuid(first.value("puid").toString().toLongLong());
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->posterId, broker);
    const QJsonObject next = cardOf(standin::ChatBroker::answerTo(asked, "R", &needs, 1));
    EXPECT_NE(next.value("puid"), first.value("puid"));
    const auto* another = standin::Posts::byPuid(next.value("puid").toString().toLongLong());
    EXPECT_NE(std::find(matching.begin(), matching.end(), another), matching.end());

    // A need nothing matches gets a promise, not a house of another need.
    wanted.price = "_1";
    QJsonObject unmatched = sent("推荐", QString::number(needs.add(wanted)));
    unmatched.insert("toUser", QJsonObject{{"id", QString::number(broker)}});
    EXPECT_EQ(standin::ChatBroker::answerTo(unmatched, "R", &needs).value("kind"), "text");

    // A talk about a broker's post: another of his posts of that kind.
    const auto& rents = standin::Posts::postsOf(0, 1);
    const auto talked = std::find_if(rents.begin(), rents.end(), [](const auto& post) {
        return standin::SamplePeople::isBroker(post.posterId) &&
               standin::Posts::ofPoster(post.posterId, 1).size() >= 2;
    });
    ASSERT_NE(talked, rents.end());
    // The app names the post by its id ("id" of the record), which the broker knows it by.
    QJsonObject aboutPost = sent(
        "还有别的房源吗", QStringLiteral("%1_1_1009_0").arg(talked->record.value("id").toString()));
    aboutPost.insert("toUser", QJsonObject{{"id", QString::number(talked->posterId)}});
    const auto* other =
        standin::Posts::byPuid(cardOf(standin::ChatBroker::answerTo(aboutPost, "R", &needs))
                                   .value("puid")
                                   .toString()
                                   .toLongLong());
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other->puid, talked->puid);
    EXPECT_EQ(other->posterId, talked->posterId);
    EXPECT_EQ(other->major, 1);
}

TEST(ChatBrokerAnswers, TheCardNamesASamplePostAndTheVoiceIsAmr) {
    const auto& posts =
        standin::Posts::postsOf(standin::ChatBroker::kCardCity, standin::ChatBroker::kCardMajor);
    ASSERT_GT(posts.size(), std::size_t(standin::ChatBroker::kCardIndex));
    const QJsonObject post = posts[std::size_t(standin::ChatBroker::kCardIndex)].record;
    const QJsonObject card = standin::ChatBroker::cardData("R");
    EXPECT_EQ(card.value("puid").toString(), post.value("puid").toString());
    EXPECT_EQ(card.value("title").toString(), post.value("title").toString());
    EXPECT_EQ(card.value("price").toString(), standin::Posts::priceText(post));

    const QByteArray voice = standin::SampleVoice::amr();
    EXPECT_TRUE(voice.startsWith("#!AMR\n"));
    EXPECT_EQ(voice.size(), 6 + 32 * 50 * standin::SampleVoice::kSeconds);
}

class AgentCallsTest : public StandinFixture {
protected:
    QJsonValue call(const QString& method, const QStringList& arguments) {
        QJsonArray json;
        for (const QString& argument : arguments) json.append(argument);
        const QString body =
            "class=" +
            QString::fromUtf8(QUrl::toPercentEncoding(QString::fromUtf8(
                QJsonDocument(QJsonObject{{"SearchHousingRequest", QJsonObject{{method, json}}}})
                    .toJson(QJsonDocument::Compact))));
        httplib::Client http("127.0.0.1", server().port());
        const auto result =
            http.Post(standin::paths::kDataShare, {{"interface", "HousingRequestInfo"}},
                      body.toStdString(), "application/x-www-form-urlencoded");
        if (!result) return {};
        const QJsonObject reply =
            QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
        return reply.value("data")
            .toObject()
            .value("SearchHousingRequest")
            .toObject()
            .value(method);
    }
};

// Through the server: each time the user asks the broker for houses, his answer offers the next.
TEST_F(AgentCallsTest, ABrokerAskedAgainForHousesOffersTheNextOne) {
    qint64 broker = 0;
    for (const auto& each : standin::SamplePeople::brokersOfCity(0)) {
        if (standin::ChatBroker::housesOffered(each.userId, {}, nullptr).size() >= 2) {
            broker = each.userId;
            break;
        }
    }
    ASSERT_GT(broker, 0);
    httplib::Client http("127.0.0.1", server().port());
    const std::string packet = QStringLiteral(R"({"fromUser":{"id":"42"},"toUser":{"id":"%1"},)"
                                              R"("msgs":[{"contents":["有房源推荐吗"]}]})")
                                   .arg(broker)
                                   .toStdString();
    const std::string api = standin::paths::kMessageApi;
    for (int asked = 0; asked < 2; ++asked) {
        const auto sent =
            http.Post(api + "?op=sendmsg&userId=42", packet, "application/x-www-form-urlencoded");
        ASSERT_TRUE(sent);
        ASSERT_EQ(sent->status, 200);
    }
    const auto waiting = http.Get(api + "?op=getnotrecvmsgs&userId=42&channel=0");
    ASSERT_TRUE(waiting);
    QStringList offered;
    for (const QJsonValue answer :
         QJsonDocument::fromJson(QByteArray::fromStdString(waiting->body))["data"].toArray()) {
        const QJsonValue card = answer["msgs"][0]["contents"][0][1];
        ASSERT_TRUE(card.isObject()) << waiting->body;
        offered << card["puid"].toString();
    }
    ASSERT_EQ(offered.size(), 2) << waiting->body;
    EXPECT_NE(offered[0], offered[1]);
    for (const QString& puid : offered) {
        const auto* house = standin::Posts::byPuid(puid.toLongLong());
        ASSERT_NE(house, nullptr) << puid.toStdString();
        EXPECT_EQ(house->posterId, broker);
    }
}

TEST_F(AgentCallsTest, ADealRecordedWithAMobileNumberHasAPageTheTransactionCallNames) {
    EXPECT_EQ(call("insertAgentUserContact", {"42", "880001", "user", "10086"}).toInt(), 1);
    EXPECT_EQ(call("getUserAgentTransaction", {"42", "880001", "user"})["status"].toInt(), 0);
    EXPECT_EQ(call("insertAgentUserTransaction", {"42", "880001", "1381234"}).toString(), "")
        << "not a mobile number";
    const QString page =
        call("insertAgentUserTransaction", {"42", "880001", "13812345678"}).toString();
    EXPECT_EQ(page, server().root() + "/deal/42-880001.html");
    const QJsonValue transaction = call("getUserAgentTransaction", {"42", "880001", "user"});
    EXPECT_EQ(transaction["status"].toInt(), 1);
    EXPECT_EQ(transaction["url"].toString(), page);

    httplib::Client http("127.0.0.1", server().port());
    const auto shown = http.Get("/deal/42-880001.html");
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->status, 200);
    EXPECT_NE(shown->body.find("13812345678"), std::string::npos);
    EXPECT_EQ(http.Get("/deal/42-880002.html")->status, 404);

    // A sample broker's page names him as the chat does, never by his id.
    const auto broker = standin::SamplePeople::broker(8001000100);
    ASSERT_TRUE(broker);
    ASSERT_FALSE(call("insertAgentUserTransaction", {"42", "8001000100", "13812345678"})
                     .toString()
                     .isEmpty());
    const auto named = http.Get("/deal/42-8001000100.html");
    ASSERT_TRUE(named);
    const QString text = QString::fromStdString(named->body);
    EXPECT_TRUE(text.contains(broker->name)) << named->body;
    EXPECT_FALSE(text.contains("8001000100")) << named->body;
}

}  // namespace
