#include "standin/BrokerShops.h"

#include "standin/DistrictMap.h"
#include "standin/Geography.h"
#include "standin/SamplePeople.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace standin {

namespace {

// The hot cities' script indexes: 上海, 北京, 天津, 广州, 深圳, 南京, 成都.
constexpr int kHotCities[] = {0, 100, 200, 400, 401, 500, 900};
constexpr int kShopsPerDistrict = 3;
// Broker counts cycle through these, so that some shops have none and some several pages.
constexpr int kBrokerCounts[] = {3, 12, 0, 25};

const QStringList kBrands{"安家房产", "百居置业", "恒通地产", "新居房屋网", "置家"};

// Points inside an outline on a grid over its bounds, nearest the middle first.
std::vector<GeoPoint> insidePoints(const Outline& outline) {
    constexpr int kGrid = 9;
    std::vector<GeoPoint> points;
    for (int row = 1; row < kGrid; ++row) {
        for (int column = 1; column < kGrid; ++column) {
            const GeoPoint p{outline.minX + (outline.maxX - outline.minX) * column / kGrid,
                             outline.minY + (outline.maxY - outline.minY) * row / kGrid};
            if (outline.contains(p)) points.push_back(p);
        }
    }
    const GeoPoint middle{(outline.minX + outline.maxX) / 2, (outline.minY + outline.maxY) / 2};
    std::stable_sort(points.begin(), points.end(), [&](GeoPoint a, GeoPoint b) {
        return std::hypot(a.x - middle.x, a.y - middle.y) <
               std::hypot(b.x - middle.x, b.y - middle.y);
    });
    return points;
}

std::vector<BrokerShops::Shop> makeShops() {
    const DistrictMap& geography = DistrictMap::shared();
    std::map<qint64, const Outline*> outlineOf;
    for (const Outline& outline : geography.outlines) outlineOf[outline.code] = &outline;
    std::vector<BrokerShops::Shop> shops;
    for (const int index : kHotCities) {
        const auto city = geography.cities.find(index);
        if (city == geography.cities.end()) continue;
        int number = 0;
        for (const DistrictRow& district : city->second.districts) {
            const auto outline = outlineOf.find(district.id);
            if (outline == outlineOf.end()) continue;
            const auto points = insidePoints(*outline->second);
            // The middle point and two spread out from it.
            for (int k = 0; k < kShopsPerDistrict && k < int(points.size()); ++k) {
                const GeoPoint p = points[k * (points.size() - 1) / kShopsPerDistrict];
                BrokerShops::Shop shop;
                shop.id = (index + 1) * 10000 + number;
                shop.cityIndex = index;
                shop.cityName = city->second.name;
                shop.districtName = district.name;
                shop.latitude = p.y;
                shop.longitude = p.x;
                shop.brokerCount = kBrokerCounts[number % std::size(kBrokerCounts)];
                shop.number = number++;
                shops.push_back(shop);
            }
        }
    }
    return shops;
}

QString imageUrl(const QByteArray& rootUrl, const QString& path) {
    return QString::fromUtf8(rootUrl) + paths::kImageHost + '/' + path;
}

QJsonObject shopJson(const BrokerShops::Shop& shop) {
    const QString brand = kBrands[shop.number % kBrands.size()];
    const QString phone =
        shop.number % 5 == 4
            ? QString()
            : QStringLiteral("021-6%1").arg(1000000 + shop.id % 1000000, 7, 10, QChar('0'));
    return QJsonObject{
        {"id", QString::number(shop.id)},
        {"title", shop.districtName},
        {"customerName", brand + shop.districtName + "店"},
        {"companyName", brand + "(" + shop.districtName + "店)"},
        {"companySimpleName", brand},
        {"officePhone", phone},
        {"postAddress",
         shop.cityName + shop.districtName + Geography::roadAddress(quint32(shop.id) * 7919)},
        {"isExcellentShop", shop.number % 3 == 0 ? "1" : "0"},
        {"house_count", QString::number(20 + shop.number * 7 % 180)},
        {"latlng",
         QStringLiteral("%1,%2").arg(shop.latitude, 0, 'f', 6).arg(shop.longitude, 0, 'f', 6)},
    };
}

QJsonValue shopsNear(const QJsonArray& arguments) {
    const QJsonObject query = arguments.at(0).toObject();
    const qint64 cityId = query.value("cityId").toVariant().toLongLong();
    const DistrictMap& geography = DistrictMap::shared();
    const auto city = geography.cityOfId.find(cityId);
    const bool hot = city != geography.cityOfId.end() &&
                     std::find(std::begin(kHotCities), std::end(kHotCities), city->second) !=
                         std::end(kHotCities);
    if (!hot) return QJsonObject{{"errCode", -100}, {"data", QJsonArray()}};
    const QStringList parts = query.value("latlng").toString().split(',');
    bool latOk = false, lngOk = false;
    const double latitude = parts.value(0).toDouble(&latOk);
    const double longitude = parts.value(1).toDouble(&lngOk);
    if (parts.size() != 2 || !latOk || !lngOk) {
        return QJsonObject{{"errCode", -1}, {"data", QJsonArray()}};
    }
    std::vector<const BrokerShops::Shop*> near;
    for (const auto& shop : BrokerShops::shops()) {
        if (std::abs(shop.latitude - latitude) < BrokerShops::kReach &&
            std::abs(shop.longitude - longitude) < BrokerShops::kReach) {
            near.push_back(&shop);
        }
    }
    std::stable_sort(near.begin(), near.end(), [&](const auto* a, const auto* b) {
        return std::hypot(a->latitude - latitude, a->longitude - longitude) <
               std::hypot(b->latitude - latitude, b->longitude - longitude);
    });
    QJsonArray data;
    for (const auto* shop : near) data.append(shopJson(*shop));
    return QJsonObject{{"errCode", 0}, {"data", data}};
}

QJsonObject brokerJson(const BrokerShops::Shop& shop, int index, const QByteArray& rootUrl) {
    const SampleBroker broker = SamplePeople::brokerOfShop(shop, index);
    // Photos come as host paths and as whole URLs, as the service gives both.
    const QString photo = QStringLiteral("avatars/brokers/%1.jpg").arg(broker.userId);
    const QString image = index % 2 == 0 ? photo : imageUrl(rootUrl, photo);
    return QJsonObject{
        {"userId", QString::number(broker.userId)},
        {"name", broker.name},
        {"image", image},
        {"creditScore", QString::number(broker.creditScore)},
        {"online", index % 3 == 0 ? "1" : "0"},
        {"linkNum", QString::number(broker.contacts)},
        {"CompanyName", broker.company},
        {"CustomerName", broker.shopName},
        {"city", shop.cityName},
        {"phone", broker.phone},
        {"district_name", shop.districtName},
        {"postId", QString::number(broker.userId * 10 + 7)},
        {"major_category", 1},
    };
}

QJsonValue brokerList(const QJsonArray& arguments, const QByteArray& rootUrl) {
    const int storeId = arguments.at(0).toVariant().toInt();
    const int page = std::max(1, arguments.at(1).toVariant().toInt());
    const auto& all = BrokerShops::shops();
    const auto shop =
        std::find_if(all.begin(), all.end(), [storeId](const auto& s) { return s.id == storeId; });
    if (shop == all.end()) return QJsonObject{{"total", 0}, {"list", QJsonArray()}};
    QJsonArray list;
    const int first = (page - 1) * BrokerShops::kBrokersPerPage;
    for (int i = first; i < shop->brokerCount && i < first + BrokerShops::kBrokersPerPage; ++i) {
        list.append(brokerJson(*shop, i, rootUrl));
    }
    return QJsonObject{{"total", shop->brokerCount}, {"list", list}};
}

}  // namespace

QString BrokerShops::samplePosition() {
    return QStringLiteral("%1,%2").arg(kSampleLatitude, 0, 'f', 6).arg(kSampleLongitude, 0, 'f', 6);
}

const std::vector<BrokerShops::Shop>& BrokerShops::shops() {
    static std::once_flag once;
    static std::vector<Shop> made;
    std::call_once(once, [] { made = makeShops(); });
    return made;
}

void BrokerShops::install(Endpoints& endpoints) {
    endpoints.classCalls().add(
        "HousingRequestInfo", "SearchHousingCustomer", "getHousingCustomerByLatlng",
        [](const QJsonArray& arguments, const QJsonObject&, const RecordedRequest&,
           const QByteArray&) { return shopsNear(arguments); });
    endpoints.classCalls().add(
        "HousingRequestInfo", "SearchHousingCustomer", "getCustomerBrokerList",
        [](const QJsonArray& arguments, const QJsonObject&, const RecordedRequest&,
           const QByteArray& rootUrl) { return brokerList(arguments, rootUrl); });
}

}  // namespace standin
