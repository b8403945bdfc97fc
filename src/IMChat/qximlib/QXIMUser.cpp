#include "IMChat/qximlib/QXIMUser.h"

QXIMUser& QXIMUser::shared() {
    static QXIMUser user;
    return user;
}

qint64 QXIMUser::userId() const {
    const std::lock_guard lock(mutex_);
    return userId_;
}

void QXIMUser::setUserId(qint64 userId) {
    const std::lock_guard lock(mutex_);
    userId_ = userId;
}

QString QXIMUser::userKey() const {
    const std::lock_guard lock(mutex_);
    return userKey_;
}

void QXIMUser::setUserKey(const QString& userKey) {
    const std::lock_guard lock(mutex_);
    userKey_ = userKey.isNull() ? QLatin1String("") : userKey;
}

std::optional<QString> QXIMUser::token() const {
    const std::lock_guard lock(mutex_);
    return token_;
}

void QXIMUser::setToken(std::optional<QString> token) {
    const std::lock_guard lock(mutex_);
    token_ = std::move(token);
}

QString QXIMUser::name() const {
    const std::lock_guard lock(mutex_);
    return name_;
}

void QXIMUser::setName(const QString& name) {
    const std::lock_guard lock(mutex_);
    name_ = name;
}

QString QXIMUser::picture() const {
    const std::lock_guard lock(mutex_);
    return picture_;
}

void QXIMUser::setPicture(const QString& picture) {
    const std::lock_guard lock(mutex_);
    picture_ = picture;
}
