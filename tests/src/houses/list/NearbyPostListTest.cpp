// The nearby post list: the posts of the located city around the device's position, its
// radius filter and location bar, and what it does before there is any position.
#include "PostListScreenFixture.h"

#include <cmath>

namespace paths = standin::paths;

namespace {

// A position in the centre of the test city.
const loc::Coordinate kCentre{39.91000, 116.40000};
const QString kCentreText = QStringLiteral("39.91000,116.40000");

double metresBetween(const QString& a, const QString& b) {
    constexpr double kRadius = 6371000.0, kDegree = M_PI / 180.0;
    const double lat1 = a.section(u',', 0, 0).toDouble(), lng1 = a.section(u',', 1, 1).toDouble();
    const double lat2 = b.section(u',', 0, 0).toDouble(), lng2 = b.section(u',', 1, 1).toDouble();
    const double h = std::pow(std::sin((lat2 - lat1) * kDegree / 2), 2) +
                     std::cos(lat1 * kDegree) * std::cos(lat2 * kDegree) *
                         std::pow(std::sin((lng2 - lng1) * kDegree / 2), 2);
    return 2 * kRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

}  // namespace

class NearbyPostListTest : public PostListScreenFixture {
protected:
    void SetUp() override {
        PostListScreenFixture::SetUp();
        host_->location =
            std::make_shared<UserLocation>([tree = host_->cityData](const QString& name) {
                return tree->getCityIndexWithName(name);
            });
    }
    // Hands the device a fix and waits for its reverse geocoding.
    void locateAt(const loc::Coordinate& at) {
        int ended = 0;
        const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
            UserLocation::kStateChangeNotification, [&](const ns::Notification&) { ++ended; });
        host_->location->queryForLocation(loc::Location{at, 10, {}});
        ASSERT_TRUE(waitFor([&] { return ended > 0; }));
    }
    // The farthest post of the list from the centre, in metres.
    [[nodiscard]] double farthestPost() {
        double farthest = 0;
        for (const QVariant& post : list_->paging().contentArray) {
            farthest =
                std::max(farthest, metresBetween(kCentreText, post.toMap()["latlng"].toString()));
        }
        return farthest;
    }
};

TEST_F(NearbyPostListTest, TheLocatedCityAroundTheDeviceWithAChosenRadius) {
    locateAt(kCentre);
    ASSERT_EQ(host_->location->state(), UserLocationCityKnown);
    // The selected city is another one: the located city is the one asked for.
    setCity(401);
    open(1, true);
    ASSERT_GT(list_->paging().nowListNum, 0);
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["cityScriptIndex"].toString(), "100");
    EXPECT_EQ(calls("GetMajorCategoryFilter").back().header("cityScriptIndex"), "100");
    EXPECT_EQ(lastConditions()["latlng"], kCentreText + ",3000");
    EXPECT_LE(farthestPost(), 3000);

    // The radius replaces the district at the head of the bar, 3000 m chosen at first.
    EXPECT_EQ(list_->quickFilterArray().front(), "latlng");
    QuickFilterView* bar = list_->quickFilterView();
    EXPECT_EQ(bar->titleAtIndex(0), "3000米");
    EXPECT_EQ(bar->defaultSelectRowDic()[0], QStringList{"2"});

    const int within3000 = list_->paging().totalListNum;
    std::size_t before = searches();
    choose(0, 1);
    waitForPage(before);
    EXPECT_EQ(lastConditions()["latlng"], kCentreText + ",1000");
    EXPECT_EQ(bar->titleAtIndex(0), "1000") << "the radius reads as its number";
    EXPECT_LE(farthestPost(), 1000);
    EXPECT_LT(list_->paging().totalListNum, within3000);

    // The bar under the list tells where the device is; the table ends above it.
    ASSERT_NE(list_->locationBar(), nullptr);
    EXPECT_EQ(list_->locationBar()->text(), "当前位置：" + host_->location->street());
    EXPECT_FALSE(host_->location->street().isEmpty());
    const double height = list_->view()->bounds().size.height;
    EXPECT_EQ(list_->locationBar()->frame(), ui::Rect(0, height - 26, 320, 26));
    EXPECT_DOUBLE_EQ(list_->listTbl()->frame().size.height, height - 40 - 26);

    // A type change keeps the list around the device.
    before = searches();
    list_->typeChanged(5);
    waitForPage(before);
    EXPECT_EQ(lastConditions()["latlng"], kCentreText + ",3000");
    EXPECT_NE(list_->locationBar(), nullptr);
}

TEST_F(NearbyPostListTest, AFixWhoseCityIsUnknownSearchesTheSelectedCityAndShowsTheFix) {
    // The reverse geocoding fails: the fix is kept, its city stays unknown.
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    locateAt(kCentre);
    ASSERT_EQ(host_->location->state(), UserLocationFailed);
    ASSERT_EQ(host_->location->cityId(), -1);
    open(1, true);
    ASSERT_GT(list_->paging().nowListNum, 0);
    EXPECT_EQ(argsOf(calls("SearchPostsByJson2").back())["cityScriptIndex"].toString(), "100");
    EXPECT_EQ(lastConditions()["latlng"], kCentreText + ",3000");
    EXPECT_EQ(list_->locationBar()->text(), "当前位置：" + kCentreText);
}

TEST_F(NearbyPostListTest, WithoutAFixNothingIsAskedUntilOneComes) {
    open(1, true);
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(errorText(), "无法定位当前位置");
    EXPECT_TRUE(list_->view()->viewWithTag(QXPostList::kErrorButtonTag)->isHidden());
    EXPECT_EQ(searches(), 0u);
    EXPECT_TRUE(calls("GetMajorCategoryFilter").empty());
    EXPECT_EQ(list_->locationBar(), nullptr);

    // A fix that comes while another screen covers the list loads it on its return.
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle();
    locateAt(kCentre);
    EXPECT_EQ(searches(), 0u);
    navigation_->popViewControllerAnimated(false);
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0; }));
    EXPECT_FALSE(errorShown());
    EXPECT_EQ(lastConditions()["latlng"], kCentreText + ",3000");

    // The ordinary list never asks around the device, fix or not.
    open(1, false);
    EXPECT_EQ(lastConditions().count("latlng"), 0u);
    EXPECT_EQ(list_->locationBar(), nullptr);
    EXPECT_NE(list_->quickFilterArray().front(), "latlng");
}

TEST_F(NearbyPostListTest, AFixArrivingWhileTheListWaitsLoadsItAtOnce) {
    open(1, true);
    ASSERT_TRUE(errorShown());
    locateAt(kCentre);
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0; }));
    EXPECT_FALSE(errorShown());
    EXPECT_LE(farthestPost(), 3000);
}
