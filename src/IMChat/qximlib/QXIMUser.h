#pragma once

#include <QString>
#include <QtGlobal>

#include <mutex>
#include <optional>

// The current user as the messaging library sees it. One shared object, read from the
// main thread and from the messaging library's queue, so every accessor takes its lock.
class QXIMUser {
public:
    QXIMUser() = default;
    QXIMUser(const QXIMUser&) = delete;
    QXIMUser& operator=(const QXIMUser&) = delete;

    // The one messaging user, made on first use.
    static QXIMUser& shared();
    // Makes the shared user a fresh one again: the guest, with no key, token, name or picture.
    static void forceRelease();

    // The guest id: the id before any user is set, which the messaging library treats as
    // nobody signed in. Derived from the request layer's fixed fallback user id.
    [[nodiscard]] static qint64 getDefaultUserid();
    // Whether `userId` names somebody: neither 0 nor the guest id.
    [[nodiscard]] static bool isSignedInId(qint64 userId);

    // The numeric id (the guest id until one is set).
    [[nodiscard]] qint64 userId() const;
    void setUserId(qint64 userId);
    // The user's key: the application's user id; "" when none is set, never absent.
    [[nodiscard]] QString userKey() const;
    void setUserKey(const QString& userKey);
    // The token the request headers carry as "token"; nothing when there is none.
    [[nodiscard]] std::optional<QString> token() const;
    void setToken(std::optional<QString> token);
    // The display name outgoing messages carry; "游客" while none is set.
    [[nodiscard]] QString userName() const;
    void setUserName(const QString& userName);
    // The user's own avatar URL, as the send replies report it.
    [[nodiscard]] QString userHeadPic() const;
    void setUserHeadPic(const QString& userHeadPic);

private:
    mutable std::mutex mutex_;
    qint64 userId_ = getDefaultUserid();
    QString userKey_ = QLatin1String("");
    std::optional<QString> token_;
    QString userName_;
    QString userHeadPic_;
};
