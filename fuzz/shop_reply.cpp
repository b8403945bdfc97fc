// Shop and broker replies as the server sends them: any bytes give pins only for shops whose
// place has a comma, with their coordinates read from it, and broker rows that read as texts,
// never a crash.
#include "src/map/BasicAnnotion.h"
#include "src/map/QXMapDetailModel.h"
#include "src/net/transport/Json.h"
#include "src/util/categories/Tolerant.h"

#include <QByteArray>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Tolerant reply(json_JSON(QVariant(bytes)));
    const Tolerant node = reply["data"]["SearchHousingCustomer"];
    for (const QVariant& shop : node["getHousingCustomerByLatlng"]["data"].toList()) {
        const auto pin = BasicAnnotion::fromShop(shop.toMap());
        const bool hasPlace = Tolerant(shop)["latlng"].toString().contains(',');
        if (bool(pin) != hasPlace) std::abort();
    }
    for (const QVariant& broker : node["getCustomerBrokerList"]["list"].toList()) {
        const auto model = QXMapDetailModel::detailModelWithFormat(broker.toMap());
        (void)Tolerant::intValueOfString(model->creditScore);
        (void)Tolerant::intValueOfString(model->online);
    }
    return 0;
}
