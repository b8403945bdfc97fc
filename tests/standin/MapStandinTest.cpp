// The broker shops, their brokers and the map tiles of the stand-in server.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/BrokerShops.h"
#include "standin/DistrictMap.h"
#include "standin/MapTiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

#include <cmath>
#include <set>

namespace {

constexpr int kShanghaiId = 3101;

class MapStandinTest : public StandinFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(tiles_.isValid());
        qputenv("HOUSING_STANDIN_TILE_CACHE", QFile::encodeName(tiles_.path()));
        StandinFixture::SetUp();
    }
    void TearDown() override {
        StandinFixture::TearDown();
        qunsetenv("HOUSING_STANDIN_TILE_CACHE");
    }

    httplib::Client client() { return standinClient(server().port()); }

    QJsonObject call(const QString& method, const QJsonArray& arguments) {
        const QJsonObject body{{"SearchHousingCustomer", QJsonObject{{method, arguments}}}};
        const std::string form =
            "class=" + QUrl::toPercentEncoding(QJsonDocument(body).toJson(QJsonDocument::Compact))
                           .toStdString();
        auto result =
            client().Post(standin::paths::kDataShare, {{"interface", "HousingRequestInfo"}}, form,
                          "application/x-www-form-urlencoded");
        if (!result) return {};
        return QJsonDocument::fromJson(QByteArray::fromStdString(result->body))
            .object()["data"]
            .toObject()["SearchHousingCustomer"]
            .toObject()[method]
            .toObject();
    }

    QJsonObject shopsAt(const QString& cityId, const QString& latlng) {
        return call("getHousingCustomerByLatlng",
                    QJsonArray{QJsonObject{{"cityId", cityId}, {"latlng", latlng}}});
    }

    QTemporaryDir tiles_;
};

TEST(BrokerShopsTest, EveryHotCityHasShopsInsideItsOwnDistricts) {
    const auto& geography = standin::DistrictMap::shared();
    std::set<int> cities;
    std::set<int> counts;
    for (const auto& shop : standin::BrokerShops::shops()) {
        cities.insert(shop.cityIndex);
        counts.insert(shop.brokerCount);
        bool inside = false;
        for (const auto& outline : geography.outlines) {
            if (geography.cityOfOutline(outline) == shop.cityIndex &&
                outline.contains({shop.longitude, shop.latitude})) {
                inside = true;
                break;
            }
        }
        EXPECT_TRUE(inside) << shop.id << " " << shop.districtName.toStdString();
    }
    EXPECT_EQ(cities, (std::set<int>{0, 100, 200, 400, 401, 500, 900}));
    EXPECT_TRUE(counts.count(0)) << "some shops have no brokers";
    EXPECT_TRUE(counts.count(25)) << "some have several pages";
}

TEST_F(MapStandinTest, ShopsNearAPointOfAHotCityNearestFirst) {
    const QJsonObject reply = shopsAt(QString::number(kShanghaiId), "31.230000,121.470000");
    EXPECT_EQ(reply["errCode"].toInt(), 0);
    const QJsonArray shops = reply["data"].toArray();
    ASSERT_GE(shops.size(), 5);
    double last = 0;
    for (const auto& entry : shops) {
        const QJsonObject value = entry.toObject();
        const QStringList latlng = value["latlng"].toString().split(',');
        ASSERT_EQ(latlng.size(), 2);
        const double distance =
            std::hypot(latlng[0].toDouble() - 31.23, latlng[1].toDouble() - 121.47);
        EXPECT_GE(distance, last);
        last = distance;
        EXPECT_FALSE(value["companySimpleName"].toString().isEmpty());
        EXPECT_FALSE(value["id"].toString().isEmpty());
        // An address in the shop's district, on a road with a number.
        const QString address = value["postAddress"].toString();
        EXPECT_TRUE(address.startsWith(QStringLiteral("上海市") + value["title"].toString()))
            << address.toStdString();
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("区.+[路街]\\d+号$")).match(address).hasMatch())
            << address.toStdString();
    }
    EXPECT_EQ(shopsAt(QString::number(kShanghaiId), "0.000000,0.000000")["data"].toArray().size(),
              0)
        << "far from every shop";
}

TEST_F(MapStandinTest, ADemoRunsDeviceStandsAmongTheShopsOfASampleCity) {
    QProcess program;
    program.start(StandinProcess::program(), {"--sample-position"});
    ASSERT_TRUE(program.waitForFinished(int(kStandinWaitSec) * 1000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString position = QString::fromLatin1(program.readAllStandardOutput()).trimmed();
    EXPECT_EQ(position, standin::BrokerShops::samplePosition());
    const QStringList latlng = position.split(',');
    ASSERT_EQ(latlng.size(), 2);
    const double latitude = latlng[0].toDouble();
    const double longitude = latlng[1].toDouble();

    // Inside 上海, whose shops the map asks for there...
    auto located =
        client().Post(standin::paths::kDataShare, {{"interface", "SearchCityByLocation"}},
                      "coordinate=" + position.toStdString(), "application/x-www-form-urlencoded");
    ASSERT_TRUE(located);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(located->body))
                  .object()["cityName"]
                  .toString(),
              "上海市");
    // ...with three or more on the map's first view around it (zoom 14 on a phone: some
    // 0.027° of longitude by 0.029° of latitude).
    int onView = 0;
    for (const auto& entry : shopsAt(QString::number(kShanghaiId), position)["data"].toArray()) {
        const QStringList at = entry.toObject()["latlng"].toString().split(',');
        onView += std::abs(at[0].toDouble() - latitude) < 0.0145 &&
                  std::abs(at[1].toDouble() - longitude) < 0.0135;
    }
    EXPECT_GE(onView, 3);
}

TEST_F(MapStandinTest, CitiesWithoutShopsAndUnreadablePointsAreRefused) {
    EXPECT_EQ(shopsAt("5001", "29.560000,106.550000")["errCode"].toInt(), -100)
        << "a city that is not hot";
    EXPECT_EQ(shopsAt("", "31.230000,121.470000")["errCode"].toInt(), -100);
    EXPECT_EQ(shopsAt("999999", "31.230000,121.470000")["errCode"].toInt(), -100);
    const QJsonObject noComma = shopsAt(QString::number(kShanghaiId), "31.23");
    EXPECT_EQ(noComma["errCode"].toInt(), -1);
    EXPECT_TRUE(noComma["data"].toArray().isEmpty());
}

TEST_F(MapStandinTest, BrokersComeTenAPageWithIdsBeyondThirtyTwoBits) {
    const auto& shops = standin::BrokerShops::shops();
    const auto shop =
        std::find_if(shops.begin(), shops.end(), [](const auto& s) { return s.brokerCount == 25; });
    ASSERT_NE(shop, shops.end());
    const QString id = QString::number(shop->id);
    const QJsonObject first = call("getCustomerBrokerList", QJsonArray{id, "1"});
    EXPECT_EQ(first["total"].toInt(), 25);
    const QJsonArray brokers = first["list"].toArray();
    ASSERT_EQ(brokers.size(), 10);
    const qint64 userId = brokers[0].toObject()["userId"].toString().toLongLong();
    EXPECT_GT(userId, qint64(1) << 32);
    // Their pictures are of themselves, as host paths and as whole URLs.
    EXPECT_EQ(brokers[0].toObject()["image"].toString(),
              QStringLiteral("avatars/brokers/%1.jpg").arg(userId));
    const QString second = brokers[1].toObject()["userId"].toString();
    EXPECT_EQ(brokers[1].toObject()["image"].toString(),
              server().url(QStringLiteral("/img/avatars/brokers/%1.jpg").arg(second)));
    EXPECT_EQ(call("getCustomerBrokerList", QJsonArray{id, "3"})["list"].toArray().size(), 5);
    const QJsonObject past = call("getCustomerBrokerList", QJsonArray{id, "4"});
    EXPECT_EQ(past["total"].toInt(), 25);
    EXPECT_TRUE(past["list"].toArray().isEmpty());
    EXPECT_EQ(call("getCustomerBrokerList", QJsonArray{"123", "1"})["total"].toInt(), 0);

    // The avatars are on the image host.
    const QString avatar = brokers[1].toObject()["image"].toString();
    EXPECT_EQ(client().Get(QUrl(avatar).path().toStdString())->status, 200);
}

TEST_F(MapStandinTest, TilesAreDrawnOnceAndServedFromTheTileFolder) {
    // The tile of zoom 12 holding the middle of 上海.
    auto fetched = client().Get("/tiles/12/3430/1673.png");
    ASSERT_TRUE(fetched);
    ASSERT_EQ(fetched->status, 200);
    EXPECT_EQ(fetched->get_header_value("Content-Type"), "image/png");
    const QImage image = QImage::fromData(QByteArray::fromStdString(fetched->body));
    ASSERT_EQ(image.size(), QSize(256, 256));
    std::set<QRgb> colours;
    for (int y = 0; y < 256; y += 8) {
        for (int x = 0; x < 256; x += 8) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 3u) << "land, borders and more, not one plain colour";
    const QString file = tiles_.filePath("12/3430/1673.png");
    ASSERT_TRUE(QFile::exists(file));
    // What the folder holds is what is served.
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly | QIODevice::Truncate));
    kept.write(QByteArray::fromStdString(fetched->body).left(100) + "X");
    kept.close();
    auto again = client().Get("/tiles/12/3430/1673.png");
    EXPECT_TRUE(again->body.ends_with("X"));

    for (const char* path : {"/tiles/12/4096/0.png", "/tiles/-1/0/0.png", "/tiles/20/0/0.png",
                             "/tiles/12/3430.png", "/tiles/a/b/c.png"}) {
        auto refused = client().Get(path);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 404) << path;
    }
}

TEST(MapTilesTest, DistrictNamesAppearFromTheirZoomOn) {
    const auto namesAt = [](int z) {
        // The centre tile of 黄浦区 at this zoom.
        const int n = 1 << z;
        const double x = (121.485 + 180) / 360 * n;
        const double s = std::sin(31.228 * M_PI / 180);
        const double y = (0.5 - std::log((1 + s) / (1 - s)) / (4 * M_PI)) * n;
        const QImage tile = standin::MapTiles::render(z, int(x), int(y));
        int dark = 0;
        for (int py = 0; py < tile.height(); ++py) {
            for (int px = 0; px < tile.width(); ++px) dark += qGray(tile.pixel(px, py)) < 120;
        }
        return dark;
    };
    EXPECT_EQ(namesAt(9), 0);
    EXPECT_GT(namesAt(12), 20);
    EXPECT_TRUE(standin::MapTiles::render(3, 8, 0).isNull());
}

}  // namespace
