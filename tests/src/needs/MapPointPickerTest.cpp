// The map point picker: the street under the pin looked up from the stand-in, stale and failed
// lookups, the map's resting place before any position, and what "完成" hands back.
#include "NeedFormFixture.h"

#include "needs/QXAddressLabel.h"
#include "needs/QXFBAgentAddress.h"

#include "standin/Geography.h"

namespace {

class RecordingPickerDelegate : public QXFBAgentAddressDelegate {
public:
    void didGetChooseCityId(int cityId, const QString& streetName,
                            const QString& locationStr) override {
        chosen << QStringLiteral("%1|%2|%3").arg(cityId).arg(streetName, locationStr);
    }
    QStringList chosen;
};

class MapPointPickerTest : public NeedFormFixture {
protected:
    void openPicker() {
        delegate_ = std::make_shared<RecordingPickerDelegate>();
        picker_ = std::make_shared<QXFBAgentAddress>();
        picker_->setIDelegate(delegate_);
        picker_->setPreAddress("暂无地址,请拖动地图选择。");
        navigation_->pushViewController(picker_, false);
        settle();
    }
    [[nodiscard]] std::size_t lookups() {
        std::size_t count = 0;
        for (const auto& request : server().requests(standin::paths::kDataShare))
            if (request.header("interface") == "SearchCityByLocation") ++count;
        return count;
    }
    [[nodiscard]] QString label() const { return picker_->addressLable()->text(); }
    // Waits until the stand-in has been asked `asked` lookups in all and the label no longer
    // says it is looking up. The clock runs while the map comes to rest and stands still while
    // the stand-in answers, so that a slow answer on a busy machine never times out.
    bool lookedUp(std::size_t asked = 1) {
        return settleUntil([&] { return lookups() >= asked; }, 0.1) && waitFor([&] {
                   return label() != "      正在查询地址..." && picker_->movieMapcount() == 0;
               });
    }
    static map::Coordinate centreOf(qint64 district) {
        const auto centre = standin::Geography::districtCentre(district);
        return centre ? map::Coordinate{centre->first, centre->second} : map::Coordinate{};
    }

    std::shared_ptr<RecordingPickerDelegate> delegate_;
    std::shared_ptr<QXFBAgentAddress> picker_;
};

TEST_F(MapPointPickerTest, TheAddressTextGivesBackTheStreetFollowedByNearby) {
    EXPECT_EQ(QXFBAgentAddress::getRealAddressWithAttributeStr(QStringLiteral("在S附近3km内找房")),
              QStringLiteral("S附近"));
    EXPECT_EQ(QXFBAgentAddress::getRealAddressWithAttributeStr(
                  QStringLiteral("在徐汇区天平路附近3km内找房")),
              QStringLiteral("徐汇区天平路附近"));
    EXPECT_TRUE(
        QXFBAgentAddress::getRealAddressWithAttributeStr("地址查询失败，请拖动地图重试").isNull());
    EXPECT_TRUE(QXFBAgentAddress::getRealAddressWithAttributeStr("      正在查询地址...").isNull());
}

TEST_F(MapPointPickerTest, ThePointUnderThePinIsLookedUpAndHandedBack) {
    locate();
    openPicker();
    ASSERT_TRUE(lookedUp());
    EXPECT_EQ(lookups(), 1u);
    ASSERT_TRUE(label().startsWith(QStringLiteral("在")) &&
                label().endsWith(QStringLiteral("附近3km内找房")))
        << label().toStdString();
    ASSERT_TRUE(picker_->addressLable()->highlightColour()) << "the street stands out";
    EXPECT_TRUE(picker_->isDoneEnabled());
    const QString street = picker_->iStreet();
    picker_->didChooseLocation();
    settle();
    ASSERT_EQ(delegate_->chosen.size(), 1);
    const QStringList parts = delegate_->chosen.front().split('|');
    EXPECT_EQ(parts[0], "0");
    EXPECT_EQ(parts[1], street + QStringLiteral("附近"));
    const QStringList point = parts[2].split(',');
    ASSERT_EQ(point.size(), 2);
    EXPECT_NEAR(point[0].toDouble(), 31.1941, 0.001);
    EXPECT_NEAR(point[1].toDouble(), 121.4365, 0.001);
    EXPECT_NE(top(), picker_.get());
}

TEST_F(MapPointPickerTest, OnlyTheAnswerForTheLastRestingPlaceStays) {
    locate();
    openPicker();
    ASSERT_TRUE(lookedUp());
    const QString xuhui = label();
    // The server holds the first lookup's answer; the map moves on to Huangpu, whose answer
    // comes first.
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true, .times = 1});
    picker_->mapView()->setCenterCoordinate(centreOf(310104), false);
    EXPECT_EQ(label(), "      正在查询地址...");
    EXPECT_FALSE(picker_->isDoneEnabled());
    ASSERT_TRUE(settleUntil([&] { return lookups() == 2; }, 0.1));
    picker_->mapView()->setCenterCoordinate(centreOf(310101), false);
    ASSERT_TRUE(lookedUp(3));
    ASSERT_TRUE(letHeldRepliesArrive());
    settle(1.0);
    EXPECT_NE(label(), xuhui);
    EXPECT_TRUE(label().contains(QStringLiteral("黄浦"))) << label().toStdString();
}

TEST_F(MapPointPickerTest, AMapRestingOnItsFirstRegionLooksNothingUp) {
    openPicker();
    picker_->mapView()->setCenterCoordinate(QXFBAgentAddress::kInitialCentre, false);
    settle();
    EXPECT_EQ(lookups(), 0u);
    EXPECT_EQ(label(), "      正在查询地址...");
    EXPECT_FALSE(picker_->isDoneEnabled());
}

TEST_F(MapPointPickerTest, AFailedLookupLeavesNothingToChoose) {
    locate();
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    openPicker();
    ASSERT_TRUE(lookedUp());
    EXPECT_EQ(label(), "地址查询失败，请拖动地图重试");
    EXPECT_FALSE(picker_->isDoneEnabled());
    picker_->didChooseLocation();
    settle();
    EXPECT_TRUE(delegate_->chosen.isEmpty());
    EXPECT_NE(top(), picker_.get()) << "choosing still leaves";
}

TEST_F(MapPointPickerTest, WithoutANetworkTheRestingMapSaysItCannotLocate) {
    locate();
    openPicker();
    ASSERT_TRUE(lookedUp());
    const std::size_t asked = lookups();
    context_->setConnectionReachabil(false);
    picker_->mapView()->setCenterCoordinate(centreOf(310101), false);
    settle();
    EXPECT_EQ(label(), "无法定位位置");
    EXPECT_FALSE(picker_->isDoneEnabled());
    EXPECT_EQ(lookups(), asked);
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), QStringLiteral("网络不可用"));
}

TEST_F(MapPointPickerTest, WithThePositionRefusedTheMapGoesToTheSelectedCityFoundByName) {
    host_->denied = true;
    host_->cityName = QStringLiteral("北京");
    openPicker();
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), QStringLiteral("定位不可用"));
    ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
    ASSERT_TRUE(waitFor([&] { return !picker_->isGeocoding(); }));
    const auto asked = server().requests("/placemarks");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(QUrl::fromPercentEncoding(asked[0].query), QStringLiteral("address=北京"));
    const map::Coordinate centre = picker_->mapView()->centerCoordinate();
    EXPECT_NEAR(centre.latitude, 39.92, 0.1) << "in 北京, not where the map started";
    EXPECT_NEAR(centre.longitude, 116.41, 0.1);
    EXPECT_NEAR(picker_->mapView()->region().span.latitudeDelta, QXFBAgentAddress::kSpan, 0.01);
    // The refused service finds no street: nothing to choose.
    settle(1.0);
    EXPECT_EQ(label(), "地址查询失败，请拖动地图重试");
    EXPECT_FALSE(picker_->isDoneEnabled());
    EXPECT_EQ(lookups(), 0u);

    // A city the geocoder does not know leaves the map where it was.
    navigation_->popViewControllerAnimated(false);
    settle();
    host_->cityName = QStringLiteral("无名城");
    openPicker();
    (void)alerts_->pressButtonAtIndex(0);
    ASSERT_TRUE(waitFor([&] { return !picker_->isGeocoding(); }));
    EXPECT_EQ(server().requests("/placemarks").size(), 2u);
    EXPECT_NEAR(picker_->mapView()->centerCoordinate().latitude,
                QXFBAgentAddress::kInitialCentre.latitude, 0.01);
}

}  // namespace
