#pragma once

#include "net/transport/QXHttpConnect.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class QXNetWorkData;

// Hears how a QXNetWorkData request ended; every method is optional. It may also be made
// the connection's delegate, for the upload progress.
class QXNetWorkDataDelegate : public QXHttpConnectDelegate {
public:
    // `successful`: 1 success; 0 failure and -1 time-out while the network is reachable;
    // -2 either while it is not. `statusString` says why it failed (null on success).
    virtual void networkData(QXNetWorkData& request, int successful, const QString& statusString);
};

// The base of the older requests: runs one QXHttpConnect and turns its three actions into
// one delegate call. The delegate is held from the start of a request to its end, so that
// it hears the end; otherwise it is held weakly.
class QXNetWorkData : public std::enable_shared_from_this<QXNetWorkData> {
public:
    // The message of every failure and time-out.
    static const QString kUnreachableMessage;

    QXNetWorkData();
    virtual ~QXNetWorkData();
    QXNetWorkData(const QXNetWorkData&) = delete;
    QXNetWorkData& operator=(const QXNetWorkData&) = delete;

    // Holds the delegate until the request ends and makes this object the connection's
    // target.
    void setHttpConnectFinishedMethod(const std::shared_ptr<QXHttpConnect>& connection);

    // The connection's actions.
    void successData(const QVariant& result, const QVariant& furtherInfo);
    void failedwithFutherInfo(const QVariant& furtherInfo);
    void timeoutwithFutherInfo(const QVariant& furtherInfo);

    // Lets go of the held delegate.
    void finishHttpConnect();
    // finishHttpConnect(), then cancels the connection.
    void cancelHttpConnect();
    [[nodiscard]] int getErrorCode() const { return httpRequest_->errorCode(); }

    // A copy of `fields` with "Accept-Encoding" "gzip" and "ClientTimeStamp", the local
    // time as "yyyy-M-d H:m".
    [[nodiscard]] static QVariantMap setStatisticInfoInHeadField(const QVariantMap& fields);

    // Server errors are not recorded by this request style.
    void logServerError(const QString&) {}
    void logServerError(const QString&, const QVariant&) {}
    void logServerError(const QString&, const QVariant&, const QVariant&) {}
    static void logServerErrorWithName(const QString&, const QVariant&) {}

    [[nodiscard]] std::shared_ptr<QXNetWorkDataDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<QXNetWorkDataDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] const std::shared_ptr<QXHttpConnect>& httpRequest() const { return httpRequest_; }
    [[nodiscard]] const QString& myInterfaceName() const { return myInterfaceName_; }
    void setMyInterfaceName(const QString& name) { myInterfaceName_ = name; }
    [[nodiscard]] const QString& myJsonArgs() const { return myJsonArgs_; }
    void setMyJsonArgs(const QString& jsonArgs) { myJsonArgs_ = jsonArgs; }

private:
    void report(int successful, const QString& statusString);

    std::weak_ptr<QXNetWorkDataDelegate> delegate_;
    std::shared_ptr<QXHttpConnect> httpRequest_;
    // The delegate while a request runs (the "retained" state).
    std::shared_ptr<QXNetWorkDataDelegate> heldDelegate_;
    QString myInterfaceName_;
    QString myJsonArgs_;
};
