#pragma once

#include <QString>
#include <QVariantMap>

// An exception as the analytics record it: its name, its reason and its user info.
struct StatisticsException {
    QString name;
    QString reason;
    QVariantMap userInfo;
};

// The one way screens record analytics events: through the analytics wrappers of QXUtil.
class StatisticsForAnalytics {
public:
    static void event(const QString& eventId);
    static void event(const QString& eventId, const QVariantMap& info);
    // The exception's user info, plus "name" and "reason" when they are not empty.
    static void event(const QString& eventId, const StatisticsException& exception);
};
