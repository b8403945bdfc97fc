#include "IMChat/qximlib/QXIMUser.h"

#include "net/EndpointTable.h"

QXIMUser& QXIMUser::shared() {
    static QXIMUser user;
    return user;
}

void QXIMUser::forceRelease() {
    qInfo("Force release QXIMUser");
    QXIMUser& user = shared();
    const std::lock_guard lock(user.mutex_);
    user.userId_ = getDefaultUserid();
    user.userKey_ = QLatin1String("");
    user.token_.reset();
    user.userName_.clear();
    user.userHeadPic_.clear();
}

qint64 QXIMUser::getDefaultUserid() {
    // The first eight hexadecimal digits of the fallback id with the top bit of 32 set:
    // a fixed value between 2^31 and 2^32.
    static const qint64 guestId = static_cast<qint64>(
        EndpointTable::fallbackUserId().left(8).toUInt(nullptr, 16) | 0x80000000u);
    return guestId;
}

bool QXIMUser::isSignedInId(qint64 userId) {
    return userId != 0 && userId != getDefaultUserid();
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

QString QXIMUser::userName() const {
    const std::lock_guard lock(mutex_);
    return userName_.isEmpty() ? QStringLiteral("游客") : userName_;
}

void QXIMUser::setUserName(const QString& userName) {
    const std::lock_guard lock(mutex_);
    userName_ = userName;
}

QString QXIMUser::userHeadPic() const {
    const std::lock_guard lock(mutex_);
    return userHeadPic_;
}

void QXIMUser::setUserHeadPic(const QString& userHeadPic) {
    const std::lock_guard lock(mutex_);
    userHeadPic_ = userHeadPic;
}
