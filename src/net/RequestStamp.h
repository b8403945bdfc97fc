#pragma once

#include <QString>
#include <QtGlobal>

// The wire forms of the per-request stamps: sequence ids, multipart boundary ids and the
// client time stamps. The statistics service and the messaging library hand these same
// forms to their callers; every "now" comes from the one clock.
class RequestStamp {
public:
    // A new random UUID, upper-case and hyphenated ("8-4-4-4-12" hexadecimal digits).
    [[nodiscard]] static QString newUUID();
    // The clock's current local time as "yyyy-MM-dd HH:mm:ss".
    [[nodiscard]] static QString timeStamp();
    // Whole seconds since 2001-01-01 00:00 UTC, cut toward zero and held to the signed
    // 32-bit range (a time past it answers the largest or smallest value, not a wrapped one).
    [[nodiscard]] static qint32 timeInterval();
};
