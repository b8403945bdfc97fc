#include "standin/DistrictMap.h"

#include <QFile>

#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <mutex>

namespace standin {

namespace {

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

void readCities(DistrictMap& data) {
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
    select(database, "select city_id,province_id,script_index,city_name,pinyin from city",
           [&](sqlite3_stmt* row) {
               const qint64 province = sqlite3_column_int64(row, 1);
               const int index = provinceIndex[province] * 100 + sqlite3_column_int(row, 2);
               data.cities[index] = {index,        sqlite3_column_int64(row, 0),
                                     text(row, 3), provinces[province],
                                     {},           text(row, 4)};
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
           "select street_id,district_id,street_name,pinyin from street "
           "where category_url = 'housing' "
           "order by district_id,script_index",
           [&](sqlite3_stmt* row) {
               const auto district = districts.find(sqlite3_column_int64(row, 1));
               if (district == districts.end()) return;
               district->second->streets.push_back(
                   {sqlite3_column_int64(row, 0), text(row, 2), text(row, 3)});
           });
    sqlite3_close(database);
}

// boundaries.txt: "<code> <lng>,<lat>|<ring>|<ring>..." with each ring a first point and
// then differences, all in thousandths of a degree.
void readOutlines(DistrictMap& data) {
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
            std::vector<GeoPoint> ring;
            qint64 x = 0, y = 0;
            for (const QByteArray& pair : parts[r].split(' ')) {
                const qsizetype comma = pair.indexOf(',');
                if (comma < 0) continue;
                const qint64 dx = pair.left(comma).toLongLong(),
                             dy = pair.mid(comma + 1).toLongLong();
                x = ring.empty() ? dx : x + dx;
                y = ring.empty() ? dy : y + dy;
                const GeoPoint point{double(x) / 1000.0, double(y) / 1000.0};
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

}  // namespace

bool Outline::contains(GeoPoint p) const {
    if (p.x < minX || p.x > maxX || p.y < minY || p.y > maxY) return false;
    bool inside = false;
    for (const auto& ring : rings) {
        for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
            const GeoPoint a = ring[i], b = ring[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
                inside = !inside;
            }
        }
    }
    return inside;
}

const DistrictMap& DistrictMap::shared() {
    static std::once_flag once;
    static DistrictMap loaded;
    std::call_once(once, [] {
        readCities(loaded);
        readOutlines(loaded);
    });
    return loaded;
}

std::optional<int> DistrictMap::cityOfOutline(const Outline& outline) const {
    if (auto found = cityOfDistrict.find(outline.code); found != cityOfDistrict.end()) {
        return found->second;
    }
    if (auto city = cityOfId.find(outline.code); city != cityOfId.end()) return city->second;
    if (auto prefecture = cityOfId.find(outline.code / 100); prefecture != cityOfId.end()) {
        return prefecture->second;
    }
    // Only a municipality holds every code of its province: elsewhere the province's first
    // city (广州 for 44) is no home for a code the database lacks.
    if (auto municipality = cityOfId.find(outline.code / 10000 * 100 + 1);
        municipality != cityOfId.end()) {
        const CityRow& city = cities.at(municipality->second);
        if (city.name == city.province) return municipality->second;
    }
    return std::nullopt;
}

}  // namespace standin
