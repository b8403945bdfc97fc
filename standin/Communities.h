#pragma once

#include <QString>

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
};

// The sample's residential communities, made per city on first use. The houses of the
// sample posts lie in them (standin/Posts.h), so a community's page lists the posts that
// name it.
class Communities {
public:
    static constexpr int kPerPlace = 2;

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
};

}  // namespace standin
