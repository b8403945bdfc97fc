#pragma once

#include <QString>

#include <random>
#include <vector>

namespace standin {

// A residential community of the sample: two in each street of a city (two in each district
// without streets), named after the street.
struct SampleCommunity {
    qint64 id = 0;
    QString name;    // "徐家汇花园"
    QString pinyin;  // the community's key in the service's addresses, unique in its city
    int cityIndex = 0;
    QString cityName;
    QString cityPinyin;  // the city's key ("domain")
    qint64 districtId = 0;
    QString districtName;
    qint64 streetId = 0;  // 0 for a district's own communities
    QString streetName;
    double latitude = 0;
    double longitude = 0;
    QString propType;    // "住宅", "公寓" or "商住": the sample's houses are flats
    int finishYear = 0;  // the year it was completed; 0 for one whose year is not known
};

// The sample's residential communities, made per city on first use. The houses of the
// sample posts lie in them (standin/Posts.h), so a community's page lists the posts that
// name it.
class Communities {
public:
    static constexpr int kPerPlace = 2;
    // The year the sample describes: a house's age (房龄) counts the years from its
    // community's completion to it, so that the same data read the same in any year.
    static constexpr int kSampleYear = 2026;

    // Every community of the city; empty for a city the database does not have.
    [[nodiscard]] static const std::vector<SampleCommunity>& ofCity(int cityIndex);
    // nullptr when no community has the id, or the key in that city.
    [[nodiscard]] static const SampleCommunity* byId(qint64 id);
    [[nodiscard]] static const SampleCommunity* byKey(const QString& cityPinyin,
                                                      const QString& pinyin);
    // Community `choice` (0 or 1) of a street of a district, or of the district itself when
    // the street is 0.
    [[nodiscard]] static const SampleCommunity* ofPlace(int cityIndex, qint64 districtId,
                                                        qint64 streetId, int choice);

    // A generator of the community's own for each kind of its facts (`salt`), so that the
    // facts of one kind stay as they were when another kind draws more.
    [[nodiscard]] static std::mt19937 generator(const SampleCommunity& community, int salt);
    // Months of average prices the community has, 2 to 24.
    [[nodiscard]] static int priceMonths(const SampleCommunity& community);
    // Its average price per square metre `monthsAgo` months before the latest one.
    [[nodiscard]] static double priceAt(const SampleCommunity& community, int monthsAgo);
    // The latest average price as the service tells it, on the community's page and on its
    // posts alike: 0 for one community in nine, whose price is not known.
    [[nodiscard]] static qint64 averagePrice(const SampleCommunity& community);
};

}  // namespace standin
