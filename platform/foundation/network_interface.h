#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

namespace ns {

// One network interface of the device as the system reports it now: a snapshot, read
// afresh by every call of all().
struct NetworkInterface {
    QString name;
    int index = 0;
    bool up = false;
    bool running = false;
    bool loopback = false;
    bool broadcast = false;
    // A mobile-network (WWAN) link: a modem (sysfs DEVTYPE "wwan"), a PPP link or a raw-IP
    // modem link. Every other link, wired or wireless, is a local-network link.
    bool wwan = false;
    // Backed by a hardware device (sysfs "device"), not a purely virtual interface.
    bool hardware = false;
    // The link-level address: 6 bytes for Ethernet and Wi-Fi links, empty where the link
    // has none.
    QByteArray hardwareAddress;
    QList<QHostAddress> addresses;

    // Up and running: routes through it carry traffic.
    [[nodiscard]] bool usable() const { return up && running; }
    // The link-level address as hexadecimal upper-case byte pairs joined by `separator`
    // ("02:FC:00:00:00:01", or "02FC00000001" with no separator).
    [[nodiscard]] QString hardwareAddressText(const QString& separator = {}) const;

    // Every interface, in index order.
    [[nodiscard]] static QList<NetworkInterface> all();
    [[nodiscard]] static std::optional<NetworkInterface> named(const QString& name);
    // The interface that stands for the device's own network hardware: the first real one
    // (not loopback, with a non-zero 6-byte link-level address), hardware-backed ones
    // before virtual ones, each in index order. Nothing when the device has none.
    [[nodiscard]] static std::optional<NetworkInterface> primary();

    // Whether a link is a mobile-network link, from its sysfs "uevent" text and its
    // link type number (sysfs "type").
    [[nodiscard]] static bool isWWANLink(const QByteArray& uevent, int linkType);
};

}  // namespace ns
