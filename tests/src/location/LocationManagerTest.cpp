#include "location/LocationManager.h"

#include "platform/foundation/notification_center.h"
#include "platform/location/driven_position_source.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"

#include "RecordedEvents.h"
#include "SandboxTest.h"

namespace {

// One end of an attempt as observers see it while the notification is delivered.
struct Ending {
    bool hasFix = false;
    float latitude = 0;
    float longitude = 0;
    bool denied = false;
};

}  // namespace

class LocationManagerTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        loc::PositionSource::install(source_);
        manager_->setNetworkType([this] { return netType_; });
        observation_ = ns::NotificationCenter::defaultCenter().addObserver(
            LocationManager::kUpdatedNotification, [this](const ns::Notification&) {
                endings_.push_back({manager_->hasFix(), manager_->latitude(), manager_->longitude(),
                                    manager_->locationDenied()});
            });
    }
    void TearDown() override {
        manager_->stopUpdates();
        observation_.reset();
        loc::PositionSource::install(nullptr);
        SandboxTest::TearDown();
    }

    std::shared_ptr<loc::DrivenPositionSource> source_ =
        std::make_shared<loc::DrivenPositionSource>("");
    std::shared_ptr<LocationManager> manager_ = std::make_shared<LocationManager>();
    int netType_ = 2;
    std::vector<Ending> endings_;
    std::shared_ptr<ns::NotificationCenter::Observation> observation_;
};

TEST_F(LocationManagerTest, OnWifiOnlyAFineFixIsTaken) {
    netType_ = LocationManager::kNetTypeWifi;
    manager_->startUpdates();
    ASSERT_TRUE(source_->deliver({22.5, 113.9}, 1500));
    EXPECT_TRUE(endings_.empty()) << "a coarse fix on Wi-Fi waits for a better one";
    EXPECT_TRUE(recordedEvents().isEmpty());
    EXPECT_EQ(manager_->accuracyClass(), 2);
    ASSERT_TRUE(source_->deliver({22.54, 113.93}, 1000.0));
    ASSERT_EQ(endings_.size(), 1u);
    EXPECT_TRUE(endings_[0].hasFix);
    EXPECT_FLOAT_EQ(endings_[0].latitude, 22.54f);
    EXPECT_FLOAT_EQ(endings_[0].longitude, 113.93f);
    EXPECT_FALSE(source_->isUpdating());
    EXPECT_EQ(manager_->latitude(), 0) << "let go once observers have read it";
    clock().advance(LocationManager::kTimeout);
    EXPECT_EQ(endings_.size(), 1u) << "an accepted fix cancels the time-out";
    EXPECT_EQ(recordedEvents(), QStringList{"Successful positioning"});
}

TEST_F(LocationManagerTest, OnACellularNetworkACoarseFixIsTaken) {
    manager_->startUpdates();
    ASSERT_TRUE(source_->deliver({31.2, 121.4}, 1500));
    ASSERT_EQ(endings_.size(), 1u);
    EXPECT_TRUE(endings_[0].hasFix);
    EXPECT_EQ(manager_->accuracyClass(), 0) << "stopped: the next attempt starts afresh";
}

TEST_F(LocationManagerTest, ServicesOffEndAtOnceAndAgainAtTheTimeout) {
    source_->setServicesEnabled(false);
    manager_->startUpdates();
    ASSERT_EQ(endings_.size(), 1u);
    EXPECT_FALSE(endings_[0].hasFix);
    EXPECT_TRUE(endings_[0].denied);
    EXPECT_EQ(source_->starts(), 0);
    EXPECT_TRUE(recordedEvents().isEmpty()) << "services off is no failed attempt yet";
    clock().advance(LocationManager::kTimeout - 1ms);
    EXPECT_EQ(endings_.size(), 1u);
    clock().advance(1ms);
    ASSERT_EQ(endings_.size(), 2u);
    EXPECT_FALSE(endings_[1].hasFix);
    EXPECT_EQ(recordedEvents(), (QStringList{"Positioning unsuccessful", "GetLocationFailed"}));
}

TEST_F(LocationManagerTest, ATimeoutIsAFailureAndALaterFixIsStillTaken) {
    manager_->startUpdates();
    clock().advance(LocationManager::kTimeout);
    ASSERT_EQ(endings_.size(), 1u);
    EXPECT_FALSE(endings_[0].hasFix) << "never a fix at (0, 0)";
    EXPECT_TRUE(source_->isUpdating()) << "the time-out leaves updates running";
    ASSERT_TRUE(source_->deliver({39.9, 116.4}, 30));
    ASSERT_EQ(endings_.size(), 2u);
    EXPECT_TRUE(endings_[1].hasFix);
    EXPECT_EQ(recordedEvents(), (QStringList{"Positioning unsuccessful", "GetLocationFailed",
                                             "Successful positioning"}));

    // A new start restarts the platform's updates and the time-out.
    manager_->startUpdates();
    EXPECT_EQ(source_->starts(), 2);
    clock().advance(LocationManager::kTimeout);
    EXPECT_EQ(endings_.size(), 3u);
}

TEST_F(LocationManagerTest, PlatformErrorsEndTheAttempt) {
    manager_->startUpdates();
    ASSERT_TRUE(source_->fail(loc::kErrorLocationUnknown));
    ASSERT_EQ(endings_.size(), 1u);
    EXPECT_FALSE(endings_[0].hasFix);
    EXPECT_FALSE(endings_[0].denied);
    EXPECT_FALSE(source_->isUpdating());
    EXPECT_EQ(manager_->timing().sysLocReason, 2);

    manager_->startUpdates();
    ASSERT_TRUE(source_->fail(loc::kErrorDenied));
    ASSERT_EQ(endings_.size(), 2u);
    EXPECT_TRUE(endings_[1].denied);
    EXPECT_FALSE(source_->isUpdating());
    EXPECT_EQ(manager_->timing().sysLocReason, 1);

    // Any other error ends the attempt but keeps the updates, and the time-out is gone.
    manager_->startUpdates();
    ASSERT_TRUE(source_->fail(5));
    ASSERT_EQ(endings_.size(), 3u);
    EXPECT_TRUE(source_->isUpdating());
    EXPECT_EQ(recordedEvents().count("Positioning unsuccessful"), 3);
    EXPECT_EQ(recordedEvents().count("GetLocationFailed"), 3);
    clock().advance(LocationManager::kTimeout);
    EXPECT_EQ(endings_.size(), 3u);
    ASSERT_TRUE(source_->deliver({30.6, 104.1}, 50));
    EXPECT_TRUE(endings_.back().hasFix);
    EXPECT_FALSE(endings_.back().denied) << "a fix clears the denial";
}

TEST_F(LocationManagerTest, ServicesOffOrADenialSendTheUserToTheSettings) {
    const auto window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(std::make_shared<ui::ViewController>());
    ui::TestDriver driver(window);
    ui::AlertTestDriver alerts(driver);
    const auto expectHelp = [&](const char* when) {
        ASSERT_TRUE(alerts.visibleAlert()) << when;
        EXPECT_EQ(alerts.visibleAlert()->title(), "提示") << when;
        EXPECT_EQ(alerts.visibleAlert()->message(),
                  "定位失败！请到手机系统的【设置】中打开定位服务")
            << when;
        EXPECT_TRUE(alerts.pressButton("确  定")) << when;
        EXPECT_FALSE(alerts.visibleAlert()) << when << ": once";
    };

    source_->setServicesEnabled(false);
    manager_->startUpdates();
    expectHelp("services off");
    clock().advance(LocationManager::kTimeout);
    EXPECT_FALSE(alerts.visibleAlert()) << "the time-out ends the attempt without it";

    source_->setServicesEnabled(true);
    manager_->startUpdates();
    ASSERT_TRUE(source_->fail(loc::kErrorDenied));
    expectHelp("denied");

    // Not found is no question of settings; and a caller may silence the alert.
    manager_->startUpdates();
    ASSERT_TRUE(source_->fail(loc::kErrorLocationUnknown));
    manager_->startUpdates();
    manager_->setNoAlert(true);
    ASSERT_TRUE(source_->fail(loc::kErrorDenied));
    EXPECT_FALSE(alerts.visibleAlert());
}

TEST_F(LocationManagerTest, ACoarseFixIsOptimisableOnlyWhileItIsTaken) {
    std::vector<std::pair<int, bool>> seen;  // accuracy class and optimisable, at each end
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        LocationManager::kUpdatedNotification, [&](const ns::Notification&) {
            seen.emplace_back(manager_->getAccurayType(), manager_->isLocationOptim());
        });
    netType_ = LocationManager::kNetTypeWifi;
    manager_->startUpdates();
    ASSERT_TRUE(source_->deliver({22.5, 113.9}, 1500));
    EXPECT_EQ(manager_->getAccurayType(), 2);
    EXPECT_FALSE(manager_->isLocationOptim()) << "coarse but not taken on Wi-Fi";
    ASSERT_TRUE(source_->deliver({22.5, 113.9}, 20));
    netType_ = 2;
    manager_->startUpdates();
    ASSERT_TRUE(source_->deliver({22.5, 113.9}, 1500));
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{1, false}, {2, true}}));
    EXPECT_FALSE(manager_->isLocationOptim()) << "stopped after the notification";
    EXPECT_EQ(manager_->getAccurayType(), 0);
}

TEST_F(LocationManagerTest, AFixIsValidWhenItIsKnownNotOlderAndMovedAMetre) {
    const ns::TimePoint now = clock().now();
    const loc::Location old{{39.9, 116.4}, 10, now};
    const auto moved = [&](double northDegrees, double accuracy = 10, ns::Duration age = {}) {
        return loc::Location{{39.9 + northDegrees, 116.4}, accuracy, now - age};
    };
    // A degree of latitude is about 111 km: 0.00002 is 2.2 m, 0.000005 is 0.56 m.
    EXPECT_TRUE(LocationManager::isValidLocation(moved(0.00002), old));
    EXPECT_FALSE(LocationManager::isValidLocation(moved(0.000005), old));
    EXPECT_FALSE(LocationManager::isValidLocation(moved(0.00002, -1), old));
    EXPECT_FALSE(LocationManager::isValidLocation(moved(0.00002, 10, 1s), old)) << "older";
    EXPECT_FALSE(LocationManager::isValidLocation(std::nullopt, old));
    EXPECT_TRUE(LocationManager::isValidLocation(moved(0), std::nullopt));
    EXPECT_FALSE(LocationManager::isValidLocation(moved(0, -1), std::nullopt));
    EXPECT_NEAR(moved(1).distanceFromLocation(old), 111195, 5) << "one degree of a meridian";
    EXPECT_TRUE((LocationManager::urlFormat() + LocationManager::longURLWithLatitude(39.9, 116.4) +
                 manager_->longURL() + manager_->mapURL())
                    .isEmpty())
        << "no map addresses are made";
}
