#include "net/QXNetConnection.h"

#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/JsonArgsBody.h"
#include "net/QXNetContext.h"

namespace {

const QString kPost = QStringLiteral("POST");

}  // namespace

QXNetConnection& QXNetConnection::sharedInstance() {
    static QXNetConnection instance;
    return instance;
}

RequestHeaderSet QXNetConnection::headerConnection(const QString& interface) const {
    return RequestHeaderSet::dataShare(interface);
}

void QXNetConnection::requestNewsDataWithSuccess(SuccessBlock success, FailureBlock failure,
                                                 int pageIndex) {
    const QString interface = QStringLiteral("CommonConsultList");
    const QString body = FormBody()
                             .add(QStringLiteral("categoryId"), 7)
                             .addNoValue(QStringLiteral("majorCategoryId"))
                             .add(QStringLiteral("pageIndex"), pageIndex)
                             .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(RequestHeaderSet::newsList());
    request.requestWithUrlWithMethod(EndpointTable::dataShareEndpoint(), interface, body, kPost,
                                     std::move(success), std::move(failure));
}

void QXNetConnection::requestBannerDataWithSuccess(SuccessBlock success, FailureBlock failure) {
    const QString interface = QStringLiteral("CommonOperateList");
    const QString body = FormBody()
                             .add(QStringLiteral("cityId"), QXNetContext::shared()->currentCityId())
                             .add(QStringLiteral("pageType"), 1)
                             .addNoValue(QStringLiteral("categoryId"))
                             .addNoValue(QStringLiteral("majorCategoryId"))
                             .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headerConnection(interface));
    request.requestWithUrlWithMethod(EndpointTable::dataShareEndpoint(), interface, body, kPost,
                                     std::move(success), std::move(failure));
}

void QXNetConnection::requestSubscribeHouseListWithRequestId(const QString& requestId, int page,
                                                             qint64 subscribeId,
                                                             SuccessBlock success,
                                                             FailureBlock failure) {
    const QString interface = QStringLiteral("HousingAppCInfo");
    const QString body =
        ClassCallBody()
            .call(QStringLiteral("NevoruSubscribe"), QStringLiteral("getSubscribeHouseList"),
                  {BodyJson::string(requestId), BodyJson::number(page),
                   BodyJson::number(subscribeId)})
            .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headerConnection(interface));
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), interface, body, std::move(success),
                           std::move(failure));
}

void QXNetConnection::requestNearByAgentInfoWithParameter(const QString& parameter,
                                                          SuccessBlock success,
                                                          FailureBlock failure) {
    const QString interface = QStringLiteral("HousingRequestInfo");
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headerConnection(interface));
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), interface, parameter,
                           std::move(success), std::move(failure));
}

void QXNetConnection::requestAgentInfoWithAgentId(const QString& agentId, SuccessBlock success,
                                                  FailureBlock failure) {
    const QString interface = QStringLiteral("GetUserPrivilegeByUserId");
    const QString body = FormBody()
                             .add(QStringLiteral("cityScriptIndex"),
                                  QXNetContext::shared()->currentCityScript_index())
                             .add(QStringLiteral("categoryId"), 7)
                             .add(QStringLiteral("feeType"), 1)
                             .add(QStringLiteral("ucUserId"), agentId)
                             .add(QStringLiteral("pg"), 2)
                             .add(QStringLiteral("pi"), 1)
                             .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headerConnection(interface));
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), interface, body, std::move(success),
                           std::move(failure));
}

QString QXNetConnection::manageSubscribeBody(const QString& id, int actionType, qint64 loginId) {
    FormBody body;
    body.add(QStringLiteral("act"), actionType);
    switch (actionType) {
        case kSubscribe:
            body.add(QStringLiteral("loginId"), loginId)
                .addJson(QStringLiteral("conditions"),
                         BodyJson::object({{QStringLiteral("postId"), BodyJson::string(id)}}));
            break;
        case kCancelSubscription:
            body.add(QStringLiteral("subscribeId"), id).add(QStringLiteral("loginId"), loginId);
            break;
        case kListSubscriptions:
            body.add(QStringLiteral("loginId"), loginId);
            break;
        default:
            break;
    }
    return body.text();
}

void QXNetConnection::requestManageSubscribeWithID(const QString& subscribeId, int actionType,
                                                   int /*majorId*/, SuccessBlock success,
                                                   FailureBlock failure) {
    const QString interface = QStringLiteral("CommonSubscribe");
    const QString body =
        manageSubscribeBody(subscribeId, actionType, QXNetContext::shared()->logonState().userId);
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headerConnection(interface));
    request.requestWithUrl(EndpointTable::pushEndpoint(), interface, body, std::move(success),
                           std::move(failure));
}

void QXNetConnection::requestUserStatusWithuserIds(const QString& userIds, SuccessBlock success,
                                                   FailureBlock failure) {
    const QString interface = QStringLiteral("GetUserStatuss");
    const QString body = JsonArgsBody()
                             .add(QStringLiteral("userids"), userIds)
                             .add(QStringLiteral("mobiletype"), EndpointTable::customerId())
                             .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headerConnection(interface));
    request.requestWithUrl(EndpointTable::backend(), interface, body, std::move(success),
                           std::move(failure));
}
