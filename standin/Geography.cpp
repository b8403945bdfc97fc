#include "standin/Geography.h"

#include "standin/FormFields.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrlQuery>

#include <sqlite3.h>

#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace standin {

namespace {

struct Point {
    double x = 0;  // longitude
    double y = 0;  // latitude
};

struct Outline {
    qint64 code = 0;
    std::vector<std::vector<Point>> rings;
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;

    [[nodiscard]] bool contains(Point p) const {
        if (p.x < minX || p.x > maxX || p.y < minY || p.y > maxY) return false;
        bool inside = false;
        for (const auto& ring : rings) {
            for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
                const Point a = ring[i], b = ring[j];
                if ((a.y > p.y) != (b.y > p.y) &&
                    p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
                    inside = !inside;
                }
            }
        }
        return inside;
    }
};

// Everything read once from the data files.
struct Data {
    std::map<int, CityRow> cities;            // by script index
    std::map<qint64, int> cityOfDistrict;     // district id -> script index
    std::map<qint64, int> cityOfId;           // city id -> script index
    std::map<qint64, QString> districtNames;  // district id -> name
    std::vector<Outline> outlines;
};

QString dataFile(const char* variable, const char* fallback) {
    const QByteArray set = qgetenv(variable);
    return set.isEmpty() ? QString::fromUtf8(fallback) : QString::fromLocal8Bit(set);
}

void select(sqlite3* database, const char* statement,
            const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(database, statement, -1, &prepared, nullptr) == SQLITE_OK) {
        while (sqlite3_step(prepared) == SQLITE_ROW) row(prepared);
    }
    sqlite3_finalize(prepared);
}

QString text(sqlite3_stmt* statement, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

void readCities(Data& data) {
    sqlite3* database = nullptr;
    const QByteArray path =
        QFile::encodeName(dataFile("HOUSING_STANDIN_CITY_DATABASE", HOUSING_STANDIN_CITY_DATABASE));
    if (sqlite3_open_v2(path.constData(), &database, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "standin: cannot open the city database %s\n", path.constData());
        sqlite3_close(database);
        return;
    }
    std::map<qint64, QString> provinces;
    std::map<qint64, int> provinceIndex;
    select(database, "select province_id,script_index,province_name from province",
           [&](sqlite3_stmt* row) {
               provinces[sqlite3_column_int64(row, 0)] = text(row, 2);
               provinceIndex[sqlite3_column_int64(row, 0)] = sqlite3_column_int(row, 1);
           });
    select(database, "select city_id,province_id,script_index,city_name from city",
           [&](sqlite3_stmt* row) {
               const qint64 province = sqlite3_column_int64(row, 1);
               const int index = provinceIndex[province] * 100 + sqlite3_column_int(row, 2);
               data.cities[index] = {index, text(row, 3), provinces[province], {}};
               data.cityOfId[sqlite3_column_int64(row, 0)] = index;
           });
    std::map<qint64, DistrictRow*> districts;
    select(database,
           "select district_id,city_id,district_name from district order by city_id,script_index",
           [&](sqlite3_stmt* row) {
               const auto city = data.cityOfId.find(sqlite3_column_int64(row, 1));
               if (city == data.cityOfId.end()) return;
               auto& list = data.cities[city->second].districts;
               list.push_back({sqlite3_column_int64(row, 0), text(row, 2), {}});
               data.cityOfDistrict[list.back().id] = city->second;
               data.districtNames[list.back().id] = list.back().name;
           });
    for (auto& [index, city] : data.cities) {
        for (auto& district : city.districts) districts[district.id] = &district;
    }
    select(database,
           "select street_id,district_id,street_name from street where category_url = 'housing' "
           "order by district_id,script_index",
           [&](sqlite3_stmt* row) {
               const auto district = districts.find(sqlite3_column_int64(row, 1));
               if (district == districts.end()) return;
               district->second->streets.push_back({sqlite3_column_int64(row, 0), text(row, 2)});
           });
    sqlite3_close(database);
}

// boundaries.txt: "<code> <lng>,<lat>|<ring>|<ring>..." with each ring a first point and
// then differences, all in thousandths of a degree.
void readOutlines(Data& data) {
    QFile file(dataFile("HOUSING_STANDIN_BOUNDARIES", HOUSING_STANDIN_BOUNDARIES));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "standin: cannot read %s\n", qPrintable(file.fileName()));
        return;
    }
    while (!file.atEnd()) {
        const QList<QByteArray> parts = file.readLine().trimmed().split('|');
        if (parts.size() < 2) continue;
        Outline outline;
        outline.code = parts[0].split(' ').value(0).toLongLong();
        for (qsizetype r = 1; r < parts.size(); ++r) {
            std::vector<Point> ring;
            qint64 x = 0, y = 0;
            for (const QByteArray& pair : parts[r].split(' ')) {
                const qsizetype comma = pair.indexOf(',');
                if (comma < 0) continue;
                const qint64 dx = pair.left(comma).toLongLong(),
                             dy = pair.mid(comma + 1).toLongLong();
                x = ring.empty() ? dx : x + dx;
                y = ring.empty() ? dy : y + dy;
                const Point point{double(x) / 1000.0, double(y) / 1000.0};
                outline.minX = std::min(outline.minX, point.x);
                outline.maxX = std::max(outline.maxX, point.x);
                outline.minY = std::min(outline.minY, point.y);
                outline.maxY = std::max(outline.maxY, point.y);
                ring.push_back(point);
            }
            if (ring.size() >= 3) outline.rings.push_back(std::move(ring));
        }
        if (!outline.rings.empty()) data.outlines.push_back(std::move(outline));
    }
}

const Data& data() {
    static std::once_flag once;
    static Data loaded;
    std::call_once(once, [] {
        readCities(loaded);
        readOutlines(loaded);
    });
    return loaded;
}

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
    const Data& all = data();
    for (const Outline& outline : all.outlines) {
        if (!outline.contains({lng, lat})) continue;
        // Outlines are newer or older than the division codes at times: fall back from the
        // district to the county-level city and then to the prefecture of the code.
        int index = -1;
        if (auto found = all.cityOfDistrict.find(outline.code); found != all.cityOfDistrict.end()) {
            index = found->second;
        } else if (auto city = all.cityOfId.find(outline.code); city != all.cityOfId.end()) {
            index = city->second;
        } else if (auto prefecture = all.cityOfId.find(outline.code / 100);
                   prefecture != all.cityOfId.end()) {
            index = prefecture->second;
        } else if (auto municipality = all.cityOfId.find(outline.code / 10000 * 100 + 1);
                   municipality != all.cityOfId.end()) {
            index = municipality->second;
        }
        if (index < 0) continue;
        Place place{&all.cities.at(index), all.districtNames.count(outline.code)
                                               ? all.districtNames.at(outline.code)
                                               : QString()};
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
    const auto& cities = data().cities;
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

}  // namespace

const CityRow* Geography::city(int scriptIndex) {
    const auto& cities = data().cities;
    const auto found = cities.find(scriptIndex);
    return found == cities.end() ? nullptr : &found->second;
}

std::optional<std::pair<double, double>> Geography::districtCentre(qint64 districtId) {
    for (const Outline& outline : data().outlines) {
        if (outline.code == districtId) {
            return std::make_pair((outline.minY + outline.maxY) / 2,
                                  (outline.minX + outline.maxX) / 2);
        }
    }
    return std::nullopt;
}

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
}

}  // namespace standin
