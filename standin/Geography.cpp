#include "standin/Geography.h"

#include "standin/DistrictMap.h"
#include "standin/FormFields.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QUrlQuery>

#include <optional>

namespace standin {

namespace {

const QStringList kRoads{"建设路", "和平路", "人民路", "解放路", "长安街", "兴业路",
                         "中山路", "青年路", "文化路", "新华路", "光明路", "东风路"};

// The city and district at a "lat,lng" text: the district whose outline holds the point.
struct Place {
    const CityRow* city = nullptr;
    QString district;
};

std::optional<Place> placeOf(const QString& coordinate) {
    const QStringList parts = coordinate.split(',');
    bool latOk = false, lngOk = false;
    const double lat = parts.value(0).trimmed().toDouble(&latOk);
    const double lng = parts.value(1).trimmed().toDouble(&lngOk);
    if (parts.size() != 2 || !latOk || !lngOk) return std::nullopt;
    const DistrictMap& all = DistrictMap::shared();
    for (const Outline& outline : all.outlines) {
        if (!outline.contains({lng, lat})) continue;
        const int index = all.cityOfOutline(outline).value_or(-1);
        if (index < 0) continue;
        Place place{&all.cities.at(index), all.districtNames.count(outline.code)
                                               ? all.districtNames.at(outline.code)
                                               : QString()};
        // A city without districts is its own outline: its name is not said twice.
        if (place.district == place.city->name) place.district.clear();
        return place;
    }
    return std::nullopt;
}

QString addressOf(const Place& place) {
    const QString province =
        place.city->province == place.city->name ? QString() : place.city->province;
    return province + place.city->name + place.district;
}

Reply lastGeography(const RecordedRequest& request) {
    bool ok = false;
    const int index = request.header("cityScriptIndex").toInt(&ok);
    const auto& cities = DistrictMap::shared().cities;
    const auto city = cities.find(index);
    if (!ok || city == cities.end()) return Endpoints::refusal("no such city", 404);
    if (request.header("version") == Geography::kDataVersion) return Reply::json(QJsonObject{});
    QJsonArray districts;
    for (const auto& district : city->second.districts) {
        QJsonArray streets;
        for (const auto& street : district.streets) {
            streets.append(QJsonObject{{"ssi", street.id}, {"sn", street.name}});
        }
        districts.append(QJsonObject{{"dsi", district.id}, {"dn", district.name}, {"ss", streets}});
    }
    return Reply::json(
        QJsonObject{{"v", Geography::kDataVersion}, {"g", districts}, {"isxiaoqu", 1}});
}

Reply cityByLocation(const RecordedRequest& request) {
    QString coordinate = FormFields(request.body).text("coordinate");
    if (coordinate.isEmpty()) coordinate = QString::fromUtf8(request.header("coordinate"));
    const auto place = placeOf(coordinate);
    if (!place) return Endpoints::refusal(QStringLiteral("no city at %1").arg(coordinate));
    return Reply::json(QJsonObject{{"cityScriptIndex", place->city->scriptIndex},
                                   {"cityName", place->city->name},
                                   {"currentLocation", addressOf(*place)}});
}

std::optional<Reply> geocoder(const RecordedRequest& request) {
    const QUrlQuery query(QString::fromLatin1(request.query));
    const auto place = placeOf(query.queryItemValue("location", QUrl::FullyDecoded));
    if (!place) return Reply::json(QJsonObject{{"status", 1}, {"msg", "no result"}});
    return Reply::json(QJsonObject{
        {"status", 0},
        {"result", QJsonObject{{"formatted_address", addressOf(*place)},
                               {"addressComponent", QJsonObject{{"province", place->city->province},
                                                                {"city", place->city->name},
                                                                {"district", place->district}}}}}});
}

// Whether `name` names the city: its full name, or that name without the closing "市".
bool names(const CityRow& city, const QString& name) {
    return !name.isEmpty() && (city.name == name || city.name == name + QStringLiteral("市"));
}

// Where a city lies for the platform's geocoder: the middle of its first district that has an
// outline (its old town: 东城区 for 北京, 黄浦区 for 上海), else the middle of every outline the
// city holds; nothing for a city without outlines.
std::optional<std::pair<double, double>> cityCentre(int index, const CityRow& city) {
    for (const DistrictRow& district : city.districts) {
        if (auto centre = Geography::districtCentre(district.id)) return centre;
    }
    const DistrictMap& all = DistrictMap::shared();
    double latitude = 0, longitude = 0;
    int outlines = 0;
    for (const Outline& outline : all.outlines) {
        if (all.cityOfOutline(outline) != index) continue;
        latitude += (outline.minY + outline.maxY) / 2;
        longitude += (outline.minX + outline.maxX) / 2;
        ++outlines;
    }
    if (outlines == 0) return std::nullopt;
    return std::make_pair(latitude / outlines, longitude / outlines);
}

// The platform's geocoder: GET "/placemarks?address=<city name>" gives the city of that name
// as its one placemark, or none for a name no city has.
std::optional<Reply> placemarks(const RecordedRequest& request) {
    const QUrlQuery query(QString::fromLatin1(request.query));
    const QString address = query.queryItemValue("address", QUrl::FullyDecoded).trimmed();
    QJsonArray found;
    for (const auto& [index, city] : DistrictMap::shared().cities) {
        if (!names(city, address)) continue;
        const auto centre = cityCentre(index, city);
        if (!centre) continue;
        found.append(QJsonObject{{"name", city.name},
                                 {"locality", city.name},
                                 {"administrativeArea", city.province},
                                 {"latitude", centre->first},
                                 {"longitude", centre->second}});
    }
    return Reply::json(QJsonObject{{"placemarks", found}});
}

}  // namespace

void Geography::install(Endpoints& endpoints) {
    endpoints.addInterface(
        "GetLastGeography",
        [](const RecordedRequest& request, const QByteArray&) { return lastGeography(request); });
    endpoints.addInterface(
        "SearchCityByLocation",
        [](const RecordedRequest& request, const QByteArray&) { return cityByLocation(request); });
    endpoints.addRoute("/geocoder", [](const RecordedRequest& request, const QByteArray&) {
        return geocoder(request);
    });
    endpoints.addRoute("/placemarks", [](const RecordedRequest& request, const QByteArray&) {
        return placemarks(request);
    });
}

const CityRow* Geography::city(int scriptIndex) {
    const auto& cities = DistrictMap::shared().cities;
    const auto found = cities.find(scriptIndex);
    return found == cities.end() ? nullptr : &found->second;
}

QString Geography::roadAddress(quint32 seed) {
    return kRoads[qsizetype(seed % quint32(kRoads.size()))] +
           QStringLiteral("%1号").arg(seed / quint32(kRoads.size()) % 300 + 1);
}

std::optional<std::pair<double, double>> Geography::districtCentre(qint64 districtId) {
    for (const Outline& outline : DistrictMap::shared().outlines) {
        if (outline.code == districtId) {
            return std::make_pair((outline.minY + outline.maxY) / 2,
                                  (outline.minX + outline.maxX) / 2);
        }
    }
    return std::nullopt;
}

}  // namespace standin
