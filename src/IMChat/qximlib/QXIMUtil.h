#pragma once

#include <QString>

// The messaging library's stamps: the same wire forms as the request road's.
class QXIMUtil {
public:
    // The clock's current local time as "yyyy-MM-dd HH:mm:ss".
    [[nodiscard]] static QString getTimeStamp();
    // A new sequence id: an upper-case hyphenated UUID.
    [[nodiscard]] static QString newSeqId();
    // A new unique id (an upper-case hyphenated UUID), e.g. for multipart boundaries.
    [[nodiscard]] static QString getGUID();
};
