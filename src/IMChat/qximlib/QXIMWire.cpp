#include "IMChat/qximlib/QXIMWire.h"

#include "net/QXIMConstantManager.h"

RequestHeaderSet QXIMWire::shortCallHeaders(const QString& interface) {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("ContentType"), QStringLiteral("application/x-www-form-urlencoded"))
        .set(QStringLiteral("QxData-Version"), QXIMConstantManager::share().qximdataVersion());
    if (!interface.isEmpty()) headers.set(QStringLiteral("interface"), interface);
    return headers;
}
