#include "location/CityOfLocationData.h"
#include "location/UserLocation.h"

#include "net/EndpointTable.h"

#include "platform/foundation/notification_center.h"

#include "CityFixture.h"
#include "RecordedEvents.h"

namespace paths = standin::paths;

namespace {

// A coordinate in 深圳 南山区, and one in the sea far from any city.
const QString kNanshan = QStringLiteral("22.53300,113.93000");
const QString kOpenSea = QStringLiteral("10.00000,150.00000");

struct LookupOutcome : CityOfLocationResponder {
    void newNetWorkForCityOfLocationData(CityOfLocationData&) override { ++successes; }
    void newNetWorkForCityOfLocationDataError(CityOfLocationData&) override { ++failures; }
    [[nodiscard]] int calls() const { return successes + failures; }
    int successes = 0;
    int failures = 0;
};

}  // namespace

class CityOfLocationTest : public CityFixture {
protected:
    // Looks a location up and waits for its one callback.
    std::shared_ptr<CityOfLocationData> lookUp(const QString& location) {
        auto lookup = std::make_shared<CityOfLocationData>(
            outcome_, [tree = cityDataPtr()](const QString& name) {
                return tree->getCityIndexWithName(name);
            });
        lookup->queryForLocationWithStringLocation(location);
        EXPECT_TRUE(waitUntil([&] { return outcome_->calls() >= 1; }));
        EXPECT_EQ(outcome_->calls(), 1);
        return lookup;
    }
    [[nodiscard]] std::size_t geocoderCalls() { return server().requests("/geocoder").size(); }

    std::shared_ptr<LookupOutcome> outcome_ = std::make_shared<LookupOutcome>();
};

TEST_F(CityOfLocationTest, ACoordinateInNanshanIsShenzhen) {
    const auto lookup = lookUp(kNanshan);
    EXPECT_EQ(outcome_->successes, 1);
    EXPECT_EQ(lookup->cityId(), 401);
    EXPECT_EQ(lookup->city(), "深圳市");
    EXPECT_EQ(lookup->street(), "广东省深圳市南山区");
    EXPECT_FALSE(lookup->usedGeocoder());
    EXPECT_EQ(recordedEvents(), (QStringList{"begin GetLocationInfo", "end GetLocationInfo"}));

    const auto sent = server().requests(paths::kDataShare);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(sent[0].header("coordinate"), kNanshan.toLatin1());
    EXPECT_EQ(sent[0].header("userId"), EndpointTable::fallbackUserId().toLatin1())
        << "never an empty user id";
    EXPECT_EQ(
        namesAmong(sent[0],
                   {"agency", "coordinate", "QxData-Version", "interface", "ClientTimeStamp"}),
        (QStringList{"agency", "coordinate", "QxData-Version", "interface", "ClientTimeStamp"}));
}

TEST_F(CityOfLocationTest, APlaceTheServiceCannotFindIsAFailure) {
    const auto lookup = lookUp(kOpenSea);
    EXPECT_EQ(outcome_->failures, 1);
    EXPECT_EQ(lookup->cityId(), std::nullopt);
    EXPECT_EQ(geocoderCalls(), 0u);
    EXPECT_TRUE(recordedEvents().contains("GetLocationInfoFailed"));
    EXPECT_FALSE(recordedEvents().contains("LocationByGoogle"));
}

TEST_F(CityOfLocationTest, AnAddressThatIsOnlyTheCityAsksTheGeocoderAndKeepsTheCity) {
    server().setFault({.prefix = paths::kDataShare,
                       .body = QByteArray(R"({"cityScriptIndex":401,"cityName":"深圳市",)"
                                          R"("currentLocation":"深圳市"})")});
    const auto lookup = lookUp(kNanshan);
    EXPECT_EQ(outcome_->successes, 1);
    EXPECT_EQ(geocoderCalls(), 1u);
    EXPECT_TRUE(lookup->usedGeocoder());
    EXPECT_EQ(lookup->cityId(), 401);
    EXPECT_EQ(lookup->street(), "广东省深圳市南山区");
    const auto geocoded = server().requests("/geocoder");
    EXPECT_TRUE(
        geocoded[0].query.startsWith("location=" + kNanshan.toLatin1() + "&output=json&key="));
    EXPECT_FALSE(geocoded[0].hasHeader("interface")) << "the headers were cleared";
    // The service answered, so the timed lookup stays open while the geocoder is asked.
    EXPECT_EQ(recordedEvents(), (QStringList{"begin GetLocationInfo", "LocationByGoogle"}));

    // A geocoder naming another city gives the address; the city stays the service's.
    outcome_ = std::make_shared<LookupOutcome>();
    server().setFaults({{.prefix = paths::kDataShare,
                         .body = QByteArray(R"({"cityScriptIndex":401,"cityName":"深圳市",)"
                                            R"("currentLocation":"深圳市"})")},
                        {.prefix = "/geocoder",
                         .body = QByteArray(R"({"result":{"formatted_address":"广东省广州市",)"
                                            R"("addressComponent":{"city":"广州"}}})")}});
    const auto elsewhere = lookUp(kNanshan);
    EXPECT_EQ(outcome_->successes, 1);
    EXPECT_EQ(elsewhere->cityId(), 401);
    EXPECT_EQ(elsewhere->street(), "广东省广州市");
}

TEST_F(CityOfLocationTest, AGeocodedCityCountsOnlyWhenTheTreeKnowsIt) {
    // The service names no city: the geocoder's city is looked up in the tree.
    server().setFault({.prefix = paths::kDataShare,
                       .body = QByteArray(R"({"cityName":"x","currentLocation":"x"})")});
    EXPECT_EQ(lookUp(kNanshan)->cityId(), 401);

    outcome_ = std::make_shared<LookupOutcome>();
    server().setFaults({{.prefix = paths::kDataShare,
                         .body = QByteArray(R"({"cityName":"x","currentLocation":"x"})")},
                        {.prefix = "/geocoder",
                         .body = QByteArray(R"({"result":{"formatted_address":"香港特别行政区",)"
                                            R"("addressComponent":{"city":"香港"}}})")}});
    const auto unknown = lookUp(kNanshan);
    EXPECT_EQ(outcome_->failures, 1) << "no switch to a city the app does not have";
    EXPECT_EQ(unknown->cityId(), std::nullopt);
}

TEST_F(CityOfLocationTest, AGeocoderReplyWithoutResultIsAFailure) {
    server().setFaults(
        {{.prefix = paths::kDataShare,
          .body = QByteArray(
              R"({"cityScriptIndex":401,"cityName":"深圳市","currentLocation":"深圳市"})")},
         {.prefix = "/geocoder", .body = QByteArray(R"({"status":1})")}});
    lookUp(kNanshan);
    EXPECT_EQ(outcome_->failures, 1);
    EXPECT_EQ(recordedEvents().count("GetLocationInfoFromGoogleFailed"), 1);
    outcome_ = std::make_shared<LookupOutcome>();
    server().setFaults(
        {{.prefix = paths::kDataShare,
          .body = QByteArray(
              R"({"cityScriptIndex":401,"cityName":"深圳市","currentLocation":"深圳市"})")},
         {.prefix = "/geocoder", .status = 500}});
    const auto failed = lookUp(kNanshan);
    EXPECT_EQ(outcome_->failures, 1);
    EXPECT_EQ(failed->errorDic().value("statusCode").toInt(), 500);
    EXPECT_EQ(recordedEvents().count("GetLocationInfoFromGoogleFailed"), 1)
        << "a geocoder that cannot be reached is a plain failure";
}

TEST_F(CityOfLocationTest, OnlyStatusesMinusOneAndMinusThreeGoToTheGeocoder) {
    EXPECT_TRUE(CityOfLocationData::fallsBackToGeocoder(-1));
    EXPECT_TRUE(CityOfLocationData::fallsBackToGeocoder(-3));
    for (const int status : {-2, -4, 0, 1, 500, -1001}) {
        EXPECT_FALSE(CityOfLocationData::fallsBackToGeocoder(status)) << status;
    }
    server().setFault({.prefix = paths::kDataShare, .status = 503});
    const auto failed = lookUp(kNanshan);
    EXPECT_EQ(outcome_->failures, 1);
    EXPECT_EQ(geocoderCalls(), 0u);
    EXPECT_EQ(failed->errorDic().value("statusCode").toInt(), 503);
    EXPECT_EQ(recordedEvents(), (QStringList{"begin GetLocationInfo", "GetLocationInfoFailed",
                                             "end GetLocationInfo"}));
}

TEST_F(CityOfLocationTest, TheLocationStateFollowsEachLookup) {
    auto location = std::make_shared<UserLocation>(
        [tree = cityDataPtr()](const QString& name) { return tree->getCityIndexWithName(name); });
    QStringList texts;
    location->setStatusTextSink([&](const QString& text) { texts << text; });
    std::vector<UserLocationState> posted;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        UserLocation::kStateChangeNotification,
        [&](const ns::Notification&) { posted.push_back(location->state()); });
    EXPECT_EQ(location->state(), UserLocationFailed);
    EXPECT_EQ(location->cityId(), -1);

    location->queryForLocationWithStringLocation(kOpenSea);
    ASSERT_TRUE(waitUntil([&] { return posted.size() == 1; }));
    location->queryForLocation(loc::Location{{22.533, 113.93}, 10, {}});
    ASSERT_TRUE(waitUntil([&] { return posted.size() == 2; }));
    EXPECT_EQ(posted, (std::vector<UserLocationState>{UserLocationFailed, UserLocationCityKnown}));
    EXPECT_EQ(texts, (QStringList{"无法定位当前位置", "定位成功"}));
    EXPECT_EQ(location->cityId(), 401);
    EXPECT_EQ(location->city(), "深圳市");
    EXPECT_EQ(location->strLocation(), kNanshan);

    // A lookup replaced by a newer one never reports, even when its answer comes last.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    const std::size_t asked = server().requests(paths::kDataShare).size();
    location->queryForLocationWithStringLocation(kOpenSea);
    ASSERT_TRUE(waitForRequests(paths::kDataShare, asked + 1));
    location->queryForLocationWithStringLocation(kNanshan);
    ASSERT_TRUE(waitUntil([&] { return posted.size() >= 3; }));
    ASSERT_TRUE(letHeldRepliesArrive());
    settle();
    EXPECT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted.back(), UserLocationCityKnown);
    EXPECT_EQ(location->cityId(), 401);
}
