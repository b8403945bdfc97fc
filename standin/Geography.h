#pragma once

#include "standin/DistrictMap.h"
#include "standin/Endpoints.h"

#include <optional>
#include <utility>

namespace standin {

// Where things are: the district and street lists of every city of the shipped city
// database ("GetLastGeography", version-checked), the city of a coordinate
// ("SearchCityByLocation") and the public map geocoder (GET "/geocoder?location=lat,lng"),
// both placing the coordinate by point-in-polygon over simplified district outlines, and the
// platform's geocoder (GET "/placemarks?address=<city name>"), which places a city at the
// middle of its first district's outline.
class Geography {
public:
    // The version of the district and street data, the same as the app's shipped lists.
    static constexpr char kDataVersion[] = "20240601";

    static void install(Endpoints& endpoints);

    // A city of the city database with its districts and streets; nullptr when unknown.
    [[nodiscard]] static const CityRow* city(int scriptIndex);
    // The middle (latitude, longitude) of a district's outline; nullopt without one.
    [[nodiscard]] static std::optional<std::pair<double, double>> districtCentre(qint64 districtId);
    // A made-up road and house number ("人民路128号"), the same for the same `seed`: the
    // addresses of the sample's communities and shops.
    [[nodiscard]] static QString roadAddress(quint32 seed);
};

}  // namespace standin
