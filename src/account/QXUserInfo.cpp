#include "account/QXUserInfo.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/user_defaults.h"

namespace {
const QString kLoginID = QStringLiteral("loginID");
const QString kSessionID = QStringLiteral("sessionID");
const QString kToken = QStringLiteral("token");
const QString kLoginName = QStringLiteral("loginName");
const QString kWapSessionId = QStringLiteral("wapSessionId");
const QString kLastLogonState = QStringLiteral("lastLogonState");
const QString kAnonymousLoginId = QStringLiteral("anonymousLoginId");
}  // namespace

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

QString QXUserInfo::loginName() const {
    const std::lock_guard lock(mutex_);
    return loginName_;
}

void QXUserInfo::setLoginName(const QString& name) {
    const std::lock_guard lock(mutex_);
    loginName_ = name;
}

void QXUserInfo::readFromUserDefault() {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    const qint64 stored = defaults.integerForKey(kLoginID);
    const std::lock_guard lock(mutex_);
    logonSuccess_ = defaults.boolForKey(kLastLogonState) && stored > 0;
    loginID_ = logonSuccess_ ? stored : defaults.integerForKey(kAnonymousLoginId);
    sessionID_ = logonSuccess_ ? defaults.stringForKey(kSessionID) : QString();
    token_ = logonSuccess_ ? defaults.stringForKey(kToken) : QString();
    loginName_ = logonSuccess_ ? defaults.stringForKey(kLoginName) : QString();
}

void QXUserInfo::saveToUserDefault() const {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    const std::lock_guard lock(mutex_);
    defaults.setObject(loginID_, kLoginID);
    defaults.setObject(sessionID_, kSessionID);
    defaults.setObject(token_, kToken);
    defaults.setObject(loginName_, kLoginName);
    defaults.setBool(logonSuccess_, kLastLogonState);
    defaults.synchronize();
}

void QXUserInfo::removeMemoryLogonInfo() {
    const qint64 anonymous =
        ns::UserDefaults::standardUserDefaults().integerForKey(kAnonymousLoginId);
    const std::lock_guard lock(mutex_);
    loginID_ = anonymous;
    sessionID_.clear();
    token_.clear();
    loginName_.clear();
    logonSuccess_ = false;
}

void QXUserInfo::removeFileLogonInfo() {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    for (const QString& key : {kLoginID, kSessionID, kToken, kLoginName, kWapSessionId}) {
        defaults.removeObjectForKey(key);
    }
    defaults.synchronize();
}

void QXUserInfo::postDetailsArrived() {
    ns::NotificationCenter::defaultCenter().post(kUserInfoGetSuccessedNotification, this);
}
