#include "needs/QXNeedHistoryItem.h"

#include "needs/NeedFilterFile.h"
#include "needs/QXNeedSentence.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "net/QXNetContext.h"

namespace {

// The names the need form offers when the city's list has none: whole flats by rooms,
// shared flats by the kind of place, and the lists' first value, no limit.
QString fallbackName(int code, bool sharedFlat) {
    if (code == -1) return QXNeedSentence::kNoLimit;
    if (sharedFlat) {
        if (code == 1) return QStringLiteral("合租单间");
        if (code == 2) return QStringLiteral("合租床位");
        return {};
    }
    switch (code) {
        case 1:
            return QStringLiteral("一室");
        case 2:
            return QStringLiteral("两室");
        case 3:
            return QStringLiteral("三室");
        default:
            return code >= 4 ? QXNeedSentence::kFourRoomsAndMore : QString();
    }
}

}  // namespace

std::shared_ptr<QXNeedHistoryItem> QXNeedHistoryItem::loadItemWithDictionary(
    const QVariantMap& row) {
    return std::make_shared<QXNeedHistoryItem>(row);
}

QXNeedHistoryItem::QXNeedHistoryItem(const QVariantMap& row) {
    const QString rentOrBuy = row.value(QStringLiteral("rentOrBuy")).toString();
    needHouseDoorString = houseTypeNames(row.value(QStringLiteral("huxing")), rentOrBuy);
    needAddressString = row.value(QStringLiteral("location")).toString();
    needType = QString::number(rentOrBuy.toInt());
    needHistoryTimeString = timeToNow(row.value(QStringLiteral("time")));
    audioUrl = row.value(QStringLiteral("voiceUrl")).toString();
    audioLength = row.contains(QStringLiteral("v_len"))
                      ? row.value(QStringLiteral("v_len")).toString()
                      : QStringLiteral("0");
    agentNum = row.value(QStringLiteral("u_count")).toString();
    needPriceString = row.value(QStringLiteral("priceName")).toString();
}

QString QXNeedHistoryItem::timeToNow(const QVariant& time) {
    return QXIMUtil::timeToNow(qint64(time.toDouble()));
}

QString QXNeedHistoryItem::loadTextHouseDoorByIndex(const QString& code, const QString& rentOrBuy) {
    const QString name = NeedFilterFile::houseTypeName(
        code, rentOrBuy, QXNetContext::shared()->currentCityScript_index());
    if (!name.isEmpty()) return name;
    return fallbackName(code.toInt(), rentOrBuy.toInt() == 3);
}

QString QXNeedHistoryItem::houseTypeName(int code, const QString& rentOrBuy) {
    return loadTextHouseDoorByIndex(QString::number(code), rentOrBuy);
}

QString QXNeedHistoryItem::houseTypeNames(const QVariant& huxing, const QString& rentOrBuy) {
    const QString text = huxing.toString();
    if (text.isEmpty()) return {};
    return QXNeedSentence::houseTypesOfRow(text, rentOrBuy, &houseTypeName);
}

QString QXNeedHistoryItem::getInfoWithDic(const QVariantMap& row) {
    return QXNeedSentence::fromNeedRow(row, &houseTypeName);
}
