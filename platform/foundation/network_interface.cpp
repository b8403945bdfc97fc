#include "platform/foundation/network_interface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>

#include <algorithm>

namespace ns {

namespace {

const QString kSysClassNet = QStringLiteral("/sys/class/net/");

// Link type numbers of the kernel (net/if_arp.h).
constexpr int kLinkTypePPP = 512;
constexpr int kLinkTypeRawIP = 519;  // modems that hand over bare IP packets

constexpr int kEthernetAddressLength = 6;

QByteArray readSysfs(const QString& name, const QString& attribute) {
    QFile file(kSysClassNet + name + QLatin1Char('/') + attribute);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QByteArray parseHardwareAddress(const QString& text) {
    QByteArray bytes;
    for (const QString& pair : text.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        if (!ok || value > 0xFF) return {};
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

NetworkInterface fromQt(const QNetworkInterface& qt) {
    NetworkInterface interface;
    interface.name = qt.name();
    interface.index = qt.index();
    const QNetworkInterface::InterfaceFlags flags = qt.flags();
    interface.up = flags.testFlag(QNetworkInterface::IsUp);
    interface.running = flags.testFlag(QNetworkInterface::IsRunning);
    interface.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
    interface.broadcast = flags.testFlag(QNetworkInterface::CanBroadcast);
    interface.hardwareAddress = parseHardwareAddress(qt.hardwareAddress());
    for (const QNetworkAddressEntry& entry : qt.addressEntries()) {
        interface.addresses.append(entry.ip());
    }
    const int linkType = readSysfs(interface.name, QStringLiteral("type")).trimmed().toInt();
    interface.wwan = NetworkInterface::isWWANLink(
                         readSysfs(interface.name, QStringLiteral("uevent")), linkType) ||
                     qt.type() == QNetworkInterface::Ppp;
    interface.hardware =
        QFileInfo::exists(kSysClassNet + interface.name + QStringLiteral("/device"));
    return interface;
}

bool isReal(const NetworkInterface& interface) {
    return !interface.loopback && interface.hardwareAddress.size() == kEthernetAddressLength &&
           interface.hardwareAddress != QByteArray(kEthernetAddressLength, '\0');
}

}  // namespace

QString NetworkInterface::hardwareAddressText(const QString& separator) const {
    QStringList pairs;
    for (const char byte : hardwareAddress) {
        pairs.append(
            QStringLiteral("%1").arg(static_cast<uchar>(byte), 2, 16, QLatin1Char('0')).toUpper());
    }
    return pairs.join(separator);
}

QList<NetworkInterface> NetworkInterface::all() {
    QList<NetworkInterface> interfaces;
    for (const QNetworkInterface& qt : QNetworkInterface::allInterfaces()) {
        interfaces.append(fromQt(qt));
    }
    std::sort(
        interfaces.begin(), interfaces.end(),
        [](const NetworkInterface& a, const NetworkInterface& b) { return a.index < b.index; });
    return interfaces;
}

std::optional<NetworkInterface> NetworkInterface::named(const QString& name) {
    const QNetworkInterface qt = QNetworkInterface::interfaceFromName(name);
    if (!qt.isValid()) return std::nullopt;
    return fromQt(qt);
}

std::optional<NetworkInterface> NetworkInterface::primary() {
    const QList<NetworkInterface> interfaces = all();
    std::optional<NetworkInterface> firstVirtual;
    for (const NetworkInterface& interface : interfaces) {
        if (!isReal(interface)) continue;
        if (interface.hardware) return interface;
        if (!firstVirtual) firstVirtual = interface;
    }
    return firstVirtual;
}

bool NetworkInterface::isWWANLink(const QByteArray& uevent, int linkType) {
    if (linkType == kLinkTypePPP || linkType == kLinkTypeRawIP) return true;
    for (const QByteArray& line : uevent.split('\n')) {
        if (line.trimmed() == "DEVTYPE=wwan") return true;
    }
    return false;
}

}  // namespace ns
