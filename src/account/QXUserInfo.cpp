#include "account/QXUserInfo.h"

#include "IMChat/qximlib/QXIMUser.h"

bool QXUserInfo::logonSuccess() const {
    const std::lock_guard lock(mutex_);
    return logonSuccess_;
}

void QXUserInfo::setLogonSuccess(bool loggedOn) {
    const std::lock_guard lock(mutex_);
    logonSuccess_ = loggedOn;
}

qint64 QXUserInfo::loginID() const {
    const std::lock_guard lock(mutex_);
    return loginID_;
}

void QXUserInfo::setLoginID(qint64 loginID) {
    const std::lock_guard lock(mutex_);
    loginID_ = loginID;
}

QString QXUserInfo::sessionID() const {
    const std::lock_guard lock(mutex_);
    return sessionID_;
}

void QXUserInfo::setSessionID(const QString& sessionID) {
    const std::lock_guard lock(mutex_);
    sessionID_ = sessionID;
}

QString QXUserInfo::token() const {
    const std::lock_guard lock(mutex_);
    return token_;
}

void QXUserInfo::setToken(const QString& token) {
    const std::lock_guard lock(mutex_);
    token_ = token;
}

qint64 QXUserInfo::userId() const {
    {
        const std::lock_guard lock(mutex_);
        if (logonSuccess_) return loginID_;
    }
    return QXIMUser::shared().userId();
}
