// The need form's map point picker in the launched app on a device whose user refused the
// location service: the map goes to the chosen city, which the platform's geocoder finds by
// the city's name.
#include "AppShellFixture.h"

#include "app/QXTabBarController.h"
#include "needs/NeedsHost.h"
#include "needs/QXFBAgentAddress.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "platform/location/driven_position_source.h"
#include "platform/uikit/navigation_controller.h"
#include "standin/Geography.h"

namespace {

class MapPointRefusedPositionTest : public AppShellFixture {
protected:
    void TearDown() override {
        AppShellFixture::TearDown();
        loc::PositionSource::install(nullptr);
    }
};

TEST_F(MapPointRefusedPositionTest, ThePickerCentresOnTheChosenCity) {
    loc::PositionSource::install(std::make_shared<loc::DrivenPositionSource>("denied"));
    launchAfterGuide();
    auto& stack =
        static_cast<ui::NavigationController&>(*app().tabBarController()->viewControllers().at(0));
    auto form = std::make_shared<QXPublishHouseInfoViewController>();
    form->qxInfoModel().publishInfoRentOrBuyString = QStringLiteral("1");
    stack.pushViewController(form, false);
    // The refusal comes as the form starts locating, long before a person opens the map.
    ASSERT_TRUE(runMainLoopUntil([&] {
        driver().wait(0.1);
        return NeedsHost::shared()->locationDenied();
    }));
    form->enterMapView();
    std::shared_ptr<QXFBAgentAddress> picker;
    ASSERT_TRUE(runMainLoopUntil([&] {
        picker = std::dynamic_pointer_cast<QXFBAgentAddress>(stack.topViewController());
        // The clock moves the screens along, but not while the geocoder's reply is on its way
        // in real time: a slow reply would otherwise reach its time-out on the clock first.
        if (!picker || !picker->isGeocoding()) driver().wait(0.1);
        return picker && !picker->isGeocoding() && !stack.isTransitioning();
    }));
    ASSERT_TRUE(server().requests("/placemarks").size() >= 1);
    // The chosen city (宁波, script index 601) lies around its first district.
    const standin::CityRow* city = standin::Geography::city(kCity);
    ASSERT_NE(city, nullptr);
    const auto centre = standin::Geography::districtCentre(city->districts.front().id);
    ASSERT_TRUE(centre);
    EXPECT_NEAR(picker->mapView()->centerCoordinate().latitude, centre->first, 0.01);
    EXPECT_NEAR(picker->mapView()->centerCoordinate().longitude, centre->second, 0.01);
}

}  // namespace
