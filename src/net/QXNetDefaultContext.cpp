#include "net/QXNetDefaultContext.h"

#include "net/EndpointTable.h"

QString QXNetDefaultContext::userId() const {
    const std::lock_guard lock(mutex_);
    return userId_.isEmpty() ? EndpointTable::fallbackUserId() : userId_;
}

int QXNetDefaultContext::currentCityScript_index() const {
    const std::lock_guard lock(mutex_);
    return cityScriptIndex_;
}

qint64 QXNetDefaultContext::currentCityId() const {
    const std::lock_guard lock(mutex_);
    return cityId_;
}

bool QXNetDefaultContext::connectionReachabil() const {
    const std::lock_guard lock(mutex_);
    return reachable_;
}

QXNetLogon QXNetDefaultContext::logonState() const {
    const std::lock_guard lock(mutex_);
    return logon_;
}

QString QXNetDefaultContext::imUserKey() const {
    const std::lock_guard lock(mutex_);
    return imUserKey_;
}

std::optional<QString> QXNetDefaultContext::imUserToken() const {
    const std::lock_guard lock(mutex_);
    return imUserToken_;
}

QString QXNetDefaultContext::deviceId() const {
    const std::lock_guard lock(mutex_);
    return deviceId_;
}

void QXNetDefaultContext::setUserId(const QString& userId) {
    const std::lock_guard lock(mutex_);
    userId_ = userId;
}

void QXNetDefaultContext::setIMUserId(qint64 userId) {
    const std::lock_guard lock(mutex_);
    imUserId_ = userId;
}

void QXNetDefaultContext::imUserChanged() {
    const std::lock_guard lock(mutex_);
    ++imUserChangedCount_;
}

qint64 QXNetDefaultContext::imUserId() const {
    const std::lock_guard lock(mutex_);
    return imUserId_;
}

int QXNetDefaultContext::imUserChangedCount() const {
    const std::lock_guard lock(mutex_);
    return imUserChangedCount_;
}

void QXNetDefaultContext::setCurrentCityId(qint64 cityId) {
    const std::lock_guard lock(mutex_);
    cityId_ = cityId;
}

void QXNetDefaultContext::setCurrentCityScript_index(int index) {
    const std::lock_guard lock(mutex_);
    cityScriptIndex_ = index;
}

void QXNetDefaultContext::setConnectionReachabil(bool reachable) {
    const std::lock_guard lock(mutex_);
    reachable_ = reachable;
}

void QXNetDefaultContext::setLogonState(const QXNetLogon& logon) {
    const std::lock_guard lock(mutex_);
    logon_ = logon;
}

void QXNetDefaultContext::setIMUserKey(const QString& key) {
    const std::lock_guard lock(mutex_);
    // The key is never absent: nothing reads as the empty text.
    imUserKey_ = key.isNull() ? QLatin1String("") : key;
}

void QXNetDefaultContext::setIMUserToken(std::optional<QString> token) {
    const std::lock_guard lock(mutex_);
    imUserToken_ = std::move(token);
}

void QXNetDefaultContext::setDeviceId(const QString& deviceId) {
    const std::lock_guard lock(mutex_);
    deviceId_ = deviceId;
}
