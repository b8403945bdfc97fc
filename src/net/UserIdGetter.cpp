#include "net/UserIdGetter.h"

#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"

#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kInterface = QStringLiteral("userRegister");
const QString kUserIdKey = QStringLiteral("userId");
const QString kAnonymousLoginIdKey = QStringLiteral("anonymousLoginId");

// The user id of a reply: a text, or a number written as text; nil when there is none.
QVariant userIdOf(const QVariant& reply) {
    const QVariant value = Tolerant(reply)[QStringLiteral("userid")].value();
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString().isEmpty() ? QVariant() : value;
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Double:
            return value.toString();
        default:
            return {};
    }
}

}  // namespace

void UserIdGetter::queryUserId() {
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(RequestHeaderSet::anonymousUserId());
    // The reply holds the getter: one started and let go (as at launch) still takes its
    // id, or its fallback and its retries.
    request.requestWithUrlWithMethod(
        EndpointTable::dataShareEndpoint(), kInterface, QString(), QStringLiteral("GET"),
        [self = shared_from_this()](const QVariant& reply) {
            // A reply that names no user id (not JSON, an error envelope) must not become
            // the user id: the getter keeps asking.
            const QVariant userId = userIdOf(reply);
            if (!userId.isValid()) {
                self->failed();
                return;
            }
            self->succeeded(userId, Tolerant(reply)[kAnonymousLoginIdKey].value());
        },
        [self = shared_from_this()](const QVariantMap&) { self->failed(); });
}

void UserIdGetter::succeeded(const QVariant& userId, const QVariant& anonymousLoginId) {
    if (getterTimer_) getterTimer_->invalidate();
    const auto context = QXNetContext::shared();
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    context->setUserId(userId.toString());
    defaults.setObject(userId.toString(), kUserIdKey);
    if (anonymousLoginId.isValid()) {
        const qint64 loginId = anonymousLoginId.toLongLong();
        context->setIMUserId(loginId);
        defaults.setInteger(loginId, kAnonymousLoginIdKey);
    } else {
        defaults.removeObjectForKey(kAnonymousLoginIdKey);
    }
    gotFailed_ = false;
    context->imUserChanged();
}

void UserIdGetter::failed() {
    gotFailed_ = true;
    QXNetContext::shared()->setUserId(EndpointTable::fallbackUserId());
    // One retry timer at a time, kept until a real id arrives.
    if (getterTimer_ && getterTimer_->isValid()) return;
    getterTimer_ = ns::Timer::scheduledTimer(
        kRetryInterval, true, [self = shared_from_this()](ns::Timer&) { self->queryUserId(); });
}
