// The platform's geocoder against the stand-in's geocoding service: a city found by its name,
// the errors of a name no city has and of a service out of reach, and lookups replaced,
// cancelled or outlived.
#include "StandinFixture.h"

#include "platform/location/geocoder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Answer {
    std::vector<loc::Placemark> placemarks;
    std::optional<int> error;
    int calls = 0;
};

class GeocoderTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        geocoder_ = std::make_shared<loc::Geocoder>();
        geocoder_->setServiceURL(server().url("/placemarks"));
    }
    // Looks `address` up and waits for the answer.
    Answer lookUp(const QString& address) {
        Answer answer;
        geocoder_->geocodeAddressString(
            address, [&answer](const std::vector<loc::Placemark>& found, std::optional<int> error) {
                answer.placemarks = found;
                answer.error = error;
                ++answer.calls;
            });
        EXPECT_TRUE(runMainLoopUntil([&] { return answer.calls > 0; }));
        return answer;
    }

    std::shared_ptr<loc::Geocoder> geocoder_;
};

TEST_F(GeocoderTest, ACityIsFoundByItsNameWithOrWithoutItsClosingShi) {
    for (const QString& name : {QStringLiteral("北京"), QStringLiteral("北京市")}) {
        const Answer answer = lookUp(name);
        ASSERT_FALSE(answer.error) << name.toStdString();
        ASSERT_EQ(answer.placemarks.size(), 1u);
        const loc::Placemark& place = answer.placemarks.front();
        EXPECT_EQ(place.name, QStringLiteral("北京市"));
        EXPECT_EQ(place.locality, QStringLiteral("北京市"));
        // The city's old town, its first district.
        EXPECT_NEAR(place.location.latitude, 39.92, 0.1);
        EXPECT_NEAR(place.location.longitude, 116.41, 0.1);
    }
    const auto asked = server().requests("/placemarks");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].method, "GET");
    EXPECT_EQ(QUrl::fromPercentEncoding(asked[0].query), QStringLiteral("address=北京"));
    EXPECT_FALSE(geocoder_->isGeocoding());

    const Answer shanghai = lookUp(QStringLiteral(" 上海 "));
    ASSERT_EQ(shanghai.placemarks.size(), 1u);
    EXPECT_NEAR(shanghai.placemarks.front().location.latitude, 31.23, 0.1);
    EXPECT_NEAR(shanghai.placemarks.front().location.longitude, 121.48, 0.1);
}

TEST_F(GeocoderTest, NoPlaceAnUnreachableServiceAndAnAnswerThatIsNoListAreErrors) {
    Answer answer = lookUp(QStringLiteral("没有这个城市"));
    EXPECT_EQ(answer.error, loc::kErrorGeocodeFoundNoResult);
    EXPECT_TRUE(answer.placemarks.empty());
    answer = lookUp(QString());
    EXPECT_EQ(answer.error, loc::kErrorGeocodeFoundNoResult);
    EXPECT_EQ(server().requests("/placemarks").size(), 1u) << "an empty address asks nothing";

    server().setFault({.prefix = "/placemarks", .status = 500, .times = 1});
    EXPECT_EQ(lookUp(QStringLiteral("北京")).error, loc::kErrorNetwork);
    server().setFault({.prefix = "/placemarks", .body = "[1,2]", .times = 1});
    EXPECT_EQ(lookUp(QStringLiteral("北京")).error, loc::kErrorNetwork);
    server().setFault({.prefix = "/placemarks", .garbage = true, .times = 1});
    EXPECT_EQ(lookUp(QStringLiteral("北京")).error, loc::kErrorNetwork);

    geocoder_->setServiceURL({});
    EXPECT_EQ(lookUp(QStringLiteral("北京")).error, loc::kErrorNetwork);
    geocoder_->setServiceURL(
        server().url("/placemarks").replace(QString::number(server().port()), QStringLiteral("1")));
    EXPECT_EQ(lookUp(QStringLiteral("北京")).error, loc::kErrorNetwork);
}

TEST_F(GeocoderTest, ANewLookupCancelsTheOldAndAGeocoderThatWentHearsNothing) {
    // The first lookup's answer is held at the server until the second one has answered.
    server().setFault({.prefix = "/placemarks", .hold = true, .times = 1});
    Answer first;
    geocoder_->geocodeAddressString(QStringLiteral("北京"),
                                    [&first](const auto& found, std::optional<int> error) {
                                        first.placemarks = found;
                                        first.error = error;
                                        ++first.calls;
                                    });
    EXPECT_TRUE(geocoder_->isGeocoding());
    ASSERT_TRUE(waitForRequests("/placemarks", 1));
    const Answer second = lookUp(QStringLiteral("天津"));
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.error, loc::kErrorGeocodeCanceled);
    ASSERT_EQ(second.placemarks.size(), 1u);
    EXPECT_EQ(second.placemarks.front().name, QStringLiteral("天津市"));
    // The replaced lookup's late answer reaches nobody.
    ASSERT_TRUE(letHeldRepliesArrive());
    EXPECT_EQ(first.calls, 1);

    // An answer already on its way when a newer lookup begins is not the newer one's: an
    // empty address is answered through the main queue, where it waits behind the new lookup.
    int stale = 0;
    geocoder_->geocodeAddressString({}, [&stale](const auto&, std::optional<int> error) {
        if (error != loc::kErrorGeocodeCanceled) ++stale;
    });
    const Answer newer = lookUp(QStringLiteral("天津"));
    EXPECT_EQ(stale, 0);
    EXPECT_EQ(newer.calls, 1);
    EXPECT_FALSE(newer.error);
    ASSERT_EQ(newer.placemarks.size(), 1u);
    EXPECT_EQ(newer.placemarks.front().name, QStringLiteral("天津市"));

    int late = 0;
    server().setFault({.prefix = "/placemarks", .hold = true});
    geocoder_->geocodeAddressString(QStringLiteral("北京"),
                                    [&late](const auto&, std::optional<int>) { ++late; });
    geocoder_->cancelGeocode();
    EXPECT_EQ(late, 1) << "a cancel is told at once";
    EXPECT_FALSE(geocoder_->isGeocoding());

    // Its answer goes out once the geocoder that asked has gone.
    geocoder_->geocodeAddressString(QStringLiteral("上海"),
                                    [&late](const auto&, std::optional<int>) { ++late; });
    ASSERT_TRUE(runMainLoopUntil([&] {
        const auto asked = server().requests("/placemarks");
        return std::any_of(asked.begin(), asked.end(), [](const auto& request) {
            return QUrl::fromPercentEncoding(request.query) == QStringLiteral("address=上海");
        });
    }));
    geocoder_.reset();
    ASSERT_TRUE(letHeldRepliesArrive());
    EXPECT_EQ(late, 1) << "a geocoder that went is told nothing";
}

}  // namespace
