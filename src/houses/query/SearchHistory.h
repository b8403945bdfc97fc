#pragma once

#include <QString>
#include <QStringList>

// The keywords searched so far, shared by every screen that searches. They are kept in user
// defaults under "searchHistoryDictionary": a dictionary whose keys are the keywords and
// whose values are all "111", as stored files have always held them. A dictionary keeps no
// order, so the order of recording is kept beside it under "searchHistoryOrder": the
// newest keywords are listed first, and when the store is full the oldest one gives way, so
// that the store never grows without bound.
class SearchHistory {
public:
    static inline const QString kStoreKey = QStringLiteral("searchHistoryDictionary");
    static inline const QString kOrderKey = QStringLiteral("searchHistoryOrder");
    static inline const QString kStoredValue = QStringLiteral("111");
    static constexpr int kMaxKeywords = 2000;

    // Records a keyword; one already there stays one entry and becomes the newest. An empty
    // keyword is not recorded.
    static void record(const QString& keyword);
    // Empties the store.
    static void clear();
    // The keywords, newest first; keywords of the dictionary with no recorded order (kept
    // by an older version) come last, in the dictionary's order.
    [[nodiscard]] static QStringList keywords();
};
