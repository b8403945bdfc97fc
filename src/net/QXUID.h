#pragma once

#include <QString>

// The device id: a UUID kept in the keychain's generic-password item "UUID", so that it
// outlives a reinstall of the app, and the device's hardware address.
class QXUID {
public:
    // The device id on a platform of the given system version: "" below version 7.0 (no
    // keychain item is touched), otherwise _qxid_iOS7(). (A member may not share its
    // class's name, hence the lower case.)
    [[nodiscard]] static QString qxuid(const QString& systemVersion);
    // The advertising id: always nothing (a null text).
    [[nodiscard]] static QString QXIDFA();
    // The stored id, or else the device's vendor id, which is stored and returned.
    [[nodiscard]] static QString _qxid_iOS7();

    // The stored id; nothing (a null text) when there is no item or it holds no data.
    [[nodiscard]] static QString getqxidFromKeyChain();
    // Rewrites the item when there is one (YES whatever the rewrite gives), else adds it
    // and answers whether that worked.
    static bool settqxidToKeyChain(const QString& qxid);
    // Rewrites the existing item; NO when there is none or the rewrite fails.
    static bool updateqxidInKeyChain(const QString& qxid);
    // Deletes the item; NO when there was none or the keychain could not be written.
    static bool removeqxidFromKeyChain();

    // The hardware address of the device's network interface (the first real one) as
    // "%02X:%02X:%02X:%02X:%02X:%02X", or one of the texts "if_nametoindex failure" (no
    // such interface), "sysctl mgmtInfoBase failure" (it has no link-level address) and
    // "sysctl msgBuffer failure" (its link-level address is not 6 bytes long).
    [[nodiscard]] static QString getMacAddress();
    // The same for a named interface.
    [[nodiscard]] static QString getMacAddress(const QString& interfaceName);
};
