#pragma once

#include <QString>

#include <functional>

class QXUserInfo;

// The logon calls of the users server: the automatic logon with a stored login id, a logon
// by name, and the logout. A reply counts as success only when it holds "status" 0. A
// failure carries the server's "errDetail", or no text when the request itself failed; a
// call cancelled by a later call of the same interface calls neither.
class UserLogonData {
public:
    using Success = std::function<void()>;
    using Failure = std::function<void(const QString& message)>;

    static inline const QString kAutoLoginInterface = QStringLiteral("autoLogin");
    static inline const QString kLogonInterface = QStringLiteral("userLogin");
    static inline const QString kLogoutInterface = QStringLiteral("logout");

    // The automatic logon (body "loginId=<id>"); a success refreshes the session and token of
    // `userInfo` from the reply's headers.
    static void startHttpRequestWithLoginID(const QString& loginID, QXUserInfo& userInfo,
                                            Success success, Failure failure);
    // A logon by name: on success `userInfo` holds the new logon, also in user defaults.
    static void logonWithName(const QString& name, QXUserInfo& userInfo, Success success,
                              Failure failure);
    // The logout of the current login id (body "loginId=<id>").
    static void autoLogoutRequestWithSuccess(qint64 loginID, Success success, Failure failure);
};
