#pragma once

#include <QString>
#include <QStringList>

// The analytics event ids screens record, in their fixed table order. Ids are sent exactly
// as spelled, spaces and misspellings included, since the reports count them by text.
class StatisticsEventIds {
public:
    // The 119 ids, index 0 "start" to 118 "pviewer_lastpage_call".
    [[nodiscard]] static const QStringList& table();
    // The id at `index` of the table; an empty text outside it.
    [[nodiscard]] static QString at(int index);

    // The ids the app shell records itself, by their table index.
    enum Index {
        kStart = 0,
        kExit = 1,
        kAgreedToUpdate = 2,
        kDoNotUpdate = 3,
        kAgreedToForcedUpdate = 4,
        kCommunicateShow = 9,
        kHousesRecordShow = 10,
        kHomeShow = 11,
        kMeShow = 12,
    };
};
