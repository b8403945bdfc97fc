// District and street replies as the server sends them (JSON) and as the cache and the
// shipped lists keep them (property lists): any bytes give a list headed by the any-district,
// each district headed by its any-street, never a crash.
#include "src/location/CityNode.h"
#include "src/location/CityUpdateData.h"
#include "src/net/transport/Json.h"

#include "platform/foundation/property_list.h"

#include <QByteArray>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool propertyList = bytes.startsWith("<?xml") || bytes.startsWith("bplist");
    const QVariant reply =
        propertyList ? ns::PropertyList::propertyListWithData(bytes) : json_JSON(QVariant(bytes));
    CityUpdateData update({});
    update.parserLocalInfo(reply);
    if (!reply.isValid()) {
        if (!update.districtArray().empty()) std::abort();
        return 0;
    }
    const auto& districts = update.districtArray();
    if (districts.empty() || districts.front()->nodeId() != -1) std::abort();
    for (const auto& district : districts) {
        if (district->Streets.empty() || district->Streets.front()->nodeId() != -1) std::abort();
        for (const auto& street : district->Streets) {
            if (street->parent() != district) std::abort();
        }
    }
    return 0;
}
