#include "location/CityOfLocationData.h"

#include "analytics/StatClick.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "net/TransportFailure.h"
#include "util/categories/Tolerant.h"

namespace {

// The timed analytics event of a lookup, and the events of its endings.
const QString kLookupEvent = QStringLiteral("GetLocationInfo");
const QString kLookupFailedEvent = QStringLiteral("GetLocationInfoFailed");
const QString kGeocoderEvent = QStringLiteral("LocationByGoogle");
const QString kGeocoderFailedEvent = QStringLiteral("GetLocationInfoFromGoogleFailed");

// The public geocoder's key, a deployment value.
const QString kGeocoderKey = QStringLiteral("5b0e8f3c2d914a7e86c1f0b9d3a7e512");

RequestHeaderSet headersFor(const QString& locationString) {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set("coordinate", locationString)
        .set("QxData-Version", EndpointTable::dataVersion())
        .set("interface", CityOfLocationData::kInterface)
        .set("ClientTimeStamp", QXNetContext::shared()->timeStamp());
    return headers;
}

void sendServiceCall(const QString& locationString, QXIMRequest::SuccessBlock success,
                     QXIMRequest::FailureBlock failure) {
    StatClick::beginEvent(kLookupEvent);
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headersFor(locationString));
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), CityOfLocationData::kInterface,
                           FormBody().add("coordinate", locationString).text(), std::move(success),
                           std::move(failure));
}

}  // namespace

CityOfLocationData::CityOfLocationData(std::weak_ptr<CityOfLocationResponder> responseVc,
                                       CityResolver resolver)
    : responseVc_(std::move(responseVc)), resolver_(std::move(resolver)) {}

QString CityOfLocationData::locationString(const loc::Coordinate& coordinate) {
    return QString::asprintf("%.5f,%.5f", coordinate.latitude, coordinate.longitude);
}

QString CityOfLocationData::geocoderURL(const QString& locationString) {
    return EndpointTable::serverRoot() + QStringLiteral("/geocoder?location=") + locationString +
           QStringLiteral("&output=json&key=") + kGeocoderKey;
}

void CityOfLocationData::queryForLocationWithStringLocation(const QString& locationString) {
    locationStr_ = locationString;
    sendServiceCall(
        locationString,
        [weak = weak_from_this()](const QVariant& reply) {
            if (auto self = weak.lock()) self->serviceReplied(reply);
        },
        [weak = weak_from_this()](const QVariantMap& failure) {
            if (auto self = weak.lock()) self->serviceFailed(failure);
        });
}

void CityOfLocationData::queryForCityInfoWithLocation(
    const std::optional<loc::Location>& location, std::function<void(const QVariant&)> success,
    std::function<void(const QVariantMap&)> failure) {
    const loc::Coordinate coordinate = location ? location->coordinate : loc::Coordinate{};
    sendServiceCall(locationString(coordinate), std::move(success), std::move(failure));
}

CityOfLocationData::Place CityOfLocationData::placeOfServiceReply(const QVariant& reply) {
    const Tolerant info(reply);
    const Tolerant index = info["cityScriptIndex"];
    // A reply without a city names none, rather than the city with index 0.
    return {.cityId = index.isNil() ? std::nullopt : std::optional<int>(index.intValue()),
            .city = info["cityName"].toString(),
            .street = info["currentLocation"].toString()};
}

CityOfLocationData::Place CityOfLocationData::placeOfGeocoderReply(const QVariant& reply) {
    const Tolerant result = Tolerant(reply)["result"];
    return {.city = result["addressComponent"]["city"].toString(),
            .street = result["formatted_address"].toString()};
}

void CityOfLocationData::serviceReplied(const QVariant& reply) {
    Place place = placeOfServiceReply(reply);
    cityId_ = place.cityId;
    city_ = std::move(place.city);
    street_ = std::move(place.street);
    if (street_.isEmpty()) {
        StatClick::event(kLookupFailedEvent);
        fail();
    } else if (street_ == city_) {
        StatClick::event(kGeocoderEvent);
        queryForLocationWithStringLocationUseGoogle(locationStr_);
    } else if (!cityId_) {
        StatClick::event(kLookupFailedEvent);
        fail();
    } else {
        succeed();
        StatClick::endEvent(kLookupEvent);
    }
}

void CityOfLocationData::serviceFailed(const QVariantMap& failure) {
    errorDic_ = failure;
    const int status = Tolerant(failure)[TransportFailure::kStatusCode].intValue();
    if (fallsBackToGeocoder(status)) {
        StatClick::event(kGeocoderEvent);
        queryForLocationWithStringLocationUseGoogle(locationStr_);
    } else {
        StatClick::event(kLookupFailedEvent);
        fail();
    }
    // A failed service call ends the timed lookup whether or not the geocoder goes on.
    StatClick::endEvent(kLookupEvent);
}

void CityOfLocationData::queryForLocationWithStringLocationUseGoogle(
    const QString& locationString) {
    locationStr_ = locationString;
    usedGeocoder_ = true;
    auto& request = QXIMRequest::shared();
    request.clearHeaderOfHttp();
    request.requestWithUrl(
        geocoderURL(locationString), kGeocoderInterface, QString(),
        [weak = weak_from_this()](const QVariant& reply) {
            if (auto self = weak.lock()) self->geocoderReplied(reply);
        },
        [weak = weak_from_this()](const QVariantMap& failure) {
            if (auto self = weak.lock()) {
                self->errorDic_ = failure;
                self->fail();
            }
        });
}

void CityOfLocationData::geocoderReplied(const QVariant& reply) {
    Place place = placeOfGeocoderReply(reply);
    street_ = std::move(place.street);
    city_ = std::move(place.city);
    if (street_.isEmpty()) {
        StatClick::event(kGeocoderFailedEvent);
        fail();
        return;
    }
    // The service knew the city when it answered; otherwise the tree must know the name.
    if (!cityId_ && resolver_) cityId_ = resolver_(city_);
    if (!cityId_) {
        fail();
        return;
    }
    succeed();
}

void CityOfLocationData::succeed() {
    if (auto responder = responseVc_.lock()) responder->newNetWorkForCityOfLocationData(*this);
}

void CityOfLocationData::fail() {
    if (auto responder = responseVc_.lock()) responder->newNetWorkForCityOfLocationDataError(*this);
}
