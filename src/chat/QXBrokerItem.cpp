#include "chat/QXBrokerItem.h"

#include "chat/ChatMedia.h"

#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

std::shared_ptr<QXBrokerItem> QXBrokerItem::loadSuccessDataAboutBrokerDic(
    const QVariantMap& talkRow) {
    return std::make_shared<QXBrokerItem>(talkRow);
}

QXBrokerItem::QXBrokerItem(const QVariantMap& talkRow) {
    const QVariant parsed = json_JSON(talkRow.value(QStringLiteral("o_user")));
    const Tolerant other(parsed);
    if (!other[QStringLiteral("districtName")].isNil()) {
        BrokerCompanyAddress = other[QStringLiteral("districtName")].toString() +
                               other[QStringLiteral("streetName")].toString();
    }
    BrokerCompanyName = other[QStringLiteral("companyName")].toString();
    BrokerNameString = other[QStringLiteral("name")].toString();
    BrokerContent = talkRow.value(QStringLiteral("l_content")).toString();
    BrokerTipCount = QString::number(talkRow.value(QStringLiteral("l_read")).toInt());
    // Times are 64-bit: a 32-bit read would wrap after 2038.
    BrokerTime = QString::number(talkRow.value(QStringLiteral("u_time")).toLongLong());
    BrokerImageUrl = ChatMedia::mediaAddress(other[QStringLiteral("picUrl")].toString());
}
