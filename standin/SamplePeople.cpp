#include "standin/SamplePeople.h"

#include "standin/Geography.h"

#include <algorithm>
#include <limits>

namespace standin {

namespace {

const QStringList kPeopleBrands{"安家房产", "百居置业", "恒通地产", "新居房屋网", "置家"};
const QStringList kSurnames{"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴"};
const QStringList kGivenNames{"伟", "芳", "娜", "敏", "静", "磊", "强", "洋", "艳", "杰", "军"};

// The mobile prefixes brokers' numbers begin with.
const QStringList kMobilePrefixes{"135", "136", "137", "138", "139", "150", "151",
                                  "152", "158", "159", "186", "187", "188", "189"};
// A broker's credit, out of five stars: most have three or four, none has none.
constexpr int kCreditScores[] = {2, 3, 3, 4, 4, 4, 5, 5};

// The bits of a user id well stirred (a 64-bit finaliser), so that neighbouring ids give
// unrelated digits.
quint64 stirred(qint64 userId) {
    quint64 bits = quint64(userId);
    bits = (bits ^ (bits >> 30)) * 0xbf58476d1ce4e5b9ULL;
    bits = (bits ^ (bits >> 27)) * 0x94d049bb133111ebULL;
    return bits ^ (bits >> 31);
}

// Cities without shops have two offices of four brokers, numbered after every real shop.
constexpr int kOfficeNumber = 9000;
constexpr int kOffices = 2;
constexpr int kBrokersPerOffice = 4;

SampleBroker make(int shopId, int number, int cityIndex, const QString& cityName,
                  const QString& districtName, int index) {
    SampleBroker broker;
    broker.userId = SamplePeople::kFirstBrokerId + qint64(shopId) * 100 + index;
    broker.name = kSurnames[(number + index) % kSurnames.size()] +
                  kGivenNames[(number * 3 + index) % kGivenNames.size()];
    broker.company = kPeopleBrands[number % kPeopleBrands.size()];
    broker.shopName = broker.company + districtName + QStringLiteral("店");
    broker.phone = SamplePeople::mobileOf(broker.userId);
    broker.creditScore = SamplePeople::creditScoreOf(broker.userId);
    broker.contacts = int(10 + broker.userId % 90);
    broker.cityIndex = cityIndex;
    broker.cityName = cityName;
    broker.districtName = districtName;
    broker.shopId = shopId;
    broker.indexInShop = index;
    return broker;
}

std::optional<SampleBroker> officeBroker(int shopId, int index) {
    const int cityIndex = shopId / 10000 - 1;
    const int office = shopId % 10000 - kOfficeNumber;
    if (office < 0 || office >= kOffices || index >= kBrokersPerOffice) return std::nullopt;
    const CityRow* city = Geography::city(cityIndex);
    if (!city || city->districts.empty()) return std::nullopt;
    const auto& shops = BrokerShops::shops();
    if (std::any_of(shops.begin(), shops.end(),
                    [cityIndex](const auto& shop) { return shop.cityIndex == cityIndex; })) {
        return std::nullopt;
    }
    const QString& district = city->districts[std::size_t(office) % city->districts.size()].name;
    return make(shopId, kOfficeNumber + office, cityIndex, city->name, district, index);
}

}  // namespace

bool SamplePeople::isBroker(qint64 userId) {
    return broker(userId).has_value();
}

SampleBroker SamplePeople::brokerOfShop(const BrokerShops::Shop& shop, int index) {
    return make(shop.id, shop.number, shop.cityIndex, shop.cityName, shop.districtName, index);
}

std::optional<SampleBroker> SamplePeople::broker(qint64 userId) {
    if (userId < kFirstBrokerId) return std::nullopt;
    const qint64 shopId = (userId - kFirstBrokerId) / 100;
    const int index = int((userId - kFirstBrokerId) % 100);
    if (shopId > std::numeric_limits<int>::max()) return std::nullopt;
    for (const auto& shop : BrokerShops::shops()) {
        if (shop.id == shopId) {
            if (index >= shop.brokerCount) return std::nullopt;
            return brokerOfShop(shop, index);
        }
    }
    return officeBroker(int(shopId), index);
}

std::vector<SampleBroker> SamplePeople::brokersOfCity(int cityIndex) {
    std::vector<SampleBroker> brokers;
    for (const auto& shop : BrokerShops::shops()) {
        if (shop.cityIndex != cityIndex) continue;
        for (int i = 0; i < shop.brokerCount; ++i) brokers.push_back(brokerOfShop(shop, i));
    }
    if (!brokers.empty()) return brokers;
    for (int office = 0; office < kOffices; ++office) {
        for (int i = 0; i < kBrokersPerOffice; ++i) {
            const int shopId = (cityIndex + 1) * 10000 + kOfficeNumber + office;
            if (auto broker = officeBroker(shopId, i)) brokers.push_back(*broker);
        }
    }
    return brokers;
}

QString SamplePeople::mobileOf(qint64 userId) {
    const quint64 bits = stirred(userId);
    return kMobilePrefixes[int(bits % quint64(kMobilePrefixes.size()))] +
           QStringLiteral("%1").arg(bits / 16 % 100'000'000, 8, 10, QChar('0'));
}

int SamplePeople::creditScoreOf(qint64 userId) {
    return kCreditScores[(stirred(userId) >> 40) % std::size(kCreditScores)];
}

SamplePoster SamplePeople::posterOfPost(qint64 puid) {
    const qint64 userId = (kPosterBase + puid) * 10;
    const int n = int(puid % 997);
    return SamplePoster{userId,
                        kSurnames[n % kSurnames.size()] +
                            (n % 2 == 0 ? QStringLiteral("先生") : QStringLiteral("女士")),
                        QStringLiteral("1580%1").arg(puid % 10000000, 7, 10, QChar('0'))};
}

std::optional<SamplePoster> SamplePeople::poster(qint64 userId) {
    if (userId % 10 != 0 || userId / 10 <= kPosterBase || userId >= kFirstBrokerId) {
        return std::nullopt;
    }
    return posterOfPost(userId / 10 - kPosterBase);
}

}  // namespace standin
