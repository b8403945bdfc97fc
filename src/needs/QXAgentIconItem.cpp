#include "needs/QXAgentIconItem.h"

#include "net/EndpointTable.h"

std::shared_ptr<QXAgentIconItem> QXAgentIconItem::loadItemWithDictionary(
    const QVariantMap& broker) {
    return std::make_shared<QXAgentIconItem>(broker);
}

QXAgentIconItem::QXAgentIconItem(const QVariantMap& broker) {
    agentNameString = broker.value(QStringLiteral("name")).toString();
    const QString image = broker.value(QStringLiteral("image")).toString();
    agentImageUrlString = image.startsWith(QStringLiteral("http"))
                              ? image
                              : QStringLiteral("%1/%2").arg(EndpointTable::imageHost(), image);
    const QVariant company = broker.value(QStringLiteral("CompanySimpleName"));
    if (company.isValid() && !company.isNull() && !company.toString().isEmpty())
        agentCompanyNameString = company.toString();
    agentIdString = broker.value(QStringLiteral("ucUserId")).toString();
    agentStartString = broker.value(QStringLiteral("creditScore")).toString();
}
