#include "net/QXUID.h"

#include "net/RequestStamp.h"
#include "platform/foundation/keychain.h"
#include "platform/foundation/network_interface.h"

#include <QRegularExpression>

namespace {

using ns::Keychain;

const QString kItemDescription = QStringLiteral("UUID");
const QByteArray kItemGeneric = QByteArrayLiteral("UUID");

constexpr qsizetype kEthernetAddressLength = 6;

Keychain::Query byGeneric() {
    return {std::nullopt, std::nullopt, kItemGeneric};
}

// The platform's vendor id stays the same while the app is installed; here one UUID
// stands for it for the life of the process.
QString vendorIdentifier() {
    static const QString identifier = RequestStamp::newUUID();
    return identifier;
}

// A version text read as a floating value: its leading number ("7.0.4" reads as 7.0,
// text without one as 0), whatever the device's locale.
double floatValue(const QString& text) {
    static const QRegularExpression kLeadingNumber(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = kLeadingNumber.match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0.0;
}

}  // namespace

QString QXUID::qxuid(const QString& systemVersion) {
    if (floatValue(systemVersion) < 7.0) return QStringLiteral("");
    return _qxid_iOS7();
}

QString QXUID::QXIDFA() {
    return {};
}

QString QXUID::_qxid_iOS7() {
    const QString stored = getqxidFromKeyChain();
    if (!stored.isNull()) return stored;
    const QString identifier = vendorIdentifier();
    // A store that fails is tried again on the next call; the id stays the vendor id.
    settqxidToKeyChain(identifier);
    return identifier;
}

QString QXUID::getqxidFromKeyChain() {
    const std::optional<Keychain::Item> item = Keychain::find(byGeneric());
    if (!item || item->data.isEmpty()) return {};
    return QString::fromUtf8(item->data);
}

bool QXUID::settqxidToKeyChain(const QString& qxid) {
    if (Keychain::find(byGeneric())) {
        updateqxidInKeyChain(qxid);
        return true;
    }
    Keychain::Item item;
    item.description = kItemDescription;
    item.generic = kItemGeneric;
    item.data = qxid.toUtf8();
    return !Keychain::add(item);
}

bool QXUID::updateqxidInKeyChain(const QString& qxid) {
    std::optional<Keychain::Item> item = Keychain::find(byGeneric());
    if (!item) return false;
    item->description = kItemDescription;
    item->generic = kItemGeneric;
    item->data = qxid.toUtf8();
    return !Keychain::update(byGeneric(), *item);
}

bool QXUID::removeqxidFromKeyChain() {
    return !Keychain::remove(byGeneric());
}

QString QXUID::getMacAddress() {
    const std::optional<ns::NetworkInterface> primary = ns::NetworkInterface::primary();
    if (!primary) return QStringLiteral("if_nametoindex failure");
    return getMacAddress(primary->name);
}

QString QXUID::getMacAddress(const QString& interfaceName) {
    const std::optional<ns::NetworkInterface> interface =
        ns::NetworkInterface::named(interfaceName);
    if (!interface) return QStringLiteral("if_nametoindex failure");
    if (interface->hardwareAddress.isEmpty()) return QStringLiteral("sysctl mgmtInfoBase failure");
    if (interface->hardwareAddress.size() != kEthernetAddressLength) {
        return QStringLiteral("sysctl msgBuffer failure");
    }
    return interface->hardwareAddressText(QStringLiteral(":"));
}
