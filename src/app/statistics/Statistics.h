#pragma once

#include <QString>
#include <QtGlobal>

// The usage statistics service's stamps for request headers: sequence ids and time stamps.
class Statistics {
public:
    // A new UUID as upper-case hyphenated text; sent as "SeqId".
    [[nodiscard]] static QString NewSeqId();
    // The current local time as "yyyy-MM-dd HH:mm:ss"; sent as "ClientTimeStamp".
    [[nodiscard]] static QString getTimeStamp();
    // Whole seconds since 2001-01-01 00:00 UTC as a signed 32-bit integer; the uploads'
    // "ClientTimeStamp".
    [[nodiscard]] static qint32 getTimeInterval();
};
