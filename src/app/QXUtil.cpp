#include "app/QXUtil.h"

#include "net/QXUID.h"
#include "net/RequestStamp.h"
#include "platform/foundation/network_interface.h"

namespace {

// The system version the device reports.
const QString kSystemVersion = QStringLiteral("7.0");

}  // namespace

QString QXUtil::GetGUID() {
    return RequestStamp::newUUID();
}

QString QXUtil::macaddress() {
    if (DeviceSystemVersionIsiOS7()) return QXUID::qxuid(kSystemVersion);
    // Older systems send the network hardware's address instead.
    const std::optional<ns::NetworkInterface> interface = ns::NetworkInterface::primary();
    return interface ? interface->hardwareAddressText() : QString();
}

QString QXUtil::dateString(const QDateTime& date, const QString& format) {
    return date.toLocalTime().toString(format);
}

bool QXUtil::DeviceSystemVersionIsiOS7() {
    return kSystemVersion.toDouble() >= 7.0;
}
