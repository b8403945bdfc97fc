#pragma once

#include "standin/Communities.h"
#include "standin/Endpoints.h"

#include <QJsonArray>
#include <QJsonObject>

namespace standin {

// The residential communities' pages: "HousingXiaoquInfo" (class calls whose reply is
// {"success":1,"data":{"<Class>":{"<method>":result}}}) answers a community's base record
// (XiaoquModel.getXiaoquBaseInfoByCityPinyin [city key, community key]), its facilities
// (XiaoquDetailPageModel.getXiaoquPeitao), its monthly average prices
// (XiaoquPriceModel.getXiaoquPrice [start, end]: 2 to 24 months up to the end, by the
// community's id; none where its average is not known), its photos
// (XiaoquPhotoModel.getXiaoquPhotoInfoByXiaoquId [id]) and the pages of its rent, share and sale
// posts (XiaoquDetailPageModelForMobile.getXiaoquRentHouse, getXiaoquShareHouse, getXiaoquSellHouse
// [page, size], filtered by the "rent_price", "share_price", "sell_price", "huxing_shi" and "area"
// codes in its "_classArgs"), the posts of Posts::ofCommunity. "HousingListPageInfo" answers the
// choices of those three filters (HousingVars.getUrlPriceRange [city, major] and its "_property"
// names) and ten related houses of a post (HousingRecommendForMobile.getRelatedHouseList).
class CommunityCalls {
public:
    static void install(Endpoints& endpoints);

    // What the calls tell of one community, the same in every reply.
    [[nodiscard]] static QJsonObject baseInfo(const SampleCommunity& community);
    // Average price records {"avg_price","record_time"}, oldest first, the last one month
    // before `end` at the most recent.
    [[nodiscard]] static QJsonArray prices(const SampleCommunity& community, qint64 end);
    [[nodiscard]] static QJsonArray photos(const SampleCommunity& community,
                                           const QByteArray& rootUrl);
    [[nodiscard]] static QJsonArray facilities(const SampleCommunity& community);

    // The code -> label choices of a house list's filter for a kind of post (1, 3, 5).
    [[nodiscard]] static QJsonObject priceChoices(int major);
    [[nodiscard]] static QJsonObject layoutChoices();
    [[nodiscard]] static QJsonObject areaChoices();
};

}  // namespace standin
