// The sample broker's answers and the calls about a user and a broker: what a sent message gets
// back on the stream, the post card's post, the deal record and its page.
#include "StandinClient.h"
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
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

#include <algorithm>
#include <cmath>

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

// What the card of an answer offers.
const standin::SamplePost* offeredIn(const QJsonObject& order) {
    return standin::Posts::byPuid(
        QJsonValue(order)["contents"][0][1]["puid"].toString().toLongLong());
}

// How the app names a sample post as a talk's post.
QString talkPostOf(const standin::SamplePost& post) {
    return QStringLiteral("%1_%2_1009_%3")
        .arg(post.record.value("id").toString())
        .arg(post.major)
        .arg(post.cityIndex);
}

QJsonObject sentTo(qint64 broker, const QJsonValue& first, const QString& postId) {
    QJsonObject packet = sent(first, postId);
    packet.insert("toUser", QJsonObject{{"id", QString::number(broker)}});
    return packet;
}

// The first post of a kind in city 0 that a personal user posted.
const standin::SamplePost* personalPostOf(int kind) {
    const auto& posts = standin::Posts::postsOf(0, kind);
    const auto personal = std::find_if(posts.begin(), posts.end(), [](const auto& post) {
        return !standin::SamplePeople::isBroker(post.posterId);
    });
    return personal != posts.end() ? &*personal : nullptr;
}

// The id of the district a broker works in, of city 0.
qint64 districtOf(const standin::SampleBroker& broker) {
    for (const auto& each : standin::Geography::city(0)->districts) {
        if (each.name == broker.districtName) return each.id;
    }
    return 0;
}

TEST(ChatBrokerAnswers, TheKindOfTheAnswerFollowsWhatWasSent) {
    const auto kindOf = [](const QJsonValue& first) {
        return standin::ChatBroker::answerTo(sent(first), "R").value("kind").toString();
    };
    EXPECT_EQ(kindOf("有照片吗"), "picture");
    EXPECT_EQ(kindOf("发个语音介绍一下"), "voice");
    EXPECT_EQ(kindOf("我要屏蔽你"), "notice");
    EXPECT_EQ(kindOf(QJsonArray{"pic", QJsonObject{}}), "text");
    // A broker with no house to offer says so rather than offer somebody else's.
    const QJsonObject none = standin::ChatBroker::answerTo(sent("推荐几套房源"), "R");
    EXPECT_EQ(none.value("kind"), "text");
    EXPECT_TRUE(none.value("text").toString().contains(QStringLiteral("暂时还没有合适的房源")));
    const QJsonObject greeting = standin::ChatBroker::answerTo(sent("你好"), "R");
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

TEST(ChatBrokerAnswers, TheGreetingSpeaksOfAHouseOnlyInATalkAboutOne) {
    using Subject = standin::ChatBroker::TalkSubject;
    const QString aboutHouse = standin::ChatBroker::greeting(880002, Subject::House);
    const QString aboutNeed = standin::ChatBroker::greeting(880002, Subject::Need);
    const QString aboutNothing = standin::ChatBroker::greeting(880002, Subject::Nothing);
    EXPECT_TRUE(aboutHouse.contains(QStringLiteral("这套房子")));
    EXPECT_FALSE(aboutNeed.contains(QStringLiteral("这套房子")));
    EXPECT_FALSE(aboutNothing.contains(QStringLiteral("这套房子")));
    const auto greetingIn = [](const QString& postId, const standin::PostedNeeds* needs) {
        return standin::ChatBroker::answerTo(sent("你好", postId), "R", needs)
            .value("text")
            .toString();
    };
    // No post, a post the server does not have, a need id without the needs to know it.
    EXPECT_EQ(greetingIn("", nullptr), aboutNothing);
    EXPECT_EQ(greetingIn("10086_1_1009_1", nullptr), aboutNothing);
    EXPECT_EQ(greetingIn("0_0_1009_0", nullptr), aboutNothing);
    standin::PostedNeeds needs;
    standin::PostedNeed wanted;
    wanted.rentOrBuy = "1";
    wanted.userId = "42";
    const QString needId = QString::number(needs.add(wanted));
    EXPECT_EQ(greetingIn(needId, nullptr), aboutNothing);
    EXPECT_EQ(greetingIn(needId, &needs), aboutNeed);
    // A sample post, by its record's id or by its puid.
    const standin::SamplePost& post = standin::Posts::postsOf(0, 5).front();
    EXPECT_EQ(greetingIn(talkPostOf(post), &needs), aboutHouse);
    EXPECT_EQ(greetingIn(QStringLiteral("%1_5_1009_0").arg(post.puid), &needs), aboutHouse);
    EXPECT_EQ(greetingIn(QStringLiteral("%1_7_1009_0").arg(post.puid + 2000), &needs), aboutNothing)
        << "a kind the sample has no posts of";
}

TEST(ChatBrokerAnswers, AskedForHousesABrokerOffersTheNeedsOrHisOwnOneAfterAnother) {
    const auto brokers = standin::SamplePeople::brokersOfCity(0);
    ASSERT_FALSE(brokers.empty());
    const qint64 district = districtOf(brokers.front());
    standin::PostedNeeds needs;
    standin::PostedNeed wanted;
    wanted.rentOrBuy = "1";
    wanted.districtId = district;
    wanted.price = "-1";
    wanted.userId = "42";
    const QString needId = QString::number(needs.add(wanted));
    // In a talk about a need, the houses he recommends for it, one after another.
    const auto recommended =
        standin::NeedReplies::recommendedHouses(*needs.byId(needId.toLongLong()));
    const auto answering = standin::NeedReplies::answeringBrokers(*needs.byId(needId.toLongLong()));
    const auto several = std::find_if(answering.begin(), answering.end(), [&](const auto& b) {
        return std::count_if(recommended.begin(), recommended.end(),
                             [&](const auto* house) { return house->posterId == b.userId; }) >= 2;
    });
    ASSERT_NE(several, answering.end());
    const QJsonObject asked = sentTo(several->userId, "再推荐几套房源", needId);
    const auto* first = offeredIn(standin::ChatBroker::answerTo(asked, "R", &needs, 0));
    const auto* next = offeredIn(standin::ChatBroker::answerTo(asked, "R", &needs, 1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(next, nullptr);
    EXPECT_NE(first, next);
    for (const auto* offered : {first, next}) {
        EXPECT_EQ(offered->posterId, several->userId) << "his own";
        EXPECT_NE(std::find(recommended.begin(), recommended.end(), offered), recommended.end())
            << "one of the need's recommended houses";
    }
    // A broker who recommends nothing for the need offers nothing in its talk; nor does
    // anybody for a need nothing matches.
    const auto idle = std::find_if(brokers.begin(), brokers.end(), [&](const auto& b) {
        return std::none_of(answering.begin(), answering.end(),
                            [&](const auto& a) { return a.userId == b.userId; });
    });
    ASSERT_NE(idle, brokers.end());
    EXPECT_EQ(standin::ChatBroker::answerTo(sentTo(idle->userId, "推荐", needId), "R", &needs)
                  .value("kind"),
              "text");
    wanted.price = "_1";
    const QString unmatched = QString::number(needs.add(wanted));
    EXPECT_EQ(standin::ChatBroker::answerTo(sentTo(several->userId, "推荐", unmatched), "R", &needs)
                  .value("kind"),
              "text");

    // A talk about no house: any of his posts.
    const auto* any = offeredIn(standin::ChatBroker::answerTo(
        sentTo(several->userId, "有什么房源", "10086_1_1009_1"), "R", &needs));
    ASSERT_NE(any, nullptr);
    EXPECT_EQ(any->posterId, several->userId);
}

// After a restart cut a need's answering short, a broker whose answer never reached the user
// offers none of its houses in its talk; one who answered offers his.
TEST(ChatBrokerAnswers, AfterARestartOnlyTheBrokersWhoAnsweredANeedOfferItsHouses) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("needs.json");
    const qint64 district = districtOf(standin::SamplePeople::brokersOfCity(0).front());
    const auto wanted = standin::PostedNeed::fromArguments(
        {"1", QJsonObject{{"cityScriptIndex", 0}, {"districtId", district}}, "", QJsonArray(), "42",
         "", "0", "", "-1", "1"});
    ASSERT_TRUE(wanted);
    const auto answering = standin::NeedReplies::answeringBrokers(*wanted);
    ASSERT_GT(answering.size(), 1u);
    QString needId;
    {
        standin::PostedNeeds before;
        ASSERT_TRUE(before.keepIn(file));
        needId = QString::number(before.add(*wanted));
        ASSERT_TRUE(before.noteAnswered(needId.toLongLong(), answering[0].userId));
    }
    standin::PostedNeeds after;
    ASSERT_TRUE(after.keepIn(file));
    const auto offered = offeredIn(
        standin::ChatBroker::answerTo(sentTo(answering[0].userId, "推荐", needId), "R", &after));
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->posterId, answering[0].userId);
    EXPECT_EQ(
        standin::ChatBroker::answerTo(sentTo(answering[1].userId, "推荐", needId), "R", &after)
            .value("kind"),
        "text");
}

TEST(ChatBrokerAnswers, InATalkAboutAPostTheBrokerOffersHousesLikeItOfHisOrHisAgencys) {
    int talks = 0, fromAgency = 0, none = 0;
    for (const int kind : {1, 3, 5}) {
        for (const standin::SamplePost& talked : standin::Posts::postsOf(0, kind)) {
            const auto broker = standin::SamplePeople::broker(talked.posterId);
            if (!broker) continue;
            const QJsonObject asked = sentTo(broker->userId, "有推荐的房源吗", talkPostOf(talked));
            const auto houses =
                standin::ChatBroker::housesOffered(broker->userId, talkPostOf(talked), nullptr);
            bool agency = false;
            for (const standin::SamplePost* house : houses) {
                EXPECT_NE(house, &talked);
                EXPECT_EQ(house->major, talked.major);
                EXPECT_EQ(house->districtId, talked.districtId);
                EXPECT_LE(std::abs(house->price - talked.price),
                          talked.price * standin::ChatBroker::kNearPrice)
                    << talked.price << " " << house->price;
                const auto poster = standin::SamplePeople::broker(house->posterId);
                ASSERT_TRUE(poster) << "never a personal user's house";
                EXPECT_EQ(poster->company, broker->company);
                if (poster->userId == broker->userId) {
                    EXPECT_FALSE(agency) << "his own first";
                } else {
                    agency = true;
                }
            }
            const QJsonObject answer = standin::ChatBroker::answerTo(asked, "R");
            if (houses.empty()) {
                EXPECT_EQ(answer.value("kind"), "text");
                ++none;
            } else {
                EXPECT_EQ(offeredIn(answer), houses.front());
            }
            fromAgency += agency ? 1 : 0;
            ++talks;
        }
    }
    EXPECT_GT(fromAgency, 0);
    EXPECT_GT(none, 0);
    EXPECT_LT(none, talks / 2);
}

// A personal user who posted a sample house, of whatever kind, is written to about it: he
// answers as the post names him, with its number, and has no shop for the talk's row to
// show. An id that is neither a sample broker nor a sample post's poster is answered by a
// broker of a made-up shop, as the messaging server's own broker is.
TEST(ChatBrokerAnswers, APosterWhoIsNoBrokerAnswersAsHisPostNamesHim) {
    for (const int kind : standin::Posts::kKinds) {
        const standin::SamplePost* personal = personalPostOf(kind);
        ASSERT_NE(personal, nullptr) << kind;
        const QJsonObject& record = personal->record;
        const QString name = record.value("person").toString();
        const QString phone = record.value("phone").toString();
        ASSERT_EQ(record.value("agent").toString(), QStringLiteral("个人"));
        const QJsonObject poster = standin::ChatBroker::profile(personal->posterId);
        const auto field = [&poster](const char* key) {
            return poster.value(QLatin1String(key)).toString().toStdString();
        };
        EXPECT_EQ(field("id"), record.value("user_id").toString().toStdString());
        EXPECT_EQ(field("name"), name.toStdString()) << kind;
        EXPECT_EQ(field("phone"), phone.toStdString());
        EXPECT_EQ(field("companyName"), "");
        EXPECT_EQ(field("picUrl"), "");
        EXPECT_EQ(field("districtName"), record.value("district_name").toString().toStdString());
        EXPECT_EQ(field("streetName"), record.value("street_name").toString().toStdString());
        const QString answer =
            standin::ChatBroker::answerTo(
                sentTo(personal->posterId, QStringLiteral("还在吗"), talkPostOf(*personal)), "R")
                .value("text")
                .toString();
        EXPECT_TRUE(answer.startsWith(QStringLiteral("您好，我是%1，这套房子还在").arg(name)))
            << answer.toStdString();
        EXPECT_TRUE(answer.contains(phone)) << answer.toStdString();
    }
    const QJsonObject madeUp = standin::ChatBroker::profile(880002);
    EXPECT_FALSE(madeUp.value("name").toString().isEmpty());
    EXPECT_FALSE(madeUp.value("companyName").toString().isEmpty());
    EXPECT_EQ(madeUp.value("picUrl").toString(), "avatars/brokers/880002.jpg");
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
        auto http = standinClient(server().port());
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
    auto http = standinClient(server().port());
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

// Through the server: the poster's answer names him as its sender, so that the talk's row
// shows him rather than a broker.
TEST_F(AgentCallsTest, APosterAnswersUnderHisOwnName) {
    const standin::SamplePost* personal = personalPostOf(3);
    ASSERT_NE(personal, nullptr);
    auto http = standinClient(server().port());
    const QJsonObject packet = sentTo(personal->posterId, "还在吗", talkPostOf(*personal));
    const std::string api = standin::paths::kMessageApi;
    const auto sent = http.Post(api + "?op=sendmsg&userId=42",
                                QJsonDocument(packet).toJson(QJsonDocument::Compact).toStdString(),
                                "application/x-www-form-urlencoded");
    ASSERT_TRUE(sent);
    const auto waiting = http.Get(api + "?op=getnotrecvmsgs&userId=42&channel=0");
    ASSERT_TRUE(waiting);
    const QJsonArray answers =
        QJsonDocument::fromJson(QByteArray::fromStdString(waiting->body))["data"].toArray();
    ASSERT_EQ(answers.size(), 1) << waiting->body;
    const QJsonValue from = answers[0]["fromUser"];
    EXPECT_EQ(from["id"].toString(), QString::number(personal->posterId));
    EXPECT_EQ(from["name"].toString(), personal->record.value("person").toString());
    EXPECT_EQ(from["companyName"].toString(), "");
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

    auto http = standinClient(server().port());
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
