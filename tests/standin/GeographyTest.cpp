// Where the stand-in places a coordinate: the service's city lookup and the public geocoder.
#include "StandinFixture.h"

#include "standin/DistrictMap.h"
#include "standin/Geography.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

#include <set>

namespace {

class GeographyTest : public StandinFixture {
protected:
    QJsonObject geocode(const QString& location) {
        httplib::Client http("127.0.0.1", server().port());
        auto result = http.Get("/geocoder?location=" + location.toStdString() + "&output=json");
        if (!result) return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    }
    QJsonObject cityAt(const QString& location) {
        httplib::Client http("127.0.0.1", server().port());
        auto result =
            http.Post(standin::paths::kDataShare, {{"interface", "SearchCityByLocation"}},
                      "coordinate=" + location.toStdString(), "application/x-www-form-urlencoded");
        if (!result) return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    }
};

}  // namespace

TEST_F(GeographyTest, EveryCityOfTheDatabaseCanBeLocated) {
    const standin::DistrictMap& map = standin::DistrictMap::shared();
    std::set<int> located;
    for (const standin::Outline& outline : map.outlines) {
        if (const auto city = map.cityOfOutline(outline)) located.insert(*city);
    }
    // The outlines lack these: 沧州 altogether, 那曲 under its codes since it became a city,
    // and the newest cities of 新疆.
    const QStringList withoutOutline{"沧州市", "那曲市", "胡杨河市", "新星市", "白杨市"};
    QStringList missing;
    for (const auto& [index, city] : map.cities) {
        if (!located.count(index) && !withoutOutline.contains(city.name)) missing << city.name;
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(' ').toStdString();
}

TEST_F(GeographyTest, ACityWithoutDistrictsIsNamedOnceInTheAddress) {
    const QJsonObject geocoded = geocode("22.52,113.39");
    const QJsonObject result = geocoded["result"].toObject();
    EXPECT_EQ(result["addressComponent"].toObject()["city"].toString(), "中山市");
    EXPECT_EQ(result["formatted_address"].toString(), "广东省中山市");
    const QJsonObject found = cityAt("22.52,113.39");
    EXPECT_EQ(found["cityName"].toString(), "中山市");
    EXPECT_EQ(found["currentLocation"].toString(), "广东省中山市");
}
