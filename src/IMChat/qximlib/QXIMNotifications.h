#pragma once

#include "IMChat/qximlib/QXIMMessage.h"

#include <QList>
#include <QString>
#include <QVariantList>

// The notifications the messaging library posts on the main queue (default center).
namespace QXIMNotifications {

// Messages were stored or confirmed. Object: ReceivedMessages (or none, after the welcome
// messages); user info {"m_sid": local id} after a confirmed send.
inline const QString kIMRecieveNotification = QStringLiteral("kIMRecieveNotification");
// A send failed. User info {"m_sids": local ids}.
inline const QString kIMSendErrorNotification = QStringLiteral("kIMSendErrorNotification");
// A stream segment was handled, or a send confirmed.
inline const QString kTalkInfoChange = QStringLiteral("QXIM_NOTIFICATION_TALKINFO_CHANGE_NAME");
// A packet arrived on the stream. User info {"statName": "im_userdetail_receive"}.
inline const QString kStat = QStringLiteral("QXIM_NOTIFICATION_STAT_NAME");

// The object of kIMRecieveNotification: the messages and the talk rows (talk dictionaries
// of QXIMMessage) they changed.
struct ReceivedMessages {
    QList<QXIMMessage> messages;
    QVariantList talks;
};

}  // namespace QXIMNotifications
