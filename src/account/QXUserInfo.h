#pragma once

#include <QString>
#include <QtGlobal>

#include <mutex>

// The logged-on user and the logon state.
class QXUserInfo {
public:
    [[nodiscard]] bool logonSuccess() const;
    void setLogonSuccess(bool loggedOn);
    // The login id of the logged-on user.
    [[nodiscard]] qint64 loginID() const;
    void setLoginID(qint64 loginID);
    // The session id and token of the logon; null while logged off.
    [[nodiscard]] QString sessionID() const;
    void setSessionID(const QString& sessionID);
    [[nodiscard]] QString token() const;
    void setToken(const QString& token);
    // The login id while logged on, otherwise the messaging user's temporary id.
    [[nodiscard]] qint64 userId() const;

private:
    mutable std::mutex mutex_;
    bool logonSuccess_ = false;
    qint64 loginID_ = 0;
    QString sessionID_;
    QString token_;
};
