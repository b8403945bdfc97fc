#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

// One broker as an avatar tile shows them, read from a broker dictionary of the service:
// name, picture address (on the image host unless whole), company, user id and credit score.
class QXAgentIconItem {
public:
    [[nodiscard]] static std::shared_ptr<QXAgentIconItem> loadItemWithDictionary(
        const QVariantMap& broker);
    explicit QXAgentIconItem(const QVariantMap& broker);

    QString agentNameString;
    QString agentImageUrlString;
    // Null when the broker names no company.
    QString agentCompanyNameString;
    QString agentIdString;
    QString agentStartString;
};
