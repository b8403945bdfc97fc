#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>

// Posts one outgoing packet, the complete-message JSON, to the message server
// ("op=sendmsg"). The reply or the failure goes to the handlers on the main queue with the
// sender, whose user info names the local rows being sent.
class QXIMSender : public std::enable_shared_from_this<QXIMSender> {
public:
    using SuccessHandler = std::function<void(QXIMSender& sender, const QVariant& reply)>;
    using FailureHandler = std::function<void(QXIMSender& sender, const QVariantMap& failure)>;

    QXIMSender(SuccessHandler success, FailureHandler failure)
        : success_(std::move(success)), failure_(std::move(failure)) {}

    // False, without a call, for nobody (0 or the guest); the body is kept either way.
    bool sendMessage(const QString& completeMessage);
    [[nodiscard]] const QString& postString() const { return postString_; }
    [[nodiscard]] const QVariantMap& userInfo() const { return userInfo_; }
    void setUserInfo(const QVariantMap& userInfo) { userInfo_ = userInfo; }
    [[nodiscard]] static QString url(qint64 userId);

private:
    SuccessHandler success_;
    FailureHandler failure_;
    QString postString_;
    QVariantMap userInfo_;
};
