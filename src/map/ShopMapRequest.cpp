#include "map/ShopMapRequest.h"

#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"

namespace {

const QString kClass = QStringLiteral("SearchHousingCustomer");

}  // namespace

QString ShopMapRequest::shopsBody(qint64 cityId, double latitude, double longitude) {
    const QString latlng = QString::asprintf("%f,%f", latitude, longitude);
    const QString query = BodyJson::object({{"cityId", BodyJson::string(QString::number(cityId))},
                                            {"latlng", BodyJson::string(latlng)}});
    return ClassCallBody().call(kClass, "getHousingCustomerByLatlng", {query}).text();
}

QString ShopMapRequest::brokerListBody(int storeId, int page) {
    return ClassCallBody()
        .call(kClass, "getCustomerBrokerList",
              {BodyJson::string(QString::number(storeId)), BodyJson::string(QString::number(page))})
        .text();
}

RequestHeaderSet ShopMapRequest::headers(const ShopMapContext& context) {
    RequestHeaderSet set;
    set.set("customerId", EndpointTable::customerId())
        .set("clientAgent", EndpointTable::clientAgent())
        .set("model", EndpointTable::model())
        .set("userId", context.requestUserId())
        .set("versionId", EndpointTable::versionId())
        .set("contentformat", EndpointTable::contentFormat())
        .set("agency", EndpointTable::agency())
        .set("interface", kInterface)
        .set("Accept-Encoding", "gzip");
    return set;
}

void ShopMapRequest::send(const ShopMapContext& context, const QString& body,
                          std::function<void(const QVariant&)> success,
                          std::function<void(bool)> failure) {
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(headers(context));
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), kInterface, body, std::move(success),
                           [failure = std::move(failure)](const QVariantMap& fault) {
                               failure(fault.value("msg").toString().contains("Code=-999"));
                           });
}

void ShopMapRequest::cancel() {
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
}
