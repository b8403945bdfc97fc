#pragma once

#include <QString>
#include <QtGlobal>

#include <mutex>

// Posted (object: the user info) when the user's details arrive with a logon.
inline const QString kUserInfoGetSuccessedNotification = QStringLiteral("QXUserInfoGetSuccessed");

// The logged-on user and the logon state, kept in user defaults under "loginID",
// "sessionID", "token", "loginName", "wapSessionId" and "lastLogonState" between runs.
// Every change of the logon moves the messaging user with it (id, token and name, each as it
// changes), so that the chat talks as the user the rest of the app knows.
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
    [[nodiscard]] QString loginName() const;
    void setLoginName(const QString& name);
    // The login id while logged on, otherwise the messaging user's temporary id.
    [[nodiscard]] qint64 userId() const;

    // Loads the stored logon: logged on when "lastLogonState" is YES and a login id is stored.
    void readFromUserDefault();
    // Stores the logon in memory to user defaults (after a logon).
    void saveToUserDefault() const;
    // Ends the logon in memory: the login id goes back to the stored "anonymousLoginId";
    // session, token and name are cleared. The messaging user becomes the anonymous one and
    // the messaging service listens for it.
    void removeMemoryLogonInfo();
    // The installation's anonymous id, as the server gave it: the messaging user while nobody
    // is logged on. A logged-on user stays the messaging user; the id waits in user defaults
    // ("anonymousLoginId") for the logoff.
    void setAnonymousLoginId(qint64 anonymousLoginId);
    // Removes the stored keys of the logon.
    static void removeFileLogonInfo();
    // Tells whoever listens that the user's details have arrived.
    void postDetailsArrived();
    // After a logon's reply or a logoff: when the messaging user is no longer `listened`, the
    // messaging service (when it runs) listens for the new one. A logon renewed for the same
    // user restarts nothing (the stream may be closed on purpose meanwhile).
    static void restartMessagingIfMoved(qint64 listened);

private:
    // The messaging user as this logon makes it: while logged on the login id, token and
    // name; logged off no token and no name.
    void writeMessagingUser() const;

    mutable std::mutex mutex_;
    bool logonSuccess_ = false;
    qint64 loginID_ = 0;
    QString sessionID_;
    QString token_;
    QString loginName_;
};
