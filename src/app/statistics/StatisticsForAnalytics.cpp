#include "app/statistics/StatisticsForAnalytics.h"

#include "app/QXUtil.h"

void StatisticsForAnalytics::event(const QString& eventId) {
    QXUtil::mobEvent(eventId);
}

void StatisticsForAnalytics::event(const QString& eventId, const QVariantMap& info) {
    QXUtil::mobEvent(eventId, info);
}

void StatisticsForAnalytics::event(const QString& eventId, const StatisticsException& exception) {
    QVariantMap attributes = exception.userInfo;
    if (!exception.name.isEmpty()) attributes.insert(QStringLiteral("name"), exception.name);
    if (!exception.reason.isEmpty()) attributes.insert(QStringLiteral("reason"), exception.reason);
    QXUtil::mobEvent(eventId, attributes);
}
