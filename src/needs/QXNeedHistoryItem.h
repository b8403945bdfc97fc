#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

// One published need as the need history's card shows it, read from its stored row: the
// house types by name, the place, the kind, the time relative to now, the voice note, the
// number of brokers who answered and the price. It also remakes the need's sentence from the
// row, for the first message of a broker's conversation.
class QXNeedHistoryItem {
public:
    [[nodiscard]] static std::shared_ptr<QXNeedHistoryItem> loadItemWithDictionary(
        const QVariantMap& row);
    explicit QXNeedHistoryItem(const QVariantMap& row);

    // The need sentence of a stored row (no extra terms: the row keeps none).
    [[nodiscard]] static QString getInfoWithDic(const QVariantMap& row);
    // Relative time of a time in seconds since 1970, as the conversation list words it.
    [[nodiscard]] static QString timeToNow(const QVariant& time);
    // The name of a house-type code of a kind of need: the city's filter list names it (the
    // last entry with that value of the last "huxing_shi" or "share_mode" list); where the
    // list is missing or does not name it, the names the need form offers. Empty for a
    // code neither knows.
    [[nodiscard]] static QString loadTextHouseDoorByIndex(const QString& code,
                                                          const QString& rentOrBuy);
    // The name of a house-type code of a kind of need, as the need sentence asks it.
    [[nodiscard]] static QString houseTypeName(int code, const QString& rentOrBuy);
    // The names of a row's `huxing`: a JSON array of codes, or one code; joined with nothing
    // between them.
    [[nodiscard]] static QString houseTypeNames(const QVariant& huxing, const QString& rentOrBuy);

    QString needHouseDoorString;
    QString needAddressString;
    QString needType;
    QString needHistoryTimeString;
    QString audioUrl;
    QString audioLength;
    QString agentNum;
    QString needPriceString;
};
