#include "standin/CommunityCalls.h"

#include "standin/ClassCalls.h"
#include "standin/Geography.h"
#include "standin/Posts.h"

#include <QDateTime>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>
#include <random>

namespace standin {

namespace {

const QStringList kDevelopers{"华城置业", "万居地产", "东方建设", "绿洲房地产", "安泰开发"};
const QStringList kManagers{"华城物业", "安居物业服务", "嘉宝物业", "万家物业管理"};
const QStringList kParkings{"车位充足", "地下车位1:1.2", "地面车位，紧张", "车位1:0.8"};

// Facilities by category: the content of an entry of each "equip_id".
struct Facility {
    int equipId;
    const char16_t* content;
};
constexpr Facility kFacilities[] = {
    {9, u"老北京炸酱面馆"}, {9, u"川味小厨"}, {7, u"华联超市"},        {10, u"万达广场"},
    {8, u"区人民医院"},     {4, u"工商银行"}, {13, u"公交12路、45路"}, {14, u"地铁2号线"},
    {2, u"阳光幼儿园"},     {1, u"实验小学"}, {6, u"师范大学"},        {3, u"派出所"},
    {5, u"邮局"},           {11, u"加油站"},  {12, u"菜市场"}};

int pick(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

int photoCount(const SampleCommunity& community) {
    if (community.id % 5 == 0) return 0;
    return int(community.id % 6) + 3;
}

QString description(const SampleCommunity& community) {
    if (community.id % 7 == 4) return QString();
    const QString opening = QStringLiteral("%1位于%2%3，")
                                .arg(community.name, community.districtName, community.streetName);
    if (community.id % 3 == 0) return opening + QStringLiteral("交通便利。");
    return opening + QStringLiteral(
                         "小区环境优美，绿树成荫，配套设施齐全，周边有超市、银行、医院和学校，"
                         "出行有公交和地铁，是居家置业的理想选择。");
}

// The houses of one page of a community's posts, narrowed by the list's filter codes.
QJsonObject housePage(const SampleCommunity& community, int major, const QJsonArray& arguments,
                      const QJsonObject& conditions) {
    const qint64 page = std::max<qint64>(1, qint64(arguments.at(0).toDouble(1)));
    const qint64 size = std::clamp<qint64>(qint64(arguments.at(1).toDouble(20)), 1, 100);
    const QString priceKey = major == 5   ? QStringLiteral("sell_price")
                             : major == 3 ? QStringLiteral("share_price")
                                          : QStringLiteral("rent_price");
    const int priceCode = conditions.value(priceKey).toInt();
    const int rooms = conditions.value("huxing_shi").toString().toInt();
    const int areaCode = conditions.value("area").toInt();
    // Lower bounds of the price codes 1 to 6 (元 a month, or 万元 for sale) and of the areas.
    static const std::vector<double> kRent{0, 1000, 2000, 3000, 5000, 8000};
    static const std::vector<double> kSale{0, 100, 200, 300, 500, 1000};
    static const std::vector<double> kArea{0, 50, 70, 90, 120, 150};
    const auto within = [](double value, int code, const std::vector<double>& bounds) {
        if (code < 1 || code > int(bounds.size())) return true;
        const double low = bounds[std::size_t(code - 1)];
        const double high = code < int(bounds.size()) ? bounds[std::size_t(code)] : 1e18;
        return value >= low && value < high;
    };
    QJsonArray houses;
    qint64 count = 0;
    for (const SamplePost* post : Posts::ofCommunity(community.id, major)) {
        if (!within(post->price, priceCode, major == 5 ? kSale : kRent)) continue;
        if (rooms > 0 && (rooms >= 5 ? post->rooms < 5 : post->rooms != rooms)) continue;
        if (!within(post->area, areaCode, kArea)) continue;
        if (count >= (page - 1) * size && count < page * size) houses.append(post->record);
        ++count;
    }
    const QString kind = major == 5   ? QStringLiteral("sell")
                         : major == 3 ? QStringLiteral("share")
                                      : QStringLiteral("rent");
    return QJsonObject{{kind, houses}, {"count", count}};
}

QJsonObject related(const QJsonObject& classObject) {
    const QJsonObject post = classObject.value("_classArgs").toArray().at(0).toObject();
    const int major = post.value("major_index").toInt(1);
    const qint64 puid = post.value("puid").toString().toLongLong();
    QJsonArray houses;
    if (const SamplePost* shown = Posts::byPuid(puid)) {
        for (const SamplePost& other : Posts::postsOf(shown->cityIndex, major)) {
            if (houses.size() >= 10) break;
            if (other.puid != puid && other.streetId == shown->streetId &&
                other.districtId == shown->districtId) {
                houses.append(other.record);
            }
        }
    }
    return QJsonObject{{"nearby", houses}};
}

// The community a class object names in its "_classArgs": [city key, {"pinyin": key}].
const SampleCommunity* namedIn(const QJsonObject& classObject) {
    const QJsonArray arguments = classObject.value("_classArgs").toArray();
    return Communities::byKey(arguments.at(0).toString(),
                              arguments.at(1).toObject().value("pinyin").toString());
}

Reply communityPage(const RecordedRequest& request, const QByteArray& rootUrl) {
    const auto call = ClassCalls::parse(request.body);
    if (!call) return Endpoints::refusal(QStringLiteral("no class call"));
    QJsonObject data;
    bool known = true;
    for (auto each = call->begin(); each != call->end(); ++each) {
        const QJsonObject classObject = each.value().toObject();
        QJsonObject results;
        const QString className = each.key();
        if (className == "XiaoquModel") {
            const QJsonArray keys = classObject.value("getXiaoquBaseInfoByCityPinyin").toArray();
            const SampleCommunity* community =
                Communities::byKey(keys.at(0).toString(), keys.at(1).toString());
            known = community != nullptr;
            if (community)
                results["getXiaoquBaseInfoByCityPinyin"] = CommunityCalls::baseInfo(*community);
        } else if (className == "XiaoquDetailPageModel") {
            if (const SampleCommunity* community = namedIn(classObject))
                results["getXiaoquPeitao"] = CommunityCalls::facilities(*community);
        } else if (className == "XiaoquPriceModel") {
            const QJsonArray window = classObject.value("getXiaoquPrice").toArray();
            if (const SampleCommunity* community = namedIn(classObject)) {
                results["getXiaoquPrice"] =
                    CommunityCalls::prices(*community, window.at(1).toString().toLongLong());
            }
        } else if (className == "XiaoquPhotoModel") {
            const QJsonArray ids = classObject.value("getXiaoquPhotoInfoByXiaoquId").toArray();
            const SampleCommunity* community = Communities::byId(ids.at(0).toString().toLongLong());
            if (community)
                results["getXiaoquPhotoInfoByXiaoquId"] =
                    CommunityCalls::photos(*community, rootUrl);
        } else if (className == "XiaoquDetailPageModelForMobile") {
            const QJsonArray arguments = classObject.value("_classArgs").toArray();
            const SampleCommunity* community = namedIn(classObject);
            const QJsonObject conditions = arguments.at(1).toObject();
            for (const auto& [method, major] :
                 {std::pair{"getXiaoquRentHouse", 1}, std::pair{"getXiaoquShareHouse", 3},
                  std::pair{"getXiaoquSellHouse", 5}}) {
                if (!classObject.contains(method)) continue;
                const QJsonArray page = classObject.value(method).toArray();
                results[method] = community ? housePage(*community, major, page, conditions)
                                            : QJsonObject{{"count", 0}};
            }
        }
        data[className] = results;
    }
    if (!known) {
        return Reply::json(QJsonObject{{"success", 0}, {"errMsg", QStringLiteral("小区不存在")}});
    }
    return Reply::json(QJsonObject{{"success", 1}, {"data", data}});
}

Reply listPageInfo(const RecordedRequest& request) {
    const auto call = ClassCalls::parse(request.body);
    if (!call) return Endpoints::refusal(QStringLiteral("no class call"));
    QJsonObject data;
    if (call->contains("HousingVars")) {
        const QJsonObject vars = call->value("HousingVars").toObject();
        QJsonObject choices;
        for (auto each = vars.begin(); each != vars.end(); ++each) {
            if (each.key() == "_property") {
                for (const QJsonValue& name : each.value().toArray()) {
                    if (name.toString() == "HUXING_SHI_SEARCH")
                        choices[name.toString()] = CommunityCalls::layoutChoices();
                    if (name.toString() == "AREA_TYPE_IN_URL")
                        choices[name.toString()] = CommunityCalls::areaChoices();
                }
            } else if (each.key() == "getUrlPriceRange") {
                const int major = each.value().toArray().at(1).toString().toInt();
                choices[each.key()] = CommunityCalls::priceChoices(major);
            }
        }
        data["HousingVars"] = choices;
    }
    if (call->contains("HousingRecommendForMobile")) {
        data["HousingRecommendForMobile"] = QJsonObject{
            {"getRelatedHouseList", related(call->value("HousingRecommendForMobile").toObject())}};
    }
    return Reply::json(QJsonObject{{"success", 1}, {"data", data}});
}

}  // namespace

QJsonObject CommunityCalls::baseInfo(const SampleCommunity& community) {
    auto random = Communities::generator(community, 2);
    const int photos = photoCount(community);
    const qint64 average = Communities::averagePrice(community);
    QJsonObject base{
        {"id", community.id},
        {"name", community.name},
        {"city", community.cityPinyin},
        {"pinyin", community.pinyin},
        {"photo_num", QString::number(photos)},
        {"avg_price", QString::number(average)},
        {"prop_type", community.propType},
        {"prop_company", kManagers[pick(random, 0, int(kManagers.size()) - 1)]},
        {"parking", kParkings[pick(random, 0, int(kParkings.size()) - 1)]},
        {"prop_fee", QStringLiteral("%1元/㎡·月").arg(pick(random, 8, 45) / 10.0, 0, 'f', 1)},
        {"green_ratio", pick(random, 20, 45) / 100.0},
        {"address", community.districtName + community.streetName +
                        Geography::roadAddress(pick(random, 0, 1 << 20))},
        {"latlng", QStringLiteral("b%1,%2")
                       .arg(community.longitude, 0, 'f', 5)
                       .arg(community.latitude, 0, 'f', 5)},
        {"sell_num", QString::number(Posts::ofCommunity(community.id, 5).size())},
        {"rent_num", QString::number(Posts::ofCommunity(community.id, 1).size())},
        {"share_num", QString::number(Posts::ofCommunity(community.id, 3).size())},
        {"description", description(community)},
    };
    // The change against the month before, where the price is known.
    if (average > 0) {
        const double before = Communities::priceAt(community, 1);
        base["avg_price_change"] = std::round((average - before) / before * 1000) / 1000;
    }
    base["finish_at"] =
        community.finishYear > 0 ? QStringLiteral("%1年").arg(community.finishYear) : QString();
    // Every eleventh lacks its developer, every thirteenth its plot ratio: not every
    // community's facts are known.
    if (community.id % 11 != 0)
        base["developer"] = kDevelopers[pick(random, 0, int(kDevelopers.size()) - 1)];
    base["plot_ratio"] = community.id % 13 == 0 ? 0.0 : pick(random, 10, 45) / 10.0;
    // Communities without photos mostly have no picture either.
    if (photos > 0 || community.id % 10 == 5) {
        base["thumb_image"] = QStringLiteral("posts/xq%1.jpg").arg(community.id);
    }
    return base;
}

QJsonArray CommunityCalls::prices(const SampleCommunity& community, qint64 end) {
    constexpr qint64 kMonth = 30 * 86400;
    if (end <= 0) end = QDateTime::currentSecsSinceEpoch() - 5 * 86400;
    QJsonArray records;
    // A community whose average is not known has no record of it either.
    if (Communities::averagePrice(community) == 0) return records;
    for (int monthsAgo = Communities::priceMonths(community) - 1; monthsAgo >= 0; --monthsAgo) {
        records.append(QJsonObject{{"avg_price", Communities::priceAt(community, monthsAgo)},
                                   {"record_time", end - kMonth * (monthsAgo + 1)}});
    }
    return records;
}

QJsonArray CommunityCalls::photos(const SampleCommunity& community, const QByteArray& rootUrl) {
    QJsonArray photos;
    for (int i = 0; i < photoCount(community); ++i) {
        const QString path = QStringLiteral("posts/xq%1-%2.jpg").arg(community.id).arg(i);
        // Most are paths on the image host; the last is a whole address.
        const bool whole = i == photoCount(community) - 1;
        photos.append(QJsonObject{
            {"thumb_image",
             whole ? QString::fromUtf8(rootUrl) + QString(paths::kImageHost) + "/" + path : path}});
    }
    return photos;
}

QJsonArray CommunityCalls::facilities(const SampleCommunity& community) {
    QJsonArray entries;
    if (community.id % 9 == 0) return entries;
    auto random = Communities::generator(community, 3);
    for (const Facility& facility : kFacilities) {
        if (pick(random, 0, 9) < 6) {
            entries.append(QJsonObject{{"equip_id", facility.equipId},
                                       {"content", QString::fromUtf16(facility.content)}});
        }
    }
    return entries;
}

QJsonObject CommunityCalls::priceChoices(int major) {
    if (major == 5) {
        return QJsonObject{{"1", "100万以下"}, {"2", "100-200万"},  {"3", "200-300万"},
                           {"4", "300-500万"}, {"5", "500-1000万"}, {"6", "1000万以上"}};
    }
    return QJsonObject{{"1", "1000元以下"},  {"2", "1000-2000元"}, {"3", "2000-3000元"},
                       {"4", "3000-5000元"}, {"5", "5000-8000元"}, {"6", "8000元以上"}};
}

QJsonObject CommunityCalls::layoutChoices() {
    return QJsonObject{
        {"1", "一室"}, {"2", "二室"}, {"3", "三室"}, {"4", "四室"}, {"5", "五室以上"}};
}

QJsonObject CommunityCalls::areaChoices() {
    return QJsonObject{{"1", "50㎡以下"}, {"2", "50-70㎡"},   {"3", "70-90㎡"},
                       {"4", "90-120㎡"}, {"5", "120-150㎡"}, {"6", "150㎡以上"}};
}

void CommunityCalls::install(Endpoints& endpoints) {
    endpoints.addInterface("HousingXiaoquInfo",
                           [](const RecordedRequest& request, const QByteArray& rootUrl) {
                               return communityPage(request, rootUrl);
                           });
    endpoints.addInterface(
        "HousingListPageInfo",
        [](const RecordedRequest& request, const QByteArray&) { return listPageInfo(request); });
}

}  // namespace standin
