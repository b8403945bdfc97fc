// The location service's and the public geocoder's replies (JSON): whatever the bytes, a
// reply names a city only where it holds a city index, and a reply that is no dictionary
// names nothing at all; never a crash.
#include "src/location/CityOfLocationData.h"
#include "src/net/transport/Json.h"

#include <QByteArray>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant reply = json_JSON(QVariant(bytes));
    const bool dictionary = reply.typeId() == QMetaType::QVariantMap;

    const auto service = CityOfLocationData::placeOfServiceReply(reply);
    if (service.cityId && !dictionary) std::abort();
    if (!dictionary && (!service.city.isEmpty() || !service.street.isEmpty())) std::abort();

    const auto geocoder = CityOfLocationData::placeOfGeocoderReply(reply);
    if (geocoder.cityId) std::abort();
    if (!dictionary && (!geocoder.city.isEmpty() || !geocoder.street.isEmpty())) std::abort();
    return 0;
}
