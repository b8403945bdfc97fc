#include "needs/QXNeedHistoryItem.h"

#include "needs/NeedSentence.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "location/DocumentFolder.h"
#include "net/QXNetContext.h"
#include "net/transport/Json.h"

#include "platform/foundation/property_list.h"

#include <QVariantList>

namespace {

// The names the need form offers when the city's list has none: whole flats by rooms,
// shared flats by the kind of place, and the lists' first value, no limit.
QString fallbackName(int code, bool sharedFlat) {
    if (code == -1) return NeedSentence::kNoLimit;
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
            return code >= 4 ? QXNeedHistoryItem::kFourRoomsOrMore : QString();
    }
}

// The codes of a `huxing` text that is a JSON array ("[1,3]"); nothing when it is not one.
std::optional<QVariantList> codeArray(const QString& huxing) {
    if (huxing.size() < 3 || !huxing.startsWith(QLatin1Char('['))) return std::nullopt;
    const QVariant parsed = json_JSON(QVariant(huxing));
    return parsed.typeId() == QMetaType::QVariantList ? parsed.toList() : QVariantList();
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
    const QString file =
        DocumentFolder::filePath(QStringLiteral("%1-%2")
                                     .arg(QXNetContext::shared()->currentCityScript_index())
                                     .arg(rentOrBuy));
    QString name;
    if (const auto filters = ns::dictionaryWithContentsOfFile(file)) {
        QVariantList values;
        for (const QVariant& item : filters->value(QStringLiteral("fs")).toList()) {
            const QString key = item.toMap().value(QStringLiteral("f")).toString();
            if (key == QLatin1String("huxing_shi") || key == QLatin1String("share_mode"))
                values = item.toMap().value(QStringLiteral("vs")).toList();
        }
        for (const QVariant& value : values) {
            if (value.toMap().value(QStringLiteral("v")).toString() == code)
                name = value.toMap().value(QStringLiteral("n")).toString();
        }
    }
    if (!name.isEmpty()) return name;
    return fallbackName(code.toInt(), rentOrBuy.toInt() == 3);
}

QString QXNeedHistoryItem::houseTypeNames(const QVariant& huxing, const QString& rentOrBuy) {
    const auto nameOf = [&rentOrBuy](int code) {
        return code == 4 ? kFourRoomsOrMore
                         : loadTextHouseDoorByIndex(QString::number(code), rentOrBuy);
    };
    const QString text = huxing.toString();
    const auto codes = codeArray(text);
    if (!codes) return text.isEmpty() ? QString() : nameOf(text.toInt());
    QString names;
    for (const QVariant& code : *codes) names += nameOf(code.toInt());
    return names;
}

QString QXNeedHistoryItem::getInfoWithDic(const QVariantMap& row) {
    const QString priceName = row.value(QStringLiteral("priceName")).toString();
    const QString price = priceName.isEmpty() ? NeedSentence::kNoLimit : priceName;
    const QString rentOrBuy = QString::number(row.value(QStringLiteral("rentOrBuy")).toInt());
    const QString houseTypes = houseTypeNames(row.value(QStringLiteral("huxing")), rentOrBuy);
    const bool aroundPosition = row.value(QStringLiteral("latlng")).toString().size() >= 2;
    return NeedSentence::make(rentOrBuy, houseTypes, price,
                              row.value(QStringLiteral("location")).toString(), aroundPosition);
}
