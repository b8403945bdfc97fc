#include "platform/foundation/network_routes.h"

#include <QFile>
#include <QtEndian>

#include <bit>

namespace ns {

namespace {

using Flags = NetworkReachability::Flags;

// Route flags of the kernel (linux/route.h).
constexpr uint kRouteUp = 0x0001;
constexpr uint kRouteReject = 0x0200;

// The columns of /proc/net/route.
enum IPv4Column {
    kV4Iface,
    kV4Destination,
    kV4Gateway,
    kV4Flags,
    kV4Metric = 6,
    kV4Mask,
    kV4Count
};
// The columns of /proc/net/ipv6_route.
enum IPv6Column {
    kV6Destination,
    kV6PrefixLength,
    kV6NextHop = 4,
    kV6Metric,
    kV6Flags = 8,
    kV6Iface,
    kV6Count
};

std::optional<QByteArray> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.readAll();
}

// /proc/net/route prints each address as the hexadecimal value of its network-order
// bytes read as a native integer.
QHostAddress ipv4FromTable(const QByteArray& hex, bool* ok) {
    const quint32 raw = hex.toUInt(ok, 16);
    return QHostAddress(qFromBigEndian(raw));
}

QHostAddress ipv6FromTable(const QByteArray& hex, bool* ok) {
    const QByteArray bytes = QByteArray::fromHex(hex);
    *ok = hex.size() == 32 && bytes.size() == 16;
    if (!*ok) return {};
    return QHostAddress(reinterpret_cast<const quint8*>(bytes.constData()));
}

bool isUnspecified(const QHostAddress& address) {
    return address == QHostAddress(QHostAddress::AnyIPv4) ||
           address == QHostAddress(QHostAddress::AnyIPv6);
}

// An IPv4 address written as IPv6 (::ffff:a.b.c.d) follows the IPv4 table.
QHostAddress normalized(const QHostAddress& address) {
    if (address.protocol() != QAbstractSocket::IPv6Protocol) return address;
    const QHostAddress unspecified(QHostAddress::AnyIPv6);
    if (address == unspecified) return address;
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(ipv4) : address;
}

}  // namespace

NetworkRoutes::NetworkRoutes(QList<NetworkInterface> interfaces, QList<Route> routes)
    : interfaces_(std::move(interfaces)), routes_(std::move(routes)) {}

std::optional<NetworkRoutes> NetworkRoutes::current() {
    const std::optional<QByteArray> ipv4 = readFile(QStringLiteral("/proc/net/route"));
    if (!ipv4) return std::nullopt;
    // A kernel without IPv6 has no IPv6 table; that is no failure.
    const QByteArray ipv6 = readFile(QStringLiteral("/proc/net/ipv6_route")).value_or(QByteArray());
    QList<Route> routes = parseIPv4Routes(*ipv4);
    routes.append(parseIPv6Routes(ipv6));
    return NetworkRoutes(NetworkInterface::all(), std::move(routes));
}

QList<NetworkRoutes::Route> NetworkRoutes::parseIPv4Routes(const QByteArray& table) {
    QList<Route> routes;
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {  // the first line names the columns
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < kV4Count) continue;
        bool ok[5] = {};
        const uint flags = fields[kV4Flags].toUInt(&ok[0], 16);
        Route route;
        route.interfaceName = QString::fromLatin1(fields[kV4Iface]);
        route.destination = ipv4FromTable(fields[kV4Destination], &ok[1]);
        const QHostAddress gateway = ipv4FromTable(fields[kV4Gateway], &ok[2]);
        const quint32 mask = fields[kV4Mask].toUInt(&ok[3], 16);
        route.metric = fields[kV4Metric].toInt(&ok[4]);
        if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; })) continue;
        if (!(flags & kRouteUp) || (flags & kRouteReject)) continue;
        route.prefixLength = std::popcount(mask);
        if (gateway != QHostAddress(QHostAddress::AnyIPv4)) route.gateway = gateway;
        routes.append(route);
    }
    return routes;
}

QList<NetworkRoutes::Route> NetworkRoutes::parseIPv6Routes(const QByteArray& table) {
    QList<Route> routes;
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < kV6Count) continue;
        bool ok[5] = {};
        const uint flags = fields[kV6Flags].toUInt(&ok[0], 16);
        Route route;
        route.interfaceName = QString::fromLatin1(fields[kV6Iface]);
        route.destination = ipv6FromTable(fields[kV6Destination], &ok[1]);
        route.prefixLength = fields[kV6PrefixLength].toInt(&ok[2], 16);
        const QHostAddress gateway = ipv6FromTable(fields[kV6NextHop], &ok[3]);
        route.metric = static_cast<int>(fields[kV6Metric].toUInt(&ok[4], 16));
        if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; })) continue;
        if (!(flags & kRouteUp) || (flags & kRouteReject)) continue;
        if (gateway != QHostAddress(QHostAddress::AnyIPv6)) route.gateway = gateway;
        routes.append(route);
    }
    return routes;
}

const NetworkInterface* NetworkRoutes::interfaceNamed(const QString& name) const {
    for (const NetworkInterface& interface : interfaces_) {
        if (interface.name == name) return &interface;
    }
    return nullptr;
}

Flags NetworkRoutes::flagsThrough(const Route& route) const {
    const NetworkInterface* interface = interfaceNamed(route.interfaceName);
    if (!interface || !interface->usable()) return 0;
    Flags flags = NetworkReachability::kReachable;
    if (route.gateway.isNull()) flags |= NetworkReachability::kIsDirect;
    if (interface->wwan) flags |= NetworkReachability::kIsWWAN;
    return flags;
}

Flags NetworkRoutes::defaultRouteFlags() const {
    // The default route the system would use: IPv4 before IPv6, then the lowest metric.
    const Route* best = nullptr;
    for (const Route& route : routes_) {
        if (route.prefixLength != 0 || !flagsThrough(route)) continue;
        const bool ipv4 = route.destination.protocol() == QAbstractSocket::IPv4Protocol;
        if (best) {
            const bool bestIPv4 = best->destination.protocol() == QAbstractSocket::IPv4Protocol;
            if (bestIPv4 && !ipv4) continue;
            if (bestIPv4 == ipv4 && best->metric <= route.metric) continue;
        }
        best = &route;
    }
    if (!best) return 0;
    // The default route stands for the whole network, not for a neighbour on the link.
    return flagsThrough(*best) & ~NetworkReachability::kIsDirect;
}

Flags NetworkRoutes::linkLocalFlags() const {
    for (const NetworkInterface& interface : interfaces_) {
        if (interface.usable() && !interface.loopback && !interface.wwan && interface.broadcast) {
            return NetworkReachability::kReachable | NetworkReachability::kIsDirect;
        }
    }
    return 0;
}

Flags NetworkRoutes::flagsFor(const QHostAddress& target) const {
    const QHostAddress address = normalized(target);
    if (address.isNull()) return 0;
    if (isUnspecified(address)) return defaultRouteFlags();
    if (address.isLinkLocal()) return linkLocalFlags();

    constexpr Flags kLocal = NetworkReachability::kReachable |
                             NetworkReachability::kIsLocalAddress | NetworkReachability::kIsDirect;
    for (const NetworkInterface& interface : interfaces_) {
        if (!interface.usable()) continue;
        if (address.isLoopback() && interface.loopback) return kLocal;
        if (interface.addresses.contains(address)) return kLocal;
    }

    const Route* best = nullptr;
    for (const Route& route : routes_) {
        if (route.destination.protocol() != address.protocol()) continue;
        if (!address.isInSubnet(route.destination, route.prefixLength)) continue;
        if (!flagsThrough(route)) continue;
        if (best && (best->prefixLength > route.prefixLength ||
                     (best->prefixLength == route.prefixLength && best->metric <= route.metric))) {
            continue;
        }
        best = &route;
    }
    return best ? flagsThrough(*best) : 0;
}

}  // namespace ns
