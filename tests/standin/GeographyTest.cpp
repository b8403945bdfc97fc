// Where the stand-in places a coordinate: the service's city lookup and the public geocoder.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/DistrictMap.h"
#include "standin/Geography.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <httplib.h>

#include <map>
#include <set>

namespace {

class GeographyTest : public StandinFixture {
protected:
    QJsonObject geocode(const QString& location) {
        auto http = standinClient(server().port());
        auto result = http.Get("/geocoder?location=" + location.toStdString() + "&output=json");
        if (!result) return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
    }
    QJsonObject cityAt(const QString& location) {
        auto http = standinClient(server().port());
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
    // The outline data is older than these cities of 新疆.
    const QStringList withoutOutline{"胡杨河市", "新星市", "白杨市"};
    QStringList missing;
    for (const auto& [index, city] : map.cities) {
        if (!located.count(index) && !withoutOutline.contains(city.name)) missing << city.name;
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(' ').toStdString();
}

TEST_F(GeographyTest, NoTwoOutlinesClaimOneDistrict) {
    std::map<qint64, int> outlinesOf;
    for (const standin::Outline& outline : standin::DistrictMap::shared().outlines) {
        ++outlinesOf[outline.code];
    }
    QStringList twice;
    for (const auto& [code, count] : outlinesOf) {
        if (count > 1) twice << QString::number(code);
    }
    EXPECT_TRUE(twice.isEmpty()) << twice.join(' ').toStdString();
}

// Outlines drawn before these places were renamed, recoded or moved are found under the
// districts they are now.
TEST_F(GeographyTest, PlacesThatChangedSinceTheOutlinesWereDrawnResolveToWhatTheyAreNow) {
    const struct {
        const char* location;
        const char* city;
        const char* district;
    } places[] = {
        {"38.30,116.84", "沧州市", "运河区"},  // the outlines name 沧州's districts only
        {"31.48,92.05", "那曲市", "色尼区"},   // once 那曲地区 and its 那曲县
        {"31.93,93.78", "那曲市", "索县"},     // a county under 那曲's old code
        {"50.42,124.12", "大兴安岭地区", "加格达奇区"},  // its old code is 漠河市's now
        {"52.97,122.54", "大兴安岭地区", "漠河市"},      // once 漠河县
        {"43.50,124.82", "长春市", "公主岭市"},          // moved from 四平
        {"36.20,117.67", "济南市", "莱芜区"},            // once 莱芜市莱城区
    };
    for (const auto& place : places) {
        const QJsonObject found = geocode(place.location);
        const QJsonObject address = found["result"].toObject()["addressComponent"].toObject();
        EXPECT_EQ(address["city"].toString(), QString::fromUtf8(place.city)) << place.location;
        EXPECT_EQ(address["district"].toString(), QString::fromUtf8(place.district))
            << place.location;
        EXPECT_EQ(cityAt(place.location)["cityName"].toString(), QString::fromUtf8(place.city))
            << place.location;
    }
}

TEST_F(GeographyTest, AnOutlineOfAPlaceTheDatabaseLacksIsNoCity) {
    const standin::DistrictMap& map = standin::DistrictMap::shared();
    const auto cityNamed = [&](qint64 code) {
        const auto index = map.cityOfOutline(standin::Outline{code, {}});
        return index ? map.cities.at(*index).name : QString();
    };
    EXPECT_EQ(cityNamed(110228), "北京市");  // a county of 北京 before it became a district
    EXPECT_EQ(cityNamed(130223), "唐山市");  // a district code the database no longer has
    EXPECT_EQ(cityNamed(442100), "");        // 东沙群岛: no city of 广东 holds it
    EXPECT_EQ(geocode("20.62,116.88")["status"].toInt(), 1);
    EXPECT_TRUE(cityAt("20.62,116.88")["cityName"].toString().isEmpty());
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
