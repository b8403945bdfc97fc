#pragma once

#include "net/QXIMRequest.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class QXUserInfoNetwork;

// Hears the profile that getUserInfo() fetched.
class QXUserInfoNetworkDelegate {
public:
    virtual ~QXUserInfoNetworkDelegate();
    // The profile arrived; it is in the network object's resultDic().
    virtual void newNetWorkForQXUerInfo(QXUserInfoNetwork& network);
};

// The logged-on user's profile from the users server, fetched either for a delegate or
// for a pair of callbacks. The logon state (login id, session, token) is read when a call
// starts. A pending call can be cancelled: after cancelNetworkForGetUserInfo() no success
// reaches anybody, and the delegate is held weakly, so a delegate that has gone away is
// never called.
class QXUserInfoNetwork : public std::enable_shared_from_this<QXUserInfoNetwork> {
public:
    using SuccessBlock = std::function<void(const QVariantMap& profile)>;
    using FailureBlock = QXIMRequest::FailureBlock;

    // The interface name the pending call is known by, for cancelling it.
    static inline const QString kInterface = QStringLiteral("GetUserInfo");

    QXUserInfoNetwork() = default;
    QXUserInfoNetwork(const QXUserInfoNetwork&) = delete;
    QXUserInfoNetwork& operator=(const QXUserInfoNetwork&) = delete;

    // Fetches the profile for the delegate: a dictionary reply is kept in resultDic() and
    // the delegate told; any other reply, and a failure, change nothing.
    void getUserInfo();
    // Fetches the profile for the callbacks: a dictionary reply is kept in resultDic() and
    // handed to `success` unless the call was cancelled; another kind of reply calls
    // nothing; a failure (a cancellation too, "Code=-999" in its "msg") goes to `failure`.
    void getUserInfoWithSuccess(SuccessBlock success, FailureBlock failure);
    // Cancels the pending call.
    void cancelNetworkForGetUserInfo();

    [[nodiscard]] std::shared_ptr<QXUserInfoNetworkDelegate> responseVc() const {
        return responseVc_.lock();
    }
    void setResponseVc(std::weak_ptr<QXUserInfoNetworkDelegate> responseVc) {
        responseVc_ = std::move(responseVc);
    }
    [[nodiscard]] const QVariantMap& resultDic() const { return resultDic_; }
    void setResultDic(const QVariantMap& resultDic) { resultDic_ = resultDic; }
    // The URL of the pending (or last) call.
    [[nodiscard]] const QString& networkUrl() const { return networkUrl_; }
    [[nodiscard]] bool isCancel() const { return isCancel_; }

    // "<API host>/users/GetUserInfo/<login id>?session_id=<session>" of the logon state.
    [[nodiscard]] static QString profileUrl();

private:
    // Installs the headers of the users server and sends; `handled` gets the reply.
    void send(QXIMRequest::SuccessBlock handled, FailureBlock failure);

    std::weak_ptr<QXUserInfoNetworkDelegate> responseVc_;
    QVariantMap resultDic_;
    QString networkUrl_;
    bool isCancel_ = false;
};
