#include "platform/location/driven_position_source.h"
#include "platform/location/location_manager.h"

#include "SandboxTest.h"

#include <vector>

namespace {

// What a manager's delegate heard.
struct Heard : loc::LocationManagerDelegate {
    void didUpdateLocations(loc::LocationManager&,
                            const std::vector<loc::Location>& locations) override {
        fixes.insert(fixes.end(), locations.begin(), locations.end());
    }
    void didFailWithError(loc::LocationManager&, int code) override { errors.push_back(code); }
    std::vector<loc::Location> fixes;
    std::vector<int> errors;
};

}  // namespace

class DrivenPositionSourceTest : public SandboxTest {
protected:
    void TearDown() override {
        loc::PositionSource::install(nullptr);
        SandboxTest::TearDown();
    }
    // A source configured by `setting`, installed as the device's, and a manager listening.
    std::shared_ptr<loc::DrivenPositionSource> use(const QString& setting) {
        auto source = std::make_shared<loc::DrivenPositionSource>(setting);
        loc::PositionSource::install(source);
        return source;
    }
    std::shared_ptr<loc::LocationManager> manager(const std::shared_ptr<Heard>& heard) {
        auto made = std::make_shared<loc::LocationManager>();
        made->setDelegate(heard);
        return made;
    }
};

TEST_F(DrivenPositionSourceTest, TheSettingChoosesWhatEachStartAnswers) {
    const auto fix = use("22.54,113.93,1500");
    const auto heard = std::make_shared<Heard>();
    const auto listening = manager(heard);
    listening->startUpdatingLocation();
    EXPECT_TRUE(heard->fixes.empty()) << "the answer comes after the start returns";
    ASSERT_TRUE(runMainLoopUntil([&] { return !heard->fixes.empty(); }));
    EXPECT_EQ(heard->fixes[0].coordinate, (loc::Coordinate{22.54, 113.93}));
    EXPECT_EQ(heard->fixes[0].horizontalAccuracy, 1500);
    EXPECT_EQ(listening->location()->coordinate, heard->fixes[0].coordinate);

    const auto denied = use("denied");
    EXPECT_EQ(loc::LocationManager::authorizationStatus(), loc::AuthorizationStatus::Denied);
    const auto deniedHeard = std::make_shared<Heard>();
    const auto refused = manager(deniedHeard);
    refused->startUpdatingLocation();
    ASSERT_TRUE(runMainLoopUntil([&] { return !deniedHeard->errors.empty(); }));
    EXPECT_EQ(deniedHeard->errors, std::vector<int>{loc::kErrorDenied});

    use("off");
    EXPECT_FALSE(loc::LocationManager::locationServicesEnabled());
    for (const QString& setting :
         QStringList{"off", "denied", "error0", "error1", " -90,180 ", "31.224,121.483,0"}) {
        EXPECT_TRUE(loc::DrivenPositionSource::understands(setting)) << setting.toStdString();
    }
    // Malformed settings deliver nothing, like a device that finds no position.
    // So do places no device can be.
    for (const QString& setting :
         QStringList{"", "22.5", "a,b", "1,2,3,4", "timeout", "91,0", "0,180.5", "1,2,-5"}) {
        EXPECT_FALSE(loc::DrivenPositionSource::understands(setting)) << setting.toStdString();
        use(setting);
        const auto nothing = std::make_shared<Heard>();
        const auto waiting = manager(nothing);
        waiting->startUpdatingLocation();
        drainMainLoop();
        EXPECT_TRUE(nothing->fixes.empty() && nothing->errors.empty()) << setting.toStdString();
        EXPECT_TRUE(loc::LocationManager::locationServicesEnabled());
    }
}

TEST_F(DrivenPositionSourceTest, EveryUpdatingManagerHearsTheDeviceAndOnlyThey) {
    const auto source = use("");
    const auto first = std::make_shared<Heard>();
    const auto second = std::make_shared<Heard>();
    const auto a = manager(first);
    const auto b = manager(second);
    EXPECT_FALSE(source->deliver({1, 2}, 10)) << "nobody locates";
    a->startUpdatingLocation();
    b->startUpdatingLocation();
    EXPECT_EQ(source->starts(), 2);
    ASSERT_TRUE(source->deliver({1, 2}, 10));
    EXPECT_EQ(first->fixes.size(), 1u);
    EXPECT_EQ(second->fixes.size(), 1u);

    a->stopUpdatingLocation();
    EXPECT_TRUE(source->isUpdating()) << "the other manager still locates";
    ASSERT_TRUE(source->fail(loc::kErrorLocationUnknown));
    EXPECT_TRUE(first->errors.empty());
    EXPECT_EQ(second->errors, std::vector<int>{loc::kErrorLocationUnknown});
    b->stopUpdatingLocation();
    EXPECT_FALSE(source->isUpdating());
    EXPECT_FALSE(source->fail(loc::kErrorDenied));
}

TEST_F(DrivenPositionSourceTest, AnAnswerOvertakenByANewStartIsDropped) {
    const auto source = use("error0");
    const auto heard = std::make_shared<Heard>();
    const auto listening = manager(heard);
    listening->startUpdatingLocation();
    listening->stopUpdatingLocation();
    listening->startUpdatingLocation();
    ASSERT_TRUE(runMainLoopUntil([&] { return !heard->errors.empty(); }));
    drainMainLoop();
    EXPECT_EQ(heard->errors.size(), 1u) << "the first start's answer was overtaken";
    // A manager that goes away stops the device.
    {
        const auto gone = manager(std::make_shared<Heard>());
        gone->startUpdatingLocation();
    }
    listening->stopUpdatingLocation();
    EXPECT_FALSE(source->isUpdating());
}
