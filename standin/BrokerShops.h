#pragma once

#include "standin/Endpoints.h"

#include <QString>

#include <vector>

namespace standin {

// Broker shops of the hot cities, each placed inside a real district, with their brokers:
// the class calls "HousingRequestInfo" SearchHousingCustomer.getHousingCustomerByLatlng
// [{"cityId","latlng"}] (the shops near a point; errCode -100 for a city without shops)
// and SearchHousingCustomer.getCustomerBrokerList [storeId, page] (ten brokers a page).
class BrokerShops {
public:
    static constexpr int kBrokersPerPage = 10;
    // How far from the asked point shops are answered, in degrees either way.
    static constexpr double kReach = 0.05;
    // Where the device of a demo run stands (scripts/run.sh): in 上海's 黄浦区, with three
    // of its shops on the map's first view.
    static constexpr double kSampleLatitude = 31.224;
    static constexpr double kSampleLongitude = 121.483;
    // That place as the location stand-in takes it ("latitude,longitude").
    [[nodiscard]] static QString samplePosition();

    struct Shop {
        int id = 0;
        int cityIndex = 0;
        QString cityName;
        QString districtName;
        double latitude = 0;
        double longitude = 0;
        int brokerCount = 0;
        int number = 0;  // within the city, from 0
    };

    // Every shop, made once from the city database and the district outlines.
    [[nodiscard]] static const std::vector<Shop>& shops();
    static void install(Endpoints& endpoints);
};

}  // namespace standin
