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

    // The numeric id (the anonymous login id until a logon).
    [[nodiscard]] qint64 userId() const;
    void setUserId(qint64 userId);
    // The user's key: the application's user id; "" when none is set, never absent.
    [[nodiscard]] QString userKey() const;
    void setUserKey(const QString& userKey);
    // The token the request headers carry as "token"; nothing when there is none.
    [[nodiscard]] std::optional<QString> token() const;
    void setToken(std::optional<QString> token);
    [[nodiscard]] QString name() const;
    void setName(const QString& name);
    [[nodiscard]] QString picture() const;
    void setPicture(const QString& picture);

private:
    mutable std::mutex mutex_;
    qint64 userId_ = 0;
    QString userKey_ = QLatin1String("");
    std::optional<QString> token_;
    QString name_;
    QString picture_;
};
