// The sample's posts, people and communities tell one story: a post's poster is a broker of
// its city (the same one the shop map lists) or a personal user, and its community lies in
// its own street, so a community's or a broker's pages find the post again.
#include "standin/BrokerShops.h"
#include "standin/Communities.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using standin::Communities;
using standin::Posts;
using standin::SamplePeople;

namespace {

constexpr int kBeijing = 100;
constexpr int kWithoutShops = 1101;  // a city of the database that has no broker shops

}  // namespace

TEST(SamplePeopleTest, PostersAreBrokersOfTheCityOrPersonalUsersAndFindTheirPostsAgain) {
    for (const int city : {kBeijing, kWithoutShops}) {
        std::set<qint64> brokersOfCity;
        std::set<QString> districtsWithBrokers;
        for (const auto& broker : SamplePeople::brokersOfCity(city)) {
            EXPECT_GE(broker.userId, qint64(1) << 32) << "broker ids lie above 32 bits";
            brokersOfCity.insert(broker.userId);
            districtsWithBrokers.insert(broker.districtName);
        }
        ASSERT_FALSE(brokersOfCity.empty()) << city;
        int byBrokers = 0, byPersons = 0;
        for (const int major : {1, 3, 5}) {
            for (const auto& post : Posts::postsOf(city, major)) {
                const QString userId = post.record["user_id"].toString();
                ASSERT_EQ(userId.toLongLong(), post.posterId);
                if (const auto broker = SamplePeople::broker(post.posterId)) {
                    ++byBrokers;
                    EXPECT_TRUE(brokersOfCity.count(post.posterId));
                    EXPECT_EQ(post.record["person"].toString(), broker->name);
                    EXPECT_EQ(post.record["agent"].toString(), QStringLiteral("经纪人"));
                    // A broker of the house's own district, where it has any.
                    const QString district = post.record["district_name"].toString();
                    if (districtsWithBrokers.count(district)) {
                        EXPECT_EQ(broker->districtName, district) << post.puid;
                    }
                } else {
                    ++byPersons;
                    EXPECT_TRUE(userId.endsWith('0')) << "personal users' ids end in 0";
                    ASSERT_TRUE(SamplePeople::poster(post.posterId));
                    EXPECT_EQ(post.record["person"].toString(),
                              SamplePeople::poster(post.posterId)->name);
                }
                const auto mine = Posts::ofPoster(post.posterId, major);
                EXPECT_NE(std::find(mine.begin(), mine.end(), &post), mine.end());
                EXPECT_EQ(Posts::byPuid(post.puid), &post);
                EXPECT_EQ(post.record["id"].toString().toLongLong() - post.puid, 5'000'000'000LL);
            }
        }
        EXPECT_GT(byBrokers, 0);
        EXPECT_GT(byPersons, 0);
    }
    EXPECT_FALSE(SamplePeople::broker(SamplePeople::kFirstBrokerId - 1));
    EXPECT_FALSE(SamplePeople::broker(std::numeric_limits<qint64>::max()));
    EXPECT_EQ(Posts::byPuid(-1), nullptr);
    EXPECT_EQ(Posts::byPuid(std::numeric_limits<qint64>::max()), nullptr);
}

TEST(SamplePeopleTest, TheShopMapsBrokersAreTheBrokersWhoPost) {
    const auto& shops = standin::BrokerShops::shops();
    const auto shop = std::find_if(shops.begin(), shops.end(), [](const auto& s) {
        return s.cityIndex == kBeijing && s.brokerCount > 0;
    });
    ASSERT_NE(shop, shops.end());
    const auto broker = SamplePeople::brokerOfShop(*shop, 0);
    EXPECT_EQ(SamplePeople::broker(broker.userId)->name, broker.name);
    EXPECT_FALSE(SamplePeople::broker(broker.userId + shop->brokerCount)) << "past the shop's last";
}

TEST(SamplePeopleTest, EveryBrokerHasAMobileOfHisOwnAndACredit) {
    static const QRegularExpression mobile(QStringLiteral("^1[3-9][0-9]{9}$"));
    // Seven digits alike in a row read as a placeholder, not as somebody's number.
    static const QRegularExpression placeholder(QStringLiteral("([0-9])\\1{6}"));
    for (const int city : {0, kBeijing, kWithoutShops}) {
        std::set<QString> phones;
        const auto brokers = SamplePeople::brokersOfCity(city);
        ASSERT_FALSE(brokers.empty());
        for (const auto& broker : brokers) {
            EXPECT_TRUE(mobile.match(broker.phone).hasMatch()) << broker.phone.toStdString();
            EXPECT_FALSE(placeholder.match(broker.phone).hasMatch()) << broker.phone.toStdString();
            EXPECT_TRUE(phones.insert(broker.phone).second) << broker.phone.toStdString();
            EXPECT_GE(broker.creditScore, 1) << "no broker without a star";
            EXPECT_LE(broker.creditScore, 5);
        }
    }
}

TEST(SamplePeopleTest, EveryPostLiesInACommunityOfItsStreetThatListsItAndAgreesWithIt) {
    std::set<QString> keys;
    for (const auto& community : Communities::ofCity(kBeijing)) {
        EXPECT_TRUE(keys.insert(community.pinyin).second) << "keys are unique in a city";
        EXPECT_EQ(Communities::byId(community.id), &community);
        EXPECT_EQ(Communities::byKey(community.cityPinyin, community.pinyin), &community);
    }
    for (const auto& post : Posts::postsOf(kBeijing, 5)) {
        const auto* community = Communities::byId(post.communityId);
        ASSERT_NE(community, nullptr) << post.puid;
        EXPECT_EQ(community->streetId, post.streetId);
        EXPECT_EQ(community->districtId, post.districtId);
        EXPECT_EQ(post.record["xiaoqu"].toString(), community->name);
        EXPECT_EQ(post.record["pinyin"].toString(), community->pinyin);
        EXPECT_EQ(post.record["domain"].toString(), QStringLiteral("beijing"));
        const auto listed = Posts::ofCommunity(post.communityId, 5);
        EXPECT_NE(std::find(listed.begin(), listed.end(), &post), listed.end());
        // Its price per square metre lies near its community's average (85% to 115%, in
        // whole 万元 and a half at most above), its age counts from the community's completion,
        // and no house for sale is marked "真实待租".
        const double average = Communities::priceAt(*community, 0);
        EXPECT_GE(post.price * 10000, post.area * average * 0.85 - 5000) << post.puid;
        EXPECT_LE(post.price * 10000, post.area * average * 1.15 + 10000) << post.puid;
        if (community->finishYear > 0) {
            EXPECT_EQ(post.record["niandai"].toInt(),
                      Communities::kSampleYear - community->finishYear);
        } else {
            EXPECT_FALSE(post.record.contains("niandai"));
        }
        EXPECT_NE(post.record["premier_status"].toInt(), 102) << post.puid;
    }
    const auto rents = Posts::postsOf(kBeijing, 1);
    EXPECT_TRUE(std::any_of(rents.begin(), rents.end(), [](const auto& post) {
        return post.record["premier_status"].toInt() == 102;
    })) << "rented houses may be trusted";
    EXPECT_EQ(Communities::byId(0), nullptr);
    EXPECT_EQ(Communities::byId(std::numeric_limits<qint64>::max()), nullptr);
    EXPECT_EQ(Communities::byKey(QStringLiteral("beijing"), QStringLiteral("nowhere")), nullptr);
    EXPECT_TRUE(Communities::ofCity(-5).empty());
}
