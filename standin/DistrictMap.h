#pragma once

#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace standin {

// The shipped city database's cities with their districts and streets, and the simplified
// district outlines, read once from the data files (paths overridable by
// HOUSING_STANDIN_CITY_DATABASE and HOUSING_STANDIN_BOUNDARIES).

struct StreetRow {
    qint64 id = 0;
    QString name;
    QString pinyin;
};

struct DistrictRow {
    qint64 id = 0;
    QString name;
    std::vector<StreetRow> streets;
};

struct CityRow {
    int scriptIndex = 0;
    qint64 id = 0;  // the database's city id
    QString name;
    QString province;
    std::vector<DistrictRow> districts;
    QString pinyin;  // the city's key in the service's addresses ("shanghai")
};

struct GeoPoint {
    double x = 0;  // longitude
    double y = 0;  // latitude
};

struct Outline {
    qint64 code = 0;
    std::vector<std::vector<GeoPoint>> rings;
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;

    [[nodiscard]] bool contains(GeoPoint p) const;
};

struct DistrictMap {
    std::map<int, CityRow> cities;            // by script index
    std::map<qint64, int> cityOfDistrict;     // district id -> script index
    std::map<qint64, int> cityOfId;           // city id -> script index
    std::map<qint64, QString> districtNames;  // district id -> name
    std::vector<Outline> outlines;

    [[nodiscard]] static const DistrictMap& shared();
    // The script index of the city an outline lies in. Outlines are newer or older than
    // the division codes at times: this falls back from the district to the county-level
    // city and then to the prefecture or municipality of the code; none where the database
    // has no such place.
    [[nodiscard]] std::optional<int> cityOfOutline(const Outline& outline) const;
};

}  // namespace standin
