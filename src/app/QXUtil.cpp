#include "app/QXUtil.h"

#include "net/RequestStamp.h"

namespace {

// The system version the device reports.
const QString kSystemVersion = QStringLiteral("7.0");

}  // namespace

QString QXUtil::GetGUID() {
    return RequestStamp::newUUID();
}

QString QXUtil::macaddress() {
    static const QString deviceId = RequestStamp::newUUID();
    return deviceId;
}

QString QXUtil::dateString(const QDateTime& date, const QString& format) {
    return date.toLocalTime().toString(format);
}

bool QXUtil::DeviceSystemVersionIsiOS7() {
    return kSystemVersion.toDouble() >= 7.0;
}
