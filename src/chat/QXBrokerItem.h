#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

// The other user of one talk as the conversation list and the replied-brokers list show it,
// read from the talk row: name, company, district and street, the last message's contents,
// the unread count, the last update and the picture.
class QXBrokerItem {
public:
    [[nodiscard]] static std::shared_ptr<QXBrokerItem> loadSuccessDataAboutBrokerDic(
        const QVariantMap& talkRow);
    explicit QXBrokerItem(const QVariantMap& talkRow);

    QString BrokerNameString;
    QString BrokerCompanyAddress;
    QString BrokerCompanyName;
    QString BrokerContent;
    QString BrokerTipCount;
    QString BrokerTime;
    QString BrokerTeleNum;
    QString BrokerImageUrl;
};
