#pragma once

#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"

#include <QString>
#include <QtGlobal>

// The service calls that several screens share: housing news and home banners, the
// houses and the subscriptions of a need, the brokers near a need, a broker's shop data
// and users' online state. Each builds its header set and body, installs the headers on
// the shared request object and sends; the callbacks get what the request object hands
// over (the parsed reply, or a TransportFailure dictionary), on the main queue.
class QXNetConnection {
public:
    using SuccessBlock = QXIMRequest::SuccessBlock;
    using FailureBlock = QXIMRequest::FailureBlock;

    // Actions of requestManageSubscribeWithID.
    enum SubscribeAction : int { kSubscribe = 1, kCancelSubscription = 4, kListSubscriptions = 5 };

    QXNetConnection() = default;
    QXNetConnection(const QXNetConnection&) = delete;
    QXNetConnection& operator=(const QXNetConnection&) = delete;

    // The one instance, made on first use.
    static QXNetConnection& sharedInstance();

    // The common header set of a data-share call of `interface`.
    [[nodiscard]] RequestHeaderSet headerConnection(const QString& interface) const;

    // "CommonConsultList": a page of housing news; the headers also carry the device id.
    void requestNewsDataWithSuccess(SuccessBlock success, FailureBlock failure, int pageIndex);
    // "CommonOperateList": the home banners of the current city.
    void requestBannerDataWithSuccess(SuccessBlock success, FailureBlock failure);
    // "HousingAppCInfo": a batch of the houses recommended for a need.
    void requestSubscribeHouseListWithRequestId(const QString& requestId, int page,
                                                qint64 subscribeId, SuccessBlock success,
                                                FailureBlock failure);
    // "HousingRequestInfo" with the caller's body as it stands.
    void requestNearByAgentInfoWithParameter(const QString& parameter, SuccessBlock success,
                                             FailureBlock failure);
    // "GetUserPrivilegeByUserId": a broker's shop data.
    void requestAgentInfoWithAgentId(const QString& agentId, SuccessBlock success,
                                     FailureBlock failure);
    // "CommonSubscribe" on the push server; `majorId` is not sent.
    void requestManageSubscribeWithID(const QString& subscribeId, int actionType, int majorId,
                                      SuccessBlock success, FailureBlock failure);
    // "GetUserStatuss" on the backend root: the online state of the users.
    void requestUserStatusWithuserIds(const QString& userIds, SuccessBlock success,
                                      FailureBlock failure);

    // The body of a subscription call: "act=N", then by action: 1 the login and the
    // post's id as conditions, 4 the subscription id and the login, 5 the login; nothing
    // more for any other action.
    [[nodiscard]] static QString manageSubscribeBody(const QString& id, int actionType,
                                                     qint64 loginId);
};
