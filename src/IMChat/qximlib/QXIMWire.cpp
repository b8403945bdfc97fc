#include "IMChat/qximlib/QXIMWire.h"

#include "net/QXIMConstantManager.h"

RequestHeaderSet QXIMWire::shortCallHeaders() {
    return RequestHeaderSet()
        .set(QStringLiteral("ContentType"), QStringLiteral("application/x-www-form-urlencoded"))
        .set(QStringLiteral("QxData-Version"), QXIMConstantManager::share().qximdataVersion());
}
