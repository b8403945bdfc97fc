#pragma once

#include "analytics/StatClick.h"

#include <QStringList>

// The analytics log of the test's sandbox, oldest first: an event as its id, a timed event's
// start and end as "begin <id>" and "end <id>".
inline QStringList recordedEvents() {
    QStringList events;
    for (const QVariant& record : StatClick::records()) {
        const QVariantMap map = record.toMap();
        const QString kind = map.value("kind").toString();
        const QString id = map.value("id").toString();
        if (kind == "event") events << id;
        if (kind == "begin" || kind == "end") events << kind + ' ' + id;
    }
    return events;
}
