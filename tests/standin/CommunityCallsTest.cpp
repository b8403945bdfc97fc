// The stand-in's community pages and brokers' lists tell the same story as its posts, and a
// shop's broker list the same as the brokers' pages.
#include "standin/BrokerCalls.h"
#include "standin/BrokerShops.h"
#include "standin/Communities.h"
#include "standin/CommunityCalls.h"
#include "standin/Endpoints.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int kCity = 100;

// The value under a path of object keys.
QJsonValue dig(QJsonValue value, std::initializer_list<QString> keys) {
    for (const QString& key : keys) value = value.toObject().value(key);
    return value;
}

class CommunityCallsTest : public ::testing::Test {
protected:
    QJsonObject call(const QByteArray& interface, const QByteArray& body) {
        standin::RecordedRequest request;
        request.method = "POST";
        request.path = request.target = standin::paths::kDataShare;
        request.headers = {{"interface", interface}};
        request.body = body;
        return QJsonDocument::fromJson(endpoints_.answer(request, "http://r").body).object();
    }
    static QByteArray classBody(const QJsonObject& call) {
        return "class=" +
               QUrl::toPercentEncoding(QJsonDocument(call).toJson(QJsonDocument::Compact));
    }
    // The first community of the test city with posts of all three kinds.
    static const standin::SampleCommunity& busyCommunity() {
        for (const auto& community : standin::Communities::ofCity(kCity)) {
            if (!standin::Posts::ofCommunity(community.id, 1).empty() &&
                !standin::Posts::ofCommunity(community.id, 3).empty() &&
                !standin::Posts::ofCommunity(community.id, 5).empty())
                return community;
        }
        throw std::runtime_error("no community with posts of every kind");
    }

    QTemporaryDir images_;
    standin::Endpoints endpoints_{images_.path()};
};

TEST_F(CommunityCallsTest, APageCountsThePostsThatNameTheCommunity) {
    const auto& community = busyCommunity();
    const QJsonObject reply = call(
        "HousingXiaoquInfo",
        classBody(
            {{"XiaoquModel", QJsonObject{{"getXiaoquBaseInfoByCityPinyin",
                                          QJsonArray{community.cityPinyin, community.pinyin}}}},
             {"XiaoquPriceModel",
              QJsonObject{
                  {"getXiaoquPrice", QJsonArray{"0", "1700000000"}},
                  {"_classArgs", QJsonArray{community.cityPinyin,
                                            QJsonObject{{"pinyin", community.pinyin}}}}}}}));
    EXPECT_EQ(reply["success"].toInt(), 1);
    const QJsonObject base =
        reply["data"]["XiaoquModel"]["getXiaoquBaseInfoByCityPinyin"].toObject();
    EXPECT_EQ(base["name"].toString(), community.name);
    EXPECT_EQ(base["city"].toString(), community.cityPinyin);
    for (const auto& [key, major] : {std::pair{"rent_num", 1}, {"share_num", 3}, {"sell_num", 5}}) {
        EXPECT_EQ(base[key].toString().toInt(),
                  int(standin::Posts::ofCommunity(community.id, major).size()))
            << key;
    }
    // The change against the month before follows from the last two prices.
    const QJsonArray prices = reply["data"]["XiaoquPriceModel"]["getXiaoquPrice"].toArray();
    ASSERT_FALSE(prices.isEmpty());
    EXPECT_EQ(prices.last()["record_time"].toInteger(), 1700000000 - 30 * 86400);
    EXPECT_EQ(base["avg_price"].toString(),
              QString::number(prices.last()["avg_price"].toInteger()));

    // Every community's page reads the same; its months lie between 2 and 24, its average is
    // its last month's, and one whose average is not known has no months either.
    std::set<int> months;
    for (const auto& each : standin::Communities::ofCity(kCity)) {
        const QJsonArray records = standin::CommunityCalls::prices(each, 1700000000);
        months.insert(int(records.size()));
        const QJsonObject info = standin::CommunityCalls::baseInfo(each);
        EXPECT_EQ(info, standin::CommunityCalls::baseInfo(each));
        EXPECT_EQ(
            info["avg_price"].toString(),
            records.isEmpty() ? "0" : QString::number(records.last()["avg_price"].toInteger()));
        EXPECT_EQ(info.contains("avg_price_change"), !records.isEmpty());
    }
    EXPECT_EQ(*months.begin(), 0);
    EXPECT_EQ(*std::next(months.begin()), 2);
    EXPECT_EQ(*months.rbegin(), 24);

    // An unknown community is refused.
    EXPECT_EQ(
        call("HousingXiaoquInfo",
             classBody({{"XiaoquModel", QJsonObject{{"getXiaoquBaseInfoByCityPinyin",
                                                     QJsonArray{"nowhere", "none"}}}}}))["success"]
            .toInt(),
        0);
}

TEST_F(CommunityCallsTest, HousePagesFilterAndCount) {
    const auto& community = busyCommunity();
    const auto page = [&](const QJsonObject& conditions, int number, int size) {
        QJsonObject community_ = conditions;
        community_["pinyin"] = community.pinyin;
        const QJsonObject reply = call(
            "HousingXiaoquInfo",
            classBody(
                {{"XiaoquDetailPageModelForMobile",
                  QJsonObject{{"getXiaoquRentHouse", QJsonArray{number, size}},
                              {"_classArgs", QJsonArray{community.cityPinyin, community_}}}}}));
        return dig(reply, {"data", "XiaoquDetailPageModelForMobile", "getXiaoquRentHouse"})
            .toObject();
    };
    const auto rents = standin::Posts::ofCommunity(community.id, 1);
    const QJsonObject all = page({}, 1, 20);
    EXPECT_EQ(all["count"].toInt(), int(rents.size()));
    EXPECT_EQ(all["rent"].toArray().first()["puid"].toString(),
              QString::number(rents.front()->puid));
    EXPECT_EQ(page({}, 2, 1)["rent"].toArray().size(), rents.size() > 1 ? 1 : 0);
    const int rooms = rents.front()->rooms;
    const QJsonObject layout = page({{"huxing_shi", QString::number(rooms)}}, 1, 20);
    for (const QJsonValue& house : layout["rent"].toArray())
        EXPECT_EQ(house["huxing_shi"].toInt(), rooms);
    EXPECT_GE(layout["count"].toInt(), 1);

    const QJsonObject vars =
        dig(call("HousingListPageInfo",
                 "class={\"HousingVars\":{\"getUrlPriceRange\":[\"bj\",\"5\"],\"_property\":"
                 "[\"HUXING_SHI_SEARCH\", \"AREA_TYPE_IN_URL\"]}}"),
            {"data", "HousingVars"})
            .toObject();
    EXPECT_EQ(vars["getUrlPriceRange"]["1"].toString(), "100万以下");
    EXPECT_EQ(vars.keys(),
              (QStringList{"AREA_TYPE_IN_URL", "HUXING_SHI_SEARCH", "getUrlPriceRange"}));
}

TEST_F(CommunityCallsTest, ABrokersListsAreThePostsTheBrokerPosted) {
    qint64 brokerId = 0;
    for (const auto& post : standin::Posts::postsOf(kCity, 5)) {
        if (standin::SamplePeople::isBroker(post.posterId)) {
            brokerId = post.posterId;
            break;
        }
    }
    ASSERT_GT(brokerId, qint64(1) << 32) << "broker ids lie above 32 bits";
    const QByteArray user = QByteArray::number(brokerId);
    const auto sales = standin::Posts::ofPoster(brokerId, 5);
    const QJsonObject biotopes = call(
        "GetRelatedBiotope", "ucUserId=" + user + "&pi=1&listType=1&majorCategoryScriptIndex=5");
    EXPECT_EQ(biotopes["errCode"].toInt(), 0);
    ASSERT_FALSE(biotopes["biotopes"].toArray().isEmpty());
    const qint64 biotope = biotopes["biotopes"].toArray().first().toObject()["id"].toInteger();

    const QJsonObject page = call("GetPostList", "ucUserId=" + user +
                                                     "&majorCategoryScriptIndex=5&listType=1&page=1"
                                                     "&pageSize=10")["page"]
                                 .toObject();
    EXPECT_EQ(page["count"].toInt(), int(sales.size()));
    const QJsonObject post = page["posts"][0].toObject();
    EXPECT_EQ(post["puid"].toString(), QString::number(sales.front()->puid));
    EXPECT_EQ(post["price_format"]["u"].toString(), "万");
    EXPECT_TRUE(post["price"].toString().endsWith("万元"));
    // Every post is as old on its broker's list as in the list and the detail.
    for (const QJsonValue& each : page["posts"].toArray()) {
        const qint64 puid = each["puid"].toString().toLongLong();
        const auto same = std::find_if(sales.begin(), sales.end(),
                                       [puid](const auto* sale) { return sale->puid == puid; });
        ASSERT_NE(same, sales.end());
        EXPECT_EQ(each["post_at"].toInteger(), (*same)->record["postunixtime"].toInteger());
    }

    const QJsonObject narrowed =
        call("GetPostList", "ucUserId=" + user + "&majorCategoryScriptIndex=5&biotopeId=" +
                                QByteArray::number(biotope) + "&page=1&pageSize=10")["page"]
            .toObject();
    for (const QJsonValue& each : narrowed["posts"].toArray())
        EXPECT_EQ(each["xiaoqu_id"].toString(), QString::number(biotope));
    EXPECT_GE(narrowed["count"].toInt(), 1);

    EXPECT_EQ(call("GetPostList", "ucUserId=12345&page=1")["errCode"].toInt(), -1);

    const QJsonObject privilege = call("GetUserPrivilegeByUserId", "ucUserId=" + user + "&pi=1");
    const auto broker = standin::SamplePeople::broker(brokerId);
    EXPECT_EQ(privilege["baseInfo"]["name"].toString(), broker->name);
    EXPECT_EQ(privilege["baseInfo"]["companyName"].toString(), broker->company);
    EXPECT_EQ(privilege["phone"].toString(), broker->phone);
    EXPECT_EQ(privilege["premierPrivilege"]["postNum"]["5"].toInt(), int(sales.size()));
}

TEST_F(CommunityCallsTest, EveryBrokerOfAShopHasAsManyContactsOnItsListAsOnHisPage) {
    int brokers = 0;
    std::set<int> counts;
    for (const auto& shop : standin::BrokerShops::shops()) {
        const QByteArray id = QByteArray::number(shop.id);
        for (int page = 1; (page - 1) * standin::BrokerShops::kBrokersPerPage < shop.brokerCount;
             ++page) {
            const QJsonArray list =
                dig(call("HousingRequestInfo",
                         classBody(
                             {{"SearchHousingCustomer",
                               QJsonObject{{"getCustomerBrokerList",
                                            QJsonArray{QString(id), QString::number(page)}}}}})),
                    {"data", "SearchHousingCustomer", "getCustomerBrokerList", "list"})
                    .toArray();
            ASSERT_FALSE(list.isEmpty()) << shop.id << " page " << page;
            for (const QJsonValue broker : list) {
                const QByteArray user = broker["userId"].toString().toUtf8();
                const QJsonObject privilege =
                    call("GetUserPrivilegeByUserId", "ucUserId=" + user + "&pi=1");
                ASSERT_EQ(broker["linkNum"].toString().toInt(),
                          privilege["baseInfo"]["agentUserContactNum"].toInt())
                    << user.toStdString();
                counts.insert(privilege["baseInfo"]["agentUserContactNum"].toInt());
                ++brokers;
            }
        }
    }
    EXPECT_GT(brokers, 100);
    EXPECT_GT(counts.size(), 10u) << "brokers differ";
}

}  // namespace
