#pragma once

#include "platform/location/location.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class CityOfLocationData;

// Hears how a lookup ended; exactly one of the two is called for each lookup.
class CityOfLocationResponder {
public:
    virtual ~CityOfLocationResponder() = default;
    virtual void newNetWorkForCityOfLocationData(CityOfLocationData& lookup) = 0;
    virtual void newNetWorkForCityOfLocationDataError(CityOfLocationData& lookup) = 0;
};

// Turns a "lat,lng" text into a city of the tree and an address: the service's
// "SearchCityByLocation", and the public map geocoder when the service cannot place the
// position (status -1 or -3) or knows only the city's name. A city the geocoder names is
// looked up in the city tree; a lookup that ends without a city of the tree is a failure,
// never a city with script index 0.
class CityOfLocationData : public std::enable_shared_from_this<CityOfLocationData> {
public:
    static inline const QString kInterface = QStringLiteral("SearchCityByLocation");
    static inline const QString kGeocoderInterface = QStringLiteral("GetLocationInfoFromGoogle");
    // Finds a city's script index by its name.
    using CityResolver = std::function<std::optional<int>(const QString& name)>;

    CityOfLocationData(std::weak_ptr<CityOfLocationResponder> responseVc, CityResolver resolver);

    // "%.5f,%.5f" of the coordinate, latitude first.
    [[nodiscard]] static QString locationString(const loc::Coordinate& coordinate);
    // The public geocoder's URL for a location text.
    [[nodiscard]] static QString geocoderURL(const QString& locationString);

    void queryForLocationWithStringLocation(const QString& locationString);
    void queryForLocationWithStringLocationUseGoogle(const QString& locationString);
    // The service call alone: the raw reply or the failure dictionary, no fallback.
    // Whether a failed service call is left to the public geocoder: status -1 or -3.
    [[nodiscard]] static bool fallsBackToGeocoder(int status) { return (status & ~2) == -3; }
    static void queryForCityInfoWithLocation(const std::optional<loc::Location>& location,
                                             std::function<void(const QVariant&)> success,
                                             std::function<void(const QVariantMap&)> failure);

    // What a reply names: the city's script index (the geocoder's never does, nor a reply
    // without one), the city's name and the address.
    struct Place {
        std::optional<int> cityId;
        QString city;
        QString street;
    };
    [[nodiscard]] static Place placeOfServiceReply(const QVariant& reply);
    [[nodiscard]] static Place placeOfGeocoderReply(const QVariant& reply);

    [[nodiscard]] const QString& locationStr() const { return locationStr_; }
    // The located city; nothing until a reply names a city of the tree.
    [[nodiscard]] std::optional<int> cityId() const { return cityId_; }
    [[nodiscard]] const QString& city() const { return city_; }
    [[nodiscard]] const QString& street() const { return street_; }
    [[nodiscard]] bool usedGeocoder() const { return usedGeocoder_; }
    [[nodiscard]] const QVariantMap& errorDic() const { return errorDic_; }

private:
    void serviceReplied(const QVariant& reply);
    void serviceFailed(const QVariantMap& failure);
    void geocoderReplied(const QVariant& reply);
    void succeed();
    void fail();

    std::weak_ptr<CityOfLocationResponder> responseVc_;
    CityResolver resolver_;
    QString locationStr_;
    std::optional<int> cityId_;
    QString city_;
    QString street_;
    bool usedGeocoder_ = false;
    QVariantMap errorDic_;
};
