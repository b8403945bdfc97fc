#include "account/UserLogonData.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "account/FailureAlert.h"
#include "account/QXUserInfo.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "net/transport/NKHTTPRequestOperation.h"
#include "platform/foundation/url_response.h"
#include "util/categories/Tolerant.h"

namespace {

// The logon's values from the reply's headers, when it sent them.
void takeLogonHeaders(QXUserInfo& userInfo) {
    const auto operation = QXIMRequest::shared()._operation();
    const auto response =
        operation ? std::dynamic_pointer_cast<const ns::HTTPURLResponse>(operation->response())
                  : nullptr;
    if (!response) return;
    const ns::HTTPHeaderFields& headers = response->allHeaderFields();
    if (const QString session = headers.value(QStringLiteral("Sessionid")); !session.isEmpty()) {
        userInfo.setSessionID(session);
    }
    if (const QString token = headers.value(QStringLiteral("Token")); !token.isEmpty()) {
        userInfo.setToken(token);
    }
    if (const qint64 id = headers.value(QStringLiteral("LoginId")).toLongLong(); id > 0) {
        userInfo.setLoginID(id);
    }
    if (const QString name = headers.value(QStringLiteral("LoginName")); !name.isEmpty()) {
        userInfo.setLoginName(name);
    }
}

void call(const QString& interface, const QString& body, std::function<void()> onSuccess,
          UserLogonData::Failure failure) {
    QXIMRequest::shared().addValuesFormDic(RequestHeaderSet::usersEndpoint(interface, true));
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::usersEndpoint(), interface, body,
        [onSuccess = std::move(onSuccess), failure](const QVariant& reply) {
            const Tolerant answer(reply);
            if (!answer["status"].isNil() && answer["status"].intValue() == 0) {
                onSuccess();
            } else if (failure) {
                failure(answer["errDetail"].toString());
            }
        },
        [failure](const QVariantMap& transportFailure) {
            // A call cancelled by a later one of the same kind ends with that later call: read
            // as a failure, a repeated automatic logon would log the user out.
            if (wasCancelled(transportFailure)) return;
            // The transport's own wording is no reason to show a user: the failure has none.
            if (failure) failure(QString());
        });
}

}  // namespace

void UserLogonData::startHttpRequestWithLoginID(const QString& loginID, QXUserInfo& userInfo,
                                                Success success, Failure failure) {
    call(
        kAutoLoginInterface, FormBody().add(QStringLiteral("loginId"), loginID).text(),
        [&userInfo, success = std::move(success)] {
            const qint64 listened = QXIMUser::shared().userId();
            takeLogonHeaders(userInfo);
            QXUserInfo::restartMessagingIfMoved(listened);
            userInfo.postDetailsArrived();
            if (success) success();
        },
        std::move(failure));
}

void UserLogonData::logonWithName(const QString& name, QXUserInfo& userInfo, Success success,
                                  Failure failure) {
    call(
        kLogonInterface, FormBody().add(QStringLiteral("loginName"), name).text(),
        [&userInfo, success = std::move(success)] {
            const qint64 listened = QXIMUser::shared().userId();
            userInfo.setLogonSuccess(true);
            takeLogonHeaders(userInfo);
            QXUserInfo::restartMessagingIfMoved(listened);
            userInfo.saveToUserDefault();
            userInfo.postDetailsArrived();
            if (success) success();
        },
        std::move(failure));
}

void UserLogonData::autoLogoutRequestWithSuccess(qint64 loginID, Success success, Failure failure) {
    call(
        kLogoutInterface,
        FormBody().add(QStringLiteral("loginId"), QString::number(loginID)).text(),
        [success = std::move(success)] {
            if (success) success();
        },
        std::move(failure));
}
