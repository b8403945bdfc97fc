#include "app/QXAppState.h"

#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "account/QXUserInfo.h"
#include "app/QXUtil.h"
#include "app/statistics/Statistics.h"
#include "net/EndpointTable.h"

QXAppState::QXAppState() : userInfo_(std::make_shared<QXUserInfo>()) {}

QXAppState::~QXAppState() = default;

std::shared_ptr<QXAppState> QXAppState::shared() {
    static const auto state = std::make_shared<QXAppState>();
    return state;
}

QString QXAppState::userId() const {
    const std::lock_guard lock(mutex_);
    // The headers must never go out without a user id.
    return userId_.isEmpty() ? EndpointTable::fallbackUserId() : userId_;
}

void QXAppState::setUserId(const QString& userId) {
    {
        const std::lock_guard lock(mutex_);
        if (userId_ == userId) return;
        userId_ = userId;
    }
    QXIMUser::shared().setUserKey(userId);
}

void QXAppState::setIMUserId(qint64 userId) {
    userInfo_->setAnonymousLoginId(userId);
}

void QXAppState::imUserChanged() {
    if (const auto service = QXIMService::sharedIfStarted()) service->userChanged();
}

qint64 QXAppState::currentCityId() const {
    const std::lock_guard lock(mutex_);
    return cityId_;
}

void QXAppState::setCurrentCityId(qint64 cityId) {
    const std::lock_guard lock(mutex_);
    cityId_ = cityId;
}

int QXAppState::currentCityScript_index() const {
    const std::lock_guard lock(mutex_);
    return cityScriptIndex_;
}

void QXAppState::setCurrentCityScript_index(int index) {
    const std::lock_guard lock(mutex_);
    cityScriptIndex_ = index;
}

bool QXAppState::connectionReachabil() const {
    const std::lock_guard lock(mutex_);
    return reachable_;
}

void QXAppState::setConnectionReachabil(bool reachable) {
    const std::lock_guard lock(mutex_);
    reachable_ = reachable;
}

QXNetLogon QXAppState::logonState() const {
    QXNetLogon logon;
    logon.loginID = userInfo_->loginID();
    logon.userId = userInfo_->userId();
    // Session and token belong to a logon: a logged-off state sends neither.
    if (userInfo_->logonSuccess()) {
        logon.sessionID = userInfo_->sessionID();
        logon.token = userInfo_->token();
    }
    return logon;
}

QString QXAppState::imUserKey() const {
    return QXIMUser::shared().userKey();
}

std::optional<QString> QXAppState::imUserToken() const {
    return QXIMUser::shared().token();
}

QString QXAppState::deviceId() const {
    return QXUtil::macaddress();
}

QString QXAppState::newSeqId() const {
    return Statistics::NewSeqId();
}

QString QXAppState::timeStamp() const {
    return Statistics::getTimeStamp();
}

qint32 QXAppState::timeInterval() const {
    return Statistics::getTimeInterval();
}
