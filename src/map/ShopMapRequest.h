#pragma once

#include "map/ShopMapContext.h"

#include <QString>
#include <QVariant>

#include <functional>

class RequestHeaderSet;

// The shop map's calls of "HousingRequestInfo" on the data-share endpoint: the shops around
// a point and a shop's brokers page by page. Both carry the same header set; the shared
// request object's pre-cancel makes a newer call replace an older one.
struct ShopMapRequest {
    static inline const QString kInterface = QStringLiteral("HousingRequestInfo");

    // class={"SearchHousingCustomer":{"getHousingCustomerByLatlng":[{"cityId":"<id>",
    // "latlng":"<lat>,<lng>"}]}}, each number printed with six decimals.
    [[nodiscard]] static QString shopsBody(qint64 cityId, double latitude, double longitude);
    // class={"SearchHousingCustomer":{"getCustomerBrokerList":["<store>","<page>"]}}.
    [[nodiscard]] static QString brokerListBody(int storeId, int page);
    [[nodiscard]] static RequestHeaderSet headers(const ShopMapContext& context);

    // Sends the body; `failure` hears whether the call was cancelled (by a newer one or on
    // leaving) rather than failed.
    static void send(const ShopMapContext& context, const QString& body,
                     std::function<void(const QVariant& reply)> success,
                     std::function<void(bool cancelled)> failure);
    // Cancels the running call of the interface.
    static void cancel();
};
