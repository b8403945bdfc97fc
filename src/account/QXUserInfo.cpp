#include "account/QXUserInfo.h"

#include "IMChat/qximlib/QXIMService.h"
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

// The logon's token as the messaging user carries it: none for an empty one.
std::optional<QString> messagingToken(const QString& token) {
    return token.isEmpty() ? std::nullopt : std::optional<QString>(token);
}
}  // namespace

bool QXUserInfo::logonSuccess() const {
    const std::lock_guard lock(mutex_);
    return logonSuccess_;
}

void QXUserInfo::setLogonSuccess(bool loggedOn) {
    bool changed = false;
    {
        const std::lock_guard lock(mutex_);
        changed = logonSuccess_ != loggedOn;
        logonSuccess_ = loggedOn;
    }
    if (changed) writeMessagingUser();
}

qint64 QXUserInfo::loginID() const {
    const std::lock_guard lock(mutex_);
    return loginID_;
}

void QXUserInfo::setLoginID(qint64 loginID) {
    bool moves = false;
    {
        const std::lock_guard lock(mutex_);
        moves = logonSuccess_ && loginID_ != loginID && QXIMUser::isSignedInId(loginID);
        loginID_ = loginID;
    }
    if (moves) QXIMUser::shared().setUserId(loginID);
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
    bool moves = false;
    {
        const std::lock_guard lock(mutex_);
        moves = logonSuccess_ && token_ != token;
        token_ = token;
    }
    if (moves) QXIMUser::shared().setToken(messagingToken(token));
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
    bool moves = false;
    {
        const std::lock_guard lock(mutex_);
        moves = logonSuccess_ && loginName_ != name;
        loginName_ = name;
    }
    if (moves) QXIMUser::shared().setUserName(name);
}

void QXUserInfo::readFromUserDefault() {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    const qint64 stored = defaults.integerForKey(kLoginID);
    {
        const std::lock_guard lock(mutex_);
        logonSuccess_ = defaults.boolForKey(kLastLogonState) && stored > 0;
        loginID_ = logonSuccess_ ? stored : defaults.integerForKey(kAnonymousLoginId);
        sessionID_ = logonSuccess_ ? defaults.stringForKey(kSessionID) : QString();
        token_ = logonSuccess_ ? defaults.stringForKey(kToken) : QString();
        loginName_ = logonSuccess_ ? defaults.stringForKey(kLoginName) : QString();
    }
    writeMessagingUser();
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
    const qint64 listened = QXIMUser::shared().userId();
    {
        const std::lock_guard lock(mutex_);
        loginID_ = anonymous;
        sessionID_.clear();
        token_.clear();
        loginName_.clear();
        logonSuccess_ = false;
    }
    // Logged off, the messaging user is the installation's anonymous one again (the guest
    // while the server has given none).
    QXIMUser::shared().setUserId(QXIMUser::isSignedInId(anonymous) ? anonymous
                                                                   : QXIMUser::getDefaultUserid());
    writeMessagingUser();
    restartMessagingIfMoved(listened);
}

void QXUserInfo::setAnonymousLoginId(qint64 anonymousLoginId) {
    {
        const std::lock_guard lock(mutex_);
        if (logonSuccess_ && QXIMUser::isSignedInId(loginID_)) return;
    }
    QXIMUser::shared().setUserId(anonymousLoginId);
}

void QXUserInfo::writeMessagingUser() const {
    const std::lock_guard lock(mutex_);
    QXIMUser& user = QXIMUser::shared();
    if (logonSuccess_ && QXIMUser::isSignedInId(loginID_)) {
        user.setUserId(loginID_);
        user.setToken(messagingToken(token_));
        user.setUserName(loginName_);
        return;
    }
    // Logged off, the id stays whatever the installation's was given: only the logon's
    // token and name go.
    user.setToken(std::nullopt);
    user.setUserName({});
}

void QXUserInfo::restartMessagingIfMoved(qint64 listened) {
    if (QXIMUser::shared().userId() == listened) return;
    if (const auto service = QXIMService::sharedIfStarted()) service->userChanged();
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
