#include "platform/uikit/device.h"

#include "platform/foundation/sandbox.h"

#include <QCryptographicHash>
#include <QUuid>

namespace ui {

Device& Device::currentDevice() {
    static Device device;
    return device;
}

QString Device::identifierForVendor() const {
    // Derived from the sandbox, as the platform keeps it per installation.
    const QByteArray seed = QCryptographicHash::hash(
        ("vendor:" + ns::Bundle::bundleIdentifier() + ':' + ns::Sandbox::root()).toUtf8(),
        QCryptographicHash::Sha1);
    return QUuid::fromRfc4122(seed.left(16)).toString(QUuid::WithoutBraces).toUpper();
}

}  // namespace ui
