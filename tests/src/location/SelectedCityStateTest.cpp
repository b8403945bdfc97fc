#include "location/LocationManager.h"
#include "location/SelectedCityState.h"
#include "location/tovikCitylog.h"

#include "platform/foundation/notification_center.h"
#include "platform/location/driven_position_source.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"

#include "CityFixture.h"

namespace paths = standin::paths;

namespace {

const loc::Coordinate kNanshanPoint{22.533, 113.93};

// The application delegate as the state sees it.
struct FakeHost : SelectedCityHost {
    [[nodiscard]] bool hasUserId() const override { return userId; }
    [[nodiscard]] bool connectionReachabil() const override { return true; }
    [[nodiscard]] int selectedTabIndex() const override { return tab; }
    [[nodiscard]] int screensOnSelectedTab() const override { return screens; }
    void currentCityScriptIndexChanged(int index) override { indexes.push_back(index); }
    void downLoadSendNeedInfo(int major, int city) override { needInfo.push_back({major, city}); }
    void presentCitySelection(bool) override { ++presented; }

    bool userId = true;
    int tab = 0;
    int screens = 1;
    std::vector<int> indexes;
    std::vector<std::pair<int, int>> needInfo;
    int presented = 0;
};

}  // namespace

class SelectedCityStateTest : public CityFixture {
protected:
    void SetUp() override {
        CityFixture::SetUp();
        loc::PositionSource::install(source_);
        cityChanged_ = ns::NotificationCenter::defaultCenter().addObserver(
            SelectedCityState::kCityChangedNotification,
            [this](const ns::Notification&) { ++cityChanges_; });
        stateChanges_ = ns::NotificationCenter::defaultCenter().addObserver(
            UserLocation::kStateChangeNotification,
            [this](const ns::Notification&) { ++locationChanges_; });
    }
    void TearDown() override {
        LocationManager::locationManager()->stopUpdates();
        state_.reset();
        loc::PositionSource::install(nullptr);
        CityFixture::TearDown();
    }

    // A launch: a new state that loads the cities and listens to locating.
    void launch() {
        state_ = std::make_shared<SelectedCityState>(host_);
        state_->loadCitiesData();
        state_->observe();
    }
    void switchTo(int index) {
        state_->updateCityWithIndex(index);
        ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == index; })) << index;
    }
    // Locates the device at `where` and waits for the location state to settle.
    void locateAt(loc::Coordinate where) {
        const int before = locationChanges_;
        state_->startConfirmLocation();
        ASSERT_TRUE(source_->deliver(where, 30));
        ASSERT_TRUE(waitUntil([&] { return locationChanges_ > before; }));
    }

    std::shared_ptr<loc::DrivenPositionSource> source_ =
        std::make_shared<loc::DrivenPositionSource>("");
    std::shared_ptr<FakeHost> host_ = std::make_shared<FakeHost>();
    std::shared_ptr<SelectedCityState> state_;
    int cityChanges_ = 0;
    int locationChanges_ = 0;
    std::shared_ptr<ns::NotificationCenter::Observation> cityChanged_;
    std::shared_ptr<ns::NotificationCenter::Observation> stateChanges_;
};

TEST_F(SelectedCityStateTest, AFirstRunAsksForACityAndStoresTheChosenOne) {
    launch();
    EXPECT_EQ(state_->currentCityScript_index(), -1);
    EXPECT_TRUE(sentVersions().isEmpty()) << "no city stored: nothing to refresh";
    EXPECT_TRUE(state_->checkCityWithAnimation(true));
    EXPECT_EQ(host_->presented, 1);
    EXPECT_EQ(tovikCitylog::instance().getCityDistrictArray(), std::nullopt);

    tovikCitylog::instance().setDistrictName("旧区");
    switchTo(0);
    EXPECT_EQ(SelectedCityState::storedCityId(), 1) << "script index 0 is stored as 1";
    EXPECT_EQ(cityChanges_, 1);
    EXPECT_EQ(host_->indexes, std::vector<int>{0});
    EXPECT_EQ(host_->needInfo, (std::vector<std::pair<int, int>>{{1, 0}}));
    ASSERT_TRUE(state_->currentStreet());
    EXPECT_EQ(state_->currentStreet()->name(), "不限");
    EXPECT_TRUE(tovikCitylog::instance().districtName().isNull());
    const auto districts = tovikCitylog::instance().getCityDistrictArray();
    ASSERT_TRUE(districts);
    EXPECT_EQ(districts->first().toMap().value("dn"), "黄浦区") << "the new city's, no any-row";
    const auto streets = tovikCitylog::instance().getCitystreetArray(0);
    ASSERT_TRUE(streets);
    EXPECT_EQ(*streets, districts->first().toMap().value("ss").toList());
    EXPECT_FALSE(tovikCitylog::instance().getCitystreetArray(-1));
    EXPECT_FALSE(tovikCitylog::instance().getCitystreetArray(districts->size()));
    EXPECT_FALSE(state_->checkCityWithAnimation(true));
}

TEST_F(SelectedCityStateTest, AStoredCityTheTreeLacksCountsAsNone) {
    for (const int damaged : {10000, -5}) {
        defaults().setInteger(damaged, "cityId");
        launch();
        EXPECT_EQ(state_->currentCityScript_index(), -1) << damaged;
        EXPECT_TRUE(state_->checkCityWithAnimation(false)) << damaged;
    }
    EXPECT_EQ(host_->presented, 2);
    switchTo(600);
    EXPECT_EQ(SelectedCityState::storedCityId(), 601);
    EXPECT_FALSE(state_->checkCityWithAnimation(false));
}

TEST_F(SelectedCityStateTest, ALaunchRefreshesTheStoredCityWithoutAnnouncingIt) {
    defaults().setInteger(601, "cityId");
    launch();
    ASSERT_TRUE(waitUntil([&] { return !state_->updatingCityIndex(); }));
    EXPECT_EQ(state_->currentCityScript_index(), 600);
    EXPECT_EQ(sentVersions(), QStringList{"0"});
    EXPECT_EQ(cityChanges_, 0);
    EXPECT_TRUE(host_->needInfo.empty());

    // The next launch starts from the cached lists and sends the city's version.
    launch();
    ASSERT_TRUE(waitUntil([&] { return !state_->updatingCityIndex(); }));
    EXPECT_EQ(sentVersions().size(), 2);
    EXPECT_NE(sentVersions().last(), "0");
    EXPECT_EQ(cityChanges_, 0);
}

TEST_F(SelectedCityStateTest, AFailedRefreshAtLaunchKeepsTheStoredCity) {
    defaults().setInteger(601, "cityId");
    launch();
    ASSERT_TRUE(waitUntil([&] { return !state_->updatingCityIndex(); }));
    ASSERT_TRUE(state_->currentStreet()) << "the cached lists of the last run";

    server().setFault({.prefix = paths::kDataShare, .status = 503});
    launch();
    EXPECT_EQ(state_->currentCityScript_index(), 600) << "selected before the refresh ends";
    ASSERT_TRUE(waitUntil([&] { return !state_->updatingCityIndex(); }));
    EXPECT_EQ(state_->currentCityScript_index(), 600);
    EXPECT_EQ(SelectedCityState::storedCityId(), 601);
    ASSERT_TRUE(state_->currentStreet());
    EXPECT_EQ(state_->cityData()->currentCity()->scriptIndex(), 600);
    EXPECT_EQ(cityChanges_, 0);
    EXPECT_EQ(host_->indexes.back(), 600);
}

TEST_F(SelectedCityStateTest, AFailedSwitchKeepsTheOldCityAndCanBeRetried) {
    launch();
    switchTo(600);
    server().setFault({.prefix = paths::kDataShare, .status = 503, .times = 1});
    state_->updateCityWithIndex(601);
    state_->updateCityWithIndex(601);
    ASSERT_TRUE(waitUntil([&] { return !state_->updatingCityIndex(); }));
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 2u) << "one request for the city";
    EXPECT_EQ(state_->currentCityScript_index(), 600);
    EXPECT_EQ(SelectedCityState::storedCityId(), 601);
    EXPECT_EQ(cityChanges_, 1);
    switchTo(601);
    EXPECT_EQ(cityChanges_, 2);
    state_->updateCityWithIndex(601);
    settle();
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 3u)
        << "the current city is not asked again";
}

TEST_F(SelectedCityStateTest, LocatingFindsTheCityAndWaitsFiveMinutesBeforeLocatingAgain) {
    launch();
    locateAt(kNanshanPoint);
    ASSERT_TRUE(
        waitUntil([&] { return state_->userLocation()->state() == UserLocationCityKnown; }));
    EXPECT_EQ(state_->userLocation()->cityId(), 401);
    EXPECT_EQ(state_->strLocation(), "22.53300,113.93000");
    EXPECT_EQ(state_->locationStatuString(), "定位成功");
    EXPECT_EQ(source_->starts(), 1);

    clock().advance(SelectedCityState::kRelocateAfter - 1s);
    state_->startConfirmLocation();
    EXPECT_EQ(source_->starts(), 1);
    clock().advance(1s);
    state_->startConfirmLocation();
    EXPECT_EQ(source_->starts(), 2);
    EXPECT_EQ(state_->userLocation()->state(), UserLocationLocating);
}

TEST_F(SelectedCityStateTest, ATimeoutFailsWithoutBlockingTheNextAttempt) {
    launch();
    state_->startConfirmLocation();
    clock().advance(LocationManager::kTimeout);
    EXPECT_EQ(state_->userLocation()->state(), UserLocationFailed);
    EXPECT_EQ(state_->locationStatuString(), "无法定位当前位置!");
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 0u) << "no lookup of (0, 0)";
    EXPECT_FALSE(state_->lastLocationTime());
    state_->startConfirmLocation();
    EXPECT_EQ(source_->starts(), 2);
}

TEST_F(SelectedCityStateTest, ServicesOffOrDeniedAreFailuresAtOnce) {
    launch();
    source_->setServicesEnabled(false);
    state_->startConfirmLocation();
    EXPECT_EQ(state_->userLocation()->state(), UserLocationFailed);
    EXPECT_EQ(state_->locationStatuString(), "本机的定位服务不可用");
    source_->setServicesEnabled(true);
    source_->setAuthorizationStatus(loc::AuthorizationStatus::Denied);
    state_->startConfirmLocation();
    EXPECT_EQ(state_->userLocation()->state(), UserLocationFailed);
    EXPECT_EQ(source_->starts(), 0);
}

class SwitchAlertTest : public SelectedCityStateTest {
protected:
    void SetUp() override {
        SelectedCityStateTest::SetUp();
        window_->makeKeyAndVisible();
        window_->setRootViewController(std::make_shared<ui::ViewController>());
    }
    [[nodiscard]] ui::AlertView* alert() const { return alerts_.visibleAlert(); }

    std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
    ui::TestDriver driver_{window_};
    ui::AlertTestDriver alerts_{driver_};
};

TEST_F(SwitchAlertTest, TheLocatedCityIsOfferedOnceAndSwitchedTo) {
    launch();
    switchTo(600);
    locateAt(kNanshanPoint);
    clock().advance(200ms);
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->tag(), SelectedCityState::kSwitchAlertTag);
    EXPECT_EQ(alert()->message(), "GPS定位到您当前位置是深圳市，是否切换到深圳市?");
    EXPECT_TRUE(state_->showedGPSSwitch());
    ASSERT_TRUE(alerts_.pressButton("切换"));
    EXPECT_FALSE(state_->showedGPSSwitch());
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == 401; }));
    EXPECT_EQ(SelectedCityState::storedCityId(), 402);

    // Only the first location state change of the process offers it.
    switchTo(600);
    clock().advance(SelectedCityState::kRelocateAfter);
    locateAt(kNanshanPoint);
    clock().advance(200ms);
    EXPECT_FALSE(alert());
}

TEST_F(SwitchAlertTest, NoOfferInsideAScreenOnAnotherTabOrBeforeACity) {
    struct Case {
        int tab, screens;
        bool cityFirst;
    };
    for (const Case c : {Case{2, 1, true}, Case{3, 1, true}, Case{0, 2, true}, Case{1, 1, false}}) {
        host_->tab = c.tab;
        host_->screens = c.screens;
        if (!c.cityFirst) defaults().removeObjectForKey("cityId");
        launch();
        if (c.cityFirst) switchTo(600);
        clock().advance(SelectedCityState::kRelocateAfter);
        locateAt(kNanshanPoint);
        clock().advance(200ms);
        EXPECT_FALSE(alert()) << c.tab << " " << c.screens;
        EXPECT_FALSE(state_->showedGPSSwitch());
        LocationManager::locationManager()->stopUpdates();
    }
}

TEST_F(SwitchAlertTest, NoOfferForTheSelectedCityOrAGeocodedOne) {
    launch();
    switchTo(401);
    locateAt(kNanshanPoint);
    clock().advance(200ms);
    EXPECT_FALSE(alert()) << "already there";

    launch();
    switchTo(600);
    server().setFault({.prefix = paths::kDataShare,
                       .body = QByteArray(R"({"cityScriptIndex":401,"cityName":"深圳市",)"
                                          R"("currentLocation":"深圳市"})")});
    clock().advance(SelectedCityState::kRelocateAfter);
    locateAt(kNanshanPoint);
    ASSERT_TRUE(waitUntil([&] { return state_->userLocation()->useGoogle(); }));
    clock().advance(200ms);
    EXPECT_FALSE(alert()) << "the public geocoder's city";
}

TEST_F(SelectedCityStateTest, ADirectSwitchStoresAndAnnouncesTheCityWithoutAskingTheServer) {
    launch();
    switchTo(600);
    const std::size_t requests = server().requests(paths::kDataShare).size();
    const int changes = cityChanges_;

    state_->changeCityWithIndex(401);
    EXPECT_EQ(state_->currentCityScript_index(), 401);
    EXPECT_EQ(host_->indexes.back(), 401) << "the request headers follow";
    EXPECT_EQ(SelectedCityState::storedCityId(), 402);
    EXPECT_EQ(cityChanges_, changes + 1);
    const auto city = state_->cityData()->currentCity();
    ASSERT_EQ(city->scriptIndex(), 401);
    ASSERT_EQ(city->Districts.size(), 1u);
    EXPECT_EQ(city->Districts.front()->name(), "不限");
    EXPECT_EQ(state_->currentStreet(), nullptr) << "the any-district has no streets";
    EXPECT_EQ(server().requests(paths::kDataShare).size(), requests);

    // The selected city again, or an index of no city: nothing at all.
    state_->changeCityWithIndex(401);
    state_->changeCityWithIndex(99999);
    EXPECT_EQ(cityChanges_, changes + 1);
    EXPECT_EQ(SelectedCityState::storedCityId(), 402);
    EXPECT_EQ(state_->cityData()->currentCity(), city);

    // A city of the tree switches by its province's index and its own.
    state_->changeCity(*state_->cityData()->cityWithScriptIndex(600));
    EXPECT_EQ(state_->currentCityScript_index(), 600);
    EXPECT_EQ(SelectedCityState::storedCityId(), 601);
    EXPECT_EQ(cityChanges_, changes + 2);
    EXPECT_TRUE(city->Districts.empty()) << "the previous city let go of its districts";
    EXPECT_EQ(server().requests(paths::kDataShare).size(), requests);
}
