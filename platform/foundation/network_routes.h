#pragma once

#include "platform/foundation/network_interface.h"
#include "platform/foundation/network_reachability.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>

#include <optional>

namespace ns {

// The device's interfaces and routing tables at one moment, and the reachability flags
// they give an address.
class NetworkRoutes {
public:
    struct Route {
        QString interfaceName;
        QHostAddress destination;
        int prefixLength = 0;
        // Null for a route straight onto the link.
        QHostAddress gateway;
        int metric = 0;
    };

    NetworkRoutes(QList<NetworkInterface> interfaces, QList<Route> routes);

    // The state now; nothing when the routing tables cannot be read.
    [[nodiscard]] static std::optional<NetworkRoutes> current();

    // The usable routes of the kernel's IPv4 and IPv6 tables (/proc/net/route and
    // /proc/net/ipv6_route); routes that are down or that reject traffic are left out.
    [[nodiscard]] static QList<Route> parseIPv4Routes(const QByteArray& table);
    [[nodiscard]] static QList<Route> parseIPv6Routes(const QByteArray& table);

    // The flags of the path to `address`:
    // - the unspecified address (0.0.0.0 or ::) stands for the default route: reachable
    //   when a default route runs through a usable interface;
    // - a link-local address (169.254.0.0/16, fe80::/10) is directly reachable over any
    //   usable local-network link that can broadcast (wired or wireless, not WWAN);
    // - one of the device's own addresses, or a loopback address, is a reachable local
    //   address;
    // - any other address follows its longest matching route through a usable interface,
    //   and is direct when that route has no gateway.
    // A route through a WWAN link adds kIsWWAN.
    [[nodiscard]] NetworkReachability::Flags flagsFor(const QHostAddress& address) const;

private:
    [[nodiscard]] const NetworkInterface* interfaceNamed(const QString& name) const;
    [[nodiscard]] NetworkReachability::Flags flagsThrough(const Route& route) const;
    [[nodiscard]] NetworkReachability::Flags defaultRouteFlags() const;
    [[nodiscard]] NetworkReachability::Flags linkLocalFlags() const;

    QList<NetworkInterface> interfaces_;
    QList<Route> routes_;
};

}  // namespace ns
