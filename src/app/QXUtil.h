#pragma once

#include <QDateTime>
#include <QString>

// Shared utility functions of the app.
class QXUtil {
public:
    // A new UUID as upper-case hyphenated text (the uploads' boundary id).
    [[nodiscard]] static QString GetGUID();
    // The device id, sent as "mac" and "imei": from system version 7.0 on the id kept in
    // the keychain (QXUID), before it the network hardware's address as 12 upper-case
    // hexadecimal digits (nothing when there is none). The device reports 7.0.
    [[nodiscard]] static QString macaddress();
    // The date in the device's time zone, formatted by the date-format pattern (e.g.
    // "yyyy-MM-dd HH:mm").
    [[nodiscard]] static QString dateString(const QDateTime& date, const QString& format);
    // Whether the device's system version, read as a number, is 7.0 or more.
    [[nodiscard]] static bool DeviceSystemVersionIsiOS7();
};
