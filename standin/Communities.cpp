#include "standin/Communities.h"

#include "standin/Geography.h"

#include <cmath>
#include <limits>
#include <map>
#include <mutex>

namespace standin {

namespace {

// Community ids carry their city: (script index + 1) × kIdStride + the number in the city.
constexpr qint64 kIdStride = 100'000;

struct Kind {
    const char16_t* name;
    const char* pinyin;
};
constexpr Kind kKinds[] = {{u"花园", "huayuan"}, {u"新村", "xincun"}, {u"公寓", "gongyu"},
                           {u"家园", "jiayuan"}, {u"雅苑", "yayuan"}, {u"小区", "xiaoqu"}};

const QStringList kPropertyTypes{"住宅", "公寓", "商住"};

int drawn(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

QString shortPlaceName(QString name) {
    for (const QString& suffix :
         {QStringLiteral("街道"), QStringLiteral("镇"), QStringLiteral("乡")}) {
        if (name.endsWith(suffix) && name.size() > suffix.size() + 1) name.chop(suffix.size());
    }
    return name;
}

QString shortPinyin(QString pinyin) {
    for (const QString& suffix :
         {QStringLiteral("jiedao"), QStringLiteral("zhen"), QStringLiteral("xiang")}) {
        if (pinyin.endsWith(suffix) && pinyin.size() > suffix.size() + 2) {
            pinyin.chop(suffix.size());
        }
    }
    return pinyin;
}

std::vector<SampleCommunity> makeCommunities(int cityIndex) {
    std::vector<SampleCommunity> made;
    const CityRow* city = Geography::city(cityIndex);
    if (!city) return made;
    std::map<QString, int> keys;  // pinyin -> times used, to keep keys unique in the city
    const auto add = [&](const DistrictRow& district, const StreetRow* street, int choice) {
        SampleCommunity community;
        community.id = (cityIndex + 1) * kIdStride + qint64(made.size());
        const std::size_t kind =
            std::size_t((street ? street->id : district.id) + choice * 3) % std::size(kKinds);
        const QString place = shortPlaceName(street ? street->name : district.name);
        community.name = place + QString::fromUtf16(kKinds[kind].name);
        QString key =
            (street && !street->pinyin.isEmpty() ? shortPinyin(street->pinyin)
                                                 : QStringLiteral("d%1").arg(district.id)) +
            QString::fromLatin1(kKinds[kind].pinyin);
        if (const int used = keys[key]++; used > 0) key += QString::number(used + 1);
        community.pinyin = key;
        community.cityIndex = cityIndex;
        community.cityName = city->name;
        community.cityPinyin = city->pinyin;
        community.districtId = district.id;
        community.districtName = district.name;
        community.streetId = street ? street->id : 0;
        community.streetName = street ? street->name : QString();
        const auto centre = Geography::districtCentre(district.id);
        const qint64 spread = community.id % 37 - 18;
        community.latitude = (centre ? centre->first : 30.0) + spread * 0.0011;
        community.longitude = (centre ? centre->second : 120.0) + (choice ? 0.006 : -0.004);
        auto random = Communities::generator(community, 4);
        community.propType = kPropertyTypes[drawn(random, 0, int(kPropertyTypes.size()) - 1)];
        // Every seventh's completion is not known.
        const int finished = drawn(random, 1992, 2021);
        community.finishYear = community.id % 7 == 3 ? 0 : finished;
        made.push_back(community);
    };
    for (const DistrictRow& district : city->districts) {
        for (int choice = 0; choice < Communities::kPerPlace; ++choice)
            add(district, nullptr, choice);
        for (const StreetRow& street : district.streets) {
            for (int choice = 0; choice < Communities::kPerPlace; ++choice) {
                add(district, &street, choice);
            }
        }
    }
    return made;
}

}  // namespace

const std::vector<SampleCommunity>& Communities::ofCity(int cityIndex) {
    static std::mutex mutex;
    static std::map<int, std::vector<SampleCommunity>> made;
    const std::lock_guard lock(mutex);
    auto found = made.find(cityIndex);
    if (found == made.end()) found = made.emplace(cityIndex, makeCommunities(cityIndex)).first;
    return found->second;
}

const SampleCommunity* Communities::byId(qint64 id) {
    if (id < kIdStride) return nullptr;
    const qint64 cityIndex = id / kIdStride - 1;
    if (cityIndex > std::numeric_limits<int>::max()) return nullptr;
    const auto& all = ofCity(int(cityIndex));
    const qint64 number = id % kIdStride;
    return number < qint64(all.size()) ? &all[std::size_t(number)] : nullptr;
}

const SampleCommunity* Communities::byKey(const QString& cityPinyin, const QString& pinyin) {
    for (const auto& [index, city] : DistrictMap::shared().cities) {
        if (city.pinyin != cityPinyin) continue;
        for (const SampleCommunity& community : ofCity(index)) {
            if (community.pinyin == pinyin) return &community;
        }
    }
    return nullptr;
}

const SampleCommunity* Communities::ofPlace(int cityIndex, qint64 districtId, qint64 streetId,
                                            int choice) {
    for (const SampleCommunity& community : ofCity(cityIndex)) {
        if (community.districtId == districtId && community.streetId == streetId && choice-- == 0) {
            return &community;
        }
    }
    return nullptr;
}

std::mt19937 Communities::generator(const SampleCommunity& community, int salt) {
    return std::mt19937(std::uint32_t(community.id * 31 + salt));
}

int Communities::priceMonths(const SampleCommunity& community) {
    return int(community.id % 23) + 2;
}

// A walk back from the latest price, flat in its last month for every sixth community.
double Communities::priceAt(const SampleCommunity& community, int monthsAgo) {
    auto random = generator(community, 1);
    double price = drawn(random, 120, 650) * 100;
    for (int month = 1; month <= monthsAgo; ++month) {
        const bool flat = month == 1 && community.id % 6 == 0;
        if (!flat) price = std::round(price * (1000 + drawn(random, -40, 35)) / 1000.0);
    }
    return price;
}

qint64 Communities::averagePrice(const SampleCommunity& community) {
    return community.id % 9 == 4 ? 0 : qint64(priceAt(community, 0));
}

}  // namespace standin
